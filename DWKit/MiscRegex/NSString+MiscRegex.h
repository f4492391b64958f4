#pragma once
// String operations by regular expression: count, locate the n-th match (from the front or from
// the back), take a match apart into pieces, list all matches, split, and replace one or every
// match, with an optional replacement template.
//
// Patterns follow the engine of DWKit/MiscRegex/regexpr.h under its current syntax. Positions and
// ranges are byte offsets into the UTF-8 form of the text; they equal character indexes only for
// ASCII text. Texts taken out at byte offsets are decoded leniently: a piece that cuts a
// character gets U+FFFD in its place, never a null text.
//
// Every operation takes the pattern as a text, compiled for the call, or as a pattern compiled
// once with MiscNewRegexStruct() and reused:
//
//     qsizetype n = dw::numOfRegex(text, "a*");
//     dw::MiscRegexRange last = dw::rangeOfRegex(text, "[0-9]+", {.flags = dw::MiscRegexFromEnd});
//     auto words = dw::MiscNewRegexStruct("\\w+", dw::MiscRegexFastmap);
//     QStringList parts = dw::componentsSeparatedByRegex(text, *words);
//
// Failures raise dw::NamedException named MiscRegexException: a null pattern, a malformed pattern
// (the engine's error text in the reason) and an engine error while searching (the failure stack
// ran out). Ranges outside the text break a precondition (DW_ASSERT).
//
// Threads: any thread. A compiled pattern is only read, so it may be shared between threads.

#include "DWKit/MiscRegex/regexpr.h"

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <limits>
#include <memory>

namespace dw {

// Option bits.
enum MiscRegexOption : unsigned {
    MiscRegexCaseless = 1,    // compiling: A-Z match a-z
    MiscRegexFromEnd = 4,     // occurrence numbers count from the last match (0 = last)
    MiscRegexAnchored = 8,    // the match counts only at the range start (with FromEnd: ending at the range end)
    MiscRegexFastmap = 4096,  // compiling: give the pattern a first-byte map
    MiscRegexTemplate = 8192, // the replacement is a template: & $0..$9 $& $$
};

inline const QString MiscRegexException = QStringLiteral("MiscRegexException");

// Keys of grep(): the values are texts, MiscRegexRange values, a QStringList (substrings) and a
// QList<MiscRegexRange> (subranges).
inline const QString MiscBeforePiece = QStringLiteral("MiscBeforePiece");
inline const QString MiscMiddlePiece = QStringLiteral("MiscMiddlePiece");
inline const QString MiscAfterPiece = QStringLiteral("MiscAfterPiece");
inline const QString MiscBeforeRangePiece = QStringLiteral("MiscBeforeRangePiece");
inline const QString MiscMiddleRangePiece = QStringLiteral("MiscMiddleRangePiece");
inline const QString MiscAfterRangePiece = QStringLiteral("MiscAfterRangePiece");
inline const QString MiscSubstringsPiece = QStringLiteral("MiscSubstringsPiece");
inline const QString MiscSubrangesPiece = QStringLiteral("MiscSubrangesPiece");

// A byte range of the UTF-8 text; the not-found range has location kNotFound and length 0.
struct MiscRegexRange
{
    static constexpr qsizetype kNotFound = std::numeric_limits<qsizetype>::max();

    qsizetype location = kNotFound;
    qsizetype length = 0;

    bool isNotFound() const { return location == kNotFound; }
    qsizetype end() const { return location + length; }
    friend bool operator==(const MiscRegexRange&, const MiscRegexRange&) = default;
};

// What an operation does besides its pattern. Each operation reads only the fields it names.
struct MiscRegexOptions
{
    unsigned flags = 0;                                 // MiscRegexOption bits
    int occurrenceNum = 0;                              // which match, from 0
    std::optional<MiscRegexRange> range = std::nullopt; // the part of the text searched; the whole text when unset
};

// Compiles `pattern` (its UTF-8 bytes) under the engine's current syntax, with a translation
// table (folding A-Z with MiscRegexCaseless) and, with MiscRegexFastmap, a first-byte map.
// Raises MiscRegexException for a null or malformed pattern.
std::unique_ptr<re_pattern_buffer> MiscNewRegexStruct(const QString& pattern, unsigned flags = 0);

// The pattern argument of the operations: a text compiled for one call (with the compiling bits
// of the call's flags), or a compiled pattern that the caller keeps alive over the call.
class MiscRegexPattern
{
public:
    MiscRegexPattern(const QString& pattern) : m_text(pattern) {}
    MiscRegexPattern(const char* pattern) : m_text(QString::fromUtf8(pattern)) {}
    MiscRegexPattern(const re_pattern_buffer& compiled) : m_compiled(&compiled) {}

    const QString& text() const { return m_text; }
    const re_pattern_buffer* compiled() const { return m_compiled; }

private:
    QString m_text;
    const re_pattern_buffer* m_compiled = nullptr;
};

// Number of matches inside options.range (flags only compile the pattern). Matches are taken
// left to right, each search starting where the last match ended; an empty match right where the
// previous one ended is not counted.
qsizetype numOfRegex(const QString& text, const MiscRegexPattern& pattern, const MiscRegexOptions& options = {});

// The range of match number options.occurrenceNum inside options.range (MiscRegexFromEnd,
// MiscRegexAnchored apply), or the not-found range.
MiscRegexRange rangeOfRegex(const QString& text, const MiscRegexPattern& pattern, const MiscRegexOptions& options = {});

bool containsRegex(const QString& text, const QString& pattern);

// Takes the chosen match of the whole text apart (flags and occurrenceNum apply): a map from each
// requested piece key to its value; keys that name no piece get no entry.
QVariantMap grep(const QString& text, const MiscRegexPattern& pattern, const QStringList& pieces,
                 const MiscRegexOptions& options = {});
QVariant grep(const QString& text, const MiscRegexPattern& pattern, const QString& piece,
              const MiscRegexOptions& options = {});

// The text with the chosen match replaced (as rangeOfRegex chooses it), or `text` itself.
QString stringByReplacingRegex(const QString& text, const MiscRegexPattern& pattern, const QString& replacement,
                               const MiscRegexOptions& options = {});

// The text with every match inside options.range replaced; text outside the range is kept.
QString stringByReplacingEveryOccurrenceOfRegex(const QString& text, const MiscRegexPattern& pattern,
                                                const QString& replacement, const MiscRegexOptions& options = {});

// All matches of the whole text (flags only compile the pattern): their ranges, their texts, and
// the texts between them (always one more than the matches).
QList<MiscRegexRange> rangesMatchedByRegex(const QString& text, const MiscRegexPattern& pattern,
                                           const MiscRegexOptions& options = {});
QStringList stringsMatchedByRegex(const QString& text, const MiscRegexPattern& pattern,
                                  const MiscRegexOptions& options = {});
QStringList componentsSeparatedByRegex(const QString& text, const MiscRegexPattern& pattern,
                                       const MiscRegexOptions& options = {});

// Whether `pattern` compiles and runs (on a probe text) without raising MiscRegexException.
bool isValidRegex(const QString& pattern);

} // namespace dw

Q_DECLARE_METATYPE(dw::MiscRegexRange)
