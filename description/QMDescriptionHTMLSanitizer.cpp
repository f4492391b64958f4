#include "description/QMDescriptionHTMLSanitizer.h"

#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>
#include <libxml/tree.h>

#include <memory>

namespace {

bool sameName(const xmlChar* name, const char* wanted)
{
    return name && xmlStrcasecmp(name, reinterpret_cast<const xmlChar*>(wanted)) == 0;
}

bool isActiveAddress(const xmlChar* value)
{
    if (!value)
        return false;
    // Browsers skip leading blanks and control characters, and ignore tabs and line breaks inside
    // the scheme ("java\tscript:"), so the test does too.
    QString scheme;
    for (const QChar c : QString::fromUtf8(reinterpret_cast<const char*>(value))) {
        if (c.unicode() <= 0x20)
            continue;
        if (c == u':')
            break;
        scheme += c.toLower();
        if (scheme.size() > 10)
            return false;
    }
    return scheme == u"javascript" || scheme == u"vbscript";
}

bool isAddressAttribute(const xmlChar* name)
{
    for (const char* candidate : {"href", "src", "action", "formaction", "xlink:href", "background", "data"}) {
        if (sameName(name, candidate))
            return true;
    }
    return false;
}

// Removes what is active below `node`; true when something was removed.
bool clean(xmlNodePtr node)
{
    bool removed = false;
    for (xmlNodePtr child = node->children; child;) {
        xmlNodePtr next = child->next;
        if (child->type == XML_ELEMENT_NODE) {
            if (sameName(child->name, "script")) {
                xmlUnlinkNode(child);
                xmlFreeNode(child);
                removed = true;
                child = next;
                continue;
            }
            for (xmlAttrPtr attribute = child->properties; attribute;) {
                xmlAttrPtr nextAttribute = attribute->next;
                const bool handler = attribute->name && (attribute->name[0] == 'o' || attribute->name[0] == 'O') &&
                                     (attribute->name[1] == 'n' || attribute->name[1] == 'N');
                bool active = handler;
                if (!active && isAddressAttribute(attribute->name)) {
                    xmlChar* value = xmlNodeListGetString(child->doc, attribute->children, 1);
                    active = isActiveAddress(value);
                    xmlFree(value);
                }
                if (active) {
                    xmlRemoveProp(attribute);
                    removed = true;
                }
                attribute = nextAttribute;
            }
            removed = clean(child) || removed;
        }
        child = next;
    }
    return removed;
}

xmlNodePtr childElement(xmlNodePtr node, const char* name)
{
    for (xmlNodePtr child = node ? node->children : nullptr; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE && sameName(child->name, name))
            return child;
    }
    return nullptr;
}

} // namespace

QString QMDescriptionHTMLSanitizer::sanitizedHTML(const QString& html, bool* changed)
{
    if (changed)
        *changed = false;
    if (html.isEmpty())
        return html;
    // The text is parsed as a document body; libxml2 puts elements that belong in a head (style,
    // meta) there, so both are written back, in that order.
    const QByteArray utf8 = QByteArrayLiteral("<html><body>") + html.toUtf8() + QByteArrayLiteral("</body></html>");
    const std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)> document(
        htmlReadMemory(utf8.constData(), int(utf8.size()), nullptr, "UTF-8",
                       HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING),
        &xmlFreeDoc);
    xmlNodePtr root = document ? xmlDocGetRootElement(document.get()) : nullptr;
    if (!root) {
        // Nothing a parser can read: keep no markup at all rather than let something through.
        if (changed)
            *changed = true;
        return html.toHtmlEscaped();
    }
    if (!clean(root))
        return html;
    if (changed)
        *changed = true;
    const std::unique_ptr<xmlBuffer, decltype(&xmlBufferFree)> buffer(xmlBufferCreate(), &xmlBufferFree);
    const std::unique_ptr<xmlOutputBuffer, decltype(&xmlOutputBufferClose)> output(
        xmlOutputBufferCreateBuffer(buffer.get(), nullptr), &xmlOutputBufferClose);
    for (const char* part : {"head", "body"}) {
        for (xmlNodePtr child = childElement(root, part) ? childElement(root, part)->children : nullptr; child;
             child = child->next)
            htmlNodeDumpFormatOutput(output.get(), document.get(), child, "UTF-8", 0);
    }
    xmlOutputBufferFlush(output.get());
    return QString::fromUtf8(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                             xmlBufferLength(buffer.get()));
}
