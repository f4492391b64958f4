// The XML writer of DWGeneratedObject.
#include "DWGeneratedObject/DWGeneratedObject.h"

#include "DWGeneratedObject/DWXMLValues_p.h"
#include "platform/core/CocoaNumbers.h"
#include "platform/core/DWAssert.h"

namespace {

const QLatin1String kCDataOpen("<![CDATA[");
const QLatin1String kCDataClose("]]>");

bool isXmlCharacter(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

// XML 1.0 cannot carry control characters (not even as character references), unpaired
// surrogates, U+FFFE or U+FFFF: such characters are dropped rather than making the whole
// document unreadable for the receiver.
QString xmlCharactersOnly(const QString& text)
{
    QString result;
    result.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate()) {
            result.append(c);
            result.append(text.at(++i));
            continue;
        }
        if (!c.isSurrogate() && isXmlCharacter(c.unicode()))
            result.append(c);
    }
    return result;
}

void appendEscaped(QString& out, const QString& text, bool attribute)
{
    for (const QChar c : xmlCharactersOnly(text)) {
        switch (c.unicode()) {
        case u'&':
            out += QLatin1String("&amp;");
            break;
        case u'<':
            out += QLatin1String("&lt;");
            break;
        case u'>':
            out += QLatin1String("&gt;");
            break;
        case u'"':
            out += attribute ? QLatin1String("&quot;") : QLatin1String("\"");
            break;
        // A reader normalises a literal carriage return away, and white space in an attribute
        // to spaces; character references keep them.
        case u'\r':
            out += QLatin1String("&#13;");
            break;
        case u'\n':
            out += attribute ? QLatin1String("&#10;") : QLatin1String("\n");
            break;
        case u'\t':
            out += attribute ? QLatin1String("&#9;") : QLatin1String("\t");
            break;
        default:
            out += c;
        }
    }
}

// Callers wrap free text as "<![CDATA[...]]>" before they store it; such a value goes out as a
// real CDATA section, split wherever the text itself holds "]]>", so that it reads back as the
// text. Everything else is escaped.
void appendText(QString& out, const QString& value)
{
    const qsizetype wrapping = kCDataOpen.size() + kCDataClose.size();
    if (value.size() >= wrapping && value.startsWith(kCDataOpen) && value.endsWith(kCDataClose)) {
        QString inner = xmlCharactersOnly(value.mid(kCDataOpen.size(), value.size() - wrapping));
        inner.replace(kCDataClose, QLatin1String("]]]]><![CDATA[>"));
        out += kCDataOpen;
        out += inner;
        out += kCDataClose;
        return;
    }
    appendEscaped(out, value, false);
}

class Writer
{
public:
    QString out;

    void writeObject(const DWGeneratedObject& object, const QString& tag, bool isRoot, int depth)
    {
        DW_ASSERT(depth <= DWGeneratedObject::kMaxNestingDepth,
                  "Generated objects nest too deep to be written (does an object contain itself?)");
        const DWGeneratedClass& cls = object.generatedClass();
        const QStringList required = object.requiredNumberElements();

        out += u'<';
        out += tag;
        if (isRoot) {
            out += QLatin1String(" xmlns=\"");
            appendEscaped(out, object.xmlNamespace(), true);
            out += u'"';
        }
        for (int i = 0; i < cls.fieldCount(); ++i) {
            const DWFieldRow& row = cls.field(i);
            if (row.kind != DWFieldKind::Attribute)
                continue;
            const QString name = QString::fromLatin1(row.xmlName);
            QString text;
            if (!plainText(object.fieldValue(i), row.valueType, required.contains(name), text))
                continue;
            out += u' ';
            out += name;
            out += QLatin1String("=\"");
            appendEscaped(out, text, true);
            out += u'"';
        }
        out += u'>';

        if (cls.hasSimpleContent()) {
            const int index = cls.contentFieldIndex();
            QString text;
            // The content is the value itself: an amount of 0 is still "0", never an empty amount.
            if (index >= 0 && plainText(object.fieldValue(index), cls.field(index).valueType, true, text))
                appendText(out, text);
        } else {
            for (int i = 0; i < cls.fieldCount(); ++i) {
                const DWFieldRow& row = cls.field(i);
                const QString name = QString::fromLatin1(row.xmlName);
                if (row.kind == DWFieldKind::Element) {
                    writeElement(name, object.fieldValue(i), row.valueType, required.contains(name), depth);
                } else if (row.kind == DWFieldKind::Repeated) {
                    for (const QVariant& item : object.fieldValue(i).toList())
                        writeElement(name, item, row.valueType, true, depth);
                }
            }
        }

        out += QLatin1String("</");
        out += tag;
        out += u'>';
    }

private:
    void writeElement(const QString& name, const QVariant& value, DWValueType type, bool required, int depth)
    {
        if (type == DWValueType::Object) {
            if (const DWGeneratedObjectPtr nested = DWGeneratedObject::objectFromVariant(value))
                writeObject(*nested, name, false, depth + 1);
            return;
        }
        QString text;
        if (!plainText(value, type, required, text))
            return;
        out += u'<';
        out += name;
        out += u'>';
        appendText(out, text);
        out += QLatin1String("</");
        out += name;
        out += u'>';
    }

    // The text of a non-object value; false when it is left out: unset, or a scalar 0/NO that is
    // not required.
    static bool plainText(const QVariant& value, DWValueType type, bool required, QString& text)
    {
        if (!value.isValid())
            return false;
        switch (type) {
        case DWValueType::Text:
            text = value.toString();
            return true;
        case DWValueType::Date:
            text = dw::xml::dateText(value.toDateTime());
            return true;
        case DWValueType::Data:
            text = QString::fromLatin1(value.toByteArray().toBase64());
            return true;
        case DWValueType::Bool:
            text = value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
            return value.toBool() || required;
        case DWValueType::Integer:
            text = QString::number(value.toLongLong());
            return value.toLongLong() != 0 || required;
        case DWValueType::Double:
            text = dw::numberText(value.toDouble());
            return value.toDouble() != 0.0 || required;
        case DWValueType::Object:
            return false;
        }
        return false;
    }
};

} // namespace

QString DWGeneratedObject::xmlRequest() const
{
    QString root = elementName();
    // Only messages have a root element name of their own; a data type written by itself is
    // rooted in an element named after its class.
    if (root.isEmpty())
        root = generatedClass().name();
    Writer writer;
    writer.out = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n");
    writer.writeObject(*this, root, true, 0);
    return writer.out;
}
