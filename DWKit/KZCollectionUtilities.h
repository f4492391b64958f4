#pragma once
// Map, filter, find and fold over lists and sets with a function.
//
// Each function is called once per element in the container's order; list operations give
// lists, set operations give sets. Any thread, as long as nobody changes the container meanwhile.
//
//     const QStringList titles = dw::kz_map(items, [](const auto& item) { return item->title(); });
//     const auto total = dw::kz_reduce(fees, 0.0, [](double sum, const Fee& fee) { return sum + fee.amount; });

#include <QList>
#include <QSet>
#include <optional>
#include <type_traits>
#include <vector>

namespace dw {

template<class T, class F>
auto kz_map(const QList<T>& list, F&& fn)
{
    QList<std::decay_t<std::invoke_result_t<F&, const T&>>> result;
    result.reserve(list.size());
    for (const T& element : list)
        result.append(fn(element));
    return result;
}

template<class T, class F>
auto kz_map(const std::vector<T>& list, F&& fn)
{
    std::vector<std::decay_t<std::invoke_result_t<F&, const T&>>> result;
    result.reserve(list.size());
    for (const T& element : list)
        result.push_back(fn(element));
    return result;
}

template<class T, class F>
auto kz_map(const QSet<T>& set, F&& fn)
{
    QSet<std::decay_t<std::invoke_result_t<F&, const T&>>> result;
    result.reserve(set.size());
    for (const T& element : set)
        result.insert(fn(element));
    return result;
}

template<class T, class F>
QList<T> kz_select(const QList<T>& list, F&& fn)
{
    QList<T> result;
    for (const T& element : list)
        if (fn(element))
            result.append(element);
    return result;
}

template<class T, class F>
std::vector<T> kz_select(const std::vector<T>& list, F&& fn)
{
    std::vector<T> result;
    for (const T& element : list)
        if (fn(element))
            result.push_back(element);
    return result;
}

template<class T, class F>
QSet<T> kz_select(const QSet<T>& set, F&& fn)
{
    QSet<T> result;
    for (const T& element : set)
        if (fn(element))
            result.insert(element);
    return result;
}

// The first element for which fn answers true (the walk stops there); nullopt when none does.
template<class Container, class F>
std::optional<typename Container::value_type> kz_match(const Container& container, F&& fn)
{
    for (const auto& element : container)
        if (fn(element))
            return element;
    return std::nullopt;
}

// fn(accumulator, element) for each element, starting from `initial`; `initial` for an empty list.
template<class T, class Accumulator, class F>
Accumulator kz_reduce(const QList<T>& list, Accumulator initial, F&& fn)
{
    for (const T& element : list)
        initial = fn(std::move(initial), element);
    return initial;
}

template<class T, class Accumulator, class F>
Accumulator kz_reduce(const std::vector<T>& list, Accumulator initial, F&& fn)
{
    for (const T& element : list)
        initial = fn(std::move(initial), element);
    return initial;
}

} // namespace dw
