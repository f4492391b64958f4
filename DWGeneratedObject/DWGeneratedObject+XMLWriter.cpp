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
#include <bit>
#include <charconv>
#include <cstring>
#include <optional>

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

// The end of the run of characters from p on that go out as they are.
const char16_t* endOfPlainRun(const char16_t* p, const char16_t* end, bool attribute)
{
#if defined(__SSE2__)
    // Eight characters at a time look for anything that may need care: a control character, a
    // markup character, or one from the surrogates up. The exact test below sorts them out.
    // Characters are compared as signed numbers with their top bit flipped, which orders them as
    // unsigned numbers.
    const __m128i flip = _mm_set1_epi16(static_cast<short>(0x8000));
    const __m128i belowSpace = _mm_set1_epi16(static_cast<short>(0x20 ^ 0x8000));
    const __m128i lastBeforeSurrogates = _mm_set1_epi16(static_cast<short>(0xD7FF ^ 0x8000));
    const __m128i ampersand = _mm_set1_epi16('&');
    const __m128i less = _mm_set1_epi16('<');
    const __m128i greater = _mm_set1_epi16('>');
    const __m128i quote = _mm_set1_epi16(attribute ? '"' : '&');
    // Tabs and line feeds go out as they are in text; in an attribute nothing is spared (a space
    // is no candidate anyway).
    const __m128i sparedA = _mm_set1_epi16(attribute ? ' ' : '\t');
    const __m128i sparedB = _mm_set1_epi16(attribute ? ' ' : '\n');
    for (; end - p >= 8; p += 8) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i flipped = _mm_xor_si128(chunk, flip);
        const __m128i outside =
            _mm_or_si128(_mm_cmplt_epi16(flipped, belowSpace), _mm_cmpgt_epi16(flipped, lastBeforeSurrogates));
        const __m128i markup =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(chunk, ampersand), _mm_cmpeq_epi16(chunk, less)),
                         _mm_or_si128(_mm_cmpeq_epi16(chunk, greater), _mm_cmpeq_epi16(chunk, quote)));
        const __m128i spared = _mm_or_si128(_mm_cmpeq_epi16(chunk, sparedA), _mm_cmpeq_epi16(chunk, sparedB));
        const int candidates = _mm_movemask_epi8(_mm_andnot_si128(spared, _mm_or_si128(outside, markup)));
        if (candidates != 0) {
            p += std::countr_zero(unsigned(candidates)) / 2;
            break;
        }
    }
#endif
    const std::array<bool, 128>& plain = attribute ? kPlainInAttribute : kPlainInText;
    while (p < end && (*p < 0x80 ? plain[*p] : (*p < 0xD800 || (*p >= 0xE000 && *p < 0xFFFE))))
        ++p;
    return p;
}

} // namespace

// Writes generated objects as one document text. The fields are read from their members
// (fieldStorage) and the text is built in place, so that a large request costs little more than
// copying its texts.
class DWXMLWriter
{
public:
    // Room for length characters at once, as a text of about that length is expected.
    void reserve(qsizetype length)
    {
        if (m_end - m_pos < length)
            allocate(m_pos - m_begin + length);
    }

    QString take()
    {
        m_text.resize(m_pos - m_begin);
        m_text.squeeze();
        return std::move(m_text);
    }

    template<size_t N>
    void putLiteral(const char (&text)[N])
    {
        putAscii(text, N - 1);
    }

    void writeObject(const DWGeneratedObject& object, const QString& tag, bool isRoot, int depth)
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

        put(u'<');
        put(tag);
        if (isRoot) {
            putLiteral(" xmlns=\"");
            putEscaped(object.xmlNamespace(), true);
            put(u'"');
        }
        for (const DWXMLField& attribute : tables.attributeFields) {
            const void* field = object.fieldStorage(attribute.index);
            if (!isWritten(field, attribute.row->valueType, [&] { return isRequired(attribute.name); }))
                continue;
            put(u' ');
            put(attribute.name);
            putLiteral("=\"");
            putValue(field, attribute.row->valueType, true);
            put(u'"');
        }
        put(u'>');

        if (cls.hasSimpleContent()) {
            // The content is the value itself: an amount of 0 is still "0", never an empty amount.
            const int index = cls.contentFieldIndex();
            if (index >= 0) {
                const void* field = object.fieldStorage(index);
                const DWValueType type = tables.rows[size_t(index)]->valueType;
                if (isWritten(field, type, [] { return true; }))
                    putValue(field, type, false);
            }
        } else {
            for (const DWXMLField& element : tables.elementFields) {
                const void* field = object.fieldStorage(element.index);
                const DWFieldRow& row = *element.row;
                if (row.kind == DWFieldKind::Repeated)
                    writeItems(field, row, element.name, depth);
                else if (row.valueType == DWValueType::Object)
                    writeNested(row.objectSlot->get(field), element.name, depth);
                else if (isWritten(field, row.valueType, [&] { return isRequired(element.name); }))
                    writeElement(field, row.valueType, element.name);
            }
        }

        putTag(u"</", tag);
    }

private:
    QString m_text;
    char16_t* m_begin = nullptr;
    char16_t* m_pos = nullptr;
    char16_t* m_end = nullptr;

    void writeNested(const DWGeneratedObject* nested, const QString& name, int depth)
    {
        if (nested)
            writeObject(*nested, name, false, depth + 1);
    }

    void writeElement(const void* field, DWValueType type, const QString& name)
    {
        putTag(u"<", name);
        putValue(field, type, false);
        putTag(u"</", name);
    }

    // "<name>" or "</name>".
    void putTag(const char16_t* opening, const QString& name)
    {
        const qsizetype openingLength = opening[1] ? 2 : 1;
        ensure(name.size() + openingLength + 1);
        *m_pos++ = opening[0];
        if (openingLength == 2)
            *m_pos++ = opening[1];
        copy(reinterpret_cast<const char16_t*>(name.constData()), name.size());
        *m_pos++ = u'>';
    }

    // Every item of a repeated element, each an element of its own; items that hold nothing are
    // still written, as empty elements, except dates and records.
    void writeItems(const void* field, const DWFieldRow& row, const QString& name, int depth)
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
            put(inner);
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
        while (p < end) {
            const char16_t* run = p;
            p = endOfPlainRun(p, end, attribute);
            put(run, p - run);
            if (p == end)
                break;
            const char16_t c = *p++;
            switch (c) {
            case u'&':
                putLiteral("&amp;");
                break;
            case u'<':
                putLiteral("&lt;");
                break;
            case u'>':
                putLiteral("&gt;");
                break;
            case u'"':
                putLiteral("&quot;");
                break;
            // A reader normalises a literal carriage return away, and white space in an attribute
            // to spaces; character references keep them.
            case u'\r':
                putLiteral("&#13;");
                break;
            case u'\n':
                putLiteral("&#10;");
                break;
            case u'\t':
                putLiteral("&#9;");
                break;
            default:
                if (QChar::isHighSurrogate(c) && p < end && QChar::isLowSurrogate(*p)) {
                    put(p - 1, 2);
                    ++p;
                }
                break;
            }
        }
    }

    void ensure(qsizetype count)
    {
        if (m_end - m_pos >= count)
            return;
        // Growing fourfold copies the text less often; pages never written to cost nothing, and
        // take() gives back what is left over.
        const qsizetype used = m_pos - m_begin;
        qsizetype capacity = std::max<qsizetype>(m_end - m_begin, 4096);
        while (capacity - used < count)
            capacity *= 4;
        allocate(capacity);
    }

    void allocate(qsizetype capacity)
    {
        const qsizetype used = m_pos - m_begin;
        m_text.resize(capacity);
        m_begin = reinterpret_cast<char16_t*>(m_text.data());
        m_pos = m_begin + used;
        m_end = m_begin + capacity;
    }

    void put(char16_t c)
    {
        ensure(1);
        *m_pos++ = c;
    }

    void put(const char16_t* text, qsizetype count)
    {
        ensure(count);
        copy(text, count);
    }

    // Copies into room made before.
    void copy(const char16_t* text, qsizetype count)
    {
        // Most pieces are element names and short values, which a loop copies faster than a call.
        if (count <= 16) {
            for (qsizetype i = 0; i < count; ++i)
                m_pos[i] = text[i];
        } else {
            std::memcpy(m_pos, text, size_t(count) * sizeof(char16_t));
        }
        m_pos += count;
    }

    void put(const QString& text) { put(reinterpret_cast<const char16_t*>(text.constData()), text.size()); }

    void putAscii(const char* text, qsizetype count)
    {
        ensure(count);
        for (qsizetype i = 0; i < count; ++i)
            *m_pos++ = static_cast<unsigned char>(text[i]);
    }
};

QString DWGeneratedObject::xmlRequest() const
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
    writer.writeObject(*this, root, true, 0);
    QString xml = writer.take();
    tables.lastDocumentLength.store(xml.size(), std::memory_order_relaxed);
    return xml;
}
