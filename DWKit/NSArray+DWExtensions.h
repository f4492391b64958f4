#pragma once
// Searching, comparing and sorting lists of model data by key-value lookup.
//
// The list templates take any list (QList, std::vector) of QVariantMap, of std::shared_ptr<T>
// where T implements dw::KeyValueCoding, or of QVariant holding either. A value is read with
// dw::valueForKey; an element without the key counts as nil, and nil equals nothing
// (dw::isEqualValue). They never change the list; any thread, as long as nobody changes the list
// or its elements meanwhile.
//
//     auto site = dw::firstObjectWithValueForKey(sites, QStringLiteral("siteID"), 77);  // nullptr when none
//     if (dw::allObjectsHaveEqualValuesForKeys(items, {QStringLiteral("primaryCategory.categoryID")})) ...

#include "platform/core/KeyValueCoding.h"

#include <QStringList>
#include <QVariantList>
#include <algorithm>
#include <type_traits>

namespace dw {

inline constexpr qsizetype kNotFound = -1;

// Sorted by dw::compareByLocalizedStringValue.
QStringList sortedArrayByLocalizedStringValue(const QStringList& texts);
// Each text localized from `table` (nullptr: the default table; a text without an entry stays),
// joined with `separator`.
QString localizedComponentsFromTable(const QStringList& texts, const char* table, const QString& separator);
QString localizedComponentsJoinedByString(const QStringList& texts, const QString& separator);
// Sorted ascending by the integer value of each element (dw::intValue), equal values keeping
// their order: "10", "9", "100" gives "9", "10", "100".
QStringList sortedArrayByIntValue(const QStringList& texts);
QVariantList sortedArrayByIntValue(const QVariantList& values);

namespace detail {

// Element identity as the platform's isEqual: sees it: values by value, objects by identity.
template<class Element>
bool elementsEqual(const Element& a, const Element& b)
{
    if constexpr (std::is_same_v<Element, QVariant>)
        return isEqualValue(a, b);
    else if constexpr (std::is_same_v<Element, QVariantMap>)
        return isEqualValue(QVariant(a), QVariant(b));
    else
        return a == b;
}

inline void setValuesForKeys(QVariantMap& element, const QVariantMap& values)
{
    setValuesForKeysWithDictionary(element, values);
}

inline void setValuesForKeys(QVariant& element, const QVariantMap& values)
{
    if (element.typeId() == QMetaType::QVariantMap) {
        QVariantMap map = element.toMap();
        setValuesForKeysWithDictionary(map, values);
        element = map;
    } else if (const KeyValueCodingPtr object = objectFromValue(element)) {
        object->setValuesForKeysWithDictionary(values);
    }
}

template<class T>
void setValuesForKeys(const std::shared_ptr<T>& element, const QVariantMap& values)
{
    if (element)
        element->setValuesForKeysWithDictionary(values);
}

} // namespace detail

// Every element whose value for `key` equals `value`, in list order.
template<class List>
List objectsWithValueForKey(const List& objects, const QString& key, const QVariant& value)
{
    List found;
    for (const auto& object : objects)
        if (isEqualValue(valueForKey(object, key), value))
            found.push_back(object);
    return found;
}

// The index of the first element whose value for `key` equals `value`, or kNotFound.
template<class List>
qsizetype indexOfFirstObjectWithValueForKey(const List& objects, const QString& key, const QVariant& value)
{
    qsizetype index = 0;
    for (const auto& object : objects) {
        if (isEqualValue(valueForKey(object, key), value))
            return index;
        ++index;
    }
    return kNotFound;
}

// The first element whose value for `key` equals `value`; a default element (nullptr, an empty
// map, nil) when none does. A found element always holds the key, so that answer is unambiguous.
template<class List>
typename List::value_type firstObjectWithValueForKey(const List& objects, const QString& key, const QVariant& value)
{
    for (const auto& object : objects)
        if (isEqualValue(valueForKey(object, key), value))
            return object;
    return typename List::value_type();
}

template<class List>
typename List::value_type firstObjectWithValueForKeyPath(const List& objects, const QString& keyPath,
                                                         const QVariant& value)
{
    for (const auto& object : objects)
        if (isEqualValue(valueForKeyPath(object, keyPath), value))
            return object;
    return typename List::value_type();
}

// The last such element, searching from the end.
template<class List>
typename List::value_type lastObjectWithValueForKey(const List& objects, const QString& key, const QVariant& value)
{
    for (auto it = objects.crbegin(); it != objects.crend(); ++it)
        if (isEqualValue(valueForKey(*it, key), value))
            return *it;
    return typename List::value_type();
}

// Each element's value for `key` in list order, nil values left out; a list value stays one element.
template<class List>
QVariantList arrayByMergingObjectValuesForKey(const List& objects, const QString& key)
{
    QVariantList values;
    for (const auto& object : objects) {
        QVariant value = valueForKey(object, key);
        if (value.isValid())
            values.append(std::move(value));
    }
    return values;
}

// True when every element of `other` is in `objects` (an empty `other` gives true).
template<class List>
bool containsAllObjectsFromArray(const List& objects, const List& other)
{
    return std::all_of(other.begin(), other.end(), [&](const auto& wanted) {
        return std::any_of(objects.begin(), objects.end(),
                           [&](const auto& object) { return detail::elementsEqual(object, wanted); });
    });
}

// Sets every entry of `values` on every element (maps take the entries, objects their setters).
template<class List>
void setObjectValuesForKeysWithDictionary(List& objects, const QVariantMap& values)
{
    for (auto& object : objects)
        detail::setValuesForKeys(object, values);
}

// True when, for every key path, every element has the first element's value; two nil values
// count as equal here. An empty list gives true.
template<class List>
bool allObjectsHaveEqualValuesForKeys(const List& objects, const QStringList& keyPaths)
{
    if (objects.begin() == objects.end())
        return true;
    for (const QString& keyPath : keyPaths) {
        const QVariant first = valueForKeyPath(*objects.begin(), keyPath);
        for (const auto& object : objects) {
            const QVariant value = valueForKeyPath(object, keyPath);
            if (first.isValid() != value.isValid())
                return false;
            if (first.isValid() && !isEqualValue(first, value))
                return false;
        }
    }
    return true;
}

} // namespace dw
