// The XML reader of DWGeneratedObject, on pugixml.
#include "DWGeneratedObject/DWGeneratedObject.h"

#include "DWGeneratedObject/DWXMLTables_p.h"
#include "DWGeneratedObject/DWXMLValues_p.h"
#include "platform/core/ConsoleOutput.h"

#include <pugixml.hpp>

#include <cstdint>
#include <cstring>
#include <string>
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
            if (!store(object, index, tables, value, std::strlen(value), node, attribute.name()))
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
                return store(object, index, tables, text, length, node, nullptr);
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
            if (!store(object, index, tables, text, length, child, nullptr))
                return false;
        }
        return true;
    }

private:
    // Recently read enumeration values by their bytes: a reply repeats the same few values (a
    // currency, a country, a status) in thousands of objects, which then share one text each
    // instead of allocating and freeing a copy apiece.
    static constexpr size_t kInternedBytes = 32;
    static constexpr size_t kInternedSlots = 256;
    struct Interned
    {
        char bytes[kInternedBytes];
        size_t length = 0;
        QString text;
    };
    std::vector<Interned> m_interned;
    std::string m_joined;

    QString enumerationText(const char* text, size_t length)
    {
        if (length == 0 || length > kInternedBytes)
            return dw::xml::textFromUtf8(text, length);
        if (m_interned.empty())
            m_interned.resize(kInternedSlots);
        uint32_t hash = 2166136261u;
        for (size_t i = 0; i < length; ++i)
            hash = (hash ^ static_cast<unsigned char>(text[i])) * 16777619u;
        Interned& slot = m_interned[hash % kInternedSlots];
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
    bool store(DWGeneratedObject& object, int index, const DWXMLTables& tables, const char* text, size_t length,
               const pugi::xml_node& element, const char* attribute)
    {
        const DWFieldRow& row = *tables.rows[size_t(index)];
        void* field = fieldAt(object, tables.offsets[size_t(index)]);
        const bool repeated = row.kind == DWFieldKind::Repeated;
        switch (row.valueType) {
        case DWValueType::Text: {
            QString value = tables.enumerations[size_t(index)] ? enumerationText(text, length)
                                                               : dw::xml::textFromUtf8(text, length);
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
        const QString where = attribute ? QStringLiteral("attribute %1 of <%2>")
                                              .arg(QString::fromUtf8(attribute), QString::fromUtf8(element.name()))
                                        : QStringLiteral("<%1>").arg(QString::fromUtf8(element.name()));
        error = QStringLiteral("The XML document holds a number out of range in %1: \"%2\".")
                    .arg(where, shortened(text, length));
        dw::consoleWrite(QStringLiteral("Cannot read %1: %2").arg(object.generatedClass().name(), error));
        return false;
    }

    template<class T>
    static void appendTo(DWArray<T>& array, T&& item)
    {
        if (!array)
            array = std::make_shared<QList<T>>();
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

bool DWGeneratedObject::initWithXMLBytes(const QByteArray& data, bool isUtf8, QString* error)
{
    clear();
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
