// The XML writer of DWGeneratedObject.
#include "DWGeneratedObject/DWGeneratedObject.h"

#include "DWGeneratedObject/DWXMLTables_p.h"
#include "DWGeneratedObject/DWXMLValues_p.h"
#include "platform/core/DWAssert.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <optional>
#include <string_view>

namespace {

const QLatin1String kCDataOpen("<![CDATA[");
const QLatin1String kCDataClose("]]>");

// ASCII characters that go out as they are, in text and in attribute values. The others are
// escaped or, being control characters that XML 1.0 cannot carry, dropped.
constexpr std::array<bool, 128> plainAscii(bool attribute)
{
    std::array<bool, 128> plain{};
    for (int c = 0x20; c < 0x80; ++c)
        plain[size_t(c)] = true;
    plain[size_t('&')] = plain[size_t('<')] = plain[size_t('>')] = false;
    if (attribute) {
        plain[size_t('"')] = false;
    } else {
        plain[size_t('\t')] = plain[size_t('\n')] = true;
    }
    return plain;
}
constexpr std::array<bool, 128> kPlainInText = plainAscii(false);
constexpr std::array<bool, 128> kPlainInAttribute = plainAscii(true);

// Whether the character goes out as it is: plain ASCII, or any other that XML can carry apart from
// surrogates, which go out only in pairs.
inline bool isPlain(char16_t c, bool attribute)
{
    if (c < 0x80)
        return (attribute ? kPlainInAttribute : kPlainInText)[c];
    return c < 0xD800 || (c >= 0xE000 && c < 0xFFFE);
}

// What stands for a character that is not plain: a reference, or nothing for one that XML cannot
// carry (a surrogate pair is the caller's to keep).
std::string_view replacement(char16_t c)
{
    switch (c) {
    case u'&':
        return "&amp;";
    case u'<':
        return "&lt;";
    case u'>':
        return "&gt;";
    case u'"':
        return "&quot;";
    // A reader normalises a literal carriage return away, and white space in an attribute to
    // spaces; character references keep them.
    case u'\r':
        return "&#13;";
    case u'\n':
        return "&#10;";
    case u'\t':
        return "&#9;";
    default:
        return {};
    }
}

} // namespace

// Writes generated objects as one document in UTF-8, the encoding it goes over the wire in. The
// fields are read from their members (at their offsets) and the document is built in place, so that a
// large request costs little more than copying its texts.
class DWXMLWriter
{
public:
    // Room for length bytes at once, as a document of about that length is expected.
    void reserve(qsizetype length)
    {
        if (m_end - m_pos < length)
            allocate(m_pos - m_begin + length);
    }

    QByteArray take()
    {
        const qsizetype used = m_pos - m_begin;
        m_buffer.resize(used);
        // Room made for the expected length is mostly used; only a buffer that grew beyond need
        // is copied into one of the right size, as copying every document would cost a pass.
        if (m_buffer.capacity() - used > used / 4 + 4096)
            m_buffer.squeeze();
        return std::move(m_buffer);
    }

    template<size_t N>
    void putLiteral(const char (&text)[N])
    {
        putAscii(text, N - 1);
    }

    void writeObject(const DWGeneratedObject& object, const QByteArray& tag, bool isRoot, int depth)
    {
        DW_ASSERT(depth <= DWGeneratedObject::kMaxNestingDepth,
                  "Generated objects nest too deep to be written (does an object contain itself?)");
        const DWGeneratedClass& cls = object.generatedClass();
        const DWXMLTables& tables = cls.xmlTables();
        // Asked for only when a scalar holds 0 or NO, which most objects never do.
        std::optional<QStringList> required;
        auto isRequired = [&](const QString& name) {
            if (!required)
                required = object.requiredNumberElements();
            return !required->isEmpty() && required->contains(name);
        };

        putChar('<');
        put(tag);
        if (isRoot) {
            putLiteral(" xmlns=\"");
            putEscaped(object.xmlNamespace(), true);
            putChar('"');
        }
        for (const DWXMLField& attribute : tables.attributeFields) {
            const void* field = fieldAt(object, attribute.offset);
            if (!isWritten(field, attribute.valueType, [&] { return isRequired(attribute.name); }))
                continue;
            putChar(' ');
            put(attribute.utf8Name);
            putLiteral("=\"");
            putValue(field, attribute.valueType, true);
            putChar('"');
        }
        putChar('>');

        if (cls.hasSimpleContent()) {
            // The content is the value itself: an amount of 0 is still "0", never an empty amount.
            const int index = cls.contentFieldIndex();
            if (index >= 0) {
                const void* field = fieldAt(object, tables.offsets[size_t(index)]);
                const DWValueType type = tables.rows[size_t(index)]->valueType;
                if (isWritten(field, type, [] { return true; }))
                    putValue(field, type, false);
            }
        } else {
            // The nested records lie elsewhere in memory; asked for now, they have arrived by the
            // time the writer gets to them.
            for (size_t position : tables.nestedFields) {
                const DWXMLField& element = tables.elementFields[position];
                if (const DWGeneratedObject* nested = element.row->objectSlot->get(fieldAt(object, element.offset)))
                    __builtin_prefetch(nested);
            }
            for (const DWXMLField& element : tables.elementFields) {
                const void* field = fieldAt(object, element.offset);
                if (element.kind == DWFieldKind::Repeated)
                    writeItems(field, *element.row, element.utf8Name, depth);
                else if (element.valueType == DWValueType::Object)
                    writeNested(element.row->objectSlot->get(field), element.utf8Name, depth);
                else if (isWritten(field, element.valueType, [&] { return isRequired(element.name); }))
                    writeElement(field, element.valueType, element.utf8Name);
            }
        }

        putTag(true, tag);
    }

private:
    QByteArray m_buffer;
    char* m_begin = nullptr;
    char* m_pos = nullptr;
    char* m_end = nullptr;

    void writeNested(const DWGeneratedObject* nested, const QByteArray& name, int depth)
    {
        if (nested)
            writeObject(*nested, name, false, depth + 1);
    }

    void writeElement(const void* field, DWValueType type, const QByteArray& name)
    {
        putTag(false, name);
        putValue(field, type, false);
        putTag(true, name);
    }

    // "<name>" or "</name>".
    void putTag(bool closing, const QByteArray& name)
    {
        ensure(name.size() + 3);
        *m_pos++ = '<';
        if (closing)
            *m_pos++ = '/';
        copy(name.constData(), name.size());
        *m_pos++ = '>';
    }

    // Every item of a repeated element, each an element of its own; items that hold nothing are
    // still written, as empty elements, except dates and records.
    void writeItems(const void* field, const DWFieldRow& row, const QByteArray& name, int depth)
    {
        switch (row.valueType) {
        case DWValueType::Object:
            for (qsizetype i = 0, n = row.objectSlot->count(field); i < n; ++i)
                writeNested(row.objectSlot->at(field, i), name, depth);
            return;
        case DWValueType::Text:
            if (const auto& items = *static_cast<const DWArray<QString>*>(field)) {
                for (const QString& item : std::as_const(*items))
                    writeElement(&item, row.valueType, name);
            }
            return;
        case DWValueType::Date:
            if (const auto& items = *static_cast<const DWArray<QDateTime>*>(field)) {
                for (const QDateTime& item : std::as_const(*items)) {
                    if (item.isValid())
                        writeElement(&item, row.valueType, name);
                }
            }
            return;
        case DWValueType::Data:
            if (const auto& items = *static_cast<const DWArray<QByteArray>*>(field)) {
                for (const QByteArray& item : std::as_const(*items))
                    writeElement(&item, row.valueType, name);
            }
            return;
        case DWValueType::Bool:
        case DWValueType::Integer:
        case DWValueType::Double:
            return;
        }
    }

    // Whether a plain field is written: unset fields are left out, and scalars holding 0 or NO
    // too unless they are required.
    template<class Required>
    static bool isWritten(const void* field, DWValueType type, Required&& isRequired)
    {
        switch (type) {
        case DWValueType::Text:
            return !static_cast<const QString*>(field)->isNull();
        case DWValueType::Date:
            return static_cast<const QDateTime*>(field)->isValid();
        case DWValueType::Data:
            return !static_cast<const QByteArray*>(field)->isNull();
        case DWValueType::Bool:
            return *static_cast<const bool*>(field) || isRequired();
        case DWValueType::Integer:
            return *static_cast<const qint64*>(field) != 0 || isRequired();
        case DWValueType::Double:
            return *static_cast<const double*>(field) != 0.0 || isRequired();
        case DWValueType::Object:
            return false;
        }
        return false;
    }

    void putValue(const void* field, DWValueType type, bool attribute)
    {
        switch (type) {
        case DWValueType::Text:
            if (attribute)
                putEscaped(*static_cast<const QString*>(field), true);
            else
                putText(*static_cast<const QString*>(field));
            return;
        case DWValueType::Date: {
            char text[dw::xml::kDateChars];
            putAscii(text, dw::xml::dateChars(*static_cast<const QDateTime*>(field), text));
            return;
        }
        case DWValueType::Data: {
            const QByteArray text = static_cast<const QByteArray*>(field)->toBase64();
            putAscii(text.constData(), text.size());
            return;
        }
        case DWValueType::Bool:
            if (*static_cast<const bool*>(field))
                putLiteral("true");
            else
                putLiteral("false");
            return;
        case DWValueType::Integer: {
            char text[24];
            const auto end = std::to_chars(text, text + sizeof text, *static_cast<const qint64*>(field)).ptr;
            putAscii(text, end - text);
            return;
        }
        case DWValueType::Double: {
            char text[dw::xml::kNumberChars];
            putAscii(text, dw::xml::numberChars(*static_cast<const double*>(field), text));
            return;
        }
        case DWValueType::Object:
            return;
        }
    }

    // Callers wrap free text as "<![CDATA[...]]>" before they store it; such a value goes out as a
    // real CDATA section, split wherever the text itself holds "]]>", so that it reads back as the
    // text. Everything else is escaped.
    void putText(const QString& value)
    {
        const qsizetype wrapping = kCDataOpen.size() + kCDataClose.size();
        if (value.size() >= wrapping && value.front() == u'<' && value.startsWith(kCDataOpen) &&
            value.endsWith(kCDataClose)) {
            QString inner = dw::xml::xmlCharactersOnly(value.mid(kCDataOpen.size(), value.size() - wrapping));
            inner.replace(kCDataClose, QLatin1String("]]]]><![CDATA[>"));
            putAscii(kCDataOpen.data(), kCDataOpen.size());
            putUtf8(inner);
            putAscii(kCDataClose.data(), kCDataClose.size());
            return;
        }
        putEscaped(value, false);
    }

    // Escapes markup characters, drops the characters that XML 1.0 cannot carry (not even as
    // character references) rather than making the whole document unreadable for the receiver, and
    // copies the runs in between as they are.
    void putEscaped(const QString& text, bool attribute)
    {
        const char16_t* p = reinterpret_cast<const char16_t*>(text.constData());
        const char16_t* const end = p + text.size();
        ensure(end - p);
        while (p < end) {
            p = putPlainRun(p, end, attribute);
            if (p == end)
                break;
            const char16_t c = *p++;
            const std::string_view reference = replacement(c);
            if (!reference.empty()) {
                ensure(qsizetype(reference.size()) + (end - p));
                copy(reference.data(), qsizetype(reference.size()));
            } else if (QChar::isHighSurrogate(c) && p < end && QChar::isLowSurrogate(*p)) {
                ensure((end - p) + 3);
                putBeyondAscii(QChar::surrogateToUcs4(c, *p++));
            }
        }
    }

    // Writes the run of plain characters from p on and returns its end. Room for the rest of the
    // text as if it were ASCII is made before, and kept as characters of more bytes go out; plain
    // ASCII goes out eight characters at a time as the scan goes.
    const char16_t* putPlainRun(const char16_t* p, const char16_t* const end, bool attribute)
    {
        // A local pointer, as writes through a char pointer could otherwise change m_pos itself.
        char* out = m_pos;
        for (;;) {
#if defined(__SSE2__)
            // Anything that may need care stops the chunk: a control character, a markup
            // character or one beyond ASCII. Characters are compared as signed numbers, so those
            // from 0x8000 up count as below a space. Tabs and line feeds go out as they are in
            // text; in an attribute nothing is spared (a space is no candidate anyway).
            const __m128i belowSpace = _mm_set1_epi16(0x20);
            const __m128i lastAscii = _mm_set1_epi16(0x7F);
            const __m128i ampersand = _mm_set1_epi16('&');
            const __m128i less = _mm_set1_epi16('<');
            const __m128i greater = _mm_set1_epi16('>');
            const __m128i quote = _mm_set1_epi16(attribute ? '"' : '&');
            const __m128i sparedA = _mm_set1_epi16(attribute ? ' ' : '\t');
            const __m128i sparedB = _mm_set1_epi16(attribute ? ' ' : '\n');
            for (; end - p >= 8; p += 8, out += 8) {
                const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
                const __m128i outside =
                    _mm_or_si128(_mm_cmplt_epi16(chunk, belowSpace), _mm_cmpgt_epi16(chunk, lastAscii));
                const __m128i markup =
                    _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(chunk, ampersand), _mm_cmpeq_epi16(chunk, less)),
                                 _mm_or_si128(_mm_cmpeq_epi16(chunk, greater), _mm_cmpeq_epi16(chunk, quote)));
                const __m128i spared = _mm_or_si128(_mm_cmpeq_epi16(chunk, sparedA), _mm_cmpeq_epi16(chunk, sparedB));
                if (_mm_movemask_epi8(_mm_andnot_si128(spared, _mm_or_si128(outside, markup))) != 0)
                    break;
                _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(chunk, chunk));
            }
#endif
            const std::array<bool, 128>& plain = attribute ? kPlainInAttribute : kPlainInText;
            while (p < end && *p < 0x80 && plain[*p])
                *out++ = char(*p++);
            m_pos = out;
            if (p == end || !isPlain(*p, attribute))
                return p;
            // Plain characters beyond ASCII, up to the next ASCII one.
            do {
                const char16_t c = *p++;
                ensure((end - p) + 3);
                putBeyondAscii(c);
            } while (p < end && *p >= 0x80 && isPlain(*p, attribute));
            out = m_pos;
        }
    }

    void ensure(qsizetype count)
    {
        if (m_end - m_pos >= count)
            return;
        // Growing fourfold copies the document less often; pages never written to cost nothing,
        // and take() gives back what is left over.
        const qsizetype used = m_pos - m_begin;
        qsizetype capacity = std::max<qsizetype>(m_end - m_begin, 4096);
        while (capacity - used < count)
            capacity *= 4;
        allocate(capacity);
    }

    void allocate(qsizetype capacity)
    {
        const qsizetype used = m_pos - m_begin;
        m_buffer.resize(capacity);
        m_begin = m_buffer.data();
        m_pos = m_begin + used;
        m_end = m_begin + capacity;
    }

    void putChar(char c)
    {
        ensure(1);
        *m_pos++ = c;
    }

    void put(const QByteArray& text)
    {
        ensure(text.size());
        copy(text.constData(), text.size());
    }

    // Copies into room made before.
    void copy(const char* text, qsizetype count)
    {
        // Most pieces are element names and short values. Up to 32 bytes go as two copies of a
        // fixed size that overlap in the middle, which the compiler makes plain moves, rather than
        // as a call or a loop.
        const size_t n = size_t(count);
        char* const out = m_pos;
        const char* const in = text;
        if (n > 32) {
            std::memcpy(out, in, n);
        } else if (n >= 16) {
            std::memcpy(out, in, 16);
            std::memcpy(out + n - 16, in + n - 16, 16);
        } else if (n >= 8) {
            std::memcpy(out, in, 8);
            std::memcpy(out + n - 8, in + n - 8, 8);
        } else if (n >= 4) {
            std::memcpy(out, in, 4);
            std::memcpy(out + n - 4, in + n - 4, 4);
        } else if (n > 0) {
            out[0] = in[0];
            out[n / 2] = in[n / 2];
            out[n - 1] = in[n - 1];
        }
        m_pos += count;
    }

    void putAscii(const char* text, qsizetype count)
    {
        ensure(count);
        std::memcpy(m_pos, text, size_t(count));
        m_pos += count;
    }

    void putUtf8(const QString& text)
    {
        const char16_t* begin = reinterpret_cast<const char16_t*>(text.constData());
        putUtf8(begin, begin + text.size());
    }

    // Encodes as UTF-8. Room for the rest as if it were all ASCII is made first, and more only as
    // a character needs it, so that a document as long as the one before fits the room made for
    // it without growing.
    void putUtf8(const char16_t* p, const char16_t* const end)
    {
        ensure(end - p);
        while (p < end) {
            const char16_t* stop = end;
#if defined(__SSE2__)
            // Eight ASCII characters at a time go out as they are; a chunk with anything else goes
            // through the loop below.
            const __m128i nonAscii = _mm_set1_epi16(static_cast<short>(0xFF80));
            for (; end - p >= 8; p += 8, m_pos += 8) {
                const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
                if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(chunk, nonAscii), _mm_setzero_si128())) != 0xFFFF)
                    break;
                _mm_storel_epi64(reinterpret_cast<__m128i*>(m_pos), _mm_packus_epi16(chunk, chunk));
            }
            stop = p + std::min<qsizetype>(end - p, 8);
#endif
            while (p < stop) {
                const char16_t c = *p++;
                if (c < 0x80) {
                    *m_pos++ = char(c);
                } else if (!QChar::isSurrogate(c)) {
                    ensure((end - p) + 3);
                    putBeyondAscii(c);
                } else if (QChar::isHighSurrogate(c) && p < end && QChar::isLowSurrogate(*p)) {
                    ensure((end - p) + 3);
                    putBeyondAscii(QChar::surrogateToUcs4(c, *p++));
                }
            }
        }
    }

    // One character beyond ASCII, into room made before (at most four bytes).
    void putBeyondAscii(char32_t c)
    {
        if (c < 0x800) {
            *m_pos++ = char(0xC0 | (c >> 6));
        } else if (c < 0x10000) {
            *m_pos++ = char(0xE0 | (c >> 12));
            *m_pos++ = char(0x80 | ((c >> 6) & 0x3F));
        } else {
            *m_pos++ = char(0xF0 | (c >> 18));
            *m_pos++ = char(0x80 | ((c >> 12) & 0x3F));
            *m_pos++ = char(0x80 | ((c >> 6) & 0x3F));
        }
        *m_pos++ = char(0x80 | (c & 0x3F));
    }
};

QByteArray DWGeneratedObject::xmlRequestData() const
{
    QString root = elementName();
    // Only messages have a root element name of their own; a data type written by itself is
    // rooted in an element named after its class.
    if (root.isEmpty())
        root = generatedClass().name();
    const DWXMLTables& tables = generatedClass().xmlTables();
    DWXMLWriter writer;
    writer.reserve(tables.lastDocumentLength.load(std::memory_order_relaxed) + 1);
    writer.putLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n");
    writer.writeObject(*this, root.toUtf8(), true, 0);
    QByteArray xml = writer.take();
    tables.lastDocumentLength.store(xml.size(), std::memory_order_relaxed);
    return xml;
}

QString DWGeneratedObject::xmlRequest() const
{
    // Decoding the bytes costs less than writing twice as many in UTF-16.
    return QString::fromUtf8(xmlRequestData());
}
