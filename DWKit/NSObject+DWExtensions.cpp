#include "DWKit/NSObject+DWExtensions.h"

namespace dw {

namespace {

bool differs(const QVariant& current, const QVariant& value)
{
    if (!current.isValid() && !value.isValid())
        return false;
    return !isEqualValue(value, current);
}

template<class Lookup>
QVariantList valuesFor(const Lookup& lookup, const QStringList& keys, const QVariant& undefinedMarker)
{
    QVariantList values;
    values.reserve(keys.size());
    for (const QString& key : keys) {
        const QVariant value = lookup(key);
        values.append(value.isValid() ? value : undefinedMarker);
    }
    return values;
}

} // namespace

void changeValue(KeyValueCoding& object, const QVariant& value, const QString& key, bool* wasChanged)
{
    if (!differs(object.valueForKey(key), value))
        return;
    object.setValueForKey(value, key);
    if (wasChanged)
        *wasChanged = true;
}

void changeValue(QVariantMap& object, const QVariant& value, const QString& key, bool* wasChanged)
{
    if (!differs(object.value(key), value))
        return;
    setValueForKey(object, value, key);
    if (wasChanged)
        *wasChanged = true;
}

QVariantList valuesForKeysInArray(const KeyValueCoding& object, const QStringList& keys,
                                  const QVariant& undefinedMarker)
{
    return valuesFor([&](const QString& key) { return object.valueForKey(key); }, keys, undefinedMarker);
}

QVariantList valuesForKeysInArray(const QVariantMap& object, const QStringList& keys, const QVariant& undefinedMarker)
{
    return valuesFor([&](const QString& key) { return object.value(key); }, keys, undefinedMarker);
}

QVariantList valuesForKeyPathsInArray(const KeyValueCoding& object, const QStringList& keys,
                                      const QVariant& undefinedMarker)
{
    return valuesForKeysInArray(object, keys, undefinedMarker);
}

QVariantList valuesForKeyPathsInArray(const QVariantMap& object, const QStringList& keys,
                                      const QVariant& undefinedMarker)
{
    return valuesForKeysInArray(object, keys, undefinedMarker);
}

} // namespace dw
