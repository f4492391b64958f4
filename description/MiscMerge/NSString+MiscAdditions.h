#pragma once
// The template engine's text operations: trimming and squashing whitespace, words, letters
// (composed character sequences), counting and locating occurrences, splitting at characters of a
// set, and replacing every occurrence of a text, a character or a run of characters.
//
// Whitespace is space, tab, line feed, carriage return, vertical tab and form feed. Searches take
// MiscStringOptions: case-insensitive and literal take part in matching (texts are compared as
// they stand, code unit by code unit, so literal and non-literal searches agree), backwards
// chooses the direction of rangeOfString() and anchored is ignored. With MiscOverlappingSearch
// the next search starts one character after the start of the previous match instead of after
// its end.
//
//     dw::firstWord(QStringLiteral("include header.html"));              // "include"
//     dw::numOfString(QStringLiteral("a\nb\nc"), QStringLiteral("\n"));  // 2
//     dw::stringBySquashingWhitespace(QStringLiteral("  a \t b\n"));     // "a b"
//
// The plain in-place replacement, replaceEveryOccurrenceOfString(text, target, replacement), is
// the kit's (DWKit/NSString+DWExtensions.h); the form with options here does the same for no
// options. Pure functions of their arguments (the in-place forms change only their first
// argument); any thread.

#include "platform/text/CharacterSet.h"

#include <QString>
#include <QStringList>
#include <limits>

namespace dw {

enum MiscStringOption : unsigned {
    MiscCaseInsensitiveSearch = 1,
    MiscLiteralSearch = 2,
    MiscBackwardsSearch = 4,
    MiscAnchoredSearch = 8,
    MiscOverlappingSearch = 2048,
};
using MiscStringOptions = unsigned;

// A range of UTF-16 positions; not found is location kNotFound with length 0.
struct MiscTextRange
{
    static constexpr qsizetype kNotFound = std::numeric_limits<qsizetype>::max();
    qsizetype location = kNotFound;
    qsizetype length = 0;
    bool isNotFound() const { return location == kNotFound; }
    bool operator==(const MiscTextRange&) const = default;
};

// The words of a text one after the other; a null text after the last.
class MiscWordEnumerator
{
public:
    explicit MiscWordEnumerator(QStringList words) : m_words(std::move(words)) {}
    QString nextObject() { return m_next < m_words.size() ? m_words.at(m_next++) : QString(); }

private:
    QStringList m_words;
    qsizetype m_next = 0;
};

// The shared whitespace set.
const CharacterSet& miscWhitespaceSet();

MiscTextRange completeRange(const QString& text);

// An all-whitespace text gives the empty text.
QString stringByTrimmingLeadWhitespace(const QString& text);
QString stringByTrimmingTailWhitespace(const QString& text);
QString stringByTrimmingWhitespace(const QString& text);
// The words joined by single spaces.
QString stringBySquashingWhitespace(const QString& text);
QString stringBySquashingWhitespace2(const QString& text);

// Composed character sequences: the first one, one at an index (null past the last), their number.
QString firstLetter(const QString& text);
QString letterAtIndex(const QString& text, qsizetype index);
qsizetype letterCount(const QString& text);

// The whitespace-separated words; their number; the word at a position counted from 0 (null past
// the last); an enumerator over them.
QStringList wordArray(const QString& text);
qsizetype wordCount(const QString& text);
QString wordNum(const QString& text, qsizetype index);
MiscWordEnumerator wordEnumerator(const QString& text);
// The text up to the first space, or the whole text.
QString firstWord(const QString& text);

// A new text with every occurrence of `target` replaced (an empty target replaces nothing).
QString miscStringByReplacingEveryOccurrenceOfString(const QString& text, const QString& target,
                                                     const QString& replacement, MiscStringOptions options = 0);
// Each run of characters from the set replaced by one copy of the replacement.
QString stringByReplacingEverySeriesOfCharactersFromSet(const QString& text, const CharacterSet& set,
                                                        const QString& replacement);
// Each character from the set replaced by one copy; the second form takes composed character
// sequences as the characters (a sequence whose first character is in the set is replaced whole).
QString stringByReplacingEveryOccurrenceOfCharactersFromSet(const QString& text, const CharacterSet& set,
                                                            const QString& replacement);
QString stringByReplacingEveryOccurrenceOfCharactersFromSet2(const QString& text, const CharacterSet& set,
                                                             const QString& replacement);

// The number of occurrences in the text or in a range of it, searching forwards (the range is
// clipped to the text).
qsizetype numOfString(const QString& text, const QString& target, MiscStringOptions options = 0);
qsizetype numOfString(const QString& text, const QString& target, MiscStringOptions options, MiscTextRange range);
// The occurrence with the given number counted from 0, in the search direction of the options.
MiscTextRange rangeOfString(const QString& text, const QString& target, qsizetype occurrenceNum,
                            MiscStringOptions options = 0);
MiscTextRange rangeOfString(const QString& text, const QString& target, qsizetype occurrenceNum,
                            MiscStringOptions options, MiscTextRange range);

qsizetype numOfCharactersFromSet(const QString& text, const CharacterSet& set);
qsizetype numOfCharactersFromSet(const QString& text, const CharacterSet& set, MiscTextRange range);

// The parts between single separator characters (empty parts stay).
QStringList componentsSeparatedByCharactersFromSet(const QString& text, const CharacterSet& set);
// The parts between runs of separator characters; a leading or trailing run gives an empty first
// or last part.
QStringList componentsSeparatedBySeriesOfCharactersFromSet(const QString& text, const CharacterSet& set);

// The text after, or before, the first occurrence of `target`; null when it does not occur.
QString substringFromEndOfString(const QString& text, const QString& target);
QString substringToString(const QString& text, const QString& target);

bool containsString(const QString& text, const QString& target, MiscStringOptions options = 0);
bool hasPrefix(const QString& text, const QString& prefix, MiscStringOptions options);
bool hasSuffix(const QString& text, const QString& suffix, MiscStringOptions options);
// No character outside the whitespace set.
bool isBlank(const QString& text);

// The same replacements in place.
void replaceEveryOccurrenceOfString(QString& text, const QString& target, const QString& replacement,
                                    MiscStringOptions options);
void replaceEveryOccurrenceOfCharactersFromSet(QString& text, const CharacterSet& set, const QString& replacement);
void replaceEverySeriesOfCharactersFromSet(QString& text, const CharacterSet& set, const QString& replacement);
void setStringValue(QString& text, const QString& value);

} // namespace dw
