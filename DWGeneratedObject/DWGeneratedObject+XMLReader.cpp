// The XML reader of DWGeneratedObject, on pugixml.
#include "DWGeneratedObject/DWGeneratedObject.h"

#include "DWGeneratedObject/DWXMLValues_p.h"
#include "platform/core/CocoaNumbers.h"

#include <pugixml.hpp>

#include <cstring>

namespace {

// pugixml never loads external entities or DTDs and has no network access; parse_doctype stays
// off, so a DOCTYPE is skipped. Whitespace-only text is kept when it is an element's only content,
// so a value of spaces reads back as written.
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_ws_pcdata_single;

QString localName(const char* name)
{
    const char* colon = std::strrchr(name, ':');
    return QString::fromUtf8(colon ? colon + 1 : name);
}

// All text and CDATA children of an element, joined; "" (not null) for an element without text.
QString joinedText(const pugi::xml_node& node)
{
    QByteArray bytes("");
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            bytes += child.value();
    }
    return QString::fromUtf8(bytes);
}

QVariant valueFromText(const QString& text, DWValueType type)
{
    switch (type) {
    case DWValueType::Text:
        return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
    case DWValueType::Date: {
        const QDateTime date = dw::xml::dateFromText(text);
        return date.isValid() ? QVariant(date) : QVariant();
    }
    case DWValueType::Data: {
        QByteArray bytes = QByteArray::fromBase64(text.toLatin1());
        if (bytes.isNull())
            bytes = QByteArray("");
        return bytes;
    }
    case DWValueType::Bool:
        return dw::xml::boolFromText(text);
    case DWValueType::Integer:
        return qlonglong(dw::longLongValue(text));
    case DWValueType::Double:
        return dw::doubleValue(text);
    case DWValueType::Object:
        break;
    }
    return {};
}

class Reader
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
        for (pugi::xml_attribute attribute = node.first_attribute(); attribute;
             attribute = attribute.next_attribute()) {
            const int index = cls.fieldIndexForAttribute(localName(attribute.name()));
            if (index < 0)
                continue;
            store(object, index, valueFromText(QString::fromUtf8(attribute.value()), cls.field(index).valueType));
        }

        if (cls.hasSimpleContent()) {
            // An element without text leaves the content unset, as the writer writes unset content.
            const int index = cls.contentFieldIndex();
            const QString text = joinedText(node);
            if (index >= 0 && !text.isEmpty())
                store(object, index, valueFromText(text, cls.field(index).valueType));
            return true;
        }

        // Responses carry elements that no table names; they are skipped with everything below them.
        for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
            if (child.type() != pugi::node_element)
                continue;
            const int index = cls.fieldIndexForElement(localName(child.name()));
            if (index < 0)
                continue;
            const DWFieldRow& row = cls.field(index);
            QVariant value;
            if (row.valueType == DWValueType::Object) {
                const DWGeneratedObjectPtr nested = row.objectClass().create();
                if (!readObject(*nested, child, depth + 1))
                    return false;
                value = DWGeneratedObject::variantFromObject(nested);
            } else {
                value = valueFromText(joinedText(child), row.valueType);
                if (!value.isValid())
                    continue; // a date that is no date stays unset
            }
            if (row.kind == DWFieldKind::Repeated)
                append(object, index, value);
            else
                store(object, index, value);
        }
        return true;
    }

private:
    // The values come from the class's own tables, so they always fit their fields.
    static void store(DWGeneratedObject& object, int index, const QVariant& value)
    {
        [[maybe_unused]] const bool stored = object.setFieldValue(index, value);
    }
    static void append(DWGeneratedObject& object, int index, const QVariant& value)
    {
        [[maybe_unused]] const bool appended = object.appendFieldValue(index, value);
    }
};

} // namespace

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
            Reader reader;
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
