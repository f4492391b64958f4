#pragma once
// Key-value coding: reading and writing an object's values by key name, and comparing such values.
//
// Model objects implement KeyValueCoding from their field table; a plain dictionary (QVariantMap)
// answers its entries. A nested object travels inside a QVariant as a KeyValueCodingPtr
// (dw::objectValue), so that key paths ("shippingOptions.insuranceFee") walk through objects and
// maps alike. nil is an invalid QVariant: a key that an object does not have reads as nil.
//
//     QVariant site = dw::valueForKeyPath(QVariant(record), QStringLiteral("site.siteID"));
//     if (dw::isEqualValue(site, 77)) ...
//
// The free functions are pure and may run on any thread; whether an object's own valueForKey()
// may run off the main thread is that object's business.

#include <QMetaType>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <memory>
#include <type_traits>

namespace dw {

class KeyValueCoding
{
public:
    virtual ~KeyValueCoding() = default;

    // The value for `key`; nil for a key the object does not have.
    virtual QVariant valueForKey(const QString& key) const = 0;
    // Sets the value for `key`; false (and nothing changed) for a key the object does not have.
    virtual bool setValueForKey(const QVariant& value, const QString& key) = 0;

    // Follows a "."-separated path: each step reads the key of the object or map reached so far.
    QVariant valueForKeyPath(const QString& keyPath) const;
    // setValueForKey() for every entry, in key order.
    void setValuesForKeysWithDictionary(const QVariantMap& values);
};

using KeyValueCodingPtr = std::shared_ptr<KeyValueCoding>;

// A nested object as a value, and back (nullptr when the value holds no such object).
QVariant objectValue(const KeyValueCodingPtr& object);
KeyValueCodingPtr objectFromValue(const QVariant& value);

// The value for a key of whatever `object` holds: a map's entry, a nested object's value; nil for
// anything else (an element that does not answer key-value lookup counts as nil).
QVariant valueForKey(const QVariant& object, const QString& key);
QVariant valueForKeyPath(const QVariant& object, const QString& keyPath);

// The same lookups on the element types that collections of model data hold: maps and objects.
inline QVariant valueForKey(const QVariantMap& map, const QString& key)
{
    return map.value(key);
}
QVariant valueForKeyPath(const QVariantMap& map, const QString& keyPath);

template<class T>
requires std::is_base_of_v<KeyValueCoding, T> QVariant valueForKey(const std::shared_ptr<T>& object, const QString& key)
{
    return object ? object->valueForKey(key) : QVariant();
}

template<class T>
requires std::is_base_of_v<KeyValueCoding, T> QVariant valueForKeyPath(const std::shared_ptr<T>& object,
                                                                       const QString& keyPath)
{
    return object ? object->valueForKeyPath(keyPath) : QVariant();
}

// Setting values: a map takes the entry (nil removes it), an object its setValueForKey().
void setValueForKey(QVariantMap& map, const QVariant& value, const QString& key);
void setValuesForKeysWithDictionary(QVariantMap& map, const QVariantMap& values);

// True for the values an NSNumber holds: integers of any width, reals and booleans.
bool isNumberValue(const QVariant& value);

// Object equality as the model understands it: numbers (booleans included) compare numerically
// whatever their type, text as text, dates as instants, lists and maps element by element,
// nested objects by identity. nil equals nothing, not even nil.
bool isEqualValue(const QVariant& a, const QVariant& b);

// An ascending order for sorting by a value: nil first, then numbers (numerically), text
// (literal comparison), dates; values of other kinds after those, by their text. Returns <0, 0, >0.
int compareValues(const QVariant& a, const QVariant& b);

} // namespace dw

Q_DECLARE_METATYPE(dw::KeyValueCodingPtr)
