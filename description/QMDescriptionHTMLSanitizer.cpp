#include "description/QMDescriptionHTMLSanitizer.h"

#include <gumbo.h>

#include <QHash>
#include <QRegularExpression>
#include <QSet>

namespace {

// What an address may lead to, by the attribute that holds it.
enum class AddressKind {
    None,    // no address
    Link,    // a link: http, https, mailto, the page's own commands
    Picture, // a picture: http, https, a local file (the preview's copies)
    Sheet,   // a style sheet or a quotation's source: http, https
};

struct ElementRule
{
    QSet<QString> attributes; // besides the global ones
};

const QSet<QString>& globalAttributes()
{
    static const QSet<QString> names = {QStringLiteral("id"),     QStringLiteral("class"),   QStringLiteral("style"),
                                        QStringLiteral("title"),  QStringLiteral("dir"),     QStringLiteral("lang"),
                                        QStringLiteral("align"),  QStringLiteral("valign"),  QStringLiteral("width"),
                                        QStringLiteral("height"), QStringLiteral("bgcolor"), QStringLiteral("color"),
                                        QStringLiteral("border"), QStringLiteral("hidden"),  QStringLiteral("role")};
    return names;
}

const QHash<QString, ElementRule>& allowedElements()
{
    static const QHash<QString, ElementRule> rules = [] {
        QHash<QString, ElementRule> table;
        for (const char* name :
             {"abbr",       "acronym", "address", "article", "aside", "b",    "bdi",    "bdo",    "big", "blink",
              "caption",    "center",  "cite",    "code",    "dd",    "dfn",  "div",    "dl",     "dt",  "em",
              "figcaption", "figure",  "footer",  "h1",      "h2",    "h3",   "h4",     "h5",     "h6",  "header",
              "i",          "kbd",     "main",    "mark",    "nav",   "nobr", "p",      "pre",    "rp",  "rt",
              "ruby",       "s",       "samp",    "section", "small", "span", "strike", "strong", "sub", "summary",
              "sup",        "tbody",   "tfoot",   "thead",   "tt",    "u",    "ul",     "var"})
            table.insert(QString::fromLatin1(name), {});
        auto add = [&table](const char* name, std::initializer_list<const char*> attributes) {
            ElementRule rule;
            for (const char* attribute : attributes)
                rule.attributes.insert(QString::fromLatin1(attribute));
            table.insert(QString::fromLatin1(name), rule);
        };
        add("a", {"href", "name", "target", "rel", "hreflang"});
        add("area", {"href", "alt", "shape", "coords", "target"});
        add("blockquote", {"cite"});
        add("br", {"clear"});
        add("col", {"span", "char", "charoff"});
        add("colgroup", {"span", "char", "charoff"});
        add("del", {"cite", "datetime"});
        add("details", {"open"});
        add("font", {"face", "size"});
        add("hr", {"noshade", "size"});
        add("img", {"src", "alt", "hspace", "vspace", "usemap", "loading"});
        add("ins", {"cite", "datetime"});
        add("li", {"type", "value"});
        add("link", {"href", "rel", "type", "media"});
        add("map", {"name"});
        add("marquee", {"behavior", "direction", "scrollamount", "scrolldelay", "loop"});
        add("ol", {"start", "type", "reversed"});
        add("q", {"cite"});
        add("style", {"type", "media"});
        add("table", {"cellpadding", "cellspacing", "summary", "frame", "rules", "background"});
        add("td",
            {"colspan", "rowspan", "nowrap", "background", "abbr", "axis", "headers", "scope", "char", "charoff"});
        add("th",
            {"colspan", "rowspan", "nowrap", "background", "abbr", "axis", "headers", "scope", "char", "charoff"});
        add("time", {"datetime"});
        add("tr", {"char", "charoff", "background"});
        add("ul", {"type"});
        add("wbr", {});
        return table;
    }();
    return rules;
}

// Elements that go with everything inside them: what runs, loads a frame or a plug-in, changes the
// page around the description, or whose content a browser reads other than as markup.
const QSet<QString>& droppedWithContent()
{
    static const QSet<QString> names = {
        QStringLiteral("script"),   QStringLiteral("noscript"),  QStringLiteral("template"), QStringLiteral("iframe"),
        QStringLiteral("frame"),    QStringLiteral("frameset"),  QStringLiteral("noframes"), QStringLiteral("object"),
        QStringLiteral("embed"),    QStringLiteral("applet"),    QStringLiteral("param"),    QStringLiteral("noembed"),
        QStringLiteral("svg"),      QStringLiteral("math"),      QStringLiteral("title"),    QStringLiteral("textarea"),
        QStringLiteral("xmp"),      QStringLiteral("plaintext"), QStringLiteral("listing"),  QStringLiteral("select"),
        QStringLiteral("option"),   QStringLiteral("optgroup"),  QStringLiteral("datalist"), QStringLiteral("input"),
        QStringLiteral("keygen"),   QStringLiteral("isindex"),   QStringLiteral("meta"),     QStringLiteral("base"),
        QStringLiteral("basefont"), QStringLiteral("bgsound"),   QStringLiteral("portal"),   QStringLiteral("audio"),
        QStringLiteral("video"),    QStringLiteral("source"),    QStringLiteral("track"),    QStringLiteral("canvas"),
        QStringLiteral("dialog"),   QStringLiteral("slot")};
    return names;
}

// Elements a browser never gives content.
const QSet<QString>& voidElements()
{
    static const QSet<QString> names = {
        QStringLiteral("area"),   QStringLiteral("base"),  QStringLiteral("basefont"), QStringLiteral("bgsound"),
        QStringLiteral("br"),     QStringLiteral("col"),   QStringLiteral("embed"),    QStringLiteral("frame"),
        QStringLiteral("hr"),     QStringLiteral("img"),   QStringLiteral("input"),    QStringLiteral("isindex"),
        QStringLiteral("keygen"), QStringLiteral("link"),  QStringLiteral("meta"),     QStringLiteral("param"),
        QStringLiteral("source"), QStringLiteral("track"), QStringLiteral("wbr")};
    return names;
}

AddressKind addressKind(const QString& element, const QString& attribute)
{
    if (attribute == u"href")
        return element == u"link" ? AddressKind::Sheet : AddressKind::Link;
    if (attribute == u"src" || attribute == u"background")
        return AddressKind::Picture;
    if (attribute == u"cite")
        return AddressKind::Sheet;
    return AddressKind::None;
}

// The scheme a browser reads in an address (lower case), empty for a relative address. Browsers
// drop leading and trailing blanks and control characters and every tab and line break inside.
QString schemeOfAddress(const QString& address)
{
    QString scheme;
    bool started = false;
    for (const QChar c : address) {
        if (c.unicode() <= 0x20 && (!started || c == u'\t' || c == u'\n' || c == u'\r'))
            continue;
        started = true;
        if (c == u':')
            return scheme;
        const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
        const bool other = (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
        if (!letter && (scheme.isEmpty() || !other))
            return QString(); // no scheme: a relative address (a path, a query, a fragment)
        scheme += c.toLower();
    }
    return QString();
}

bool addressAllowed(AddressKind kind, const QString& address)
{
    const QString scheme = schemeOfAddress(address);
    if (scheme == u"http" || scheme == u"https")
        return true;
    if (scheme.isEmpty())
        return true; // a relative address: a path, a query or a fragment
    switch (kind) {
    case AddressKind::Link:
        return scheme == u"mailto" || scheme == u"qminternal";
    case AddressKind::Picture:
        return scheme == u"file";
    default:
        return false;
    }
}

bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// The style sheet's text as a browser compares it: comments out, escapes read, blanks gone,
// lower case.
QString normalisedCSS(const QString& css)
{
    QString text;
    text.reserve(css.size());
    for (qsizetype i = 0; i < css.size(); ++i) {
        const QChar c = css.at(i);
        if (c == u'/' && i + 1 < css.size() && css.at(i + 1) == u'*') {
            const qsizetype end = css.indexOf(QStringLiteral("*/"), i + 2);
            if (end < 0)
                break;
            i = end + 1;
            continue;
        }
        if (c == u'\\' && i + 1 < css.size()) {
            qsizetype digits = 0;
            while (digits < 6 && i + 1 + digits < css.size() && isHexDigit(css.at(i + 1 + digits)))
                ++digits;
            if (digits > 0) {
                const uint code = css.mid(i + 1, digits).toUInt(nullptr, 16);
                i += digits;
                if (i + 1 < css.size() && css.at(i + 1).isSpace())
                    ++i;
                if (code > 0 && code <= 0x10FFFF)
                    text += QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1).toLower();
                continue;
            }
            ++i;
            if (!css.at(i).isSpace())
                text += css.at(i).toLower();
            continue;
        }
        if (c.isSpace() || c.unicode() < 0x20)
            continue;
        text += c.toLower();
    }
    return text;
}

bool isActiveCSS(const QString& css)
{
    const QString text = normalisedCSS(css);
    for (const char* token :
         {"expression(", "javascript:", "vbscript:", "behavior:", "-moz-binding", "(data:", "\"data:", "'data:"}) {
        if (text.contains(QLatin1String(token)))
            return true;
    }
    return false;
}

// The text with each piece between two of the delimiters dropped when it is active.
QString withoutActiveParts(const QString& css, const QString& delimiters)
{
    QString result;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= css.size(); ++i) {
        if (i < css.size() && !delimiters.contains(css.at(i)))
            continue;
        const QString part = css.mid(start, i - start);
        const bool active = isActiveCSS(part);
        if (!active)
            result += part;
        // A dropped declaration takes its ";" along; braces stay, so the rules stay whole.
        if (i < css.size() && !(active && css.at(i) == u';'))
            result += css.at(i);
        start = i + 1;
    }
    return result;
}

void appendEscapedText(QString& out, const QString& text)
{
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&':
            out += QStringLiteral("&amp;");
            break;
        case '<':
            out += QStringLiteral("&lt;");
            break;
        case '>':
            out += QStringLiteral("&gt;");
            break;
        case 0xA0:
            out += QStringLiteral("&nbsp;");
            break;
        case 0:
            break;
        default:
            out += c;
        }
    }
}

void appendEscapedAttribute(QString& out, const QString& value)
{
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '&':
            out += QStringLiteral("&amp;");
            break;
        case '"':
            out += QStringLiteral("&quot;");
            break;
        case '<':
            out += QStringLiteral("&lt;");
            break;
        case '>':
            out += QStringLiteral("&gt;");
            break;
        case 0xA0:
            out += QStringLiteral("&nbsp;");
            break;
        case 0:
            break;
        default:
            out += c;
        }
    }
}

QString fromUtf8(const char* text)
{
    return text ? QString::fromUtf8(text) : QString();
}

// The element's name in lower case; empty for an element of another namespace (SVG, MathML),
// which goes whole.
QString elementName(const GumboElement& element)
{
    if (element.tag_namespace != GUMBO_NAMESPACE_HTML)
        return QString();
    if (element.tag != GUMBO_TAG_UNKNOWN)
        return QString::fromLatin1(gumbo_normalized_tagname(element.tag));
    GumboStringPiece original = element.original_tag;
    gumbo_tag_from_original_text(&original);
    return QString::fromUtf8(original.data, qsizetype(original.length)).toLower();
}

QString attributeValue(const GumboElement& element, const char* name)
{
    const GumboAttribute* attribute = gumbo_get_attribute(&element.attributes, name);
    return attribute ? fromUtf8(attribute->value) : QString();
}

// A style sheet's link from the web; any other link (an import, a preload ...) goes.
bool isStyleSheetLink(const GumboElement& element)
{
    return attributeValue(element, "rel").trimmed().toLower() == u"stylesheet" &&
           gumbo_get_attribute(&element.attributes, "href") &&
           addressAllowed(AddressKind::Sheet, attributeValue(element, "href"));
}

bool isDataAttribute(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^data-[a-z0-9_.-]+$"));
    return pattern.match(name).hasMatch();
}

// Writes the tree without recursion: a description may nest as deep as its author likes.
class Writer
{
public:
    explicit Writer(QMDescriptionHTMLSanitizer::Pictures pictures) : m_pictures(pictures) {}

    void write(const GumboNode* root)
    {
        struct Step
        {
            const GumboNode* node;
            unsigned int next = 0; // the next child to write
            QString closing;       // what ends the element once its children are written
        };
        QList<Step> stack;
        stack.append({root, 0, QString()});
        while (!stack.isEmpty()) {
            Step& top = stack.last();
            const GumboVector* children = childrenOf(top.node);
            if (!children || top.next >= children->length) {
                m_out += top.closing;
                stack.removeLast();
                continue;
            }
            const auto* child = static_cast<const GumboNode*>(children->data[top.next++]);
            switch (child->type) {
            case GUMBO_NODE_TEXT:
            case GUMBO_NODE_WHITESPACE:
            case GUMBO_NODE_CDATA:
                appendEscapedText(m_out, fromUtf8(child->v.text.text));
                break;
            case GUMBO_NODE_ELEMENT: {
                QString closing;
                if (openElement(child->v.element, &closing))
                    stack.append({child, 0, closing});
                break;
            }
            default:
                // Comments, templates, anything else: nothing a description needs.
                break;
            }
        }
    }

    QString result() const { return m_out; }

private:
    static const GumboVector* childrenOf(const GumboNode* node)
    {
        if (node->type == GUMBO_NODE_ELEMENT)
            return &node->v.element.children;
        if (node->type == GUMBO_NODE_DOCUMENT)
            return &node->v.document.children;
        return nullptr;
    }

    // Writes the element's start; true when its children are to be written (inside it, or in its
    // place), with *closing what ends it.
    bool openElement(const GumboElement& element, QString* closing)
    {
        const QString name = elementName(element);
        if (name.isEmpty() || droppedWithContent().contains(name))
            return false;
        const auto rule = allowedElements().constFind(name);
        if (rule == allowedElements().constEnd())
            return true; // an unknown or unwanted element: its content stays
        if (name == u"img" && m_pictures == QMDescriptionHTMLSanitizer::Pictures::Drop)
            return false;
        if (name == u"link" && !isStyleSheetLink(element))
            return false;
        m_out += u'<' + name;
        writeAttributes(element, name, *rule);
        m_out += u'>';
        if (voidElements().contains(name))
            return false;
        if (name == u"style") {
            writeStyleSheet(element);
            m_out += QStringLiteral("</style>");
            return false;
        }
        *closing = QStringLiteral("</") + name + u'>';
        return true;
    }

    void writeAttributes(const GumboElement& element, const QString& name, const ElementRule& rule)
    {
        for (unsigned int index = 0; index < element.attributes.length; ++index) {
            const auto* attribute = static_cast<const GumboAttribute*>(element.attributes.data[index]);
            if (attribute->attr_namespace != GUMBO_ATTR_NAMESPACE_NONE)
                continue; // xlink:href, xml:base ...: nothing a description needs
            const QString key = fromUtf8(attribute->name).toLower();
            const bool allowed = globalAttributes().contains(key) || rule.attributes.contains(key) ||
                                 key.startsWith(QStringLiteral("aria-")) || isDataAttribute(key);
            if (!allowed)
                continue;
            QString value = fromUtf8(attribute->value);
            const AddressKind kind = addressKind(name, key);
            if (kind != AddressKind::None && !addressAllowed(kind, value))
                continue;
            if (key == u"style" && !value.trimmed().isEmpty()) {
                value = QMDescriptionHTMLSanitizer::sanitizedStyle(value);
                if (value.trimmed().isEmpty())
                    continue; // nothing was left of it
            }
            m_out += u' ' + key + QStringLiteral("=\"");
            appendEscapedAttribute(m_out, value);
            m_out += u'"';
        }
    }

    void writeStyleSheet(const GumboElement& element)
    {
        QString css;
        for (unsigned int index = 0; index < element.children.length; ++index) {
            const auto* child = static_cast<const GumboNode*>(element.children.data[index]);
            if (child->type == GUMBO_NODE_TEXT || child->type == GUMBO_NODE_WHITESPACE)
                css += fromUtf8(child->v.text.text);
        }
        css = withoutActiveParts(css, QStringLiteral(";{}"));
        // A browser reads the sheet as raw text up to "</style": no "<" stays to end it early.
        css.replace(u'<', QStringLiteral("\\3c "));
        css.remove(QChar(0));
        m_out += css;
    }

    QMDescriptionHTMLSanitizer::Pictures m_pictures;
    QString m_out;
};

} // namespace

QString QMDescriptionHTMLSanitizer::sanitizedStyle(const QString& style)
{
    return withoutActiveParts(style, QStringLiteral(";"));
}

QString QMDescriptionHTMLSanitizer::sanitizedHTML(const QString& html, Pictures pictures)
{
    if (html.isEmpty())
        return html;
    // Parsed as a browser parses the content of a page's body (the HTML parsing algorithm, with
    // its repair of misnested markup), so what is kept is what the seller saw.
    const QByteArray utf8 = html.toUtf8();
    GumboOptions options = kGumboDefaultOptions;
    options.fragment_context = GUMBO_TAG_BODY;
    options.max_errors = 0;
    GumboOutput* output = gumbo_parse_with_options(&options, utf8.constData(), size_t(utf8.size()));
    Writer writer(pictures);
    if (!output) {
        // Nothing a parser can read: no markup at all rather than something unseen.
        QString text;
        appendEscapedText(text, html);
        return text;
    }
    writer.write(output->root); // the html element: the fragment's nodes are its children
    gumbo_destroy_output(&options, output);
    return writer.result();
}
