#include "platform/core/KeyValueCoding.h"

#include <QDateTime>
#include <QStringList>
#include <cmath>

namespace dw {

namespace {

bool isFloating(const QVariant& v)
{
    return v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float;
}

bool isUnsignedLarge(const QVariant& v)
{
    return v.typeId() == QMetaType::ULongLong || v.typeId() == QMetaType::ULong;
}

// Integers compare exactly (a double would lose the low digits of large item numbers); once a
// floating value takes part, both compare as doubles.
int compareNumbers(const QVariant& a, const QVariant& b)
{
    if (isFloating(a) || isFloating(b)) {
        const double x = a.toDouble();
        const double y = b.toDouble();
        if (std::isnan(x) || std::isnan(y))
            return std::isnan(x) == std::isnan(y) ? 0 : (std::isnan(x) ? -1 : 1);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    const bool aNegative = !isUnsignedLarge(a) && a.toLongLong() < 0;
    const bool bNegative = !isUnsignedLarge(b) && b.toLongLong() < 0;
    if (aNegative != bNegative)
        return aNegative ? -1 : 1;
    if (aNegative) {
        const qlonglong x = a.toLongLong();
        const qlonglong y = b.toLongLong();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    const qulonglong x = a.toULongLong();
    const qulonglong y = b.toULongLong();
    return x < y ? -1 : (x > y ? 1 : 0);
}

bool isText(const QVariant& v)
{
    return v.typeId() == QMetaType::QString;
}

bool isList(const QVariant& v)
{
    return v.typeId() == QMetaType::QVariantList || v.typeId() == QMetaType::QStringList;
}

// Inside a list or map an absent value stands for the platform's null object, which equals itself.
bool elementsEqual(const QVariant& a, const QVariant& b)
{
    if (!a.isValid() && !b.isValid())
        return true;
    return isEqualValue(a, b);
}

int rank(const QVariant& v)
{
    if (!v.isValid())
        return 0;
    if (isNumberValue(v))
        return 1;
    if (isText(v))
        return 2;
    if (v.typeId() == QMetaType::QDateTime)
        return 3;
    return 4;
}

} // namespace

QVariant KeyValueCoding::valueForKeyPath(const QString& keyPath) const
{
    const qsizetype dot = keyPath.indexOf(u'.');
    if (dot < 0)
        return valueForKey(keyPath);
    return dw::valueForKeyPath(valueForKey(keyPath.left(dot)), keyPath.mid(dot + 1));
}

void KeyValueCoding::setValuesForKeysWithDictionary(const QVariantMap& values)
{
    for (auto it = values.constBegin(); it != values.constEnd(); ++it)
        setValueForKey(it.value(), it.key());
}

QVariant objectValue(const KeyValueCodingPtr& object)
{
    if (!object)
        return QVariant();
    return QVariant::fromValue(object);
}

KeyValueCodingPtr objectFromValue(const QVariant& value)
{
    if (value.metaType() != QMetaType::fromType<KeyValueCodingPtr>())
        return nullptr;
    return value.value<KeyValueCodingPtr>();
}

QVariant valueForKey(const QVariant& object, const QString& key)
{
    if (object.typeId() == QMetaType::QVariantMap)
        return object.toMap().value(key);
    if (const KeyValueCodingPtr nested = objectFromValue(object))
        return nested->valueForKey(key);
    return QVariant();
}

QVariant valueForKeyPath(const QVariant& object, const QString& keyPath)
{
    QVariant current = object;
    for (const QString& key : keyPath.split(u'.')) {
        current = valueForKey(current, key);
        if (!current.isValid())
            break;
    }
    return current;
}

QVariant valueForKeyPath(const QVariantMap& map, const QString& keyPath)
{
    return valueForKeyPath(QVariant(map), keyPath);
}

void setValueForKey(QVariantMap& map, const QVariant& value, const QString& key)
{
    if (value.isValid())
        map.insert(key, value);
    else
        map.remove(key);
}

void setValuesForKeysWithDictionary(QVariantMap& map, const QVariantMap& values)
{
    for (auto it = values.constBegin(); it != values.constEnd(); ++it)
        setValueForKey(map, it.value(), it.key());
}

bool isEqualValue(const QVariant& a, const QVariant& b)
{
    if (!a.isValid() || !b.isValid())
        return false;
    if (isNumberValue(a) || isNumberValue(b))
        return isNumberValue(a) && isNumberValue(b) && compareNumbers(a, b) == 0;
    if (isText(a) || isText(b))
        return isText(a) && isText(b) && a.toString() == b.toString();
    if (a.typeId() == QMetaType::QDateTime || b.typeId() == QMetaType::QDateTime)
        return a.typeId() == b.typeId() && a.toDateTime() == b.toDateTime();
    if (isList(a) || isList(b)) {
        if (!isList(a) || !isList(b))
            return false;
        const QVariantList x = a.toList();
        const QVariantList y = b.toList();
        if (x.size() != y.size())
            return false;
        for (qsizetype i = 0; i < x.size(); ++i)
            if (!elementsEqual(x.at(i), y.at(i)))
                return false;
        return true;
    }
    if (a.typeId() == QMetaType::QVariantMap || b.typeId() == QMetaType::QVariantMap) {
        if (a.typeId() != b.typeId())
            return false;
        const QVariantMap x = a.toMap();
        const QVariantMap y = b.toMap();
        if (x.size() != y.size())
            return false;
        for (auto it = x.constBegin(); it != x.constEnd(); ++it) {
            const auto other = y.constFind(it.key());
            if (other == y.constEnd() || !elementsEqual(it.value(), other.value()))
                return false;
        }
        return true;
    }
    const KeyValueCodingPtr x = objectFromValue(a);
    const KeyValueCodingPtr y = objectFromValue(b);
    if (x || y)
        return x == y;
    return a == b;
}

int compareValues(const QVariant& a, const QVariant& b)
{
    const int ra = rank(a);
    const int rb = rank(b);
    if (ra != rb)
        return ra < rb ? -1 : 1;
    switch (ra) {
    case 0:
        return 0;
    case 1:
        return compareNumbers(a, b);
    case 2: {
        const int c = a.toString().compare(b.toString());
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    case 3: {
        const QDateTime x = a.toDateTime();
        const QDateTime y = b.toDateTime();
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    default: {
        const int c = a.toString().compare(b.toString());
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    }
}

bool isNumberValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

} // namespace dw
