/*
 * The script of the editable preview page.
 *
 * The program edits the listing's title, subtitle and description inside this page. It cannot
 * reach the page's document synchronously, so the document work happens here, in four parts:
 *
 *   DWDOM      operations on nodes and ranges: the region of a node (by element id), its text,
 *              its path, XPath queries and moving children and siblings.
 *   qmPreview  the connection: once the page has loaded, the program publishes its objects on a
 *              web channel and calls qmPreview.connect(); every event sent back carries the load
 *              generation it was given, so that the program drops what an older page says.
 *   qmEditor   what may be edited where: the description and the title and subtitle (twice each,
 *              in the design and in the page header), their rules (length, line breaks, plain
 *              text, no pictures), and the report of every change to the program.
 *   qmFormat   the format toolbar's commands on the description and the state of the selection.
 *
 * The handlers of the picture wrappers (imagedrag ... imagedeletebuttonclicked) are defined at
 * the end.
 */
(function () {
    'use strict';

    var DESCRIPTION_ID = 'qm_htmlediting_description_identifier';
    var SECONDARY_IDS = ['qm_htmlediting_title_design', 'qm_htmlediting_title_preview',
                         'qm_htmlediting_subtitle_design', 'qm_htmlediting_subtitle_preview'];
    var NEUTRAL_STYLE = 'padding-top: inherit; font-size: inherit; text-align: inherit; clear: inherit; ' +
                        'font-weight: inherit;';
    var FRAME_STYLE = 'outline-color: #08f; outline-width: 2px; outline-style: inset; background: white; ' +
                      'color: black;';
    var LIST_STYLE = 'margin: 0 0 0 17px; padding: 0;';
    var NODE_TYPE_NAMES = ['unknown', 'DOM_ELEMENT_NODE', 'DOM_ATTRIBUTE_NODE', 'DOM_TEXT_NODE',
                           'DOM_CDATA_SECTION_NODE', 'DOM_ENTITY_REFERENCE_NODE', 'DOM_ENTITY_NODE',
                           'DOM_PROCESSING_INSTRUCTION_NODE', 'DOM_COMMENT_NODE', 'DOM_DOCUMENT_NODE',
                           'DOM_DOCUMENT_TYPE_NODE', 'DOM_DOCUMENT_FRAGMENT_NODE', 'DOM_NOTATION_NODE'];

    // ------------------------------------------------------------------------------------------
    // DOM extensions
    // ------------------------------------------------------------------------------------------

    var DWDOM = {
        // The value of the node's "id" attribute; null for a node without attributes.
        identifier: function (node) {
            if (!node || !node.attributes)
                return null;
            var attribute = node.attributes.getNamedItem('id');
            return attribute ? attribute.value : null;
        },
        outerHTMLOfNodeWithValueForID: function (doc, identifier) {
            var element = doc.getElementById(identifier);
            return element ? element.outerHTML : null;
        },
        namedNodeMapDescription: function (map) {
            var text = '[object NamedNodeMap]: ';
            for (var i = 0; i < map.length; i++)
                text += '\n' + map.item(i).name + '="' + map.item(i).value + '"';
            return text;
        },
        innerTextContent: function (node) {
            return node ? node.textContent : null;
        },
        firstSubnodeWithName: function (node, name) {
            for (var child = node ? node.firstChild : null; child; child = child.nextSibling) {
                if (child.nodeName === name)
                    return child;
            }
            return null;
        },
        // The node itself or its first descendant (depth first, document order) with the id.
        firstSubnodeWithValueForID: function (node, identifier) {
            if (!node)
                return null;
            if (DWDOM.identifier(node) === identifier)
                return node;
            for (var child = node.firstChild; child; child = child.nextSibling) {
                var found = DWDOM.firstSubnodeWithValueForID(child, identifier);
                if (found)
                    return found;
            }
            return null;
        },
        // The node itself or its nearest ancestor with the id.
        nodeWithValueForID: function (node, identifier) {
            for (; node; node = node.parentNode) {
                if (DWDOM.identifier(node) === identifier)
                    return node;
            }
            return null;
        },
        // The nearest ancestor (not the node itself) that has the attribute with a value.
        parentNodeWithValueForAttribute: function (node, attribute) {
            for (node = node ? node.parentNode : null; node; node = node.parentNode) {
                if (node.attributes && node.attributes.getNamedItem(attribute) &&
                    node.attributes.getNamedItem(attribute).value)
                    return node;
            }
            return null;
        },
        pathContainsNodeWithPrefixValueForID: function (node, prefix, identifier) {
            for (; node; node = node.parentNode) {
                var own = DWDOM.identifier(node);
                if (own !== null && (own === identifier || (prefix && own.indexOf(identifier) === 0)))
                    return own;
            }
            return null;
        },
        pathContainsNodeWithValueForID: function (node, identifier) {
            return DWDOM.pathContainsNodeWithPrefixValueForID(node, false, identifier);
        },
        pathContainsNodeWithPrefixForID: function (node, prefix) {
            return DWDOM.pathContainsNodeWithPrefixValueForID(node, true, prefix);
        },
        path: function (node) {
            var names = [];
            for (; node; node = node.parentNode)
                names.unshift('/' + node.nodeName);
            return names.join('');
        },
        printType: function (node) {
            var name = NODE_TYPE_NAMES[node.nodeType] || 'unknown';
            var text = String(node) + ': ' + name;
            console.log(text);
            return text;
        },
        isChildOf: function (node, other) {
            for (node = node ? node.parentNode : null; node; node = node.parentNode) {
                if (node === other)
                    return true;
            }
            return false;
        },
        // The node and its ancestors, nearest first, up to (not including) the first named one;
        // empty when none on the way has that name.
        parentsUntilNodeWithName: function (node, name) {
            var wanted = name.toUpperCase();
            var passed = [];
            for (; node; node = node.parentNode) {
                if (node.nodeName === wanted)
                    return passed;
                passed.push(node);
            }
            return [];
        },
        closestParentOfType: function (node, name) {
            var wanted = name.toUpperCase();
            for (; node; node = node.parentNode) {
                if (node.nodeName === wanted)
                    return node;
            }
            return null;
        },
        nodesForXPath: function (node, expression, resolver) {
            var doc = node.nodeType === 9 ? node : node.ownerDocument;
            var result = doc.evaluate(expression, node, resolver || null, XPathResult.ORDERED_NODE_ITERATOR_TYPE, null);
            var nodes = [];
            for (var found = result.iterateNext(); found; found = result.iterateNext())
                nodes.push(found);
            return nodes;
        },
        // Collected first, moved afterwards: moving must not disturb the walk.
        appendFollowingSiblingsToParentNode: function (node, target) {
            var siblings = [];
            for (var sibling = node.nextSibling; sibling; sibling = sibling.nextSibling)
                siblings.push(sibling);
            siblings.forEach(function (each) { target.appendChild(each); });
        },
        appendChildrenToParentNode: function (node, target) {
            Array.prototype.slice.call(node.childNodes).forEach(function (each) { target.appendChild(each); });
        },
        rangeDescription: function (range) {
            return '[object Range]: from ' + range.startOffset + ' of ' + DWDOM.path(range.startContainer) +
                   ' to ' + range.endOffset + ' of ' + DWDOM.path(range.endContainer);
        },
        setRange: function (range, startContainer, startOffset, endContainer, endOffset) {
            range.setStart(startContainer, startOffset);
            range.setEnd(endContainer, endOffset);
            return range;
        }
    };
    window.DWDOM = DWDOM;

    // ------------------------------------------------------------------------------------------
    // Connection to the program
    // ------------------------------------------------------------------------------------------

    var generation = 0;
    var port = null;
    var bridge = null;

    function send(method) {
        if (!port || typeof port[method] !== 'function')
            return;
        var args = [generation].concat(Array.prototype.slice.call(arguments, 1));
        port[method].apply(port, args);
    }

    function callBridge(method) {
        if (!bridge || typeof bridge[method] !== 'function')
            return;
        bridge[method].apply(bridge, Array.prototype.slice.call(arguments, 1));
    }

    var qmPreview = {
        connected: false,
        // Called by the program once the page has loaded and the channel is published.
        connect: function (loadGeneration, settings) {
            generation = loadGeneration;
            qmEditor.configure(settings || {});
            var attempts = 0;
            // The channel's transport reaches the page a moment after the program sets it.
            (function attempt() {
                if (typeof QWebChannel === 'undefined' || typeof qt === 'undefined' || !qt.webChannelTransport) {
                    if (++attempts < 500)
                        setTimeout(attempt, 10);
                    return;
                }
                new QWebChannel(qt.webChannelTransport, function (channel) {
                    port = channel.objects.QMPreviewPagePort || null;
                    bridge = channel.objects.QuillmartScriptObject || null;
                    window.QuillmartScriptObject = bridge;
                    qmPreview.connected = true;
                    send('pageDidConnect', qmEditor.parse());
                });
            })();
        },
        // What lies at a point of the page (view coordinates): for the context menu and for drops.
        pointInfo: function (x, y) {
            var element = document.elementFromPoint(x, y);
            var info = { isImage: false, source: '', inDescription: false, editable: false };
            if (!element)
                return info;
            info.isImage = element.nodeName === 'IMG';
            info.source = info.isImage ? element.src : '';
            info.inDescription = DWDOM.pathContainsNodeWithValueForID(element, DESCRIPTION_ID) !== null;
            info.editable = element.isContentEditable;
            return info;
        }
    };
    window.qmPreview = qmPreview;

    // ------------------------------------------------------------------------------------------
    // Editor
    // ------------------------------------------------------------------------------------------

    function isFormNode(element) {
        return !!element && (element.nodeName === 'INPUT' || element.nodeName === 'TEXTAREA');
    }

    function isTitleID(identifier) {
        return identifier !== null && identifier.indexOf('qm_htmlediting_title_') === 0;
    }

    function linkedIdentifier(identifier) {
        if (/_design$/.test(identifier))
            return identifier.replace(/_design$/, '_preview');
        if (/_preview$/.test(identifier))
            return identifier.replace(/_preview$/, '_design');
        return null;
    }

    // The editable place of a node: the description or one of the four title and subtitle ids.
    function placeOfNode(node) {
        if (!node)
            return null;
        if (DWDOM.pathContainsNodeWithValueForID(node, DESCRIPTION_ID) !== null)
            return DESCRIPTION_ID;
        for (var i = 0; i < SECONDARY_IDS.length; i++) {
            if (DWDOM.pathContainsNodeWithValueForID(node, SECONDARY_IDS[i]) !== null)
                return SECONDARY_IDS[i];
        }
        return null;
    }

    function fieldText(element) {
        return isFormNode(element) ? element.value : element.textContent;
    }

    function selectedLength(element) {
        if (isFormNode(element))
            return Math.abs((element.selectionEnd || 0) - (element.selectionStart || 0));
        var selection = window.getSelection();
        return selection.rangeCount ? selection.getRangeAt(0).toString().length : 0;
    }

    // Line breaks end a title; everything else that is no plain character is a blank there.
    function singleLine(text) {
        return String(text).replace(/\r\n|\r|\n|\t/g, ' ');
    }

    // ------------------------------------------------------------------------------------------
    // Description markup: the same allowlist as the program's sanitizer
    // (description/QMDescriptionHTMLSanitizer.cpp); a change there is made here too. The markup is
    // parsed in an inert document and written anew from what the lists let through, so nothing
    // the page inserts can run, whatever it was.
    // ------------------------------------------------------------------------------------------

    var GLOBAL_ATTRIBUTES = ['id', 'class', 'style', 'title', 'dir', 'lang', 'align', 'valign', 'width', 'height',
                             'bgcolor', 'color', 'border', 'hidden', 'role'];
    var PLAIN_ELEMENTS = ['abbr', 'acronym', 'address', 'article', 'aside', 'b', 'bdi', 'bdo', 'big', 'blink',
                          'caption', 'center', 'cite', 'code', 'dd', 'dfn', 'div', 'dl', 'dt', 'em', 'figcaption',
                          'figure', 'footer', 'h1', 'h2', 'h3', 'h4', 'h5', 'h6', 'header', 'i', 'kbd', 'main',
                          'mark', 'nav', 'nobr', 'p', 'pre', 'rp', 'rt', 'ruby', 's', 'samp', 'section', 'small',
                          'span', 'strike', 'strong', 'sub', 'summary', 'sup', 'tbody', 'tfoot', 'thead', 'tt', 'u',
                          'ul', 'var'];
    var ELEMENT_ATTRIBUTES = {
        a: ['href', 'name', 'target', 'rel', 'hreflang'], area: ['href', 'alt', 'shape', 'coords', 'target'],
        blockquote: ['cite'], br: ['clear'], col: ['span', 'char', 'charoff'],
        colgroup: ['span', 'char', 'charoff'], del: ['cite', 'datetime'], details: ['open'],
        font: ['face', 'size'], hr: ['noshade', 'size'],
        img: ['src', 'alt', 'hspace', 'vspace', 'usemap', 'loading'], ins: ['cite', 'datetime'],
        li: ['type', 'value'], link: ['href', 'rel', 'type', 'media'], map: ['name'],
        marquee: ['behavior', 'direction', 'scrollamount', 'scrolldelay', 'loop'],
        ol: ['start', 'type', 'reversed'], q: ['cite'], style: ['type', 'media'],
        table: ['cellpadding', 'cellspacing', 'summary', 'frame', 'rules', 'background'],
        td: ['colspan', 'rowspan', 'nowrap', 'background', 'abbr', 'axis', 'headers', 'scope', 'char', 'charoff'],
        th: ['colspan', 'rowspan', 'nowrap', 'background', 'abbr', 'axis', 'headers', 'scope', 'char', 'charoff'],
        time: ['datetime'], tr: ['char', 'charoff', 'background'], ul: ['type'], wbr: []
    };
    PLAIN_ELEMENTS.forEach(function (name) {
        if (!ELEMENT_ATTRIBUTES[name])
            ELEMENT_ATTRIBUTES[name] = [];
    });
    var DROPPED_WITH_CONTENT = ['script', 'noscript', 'template', 'iframe', 'frame', 'frameset', 'noframes',
                                'object', 'embed', 'applet', 'param', 'noembed', 'svg', 'math', 'title', 'textarea',
                                'xmp', 'plaintext', 'listing', 'select', 'option', 'optgroup', 'datalist', 'input',
                                'keygen', 'isindex', 'meta', 'base', 'basefont', 'bgsound', 'portal', 'audio', 'video',
                                'source', 'track', 'canvas', 'dialog', 'slot'];

    function schemeOfAddress(address) {
        var text = String(address).replace(/^[\u0000-\u0020]+/, '').replace(/[\t\n\r]/g, '');
        var match = /^([A-Za-z][A-Za-z0-9+.\-]*):/.exec(text);
        return match ? match[1].toLowerCase() : '';
    }

    function addressAllowed(element, attribute, address) {
        var scheme = schemeOfAddress(address);
        if (scheme === '' || scheme === 'http' || scheme === 'https')
            return true;
        if (attribute === 'href' && element !== 'link')
            return scheme === 'mailto' || scheme === 'qminternal';
        if (attribute === 'src' || attribute === 'background')
            return scheme === 'file';
        return false;
    }

    function normalisedCSS(css) {
        return String(css).replace(/\/\*[\s\S]*?(\*\/|$)/g, '')
            .replace(/\\([0-9a-fA-F]{1,6})\s?/g, function (all, hex) {
                var code = parseInt(hex, 16);
                return code > 0 && code <= 0x10FFFF ? String.fromCodePoint(code) : '';
            })
            .replace(/\\([^\s])/g, '$1')
            .replace(/[\s\u0000-\u001f]/g, '').toLowerCase();
    }

    function isActiveCSS(css) {
        var text = normalisedCSS(css);
        return ['expression(', 'javascript:', 'vbscript:', 'behavior:', '-moz-binding', '(data:', '"data:',
                '\'data:'].some(function (token) { return text.indexOf(token) >= 0; });
    }

    function withoutActiveParts(css, delimiters) {
        var result = '';
        var start = 0;
        for (var i = 0; i <= css.length; i++) {
            if (i < css.length && delimiters.indexOf(css.charAt(i)) < 0)
                continue;
            var part = css.substring(start, i);
            var active = isActiveCSS(part);
            if (!active)
                result += part;
            if (i < css.length && !(active && css.charAt(i) === ';'))
                result += css.charAt(i);
            start = i + 1;
        }
        return result;
    }

    // Markup written anew from the allowlist; pictures too unless dropPictures.
    function sanitizedHTML(html, dropPictures) {
        var source = document.implementation.createHTMLDocument('');
        var target = document.implementation.createHTMLDocument('');
        source.body.innerHTML = String(html);
        var out = target.createElement('div');
        function copyChildren(from, to) {
            for (var child = from.firstChild; child; child = child.nextSibling)
                copy(child, to);
        }
        function copy(node, to) {
            if (node.nodeType === 3) {
                to.appendChild(target.createTextNode(node.data));
                return;
            }
            if (node.nodeType !== 1)
                return;
            var name = node.namespaceURI === 'http://www.w3.org/1999/xhtml' ? node.localName : '';
            if (!name || DROPPED_WITH_CONTENT.indexOf(name) >= 0 || (name === 'img' && dropPictures))
                return;
            var allowed = Object.prototype.hasOwnProperty.call(ELEMENT_ATTRIBUTES, name) ? ELEMENT_ATTRIBUTES[name]
                                                                                          : null;
            if (!allowed) {
                copyChildren(node, to);
                return;
            }
            if (name === 'link' && (node.getAttribute('rel') || '').trim().toLowerCase() !== 'stylesheet')
                return;
            var element = target.createElement(name);
            Array.prototype.forEach.call(node.attributes, function (attribute) {
                var key = attribute.name.toLowerCase();
                if (attribute.namespaceURI || element.hasAttribute(key))
                    return;
                if (GLOBAL_ATTRIBUTES.indexOf(key) < 0 && allowed.indexOf(key) < 0 && !/^aria-/.test(key) &&
                    !/^data-[a-z0-9_.\-]+$/.test(key))
                    return;
                var value = attribute.value;
                if ((key === 'href' || key === 'src' || key === 'background' || key === 'cite') &&
                    !addressAllowed(name, key, value))
                    return;
                if (key === 'style' && value.trim()) {
                    value = withoutActiveParts(value, ';');
                    if (!value.trim())
                        return;
                }
                element.setAttribute(key, value);
            });
            if (name === 'style')
                element.appendChild(target.createTextNode(withoutActiveParts(node.textContent, ';{}')
                                                              .replace(/</g, '\\3c ')));
            else
                copyChildren(node, element);
            to.appendChild(element);
        }
        copyChildren(source.body, out);
        return out.innerHTML;
    }

    var qmEditor = {
        settings: {
            enabled: false,
            maxLength: 0,
            askBeforeDescriptionEdit: false,
            descriptionCheckDone: false,
            convertDescription: false,
            hasListing: false,
            titlePlaceholder: 'Title'
        },
        nodes: {},
        current: null,
        currentID: null,
        formFocus: false,
        descriptionCheckPending: false,
        placeholderShown: false,

        configure: function (settings) {
            for (var key in settings) {
                if (Object.prototype.hasOwnProperty.call(settings, key))
                    qmEditor.settings[key] = settings[key];
            }
            qmEditor.applyEditable();
        },

        // Finds the editable elements of the page; answers the ids found.
        parse: function () {
            qmEditor.nodes = {};
            qmEditor.clearCurrent(false);
            var found = [];
            SECONDARY_IDS.forEach(function (identifier) {
                var element = document.getElementById(identifier);
                if (element) {
                    qmEditor.nodes[identifier] = element;
                    found.push(identifier);
                }
            });
            qmEditor.applyEditable();
            return found;
        },

        applyEditable: function () {
            var on = !!qmEditor.settings.enabled;
            var description = document.getElementById(DESCRIPTION_ID);
            if (description)
                description.contentEditable = on ? 'true' : 'false';
            ['qm_htmlediting_title_design', 'qm_htmlediting_subtitle_design'].forEach(function (identifier) {
                var element = document.getElementById(identifier);
                if (element)
                    element.contentEditable = on ? 'plaintext-only' : 'false';
            });
            ['qm_htmlediting_title_preview', 'qm_htmlediting_subtitle_preview'].forEach(function (identifier) {
                var element = document.getElementById(identifier);
                if (element)
                    element.readOnly = !on;
            });
        },

        setStyle: function (element, frame) {
            if (!element || isFormNode(element))
                return;
            element.setAttribute('style', frame ? FRAME_STYLE + ' ' + NEUTRAL_STYLE : NEUTRAL_STYLE);
        },

        makeCurrent: function (element, identifier) {
            if (qmEditor.current === element)
                return;
            if (qmEditor.current)
                qmEditor.setStyle(qmEditor.current, false);
            qmEditor.current = element;
            qmEditor.currentID = identifier;
            if (element && identifier !== DESCRIPTION_ID)
                qmEditor.setStyle(element, true);
            send('currentElementDidChange', identifier || '');
        },

        clearCurrent: function (notify) {
            if (qmEditor.current)
                qmEditor.setStyle(qmEditor.current, false);
            qmEditor.current = null;
            qmEditor.currentID = null;
            if (notify)
                send('currentElementDidChange', '');
        },

        // Line feed in a title: editing ends, the frame goes, nothing stays selected.
        endEditing: function () {
            var element = qmEditor.current;
            qmEditor.clearCurrent(true);
            if (element && element.blur)
                element.blur();
            window.getSelection().removeAllRanges();
        },

        refuse: function (event) {
            if (event)
                event.preventDefault();
            send('inputRefused');
        },

        // The length rule of titles and subtitles: what stays of the field plus the new text.
        admitsLength: function (element, text) {
            var maximum = qmEditor.settings.maxLength;
            if (!qmEditor.settings.hasListing || !maximum)
                return true;
            var length = qmEditor.placeholderShown && element === qmEditor.current ? 0 : fieldText(element).length;
            return length - selectedLength(element) + text.length <= maximum;
        },

        descriptionEditable: function () {
            if (!qmEditor.settings.hasListing)
                return true;
            if (qmEditor.settings.askBeforeDescriptionEdit && !qmEditor.settings.descriptionCheckDone) {
                qmEditor.requestDescriptionEditing();
                return false;
            }
            return !qmEditor.settings.convertDescription;
        },

        requestDescriptionEditing: function () {
            if (qmEditor.descriptionCheckPending)
                return;
            qmEditor.descriptionCheckPending = true;
            send('descriptionEditingRequested');
        },

        // The program's answer to descriptionEditingRequested.
        setDescriptionEditingAllowed: function (allowed, convertDescription) {
            qmEditor.descriptionCheckPending = false;
            qmEditor.settings.descriptionCheckDone = !!allowed;
            qmEditor.settings.convertDescription = !!convertDescription;
            if (!allowed && qmEditor.currentID === DESCRIPTION_ID)
                qmEditor.endEditing();
        },

        // The text a change of the description stores: the inner HTML of the description's only
        // child (the division the generator writes), else of the description itself.
        descriptionHTML: function () {
            var description = document.getElementById(DESCRIPTION_ID);
            if (!description)
                return null;
            var source = description.childNodes.length === 1 ? description.firstChild : description;
            if (source.nodeType === 3)
                return source.data;
            if (source.nodeType !== 1)
                return null;
            return sanitizedHTML(source.innerHTML);
        },

        descriptionDidChange: function () {
            var html = qmEditor.descriptionHTML();
            if (html !== null)
                send('descriptionDidChange', html);
        },

        // A title or subtitle changed in one of its two places: the other one follows, and the
        // program stores it.
        fieldDidChange: function (element, identifier) {
            var text = fieldText(element);
            var linked = document.getElementById(linkedIdentifier(identifier));
            if (!isFormNode(element) && text === '' && isTitleID(identifier)) {
                // The whole title went: the placeholder stands in, selected, so that typing
                // replaces it; the listing has no title meanwhile.
                element.textContent = qmEditor.settings.titlePlaceholder;
                qmEditor.placeholderShown = true;
                var range = document.createRange();
                range.selectNodeContents(element);
                var selection = window.getSelection();
                selection.removeAllRanges();
                selection.addRange(range);
                text = '';
            } else {
                qmEditor.placeholderShown = false;
            }
            if (linked) {
                if (isFormNode(linked))
                    linked.value = text;
                else if (text !== '' || !isTitleID(identifier))
                    linked.textContent = text;
                else
                    linked.textContent = qmEditor.settings.titlePlaceholder;
            }
            if (isFormNode(element))
                callBridge('stringChangedForID', text, identifier);
            else
                send('fieldDidChange', identifier, text === '' ? null : text);
        },

        // Changes of the listing made elsewhere reach the page without a reload.
        setFieldText: function (field, text) {
            var stem = field === 'subTitle' ? 'qm_htmlediting_subtitle_' : 'qm_htmlediting_title_';
            var shown = text || '';
            ['design', 'preview'].forEach(function (place) {
                var element = document.getElementById(stem + place);
                if (!element || fieldText(element) === shown)
                    return;
                if (isFormNode(element))
                    element.value = shown;
                else if (element !== qmEditor.current)
                    element.textContent = shown !== '' || field === 'subTitle' ? shown : qmEditor.settings.titlePlaceholder;
            });
        },

        // Select-all aimed at the page: the description's first division, or the whole field.
        selectAll: function () {
            var element = qmEditor.current;
            if (!element)
                return false;
            if (qmEditor.currentID === DESCRIPTION_ID) {
                var division = DWDOM.firstSubnodeWithName(element, 'DIV');
                if (!division || !division.firstChild)
                    return false;
                var range = document.createRange();
                range.setStartBefore(division.firstChild);
                range.setEndAfter(division.lastChild);
                var selection = window.getSelection();
                selection.removeAllRanges();
                selection.addRange(range);
                return true;
            }
            if (isFormNode(element)) {
                element.select();
                return true;
            }
            var whole = document.createRange();
            whole.selectNodeContents(element);
            window.getSelection().removeAllRanges();
            window.getSelection().addRange(whole);
            return true;
        },

        // Plain text into the current title or subtitle, by the title rules (the program's paste).
        insertPlainText: function (text) {
            var element = qmEditor.current;
            if (!element || qmEditor.currentID === DESCRIPTION_ID)
                return false;
            text = singleLine(text);
            if (!qmEditor.admitsLength(element, text)) {
                send('inputRefused');
                return false;
            }
            document.execCommand('insertText', false, text);
            return true;
        },

        selectedText: function () {
            return window.getSelection().toString();
        },

        // Pasted markup in place of the selection in the description, node for node as it came
        // (the editing command would rewrite its formatting into styles of the surroundings).
        pasteHTML: function (html) {
            var range = selectionRange();
            if (qmEditor.currentID !== DESCRIPTION_ID || !qmEditor.descriptionEditable() || !rangeInDescription(range))
                return false;
            var template = document.createElement('template');
            template.innerHTML = sanitizedHTML(html, true);
            var fragment = template.content;
            var last = fragment.lastChild;
            range.deleteContents();
            range.insertNode(fragment);
            if (last) {
                // The caret goes to the end of the pasted text, where typing goes on.
                var tail = last;
                while (tail.lastChild)
                    tail = tail.lastChild;
                var after = document.createRange();
                if (tail.nodeType === 3)
                    after.setStart(tail, tail.length);
                else
                    after.setStartAfter(last);
                after.collapse(true);
                window.getSelection().removeAllRanges();
                window.getSelection().addRange(after);
            }
            qmEditor.descriptionDidChange();
            return true;
        },

        // Markup in place of the selection in the description (the link sheet's result).
        insertHTML: function (html) {
            if (qmEditor.currentID !== DESCRIPTION_ID || !qmEditor.descriptionEditable())
                return false;
            document.execCommand('insertHTML', false, sanitizedHTML(html));
            qmEditor.descriptionDidChange();
            return true;
        },

        selectionChanged: function () {
            if (qmEditor.formFocus)
                return;
            var selection = window.getSelection();
            if (!selection.rangeCount) {
                qmFormat.reportState();
                return;
            }
            var range = selection.getRangeAt(0);
            var startPlace = placeOfNode(range.startContainer);
            var endPlace = placeOfNode(range.endContainer);
            if (startPlace && startPlace === endPlace) {
                var element = startPlace === DESCRIPTION_ID
                                  ? document.getElementById(DESCRIPTION_ID)
                                  : DWDOM.nodeWithValueForID(range.startContainer, startPlace);
                qmEditor.makeCurrent(element, startPlace);
                if (startPlace === DESCRIPTION_ID && qmEditor.settings.hasListing &&
                    qmEditor.settings.askBeforeDescriptionEdit && !qmEditor.settings.descriptionCheckDone)
                    qmEditor.requestDescriptionEditing();
            }
            qmFormat.reportState();
        },

        onBeforeInput: function (event) {
            var target = event.target;
            if (isFormNode(target)) {
                qmEditor.beforeFormInput(event, target);
                return;
            }
            var place = placeOfNode(target);
            if (!qmEditor.settings.enabled || !place) {
                event.preventDefault();
                return;
            }
            var type = event.inputType || '';
            if (place === DESCRIPTION_ID) {
                if (!qmEditor.descriptionEditable() || type === 'insertFromDrop' || type === 'deleteByDrag')
                    event.preventDefault();
                return;
            }
            // A title or subtitle of the design.
            var element = DWDOM.nodeWithValueForID(target, place) || target;
            if (type === 'insertParagraph' || type === 'insertLineBreak') {
                event.preventDefault();
                qmEditor.endEditing();
                return;
            }
            if (type.indexOf('format') === 0 || type === 'insertFromDrop' || type === 'deleteByDrag') {
                event.preventDefault();
                return;
            }
            if (type.indexOf('insert') === 0) {
                var text = event.data !== null && event.data !== undefined
                               ? event.data
                               : (event.dataTransfer ? event.dataTransfer.getData('text/plain') : '');
                if (/[\n\r]/.test(text) && type === 'insertText') {
                    event.preventDefault();
                    qmEditor.endEditing();
                    return;
                }
                if (/\t/.test(text)) {
                    qmEditor.refuse(event);
                    return;
                }
                if (!qmEditor.admitsLength(element, text)) {
                    qmEditor.refuse(event);
                    return;
                }
                if (qmEditor.placeholderShown) {
                    var range = document.createRange();
                    range.selectNodeContents(element);
                    window.getSelection().removeAllRanges();
                    window.getSelection().addRange(range);
                }
            }
        },

        beforeFormInput: function (event, field) {
            var type = event.inputType || '';
            if (!qmEditor.settings.enabled) {
                event.preventDefault();
                return;
            }
            if (type === 'insertLineBreak' || type === 'insertParagraph') {
                event.preventDefault();
                field.blur();
                return;
            }
            if (type.indexOf('insert') === 0) {
                var text = event.data || (event.dataTransfer ? event.dataTransfer.getData('text/plain') : '') || '';
                if (/\t/.test(text) || !qmEditor.admitsLength(field, singleLine(text)))
                    qmEditor.refuse(event);
            }
        },

        onInput: function (event) {
            var target = event.target;
            if (isFormNode(target)) {
                if (SECONDARY_IDS.indexOf(target.id) >= 0) {
                    if (/[\n\r\t]/.test(target.value))
                        target.value = singleLine(target.value);
                    qmEditor.fieldDidChange(target, target.id);
                }
                return;
            }
            var place = placeOfNode(target);
            if (place === DESCRIPTION_ID) {
                qmEditor.descriptionDidChange();
            } else if (place) {
                var element = DWDOM.nodeWithValueForID(target, place);
                if (element)
                    qmEditor.fieldDidChange(element, place);
            }
        },

        onKeyDown: function (event) {
            var target = event.target;
            var place = isFormNode(target) ? target.id : placeOfNode(target);
            if (!place || place === DESCRIPTION_ID)
                return;
            if (event.key === 'Tab') {
                qmEditor.refuse(event);
            } else if (event.key === 'Enter') {
                event.preventDefault();
                if (isFormNode(target))
                    target.blur();
                else
                    qmEditor.endEditing();
            }
        },

        // A paste the program did not make itself (the page's own menu): into the description
        // its markup goes through the allowlist, without pictures; a title takes plain text.
        onPaste: function (event) {
            var target = event.target;
            var place = isFormNode(target) ? target.id : placeOfNode(target);
            if (!place)
                return;
            event.preventDefault();
            var data = event.clipboardData;
            var text = data ? data.getData('text/plain') : '';
            var html = data ? data.getData('text/html') : '';
            if (place === DESCRIPTION_ID) {
                if (!qmEditor.descriptionEditable())
                    return;
                if (html)
                    document.execCommand('insertHTML', false, sanitizedHTML(html, true));
                else if (text)
                    document.execCommand('insertText', false, text);
                return;
            }
            if (!text)
                return;
            text = singleLine(text);
            var element = isFormNode(target) ? target : DWDOM.nodeWithValueForID(target, place);
            if (!qmEditor.admitsLength(element, text)) {
                send('inputRefused');
                return;
            }
            document.execCommand('insertText', false, text);
        },

        onDrop: function (event) {
            // Nothing dragged enters the text; pictures dropped on pictures are the program's.
            var place = placeOfNode(event.target);
            if (place)
                event.preventDefault();
        },

        onFormFocus: function (event) {
            var field = event.target;
            if (!isFormNode(field) || SECONDARY_IDS.indexOf(field.id) < 0)
                return;
            qmEditor.formFocus = true;
            if (qmEditor.current && !isFormNode(qmEditor.current))
                qmEditor.setStyle(qmEditor.current, false);
            qmEditor.current = field;
            qmEditor.currentID = field.id;
            callBridge('onFocusInField', field.id);
            send('currentElementDidChange', field.id);
        },

        onFormBlur: function (event) {
            var field = event.target;
            if (!isFormNode(field) || SECONDARY_IDS.indexOf(field.id) < 0)
                return;
            qmEditor.formFocus = false;
            if (qmEditor.current === field) {
                qmEditor.current = null;
                qmEditor.currentID = null;
            }
            callBridge('onBlurInField', field.id);
            send('currentElementDidChange', '');
        }
    };
    window.qmEditor = qmEditor;

    // ------------------------------------------------------------------------------------------
    // Format toolbar
    // ------------------------------------------------------------------------------------------

    function selectionRange() {
        var selection = window.getSelection();
        return selection.rangeCount ? selection.getRangeAt(0) : null;
    }

    function elementOf(node) {
        return node && node.nodeType !== 1 ? node.parentElement : node;
    }

    function rangeInDescription(range) {
        return !!range && DWDOM.nodeWithValueForID(range.commonAncestorContainer, DESCRIPTION_ID) !== null;
    }

    function startStyle(range) {
        var element = elementOf(range.startContainer);
        return element ? window.getComputedStyle(element) : null;
    }

    // Decorations are not inherited in computed styles; they are looked for up to the description.
    function hasDecoration(range, name) {
        for (var element = elementOf(range.startContainer); element; element = element.parentElement) {
            if ((window.getComputedStyle(element).textDecorationLine || '').indexOf(name) >= 0)
                return true;
            if (DWDOM.identifier(element) === DESCRIPTION_ID)
                break;
        }
        return false;
    }

    function isBold(style) {
        var weight = style.fontWeight;
        return weight.indexOf('bold') >= 0 || parseInt(weight, 10) >= 600;
    }

    var qmFormat = {
        lastState: null,

        selectionIntersectsNodesOfType: function (name) {
            var range = selectionRange();
            if (!range)
                return false;
            var nodes = DWDOM.nodesForXPath(document, '//' + name);
            for (var i = 0; i < nodes.length; i++) {
                try {
                    if (range.intersectsNode(nodes[i]))
                        return true;
                } catch (error) {
                    console.log('Exception in qmFormat selectionIntersectsNodesOfType: ' + error);
                }
            }
            return false;
        },

        state: function () {
            var range = selectionRange();
            var state = { editable: false, inDescription: false };
            if (!range)
                return state;
            var start = elementOf(range.startContainer);
            state.editable = !!start && start.isContentEditable;
            state.selectedText = window.getSelection().toString().substring(0, 2000);
            state.inDescription = rangeInDescription(range);
            var style = startStyle(range);
            if (!style)
                return state;
            state.bold = isBold(style);
            state.italic = style.fontStyle.indexOf('italic') >= 0;
            state.underline = hasDecoration(range, 'underline');
            state.strikethrough = hasDecoration(range, 'line-through');
            state.bulletList = qmFormat.selectionIntersectsNodesOfType('ul');
            state.orderedList = qmFormat.selectionIntersectsNodesOfType('ol');
            state.alignLeft = style.textAlign.indexOf('left') >= 0 || style.textAlign === 'start';
            state.alignCenter = style.textAlign.indexOf('center') >= 0;
            state.alignRight = style.textAlign.indexOf('right') >= 0;
            state.fontFamily = style.fontFamily;
            state.fontSize = style.fontSize;
            state.lineHeight = style.lineHeight;
            return state;
        },

        reportState: function () {
            var state = qmFormat.state();
            var text = JSON.stringify(state);
            if (text === qmFormat.lastState)
                return;
            qmFormat.lastState = text;
            send('selectionDidChange', state);
        },

        // Bold, italic, underline and strike-through toggle alike over the whole selection,
        // decided by how the selection starts.
        toggle: function (command, isOn) {
            var range = selectionRange();
            if (!range)
                return;
            var on = isOn(range);
            document.execCommand(command, false, null);
            if (document.queryCommandState(command) === on)
                document.execCommand(command, false, null);
        },

        // Wraps the selection in spans of the given inline style, through a marker font size the
        // editing commands know.
        wrapSelection: function (property, value) {
            document.execCommand('styleWithCSS', false, false);
            document.execCommand('fontSize', false, '7');
            var description = document.getElementById(DESCRIPTION_ID);
            var spans = [];
            Array.prototype.slice.call(description.querySelectorAll('font[size="7"]')).forEach(function (font) {
                var span = document.createElement('span');
                span.style.setProperty(property, value);
                if (font.getAttribute('face'))
                    span.style.fontFamily = font.getAttribute('face');
                if (font.getAttribute('color'))
                    span.style.color = font.getAttribute('color');
                while (font.firstChild)
                    span.appendChild(font.firstChild);
                font.parentNode.replaceChild(span, font);
                spans.push(span);
            });
            // The marker elements held the selection and are gone: it covers their spans again, so
            // that the next command acts on the same text.
            if (spans.length) {
                var last = spans[spans.length - 1];
                var range = document.createRange();
                range.setStart(spans[0], 0);
                range.setEnd(last, last.childNodes.length);
                window.getSelection().removeAllRanges();
                window.getSelection().addRange(range);
            }
        },

        blocksOfSelection: function (range) {
            var description = document.getElementById(DESCRIPTION_ID);
            var blocks = [];
            DWDOM.nodesForXPath(description, './/div|.//li|.//p').forEach(function (node) {
                if (range.intersectsNode(node))
                    blocks.push(node);
            });
            if (!blocks.length)
                blocks.push(DWDOM.firstSubnodeWithName(description, 'DIV') || description);
            return blocks;
        },

        // The line height of the blocks the selection touches. Text straight in the description's
        // division gets a division of its own first: the division itself is not stored, only what
        // it holds. The selection stays on the same text.
        lineHeightOfSelection: function (range, value) {
            var description = document.getElementById(DESCRIPTION_ID);
            var startContainer = range.startContainer, startOffset = range.startOffset;
            var endContainer = range.endContainer, endOffset = range.endOffset;
            var blocks = [];
            DWDOM.nodesForXPath(description, './/div|.//li|.//p').forEach(function (node) {
                if (range.intersectsNode(node) && node.parentNode !== description)
                    blocks.push(node);
            });
            if (!blocks.length) {
                var division = DWDOM.firstSubnodeWithName(description, 'DIV') || description;
                var inner = document.createElement('div');
                while (division.firstChild)
                    inner.appendChild(division.firstChild);
                division.appendChild(inner);
                blocks.push(inner);
            }
            blocks.forEach(function (block) { block.style.lineHeight = value; });
            var kept = document.createRange();
            kept.setStart(startContainer, startOffset);
            kept.setEnd(endContainer, endOffset);
            window.getSelection().removeAllRanges();
            window.getSelection().addRange(kept);
        },

        convertSelectionToListType: function (tag) {
            var range = selectionRange();
            var list = document.createElement(tag);
            var first = document.createElement('li');
            first.appendChild(range.cloneContents());
            list.appendChild(first);
            list.setAttribute('style', LIST_STYLE);
            var common = range.commonAncestorContainer;
            var divisions = [];
            DWDOM.nodesForXPath(document, '//div').forEach(function (division) {
                if (range.intersectsNode(division) && DWDOM.isChildOf(division, common)) {
                    var item = document.createElement('li');
                    item.innerHTML = division.innerHTML;
                    list.appendChild(item);
                    divisions.push(division);
                }
            });
            range.deleteContents();
            range.insertNode(list);
            // A division whose content now stands in its own item leaves no empty line behind.
            divisions.forEach(function (division) {
                if (division.parentNode && !division.textContent.trim() && !division.querySelector('img'))
                    division.parentNode.removeChild(division);
            });
            DWDOM.nodesForXPath(first, './/div').forEach(function (division) {
                division.parentNode.removeChild(division);
            });
            if (!first.textContent.trim() && !first.querySelector('img') && list.childNodes.length >= 2)
                list.removeChild(first);
            var after = document.createRange();
            after.selectNodeContents(list);
            window.getSelection().removeAllRanges();
            window.getSelection().addRange(after);
        },

        convertSelectionFromListType: function (tag) {
            var range = selectionRange();
            var made = [];
            DWDOM.nodesForXPath(document, '//' + tag).forEach(function (list) {
                if (!range.intersectsNode(list))
                    return;
                var before = [], selected = [], after = [];
                Array.prototype.slice.call(list.childNodes).forEach(function (item) {
                    if (item.nodeName !== 'LI')
                        return;
                    if (range.intersectsNode(item) && !after.length)
                        selected.push(item);
                    else if (selected.length)
                        after.push(item);
                    else
                        before.push(item);
                });
                if (!selected.length)
                    return;
                var parent = list.parentNode;
                if (before.length) {
                    var head = document.createElement(tag);
                    before.forEach(function (item) { head.appendChild(item); });
                    parent.insertBefore(head, list);
                }
                selected.forEach(function (item) {
                    var division = document.createElement('div');
                    division.innerHTML = item.innerHTML;
                    parent.insertBefore(division, list);
                    made.push(division);
                });
                if (after.length) {
                    var tail = document.createElement(tag);
                    after.forEach(function (item) { tail.appendChild(item); });
                    parent.insertBefore(tail, list);
                }
                parent.removeChild(list);
            });
            if (made.length) {
                var selection = document.createRange();
                selection.setStartBefore(made[0]);
                selection.setEndAfter(made[made.length - 1]);
                window.getSelection().removeAllRanges();
                window.getSelection().addRange(selection);
            }
        },

        toggleList: function (tag, other) {
            if (qmFormat.selectionIntersectsNodesOfType(tag)) {
                qmFormat.convertSelectionFromListType(tag);
                return;
            }
            if (qmFormat.selectionIntersectsNodesOfType(other))
                qmFormat.convertSelectionFromListType(other);
            qmFormat.convertSelectionToListType(tag);
        },

        // The left margin of a list item, in steps of 15 pixels, never below 0, written into its
        // style attribute as "margin:0 0 0 Npx".
        modifyMarginOfElement: function (element, change) {
            var style = element.getAttribute('style') || '';
            var parts = style === '' ? [] : style.split(';');
            var index = -1;
            for (var i = 0; i < parts.length; i++) {
                if (parts[i].indexOf('margin:') === 0) {
                    index = i;
                    break;
                }
            }
            var replaced = false;
            if (index >= 0) {
                var values = parts[index].substring(7).trim().split(/\s+/);
                parts.splice(index, 1);
                var left = values.length === 4 ? parseInt(values[3], 10) : NaN;
                if (!isNaN(left)) {
                    var margin = Math.max(0, left + change);
                    parts.push(margin === 0 ? '' : 'margin:' + values[0] + ' ' + values[1] + ' ' + values[2] + ' ' +
                                                   margin + 'px');
                    replaced = true;
                }
            }
            if (!replaced)
                parts.push(change > 0 ? 'margin:0 0 0 ' + change + 'px' : '');
            element.setAttribute('style', parts.join(';'));
        },

        indent: function (change) {
            var range = selectionRange();
            DWDOM.nodesForXPath(document, '//li').forEach(function (item) {
                if (range.intersectsNode(item))
                    qmFormat.modifyMarginOfElement(item, change);
            });
        },

        // Runs a toolbar command on the description's selection; false when the selection is not
        // in the description or it may not be edited.
        apply: function (command, argument) {
            var range = selectionRange();
            if (!rangeInDescription(range) || !qmEditor.descriptionEditable())
                return false;
            document.execCommand('styleWithCSS', false, false);
            switch (command) {
            case 'bold':
                qmFormat.toggle('bold', function (r) { return isBold(startStyle(r)); });
                break;
            case 'italic':
                qmFormat.toggle('italic', function (r) { return startStyle(r).fontStyle.indexOf('italic') >= 0; });
                break;
            case 'underline':
                qmFormat.toggle('underline', function (r) { return hasDecoration(r, 'underline'); });
                break;
            case 'strikethrough':
                qmFormat.toggle('strikeThrough', function (r) { return hasDecoration(r, 'line-through'); });
                break;
            case 'foreColor':
                document.execCommand('foreColor', false, argument);
                break;
            case 'fontName':
                document.execCommand('fontName', false, argument);
                break;
            case 'fontSize':
                qmFormat.wrapSelection('font-size', argument);
                break;
            case 'lineHeight':
                qmFormat.lineHeightOfSelection(range, argument);
                break;
            case 'bulletList':
                qmFormat.toggleList('ul', 'ol');
                break;
            case 'orderedList':
                qmFormat.toggleList('ol', 'ul');
                break;
            case 'indent':
                qmFormat.indent(15);
                break;
            case 'outdent':
                qmFormat.indent(-15);
                break;
            case 'alignLeft':
                document.execCommand('justifyLeft', false, null);
                break;
            case 'alignCenter':
                document.execCommand('justifyCenter', false, null);
                break;
            case 'alignRight':
                document.execCommand('justifyRight', false, null);
                break;
            case 'removeFormatting':
                document.execCommand('removeFormat', false, null);
                qmFormat.wrapSelection('font-size', '14px');
                qmFormat.blocksOfSelection(selectionRange()).forEach(function (block) {
                    block.style.lineHeight = 'normal';
                    block.style.textAlign = 'left';
                });
                break;
            default:
                return false;
            }
            qmEditor.descriptionDidChange();
            qmFormat.lastState = null;
            qmFormat.reportState();
            return true;
        }
    };
    window.qmFormat = qmFormat;

    document.addEventListener('beforeinput', qmEditor.onBeforeInput, true);
    document.addEventListener('input', qmEditor.onInput, true);
    document.addEventListener('keydown', qmEditor.onKeyDown, true);
    document.addEventListener('paste', qmEditor.onPaste, true);
    document.addEventListener('drop', qmEditor.onDrop, true);
    document.addEventListener('focusin', qmEditor.onFormFocus, true);
    document.addEventListener('focusout', qmEditor.onFormBlur, true);
    document.addEventListener('selectionchange', qmEditor.selectionChanged);

    // ------------------------------------------------------------------------------------------
    // Pictures: the handlers of the picture wrappers
    // ------------------------------------------------------------------------------------------

    function pictureOf(event) {
        var target = event.target;
        if (target && target.nodeName === 'IMG')
            return target;
        var wrapper = target && target.closest ? target.closest('.imgUrlSpan') : null;
        return wrapper ? wrapper.querySelector('img') : null;
    }

    function wrapperOf(event) {
        var target = event.target;
        return target && target.closest ? target.closest('.imgUrlSpan') : null;
    }

    var draggedPicture = null;

    document.addEventListener('dragstart', function (event) {
        var picture = event.target && event.target.nodeName === 'IMG' ? event.target : null;
        draggedPicture = picture ? picture.src : null;
    }, true);

    window.imagedrag = function (event) {
        var wrapper = wrapperOf(event);
        if (wrapper)
            wrapper.classList.add('qv-drop-target');
    };
    window.imagedragover = function (event) {
        event.preventDefault();
    };
    window.imagedragleave = function (event) {
        var wrapper = wrapperOf(event);
        if (wrapper)
            wrapper.classList.remove('qv-drop-target');
    };
    // A picture of the page dropped on another one swaps them.
    window.imagedropped = function (event) {
        event.preventDefault();
        window.imagedragleave(event);
        var target = pictureOf(event);
        if (draggedPicture && target && target.src !== draggedPicture)
            callBridge('addImageUrlsByReplacingUrl', [draggedPicture], target.src);
        draggedPicture = null;
    };
    window.imagedragended = function (event) {
        var picture = pictureOf(event);
        if (picture)
            callBridge('dragEndedForImage', picture.src);
        draggedPicture = null;
    };
    window.imagedeletebuttonclicked = function (event) {
        var picture = pictureOf(event);
        if (picture)
            callBridge('deleteImageWithUrl', picture.src);
    };

    // The page allows no inline handlers (its security policy refuses them, and they would run in
    // the page's world, not this one): the wrappers' events reach the functions above from here.
    function forWrapper(handler) {
        return function (event) {
            if (wrapperOf(event))
                handler(event);
        };
    }
    document.addEventListener('dragenter', forWrapper(function (event) { window.imagedrag(event); }), true);
    document.addEventListener('dragover', forWrapper(function (event) { window.imagedragover(event); }), true);
    document.addEventListener('dragleave', forWrapper(function (event) { window.imagedragleave(event); }), true);
    document.addEventListener('drop', forWrapper(function (event) { window.imagedropped(event); }), true);
    document.addEventListener('dragend', forWrapper(function (event) { window.imagedragended(event); }), true);
    document.addEventListener('click', function (event) {
        var target = event.target;
        if (!target || !target.closest || !target.closest('.imgUrlSpanCloseButton'))
            return;
        event.preventDefault();
        window.imagedeletebuttonclicked(event);
    }, true);

    // A thumbnail clicked shows that picture large.
    document.addEventListener('click', function (event) {
        var target = event.target;
        if (!target || !target.classList || !target.classList.contains('qv-thumb'))
            return;
        var main = document.getElementById('qv-main-picture');
        if (main)
            main.src = target.src;
        Array.prototype.slice.call(document.querySelectorAll('.qv-thumb')).forEach(function (thumb) {
            thumb.classList.toggle('qv-selected', thumb === target);
        });
    });
})();
