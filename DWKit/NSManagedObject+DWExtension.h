#pragma once
// Sorting the objects of a relationship by one key, as the category and attribute stores do.
//
// Takes any container (a set as a to-many relationship holds it, or a list) of std::shared_ptr<T>
// where T implements dw::KeyValueCoding, of QVariantMap, or of QVariant holding either. Any thread,
// as long as nobody changes the objects meanwhile.
//
//     const auto conditions = dw::sortObjects(conditionSet->conditions(), QStringLiteral("index"));

#include "platform/core/KeyValueCoding.h"

#include <QList>
#include <algorithm>

namespace dw {

// A new list of all the objects, ascending by their value for `key` (dw::compareValues: nil
// first, numbers numerically, text literally); objects with equal values keep their order.
template<class Container>
QList<typename Container::value_type> sortObjects(const Container& objects, const QString& key)
{
    using Element = typename Container::value_type;
    QList<std::pair<QVariant, Element>> keyed;
    keyed.reserve(qsizetype(objects.size()));
    for (const auto& object : objects)
        keyed.append({valueForKey(object, key), object});
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return compareValues(a.first, b.first) < 0; });
    QList<Element> sorted;
    sorted.reserve(keyed.size());
    for (auto& entry : keyed)
        sorted.append(std::move(entry.second));
    return sorted;
}

} // namespace dw
