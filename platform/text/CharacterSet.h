#pragma once
// A set of Unicode characters for filtering text, the stand-in of the platform's character sets.
//
// Membership is tested per code point (a character outside the Basic Multilingual Plane counts
// as one character, never as two halves). Sets are cheap to copy and immutable. Any thread.
//
//     const auto digits = dw::CharacterSet::range(U'0', U'9');
//     dw::stringByRemovingEverythingExceptCharactersInSet(text, digits);

#include <QString>
#include <functional>

namespace dw {

class CharacterSet
{
public:
    // The empty set.
    CharacterSet();

    // Every character of `characters`.
    static CharacterSet characters(const QString& characters);
    // The code points `first` to `last`, both included.
    static CharacterSet range(char32_t first, char32_t last);
    // The control and format characters (Unicode general categories Cc and Cf).
    static CharacterSet controlCharacters();
    static CharacterSet fromPredicate(std::function<bool(char32_t)> contains);

    bool contains(char32_t codePoint) const { return m_contains(codePoint); }
    CharacterSet inverted() const;
    CharacterSet unitedWith(const CharacterSet& other) const;

private:
    explicit CharacterSet(std::function<bool(char32_t)> contains);
    std::function<bool(char32_t)> m_contains;
};

// Calls fn(codePoint, text.mid(position, length)) for each character of `text`, in order. A lone
// surrogate is handed over as a code point of its own.
void forEachCodePoint(const QString& text, const std::function<void(char32_t, QStringView)>& fn);

} // namespace dw
