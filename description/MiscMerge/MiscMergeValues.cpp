#include "description/MiscMerge/MiscMergeValues.h"

#include "platform/core/CocoaNumbers.h"
#include "platform/core/TypeName.h"

#include <QByteArray>
#include <QDateTime>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>
#include <cstdio>
#include <typeinfo>
#include <vector>

namespace miscmerge {

namespace {

std::vector<KeyPresenceTest>& presenceTests()
{
    static std::vector<KeyPresenceTest> tests;
    return tests;
}

bool objectHasKey(const dw::KeyValueCoding& object, const QString& key)
{
    if (const auto* keyed = dynamic_cast<const MiscMergeKeyedObject*>(&object))
        return keyed->hasMiscMergeKey(key);
    for (const KeyPresenceTest& test : presenceTests()) {
        if (const std::optional<bool> answer = test(object, key))
            return *answer;
    }
    return object.valueForKey(key).isValid();
}

bool isScalar(const QVariant& value)
{
    return dw::isNumberValue(value) || isText(value) || value.typeId() == QMetaType::QDateTime ||
           value.typeId() == QMetaType::QByteArray;
}

QVariant valueForKey(const QVariant& value, const QString& key, QString* unknownKey)
{
    if (!value.isValid())
        return QVariant();
    if (value.typeId() == QMetaType::QVariantMap)
        return value.toMap().value(key);
    if (isList(value)) {
        QVariantList answers;
        for (const QVariant& element : value.toList())
            answers << valueForKey(element, key, unknownKey);
        return answers;
    }
    if (const dw::KeyValueCodingPtr object = dw::objectFromValue(value)) {
        if (!objectHasKey(*object, key)) {
            if (unknownKey && unknownKey->isNull())
                *unknownKey = key;
            return QVariant();
        }
        return object->valueForKey(key);
    }
    if (isScalar(value) && unknownKey && unknownKey->isNull())
        *unknownKey = key;
    return QVariant();
}

bool isSpace(QChar c)
{
    return c.isSpace();
}

// The length of the decimal number at the start of `text` after blanks (as the platform's
// scanner reads a double), or 0 when there is none.
qsizetype leadingNumberLength(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && isSpace(text.at(i)))
        ++i;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-'))
        ++i;
    qsizetype digits = 0;
    while (i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text.at(i) == u'.') {
        ++i;
        while (i < text.size() && text.at(i).unicode() >= '0' && text.at(i).unicode() <= '9') {
            ++i;
            ++digits;
        }
    }
    return digits > 0 ? i : 0;
}

QString realText(double value, int digits)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*g", digits, value);
    return QString::fromLatin1(buffer);
}

QString dataText(const QByteArray& data)
{
    QString out = QStringLiteral("<");
    const QByteArray hex = data.toHex();
    for (qsizetype i = 0; i < hex.size(); i += 8) {
        if (i > 0)
            out += u' ';
        out += QString::fromLatin1(hex.mid(i, 8));
    }
    return out + u'>';
}

QString describe(const QVariant& value, int indent, bool quoted);

QString describeElement(const QVariant& value, int indent)
{
    if (!value.isValid())
        return QStringLiteral("<null>");
    return describe(value, indent, true);
}

QString describe(const QVariant& value, int indent, bool quoted)
{
    if (!value.isValid())
        return QStringLiteral("(null)");
    const QString inner(indent + 4, u' ');
    const QString outer(indent, u' ');
    switch (value.typeId()) {
    case QMetaType::QString:
        return quoted ? quotedText(value.toString()) : value.toString();
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Double:
        return realText(value.toDouble(), 16);
    case QMetaType::Float:
        return realText(double(value.toFloat()), 7);
    case QMetaType::QDateTime:
        return value.toDateTime().toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss +0000"));
    case QMetaType::QByteArray:
        return dataText(value.toByteArray());
    case QMetaType::QStringList:
    case QMetaType::QVariantList: {
        const QVariantList list = value.toList();
        QString out = QStringLiteral("(\n");
        for (qsizetype i = 0; i < list.size(); ++i) {
            out += inner + describeElement(list.at(i), indent + 4);
            out += i + 1 < list.size() ? QStringLiteral(",\n") : QStringLiteral("\n");
        }
        return out + outer + u')';
    }
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        QString out = QStringLiteral("{\n");
        for (auto it = map.constBegin(); it != map.constEnd(); ++it)
            out += inner + quotedText(it.key()) + QStringLiteral(" = ") + describeElement(it.value(), indent + 4) +
                   QStringLiteral(";\n");
        return out + outer + u'}';
    }
    default:
        break;
    }
    if (dw::isNumberValue(value)) {
        if (value.typeId() == QMetaType::ULongLong || value.typeId() == QMetaType::ULong ||
            value.typeId() == QMetaType::UInt || value.typeId() == QMetaType::UShort ||
            value.typeId() == QMetaType::UChar)
            return QString::number(value.toULongLong());
        return QString::number(value.toLongLong());
    }
    if (const dw::KeyValueCodingPtr object = dw::objectFromValue(value))
        return u'<' + dw::typeName(typeid(*object)) + u'>';
    return value.toString();
}

} // namespace

void addKeyPresenceTest(KeyPresenceTest test)
{
    presenceTests().push_back(std::move(test));
}

bool isText(const QVariant& value)
{
    return value.typeId() == QMetaType::QString;
}

bool isList(const QVariant& value)
{
    return value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QStringList;
}

bool hasKey(const QVariant& value, const QString& key)
{
    if (value.typeId() == QMetaType::QVariantMap)
        return value.toMap().contains(key);
    if (const dw::KeyValueCodingPtr object = dw::objectFromValue(value))
        return !key.isEmpty() && objectHasKey(*object, key);
    return false;
}

QVariant valueForKeyPath(const QVariant& value, const QString& keyPath, QString* unknownKey)
{
    QVariant current = value;
    qsizetype from = 0;
    while (true) {
        const qsizetype dot = keyPath.indexOf(u'.', from);
        const QString key = keyPath.mid(from, dot < 0 ? -1 : dot - from);
        current = valueForKey(current, key, unknownKey);
        if (dot < 0 || !current.isValid())
            return current;
        from = dot + 1;
    }
}

QString textOf(const QVariant& value)
{
    return describe(value, 0, false);
}

QString quotedText(const QString& text)
{
    bool plain = !text.isEmpty();
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool ok = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' ||
                        u == '$' || u == '/' || u == ':' || u == '.' || u == '-';
        if (!ok) {
            plain = false;
            break;
        }
    }
    if (plain)
        return text;
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"':
            out += QStringLiteral("\\\"");
            break;
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        default:
            out += c;
        }
    }
    return out + u'"';
}

bool isNumeric(const QVariant& value)
{
    if (dw::isNumberValue(value))
        return true;
    return isText(value) && leadingNumberLength(value.toString()) > 0;
}

double doubleOf(const QVariant& value)
{
    if (isText(value))
        return dw::doubleValue(value.toString());
    return value.toDouble();
}

int compare(const QVariant& left, const QVariant& right)
{
    if (!left.isValid() || !right.isValid()) {
        if (left.isValid() == right.isValid())
            return 0;
        return left.isValid() ? 1 : -1;
    }
    if (isNumeric(left) && isNumeric(right)) {
        const float a = float(doubleOf(left));
        const float b = float(doubleOf(right));
        return b > a ? -1 : (a > b ? 1 : 0);
    }
    if (dw::isEqualValue(left, right))
        return 0;
    int c = 0;
    if (isText(left) && isText(right))
        c = left.toString().compare(right.toString());
    else if (left.typeId() == QMetaType::QDateTime && right.typeId() == QMetaType::QDateTime)
        c = left.toDateTime() < right.toDateTime() ? -1 : (right.toDateTime() < left.toDateTime() ? 1 : 0);
    else
        c = textOf(left).compare(textOf(right));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

} // namespace miscmerge
