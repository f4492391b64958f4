// The XML reader of DWGeneratedObject, on pugixml.
#include "DWGeneratedObject/DWGeneratedObject.h"

#include "DWGeneratedObject/DWXMLTables_p.h"
#include "DWGeneratedObject/DWXMLValues_p.h"
#include "platform/core/ConsoleOutput.h"

#include <pugixml.hpp>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

// pugixml never loads external entities or DTDs and has no network access; parse_doctype stays
// off, so a DOCTYPE is skipped. Whitespace-only text is kept when it is an element's only content,
// so a value of spaces reads back as written.
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_ws_pcdata_single;

bool isText(const pugi::xml_node& node)
{
    return node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata;
}

QString shortened(const char* bytes, size_t length)
{
    constexpr size_t kShown = 40;
    const QString text = QString::fromUtf8(bytes, qsizetype(std::min(length, kShown)));
    return length > kShown ? text + QStringLiteral("…") : text;
}

} // namespace

// Fills generated objects from a parsed document. The fields are reached through their members
// (at their offsets), and names are looked up by their bytes, so that a large reply costs little more
// than parsing it.
class DWXMLReader
{
public:
    QString error;

    bool readObject(DWGeneratedObject& object, const pugi::xml_node& node, int depth)
    {
        if (depth > DWGeneratedObject::kMaxNestingDepth) {
            error = QStringLiteral("The XML document nests records deeper than %1 levels (at element <%2>).")
                        .arg(DWGeneratedObject::kMaxNestingDepth)
                        .arg(QString::fromUtf8(node.name()));
            return false;
        }
        const DWGeneratedClass& cls = object.generatedClass();
        const DWXMLTables& tables = cls.xmlTables();
        for (pugi::xml_attribute attribute = node.first_attribute(); attribute;
             attribute = attribute.next_attribute()) {
            const int index = tables.attributes.find(attribute.name());
            if (index < 0)
                continue;
            const char* value = attribute.value();
            if (!store(object, index, tables, value, std::strlen(value), node.name(), attribute.name()))
                return false;
        }

        if (cls.hasSimpleContent()) {
            // An element without text leaves the content unset, as the writer writes unset content.
            const int index = cls.contentFieldIndex();
            size_t length = 0;
            const char* text = joinedText(node, length);
            if (index < 0 || length == 0)
                return true;
            const DWFieldRow& row = *tables.rows[size_t(index)];
            if (row.valueType != DWValueType::Text)
                return store(object, index, tables, text, length, node.name(), nullptr);
            // Text of characters that XML cannot carry only is no text either.
            QString value = dw::xml::textFromUtf8(text, length);
            if (!value.isEmpty())
                *static_cast<QString*>(fieldAt(object, tables.offsets[size_t(index)])) = std::move(value);
            return true;
        }

        // Responses carry elements that no table names; they are skipped with everything below them.
        // Text and CDATA nodes have an empty name, which names no field, so only elements get past
        // the lookup (the parse keeps no processing instructions, comments or declarations here).
        for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
            const int index = tables.elements.find(child.name());
            if (index < 0)
                continue;
            const DWFieldRow& row = *tables.rows[size_t(index)];
            if (row.valueType == DWValueType::Object) {
                DWGeneratedObjectPtr nested = row.objectClass().create();
                if (!readObject(*nested, child, depth + 1))
                    return false;
                void* field = fieldAt(object, tables.offsets[size_t(index)]);
                if (row.kind == DWFieldKind::Repeated)
                    row.objectSlot->append(field, std::move(nested));
                else
                    row.objectSlot->set(field, std::move(nested));
                continue;
            }
            size_t length = 0;
            const char* text = joinedText(child, length);
            if (!store(object, index, tables, text, length, child.name(), nullptr))
                return false;
        }
        return true;
    }

    // Reads a whole document in one pass over its UTF-8 bytes, filling the objects as the elements
    // go by, with no tree in between: most of what a reply costs beyond parsing it is otherwise the
    // walk over a tree too large for the caches. The pass takes the plain form that replies come in
    // and gives up (false) at anything else: another encoding, a document type, an unknown entity,
    // a construct it does not know or that is not well-formed, too deep a nesting, a value that
    // fails. The caller then reads the document with the tree, whose result and error count; so
    // the pass need not know every form, only never accept one that the tree would read otherwise.
    bool streamDocument(DWGeneratedObject& root, const char* begin, const char* end, bool isUtf8);

private:
    const char* m_p = nullptr;
    const char* m_end = nullptr;
    std::string m_decoded;

    // What a byte can be, one table lookup apiece: every byte of a name and of a text passes here.
    enum ByteClass : uint8_t { Space = 1, NameStart = 2, NameChar = 4, TextMark = 8, AttributeMark = 16, Colon = 32 };
    static constexpr std::array<uint8_t, 256> kByteClasses = [] {
        std::array<uint8_t, 256> classes{};
        for (int c = 0; c < 256; ++c) {
            const bool start = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80;
            const bool name = start || (c >= '0' && c <= '9') || c == '-' || c == '.';
            const bool space = c == ' ' || c == '\t' || c == '\n' || c == '\r';
            // What makes a text need decoding: a reference, or a line end to normalise; in an attribute
            // value also the white space that becomes a space.
            const bool mark = c == '&' || c == '\r';
            const bool attributeMark = mark || c == '\t' || c == '\n';
            classes[size_t(c)] =
                uint8_t((space ? Space : 0) | (start ? NameStart : 0) | (name ? NameChar : 0) | (mark ? TextMark : 0) |
                        (attributeMark ? AttributeMark : 0) | (c == ':' ? Colon : 0));
        }
        return classes;
    }();
    static bool is(unsigned char c, ByteClass byteClass) { return (kByteClasses[c] & byteClass) != 0; }
    static bool isSpace(unsigned char c) { return is(c, Space); }
    static bool isNameStart(unsigned char c) { return is(c, NameStart); }
    static bool isNameChar(unsigned char c) { return is(c, NameChar); }
    bool startsWith(const char* literal, size_t length) const
    {
        return size_t(m_end - m_p) >= length && std::memcmp(m_p, literal, length) == 0;
    }
    void skipSpace()
    {
        while (m_p < m_end && isSpace(static_cast<unsigned char>(*m_p)))
            ++m_p;
    }
    // Moves past the next occurrence of the terminator; false when there is none.
    bool skipPast(std::string_view terminator)
    {
        const size_t at = std::string_view(m_p, size_t(m_end - m_p)).find(terminator);
        if (at == std::string_view::npos)
            return false;
        m_p += at + terminator.size();
        return true;
    }
    const char* nextTag() const
    {
        // Between records' tags there is mostly nothing at all: spare the call then.
        if (m_p < m_end && *m_p == '<')
            return m_p;
        return static_cast<const char*>(std::memchr(m_p, '<', size_t(m_end - m_p)));
    }

    // A name from m_p on; false when none starts there. m_local is its part after any prefix.
    std::string_view m_local;
    bool name(std::string_view& result)
    {
        const char* start = m_p;
        if (m_p == m_end || !isNameStart(static_cast<unsigned char>(*m_p)))
            return false;
        uint8_t classes = 0;
        for (; m_p < m_end; ++m_p) {
            const uint8_t byteClass = kByteClasses[static_cast<unsigned char>(*m_p)];
            if (!(byteClass & NameChar))
                break;
            classes |= byteClass;
        }
        // Names seldom have a prefix: look for its end only in one that has.
        const char* local = start;
        if (classes & Colon) {
            for (const char* p = m_p; p > start; --p) {
                if (p[-1] == ':') {
                    local = p;
                    break;
                }
            }
        }
        result = std::string_view(start, size_t(m_p - start));
        m_local = std::string_view(local, size_t(m_p - local));
        return true;
    }

    // m_p at "<?". A declaration anywhere but at the start is left to the tree.
    bool skipInstruction()
    {
        m_p += 2;
        std::string_view target;
        if (!name(target))
            return false;
        if (target.size() == 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm' && (target[2] | 0x20) == 'l')
            return false;
        return skipPast("?>");
    }

    // Comments, processing instructions and white space outside the root; m_p stops at anything else.
    bool skipMisc()
    {
        for (;;) {
            skipSpace();
            if (startsWith("<!--", 4)) {
                m_p += 4;
                if (!skipPast("-->"))
                    return false;
            } else if (startsWith("<?", 2)) {
                if (!skipInstruction())
                    return false;
            } else {
                return true;
            }
        }
    }

    // At "<": a comment, an instruction or a CDATA section is passed over (Skipped); Broken for
    // such markup that does not end or that is left to the tree (a document type); None, m_p
    // unchanged, at anything else.
    enum class Markup { None, Skipped, Broken };
    Markup skipMarkup()
    {
        if (startsWith("<!--", 4)) {
            m_p += 4;
            return skipPast("-->") ? Markup::Skipped : Markup::Broken;
        }
        if (startsWith("<![CDATA[", 9)) {
            m_p += 9;
            return skipPast("]]>") ? Markup::Skipped : Markup::Broken;
        }
        if (startsWith("<!", 2))
            return Markup::Broken;
        if (startsWith("<?", 2))
            return skipInstruction() ? Markup::Skipped : Markup::Broken;
        return Markup::None;
    }

    static void appendUtf8(char32_t c, std::string& out)
    {
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }

    static bool appendCharacterReference(std::string_view entity, std::string& out)
    {
        if (entity.size() < 2 || entity[0] != '#')
            return false;
        const bool hex = entity[1] == 'x';
        const std::string_view digits = entity.substr(hex ? 2 : 1);
        if (digits.empty() || digits[0] == '+' || digits[0] == '-')
            return false;
        uint32_t c = 0;
        const auto [last, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), c, hex ? 16 : 10);
        if (ec != std::errc() || last != digits.data() + digits.size() || c == 0 || c > 0x10FFFF ||
            (c >= 0xD800 && c <= 0xDFFF))
            return false;
        appendUtf8(c, out);
        return true;
    }

    // Appends the text of [begin, end) with its references resolved and its line ends normalised
    // as the tree's parser gives them; in attribute values white space becomes spaces.
    static bool decode(const char* begin, const char* end, bool attribute, std::string& out)
    {
        const uint8_t marks = attribute ? AttributeMark : TextMark;
        for (const char* p = begin; p < end;) {
            // The bytes up to the next one that changes are taken as one run.
            const char* run = p;
            while (p < end && !(kByteClasses[static_cast<unsigned char>(*p)] & marks))
                ++p;
            out.append(run, size_t(p - run));
            if (p == end)
                break;
            const char c = *p;
            if (c == '&') {
                const char* semicolon =
                    static_cast<const char*>(std::memchr(p, ';', size_t(std::min<ptrdiff_t>(end - p, 12))));
                if (!semicolon)
                    return false;
                const std::string_view entity(p + 1, size_t(semicolon - p - 1));
                if (entity == "amp")
                    out += '&';
                else if (entity == "lt")
                    out += '<';
                else if (entity == "gt")
                    out += '>';
                else if (entity == "quot")
                    out += '"';
                else if (entity == "apos")
                    out += '\'';
                else if (!appendCharacterReference(entity, out))
                    return false;
                p = semicolon + 1;
            } else if (c == '\r') {
                out += attribute ? ' ' : '\n';
                p += (p + 1 < end && p[1] == '\n') ? 2 : 1;
            } else {
                // A tab or line feed in an attribute value.
                out += ' ';
                ++p;
            }
        }
        return true;
    }

    // One pass over a run of text: whether it needs decoding (the result) and whether it is white
    // space alone. Sixteen bytes at a time where the processor allows: the texts are most of a reply.
    static bool scanText(const char* begin, const char* end, bool& spaceOnly)
    {
        const char* p = begin;
        bool marked = false;
        spaceOnly = true;
#if defined(__SSE2__)
        const __m128i ampersand = _mm_set1_epi8('&');
        const __m128i carriageReturn = _mm_set1_epi8('\r');
        const __m128i blank = _mm_set1_epi8(' ');
        const __m128i tab = _mm_set1_epi8('\t');
        const __m128i lineFeed = _mm_set1_epi8('\n');
        for (; end - p >= 16; p += 16) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i isReturn = _mm_cmpeq_epi8(chunk, carriageReturn);
            const __m128i mark = _mm_or_si128(_mm_cmpeq_epi8(chunk, ampersand), isReturn);
            const __m128i space =
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(chunk, blank), isReturn),
                             _mm_or_si128(_mm_cmpeq_epi8(chunk, tab), _mm_cmpeq_epi8(chunk, lineFeed)));
            marked = marked || _mm_movemask_epi8(mark) != 0;
            spaceOnly = spaceOnly && _mm_movemask_epi8(space) == 0xFFFF;
            if (marked && !spaceOnly)
                return true;
        }
#endif
        uint8_t any = 0;
        uint8_t all = Space;
        for (; p < end; ++p) {
            const uint8_t byteClass = kByteClasses[static_cast<unsigned char>(*p)];
            any |= byteClass;
            all &= byteClass;
        }
        spaceOnly = spaceOnly && all != 0;
        return marked || (any & TextMark) != 0;
    }

    // Whether [begin, end) must be decoded before use.
    static bool needsDecoding(const char* begin, const char* end, bool attribute)
    {
        const uint8_t marks = attribute ? AttributeMark : TextMark;
        for (const char* p = begin; p < end; ++p) {
            if (kByteClasses[static_cast<unsigned char>(*p)] & marks)
                return true;
        }
        return false;
    }

    // After an element's name: its attributes, each handed to take(name, begin, end) undecoded,
    // then "/>" (isEmpty) or ">".
    template<class Take>
    bool attributes(bool& isEmpty, Take&& take)
    {
        for (;;) {
            const char* before = m_p;
            skipSpace();
            if (m_p == m_end)
                return false;
            if (*m_p == '>') {
                ++m_p;
                isEmpty = false;
                return true;
            }
            if (*m_p == '/') {
                if (m_p + 1 == m_end || m_p[1] != '>')
                    return false;
                m_p += 2;
                isEmpty = true;
                return true;
            }
            std::string_view attributeName;
            if (m_p == before || !name(attributeName))
                return false;
            skipSpace();
            if (m_p == m_end || *m_p != '=')
                return false;
            ++m_p;
            skipSpace();
            if (m_p == m_end || (*m_p != '"' && *m_p != '\''))
                return false;
            const char quote = *m_p++;
            const char* valueEnd = static_cast<const char*>(std::memchr(m_p, quote, size_t(m_end - m_p)));
            if (!valueEnd || std::memchr(m_p, '<', size_t(valueEnd - m_p)))
                return false;
            const char* value = m_p;
            m_p = valueEnd + 1;
            if (m_p == m_end || !(isSpace(static_cast<unsigned char>(*m_p)) || *m_p == '/' || *m_p == '>'))
                return false;
            if (!take(attributeName, value, valueEnd))
                return false;
        }
    }

    static bool ignoreAttribute(std::string_view, const char*, const char*)
    {
        return true;
    }

    // m_p after "</": the end tag of the named element.
    bool endTag(std::string_view open)
    {
        if (size_t(m_end - m_p) < open.size() || !dwXMLSameBytes(m_p, open.data(), open.size()))
            return false;
        m_p += open.size();
        if (m_p < m_end && isNameChar(static_cast<unsigned char>(*m_p)))
            return false;
        skipSpace();
        if (m_p == m_end || *m_p != '>')
            return false;
        ++m_p;
        return true;
    }

    // m_p after an element's name: the element and everything below it, unread.
    bool skipElement(std::string_view elementName)
    {
        bool isEmpty = false;
        if (!attributes(isEmpty, ignoreAttribute))
            return false;
        if (isEmpty)
            return true;
        std::vector<std::string_view> open{elementName};
        while (!open.empty()) {
            if (!(m_p = nextTag()))
                return false;
            if (startsWith("</", 2)) {
                m_p += 2;
                if (!endTag(open.back()))
                    return false;
                open.pop_back();
                continue;
            }
            const Markup markup = skipMarkup();
            if (markup == Markup::Broken)
                return false;
            if (markup == Markup::Skipped)
                continue;
            std::string_view child;
            ++m_p;
            if (!name(child) || !attributes(isEmpty, ignoreAttribute))
                return false;
            if (!isEmpty)
                open.push_back(child);
        }
        return true;
    }

    // m_p after the element's name: its text as the tree joins it (its text and CDATA children;
    // white space alone only where it is the element's one child), its attributes and child
    // elements passed over. The text points into the document where nothing needed decoding.
    bool elementText(std::string_view elementName, const char*& text, size_t& length)
    {
        bool isEmpty = false;
        if (!attributes(isEmpty, ignoreAttribute))
            return false;
        text = "";
        length = 0;
        return isEmpty || elementContent(elementName, text, length);
    }

    // m_p after the start tag: the text as elementText gives it, up to and past the end tag.
    bool elementContent(std::string_view elementName, const char*& text, size_t& length)
    {
        text = "";
        length = 0;
        int pieces = 0;
        bool hasChild = false;
        // How a piece is taken: as it is, with its references and line ends (text), or with its
        // line ends only (a CDATA section).
        enum Form { AsItIs, Text, Lines };
        const auto add = [&](const char* begin, const char* end, Form form) {
            if (pieces == 0 && form == AsItIs) {
                text = begin;
                length = size_t(end - begin);
                pieces = 1;
                return true;
            }
            if (pieces == 1)
                m_decoded.assign(text, length);
            else if (pieces == 0)
                m_decoded.clear();
            pieces = 2;
            if (form == Text) {
                if (!decode(begin, end, false, m_decoded))
                    return false;
            } else if (form == Lines) {
                for (const char* p = begin; p < end; ++p) {
                    if (*p != '\r')
                        m_decoded += *p;
                    else if (p + 1 == end || p[1] != '\n')
                        m_decoded += '\n';
                }
            } else {
                m_decoded.append(begin, size_t(end - begin));
            }
            text = m_decoded.data();
            length = m_decoded.size();
            return true;
        };
        for (;;) {
            const char* run = m_p;
            if (!(m_p = nextTag()))
                return false;
            if (run < m_p) {
                bool spaceOnly = false;
                const bool marked = scanText(run, m_p, spaceOnly);
                if (!spaceOnly || (!hasChild && startsWith("</", 2))) {
                    if (!add(run, m_p, marked ? Text : AsItIs))
                        return false;
                    hasChild = true;
                }
            }
            if (startsWith("</", 2)) {
                m_p += 2;
                return endTag(elementName);
            }
            if (startsWith("<![CDATA[", 9)) {
                const char* content = m_p + 9;
                m_p = content;
                if (!skipPast("]]>"))
                    return false;
                const char* contentEnd = m_p - 3;
                if (!add(content, contentEnd,
                         std::memchr(content, '\r', size_t(contentEnd - content)) ? Lines : AsItIs))
                    return false;
                hasChild = true;
                continue;
            }
            const Markup markup = skipMarkup();
            if (markup == Markup::Broken)
                return false;
            if (markup == Markup::Skipped)
                continue;
            std::string_view child;
            ++m_p;
            if (!name(child) || !skipElement(child))
                return false;
            hasChild = true;
        }
    }

    // m_p after the element's name: the element read into the object.
    bool streamObject(DWGeneratedObject& object, std::string_view elementName, int depth)
    {
        if (depth > DWGeneratedObject::kMaxNestingDepth)
            return false;
        const DWGeneratedClass& cls = object.generatedClass();
        const DWXMLTables& tables = cls.xmlTables();
        bool isEmpty = false;
        const auto take = [&](std::string_view attributeName, const char* begin, const char* end) {
            const int index = tables.attributes.find(attributeName.data(), attributeName.size());
            if (index < 0)
                return true;
            if (!needsDecoding(begin, end, true))
                return store(object, index, tables, begin, size_t(end - begin), nullptr, nullptr);
            std::string value;
            return decode(begin, end, true, value) &&
                   store(object, index, tables, value.data(), value.size(), nullptr, nullptr);
        };
        if (!attributes(isEmpty, take))
            return false;

        if (cls.hasSimpleContent()) {
            const char* text = "";
            size_t length = 0;
            if (!isEmpty && !elementContent(elementName, text, length))
                return false;
            const int index = cls.contentFieldIndex();
            if (index < 0 || length == 0)
                return true;
            const DWFieldRow& row = *tables.rows[size_t(index)];
            if (row.valueType != DWValueType::Text)
                return store(object, index, tables, text, length, nullptr, nullptr);
            QString content = dw::xml::textFromUtf8(text, length);
            if (!content.isEmpty())
                *static_cast<QString*>(fieldAt(object, tables.offsets[size_t(index)])) = std::move(content);
            return true;
        }
        if (isEmpty)
            return true;

        for (;;) {
            if (!(m_p = nextTag()))
                return false;
            if (startsWith("</", 2)) {
                m_p += 2;
                return endTag(elementName);
            }
            const Markup markup = skipMarkup();
            if (markup == Markup::Broken)
                return false;
            if (markup == Markup::Skipped)
                continue;
            std::string_view child;
            ++m_p;
            if (!name(child))
                return false;
            const int index = tables.elements.findLocal(m_local.data(), m_local.size());
            if (index < 0) {
                if (!skipElement(child))
                    return false;
                continue;
            }
            const DWFieldRow& row = *tables.rows[size_t(index)];
            if (row.valueType == DWValueType::Object) {
                DWGeneratedObjectPtr nested = row.objectClass().create();
                if (!streamObject(*nested, child, depth + 1))
                    return false;
                void* field = fieldAt(object, tables.offsets[size_t(index)]);
                if (row.kind == DWFieldKind::Repeated)
                    row.objectSlot->append(field, std::move(nested));
                else
                    row.objectSlot->set(field, std::move(nested));
                continue;
            }
            const char* text = nullptr;
            size_t length = 0;
            if (!elementText(child, text, length) || !store(object, index, tables, text, length, nullptr, nullptr))
                return false;
        }
    }

    // Recently read short texts by their bytes: a reply repeats the same values (a currency, a
    // country, a status, a seller's name and place, item specifics) in thousands of objects, which
    // then share one text each instead of allocating and freeing a copy apiece. A text met once
    // costs only its hash.
    static constexpr size_t kInternedBytes = 32;
    static constexpr size_t kInternedSlots = 1024;
    struct Interned
    {
        char bytes[kInternedBytes];
        size_t length = 0;
        QString text;
    };
    std::vector<Interned> m_interned;
    std::string m_joined;

    QString sharedText(const char* text, size_t length)
    {
        if (length == 0 || length > kInternedBytes)
            return dw::xml::textFromUtf8(text, length);
        if (m_interned.empty())
            m_interned.resize(kInternedSlots);
        // Eight bytes at a time: every short text of a reply passes here.
        uint64_t hash = uint64_t(length) * 0x9E3779B97F4A7C15u;
        size_t i = 0;
        for (; i + 8 <= length; i += 8) {
            uint64_t word;
            std::memcpy(&word, text + i, 8);
            hash = (hash ^ word) * 0xFF51AFD7ED558CCDu;
        }
        uint64_t tail = 0;
        std::memcpy(&tail, text + i, length - i);
        hash = (hash ^ tail) * 0xFF51AFD7ED558CCDu;
        Interned& slot = m_interned[(hash >> 40) % kInternedSlots];
        if (slot.length == length && std::memcmp(slot.bytes, text, length) == 0)
            return slot.text;
        slot.text = dw::xml::textFromUtf8(text, length);
        slot.length = length;
        std::memcpy(slot.bytes, text, length);
        return slot.text;
    }

    // All text and CDATA children of an element, joined; "" for an element without text.
    const char* joinedText(const pugi::xml_node& node, size_t& length)
    {
        const pugi::xml_node first = node.first_child();
        if (first && isText(first) && !first.next_sibling()) {
            const char* value = first.value();
            length = std::strlen(value);
            return value;
        }
        m_joined.clear();
        for (pugi::xml_node child = first; child; child = child.next_sibling()) {
            if (isText(child))
                m_joined += child.value();
        }
        length = m_joined.size();
        return m_joined.c_str();
    }

    // Stores the value of a text into a plain field. False, with the error, for a number that its
    // field cannot hold: such a reply is damaged, and reading on would give a wrong amount.
    // Without an element name (the streaming pass) a failure is told nowhere, as the tree's pass
    // reads the document again and tells it.
    bool store(DWGeneratedObject& object, int index, const DWXMLTables& tables, const char* text, size_t length,
               const char* element, const char* attribute)
    {
        const DWFieldRow& row = *tables.rows[size_t(index)];
        void* field = fieldAt(object, tables.offsets[size_t(index)]);
        const bool repeated = row.kind == DWFieldKind::Repeated;
        switch (row.valueType) {
        case DWValueType::Text: {
            QString value = sharedText(text, length);
            if (repeated)
                appendTo(*static_cast<DWArray<QString>*>(field), std::move(value));
            else
                *static_cast<QString*>(field) = std::move(value);
            return true;
        }
        case DWValueType::Date: {
            QDateTime value = dw::xml::dateFromUtf8(text, length);
            // A date that is no date stays unset; an attribute is unset by it.
            if (repeated) {
                if (value.isValid())
                    appendTo(*static_cast<DWArray<QDateTime>*>(field), std::move(value));
            } else if (value.isValid() || attribute) {
                *static_cast<QDateTime*>(field) = std::move(value);
            }
            return true;
        }
        case DWValueType::Data: {
            QByteArray value = QByteArray::fromBase64(QByteArray::fromRawData(text, qsizetype(length)));
            if (value.isNull())
                value = QByteArray("");
            if (repeated)
                appendTo(*static_cast<DWArray<QByteArray>*>(field), std::move(value));
            else
                *static_cast<QByteArray*>(field) = std::move(value);
            return true;
        }
        case DWValueType::Bool:
            *static_cast<bool*>(field) = dw::xml::boolFromUtf8(text, length);
            return true;
        case DWValueType::Integer:
            if (dw::xml::integerFromUtf8(text, length, *static_cast<qint64*>(field)))
                return true;
            break;
        case DWValueType::Double:
            if (dw::xml::doubleFromUtf8(text, length, *static_cast<double*>(field)))
                return true;
            break;
        case DWValueType::Object:
            return true;
        }
        if (!element)
            return false;
        const QString where =
            attribute
                ? QStringLiteral("attribute %1 of <%2>").arg(QString::fromUtf8(attribute), QString::fromUtf8(element))
                : QStringLiteral("<%1>").arg(QString::fromUtf8(element));
        error = QStringLiteral("The XML document holds a number out of range in %1: \"%2\".")
                    .arg(where, shortened(text, length));
        dw::consoleWrite(QStringLiteral("Cannot read %1: %2").arg(object.generatedClass().name(), error));
        return false;
    }

    template<class T>
    static void appendTo(DWArray<T>& array, T&& item)
    {
        if (!array) {
            array = std::make_shared<QList<T>>();
            // Room for the few items a repeated element mostly has, grown once rather than twice.
            array->reserve(4);
        }
        array->append(std::move(item));
    }
};

bool DWGeneratedObject::initWithXMLRequest(const QString& xml, QString* error)
{
    // The text is decoded already: an encoding named in its declaration no longer applies.
    return initWithXMLBytes(xml.toUtf8(), true, error);
}

bool DWGeneratedObject::initWithXMLRequestData(const QByteArray& data, QString* error)
{
    return initWithXMLBytes(data, false, error);
}

bool DWXMLReader::streamDocument(DWGeneratedObject& root, const char* begin, const char* end, bool isUtf8)
{
    // The tree's parser ends a document at its first NUL, whatever follows.
    if (begin == end || std::memchr(begin, 0, size_t(end - begin)))
        return false;
    m_p = begin;
    m_end = end;
    if (startsWith("<?xml", 5) && m_p + 5 < m_end && isSpace(static_cast<unsigned char>(m_p[5]))) {
        const char* declaration = m_p;
        if (!skipPast("?>"))
            return false;
        // Bytes are read in the encoding their declaration names; only UTF-8 is read here.
        const std::string_view text(declaration, size_t(m_p - declaration));
        const size_t encoding = text.find("encoding");
        if (!isUtf8 && encoding != std::string_view::npos) {
            const size_t quote = text.find_first_of("\"'", encoding);
            if (quote == std::string_view::npos || quote + 6 >= text.size() || text[quote + 6] != text[quote])
                return false;
            const std::string_view value = text.substr(quote + 1, 5);
            if ((value[0] | 0x20) != 'u' || (value[1] | 0x20) != 't' || (value[2] | 0x20) != 'f' || value[3] != '-' ||
                value[4] != '8')
                return false;
        }
    } else if (*m_p != '<' && !isSpace(static_cast<unsigned char>(*m_p))) {
        return false; // a byte order mark, or no markup at all
    }
    if (!skipMisc() || !startsWith("<", 1))
        return false;
    ++m_p;
    std::string_view rootName;
    if (!name(rootName) || !streamObject(root, rootName, 0))
        return false;
    return skipMisc() && m_p == m_end;
}

bool DWGeneratedObject::initWithXMLBytes(const QByteArray& data, bool isUtf8, QString* error)
{
    clear();
    {
        DWXMLReader reader;
        if (reader.streamDocument(*this, data.constData(), data.constData() + data.size(), isUtf8))
            return true;
        clear();
    }
    pugi::xml_document document;
    const pugi::xml_parse_result result = document.load_buffer(data.constData(), size_t(data.size()), kParseOptions,
                                                               isUtf8 ? pugi::encoding_utf8 : pugi::encoding_auto);
    QString failure;
    if (!result) {
        failure = QStringLiteral("The XML document is not well-formed: %1 (at byte %2).")
                      .arg(QString::fromUtf8(result.description()))
                      .arg(qlonglong(result.offset));
    } else {
        pugi::xml_node root;
        int roots = 0;
        for (pugi::xml_node child = document.first_child(); child; child = child.next_sibling()) {
            if (child.type() == pugi::node_element) {
                root = child;
                ++roots;
            }
        }
        if (roots != 1) {
            failure = QStringLiteral("The XML document is not well-formed: it has %1 root elements.").arg(roots);
        } else {
            DWXMLReader reader;
            if (!reader.readObject(*this, root, 0))
                failure = reader.error;
        }
    }
    if (failure.isEmpty())
        return true;
    // Never a half-filled record: whatever was read before the failure is dropped.
    clear();
    if (error)
        *error = failure;
    return false;
}
