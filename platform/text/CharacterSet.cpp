#include "platform/text/CharacterSet.h"

#include <QChar>
#include <QList>
#include <algorithm>
#include <memory>

namespace dw {

CharacterSet::CharacterSet() : m_contains([](char32_t) { return false; }) {}

CharacterSet::CharacterSet(std::function<bool(char32_t)> contains) : m_contains(std::move(contains)) {}

CharacterSet CharacterSet::characters(const QString& characters)
{
    auto members = std::make_shared<QList<char32_t>>();
    forEachCodePoint(characters, [&](char32_t c, QStringView) { members->append(c); });
    std::sort(members->begin(), members->end());
    return CharacterSet([members](char32_t c) { return std::binary_search(members->cbegin(), members->cend(), c); });
}

CharacterSet CharacterSet::range(char32_t first, char32_t last)
{
    return CharacterSet([first, last](char32_t c) { return c >= first && c <= last; });
}

CharacterSet CharacterSet::controlCharacters()
{
    return CharacterSet([](char32_t c) {
        const QChar::Category category = QChar::category(c);
        return category == QChar::Other_Control || category == QChar::Other_Format;
    });
}

CharacterSet CharacterSet::fromPredicate(std::function<bool(char32_t)> contains)
{
    return CharacterSet(std::move(contains));
}

CharacterSet CharacterSet::inverted() const
{
    return CharacterSet([inner = m_contains](char32_t c) { return !inner(c); });
}

CharacterSet CharacterSet::unitedWith(const CharacterSet& other) const
{
    return CharacterSet([a = m_contains, b = other.m_contains](char32_t c) { return a(c) || b(c); });
}

void forEachCodePoint(const QString& text, const std::function<void(char32_t, QStringView)>& fn)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        const QChar unit = text.at(i);
        if (unit.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate()) {
            fn(QChar::surrogateToUcs4(unit, text.at(i + 1)), QStringView(text).mid(i, 2));
            i += 2;
        } else {
            fn(unit.unicode(), QStringView(text).mid(i, 1));
            ++i;
        }
    }
}

} // namespace dw
