#include "description/MiscMerge/NSString+MiscAdditions.h"

#include "DWKit/NSString+DWExtensions.h"

#include <QTextBoundaryFinder>
#include <algorithm>

namespace dw {

namespace {

bool isWhitespace(QChar c)
{
    const char16_t u = c.unicode();
    return u == ' ' || u == '\t' || u == '\n' || u == '\r' || u == '\v' || u == '\f';
}

Qt::CaseSensitivity caseOf(MiscStringOptions options)
{
    return (options & MiscCaseInsensitiveSearch) ? Qt::CaseInsensitive : Qt::CaseSensitive;
}

// The range clipped to the text.
MiscTextRange clipped(const QString& text, MiscTextRange range)
{
    const qsizetype from = std::clamp<qsizetype>(range.location, 0, text.size());
    const qsizetype length = std::clamp<qsizetype>(range.length, 0, text.size() - from);
    return {from, length};
}

// Every match of `target` inside the range, forwards; overlapping matches with the option.
QList<MiscTextRange> forwardMatches(const QString& text, const QString& target, MiscStringOptions options,
                                    MiscTextRange range)
{
    QList<MiscTextRange> matches;
    if (target.isEmpty())
        return matches;
    const MiscTextRange within = clipped(text, range);
    const QStringView view = QStringView(text).mid(within.location, within.length);
    qsizetype from = 0;
    while (true) {
        const qsizetype found = view.indexOf(target, from, caseOf(options));
        if (found < 0)
            break;
        matches.append({within.location + found, target.size()});
        from = found + ((options & MiscOverlappingSearch) ? 1 : target.size());
    }
    return matches;
}

// Calls fn(start, length) for each composed character sequence of the text.
template<class Fn>
void forEachLetter(const QString& text, Fn fn)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    while (start < text.size()) {
        finder.setPosition(start);
        qsizetype end = finder.toNextBoundary();
        if (end <= start)
            end = text.size();
        if (!fn(start, end - start))
            return;
        start = end;
    }
}

bool startsWithSetCharacter(const QString& text, qsizetype position, const CharacterSet& set)
{
    const QChar c = text.at(position);
    if (c.isHighSurrogate() && position + 1 < text.size() && text.at(position + 1).isLowSurrogate())
        return set.contains(QChar::surrogateToUcs4(c, text.at(position + 1)));
    return set.contains(c.unicode());
}

// The code point at `position` and its length in code units.
std::pair<char32_t, qsizetype> codePointAt(const QString& text, qsizetype position)
{
    const QChar c = text.at(position);
    if (c.isHighSurrogate() && position + 1 < text.size() && text.at(position + 1).isLowSurrogate())
        return {QChar::surrogateToUcs4(c, text.at(position + 1)), 2};
    return {c.unicode(), 1};
}

} // namespace

const CharacterSet& miscWhitespaceSet()
{
    static const CharacterSet set = CharacterSet::characters(QStringLiteral(" \t\n\r\v\f"));
    return set;
}

MiscTextRange completeRange(const QString& text)
{
    return {0, text.size()};
}

QString stringByTrimmingLeadWhitespace(const QString& text)
{
    qsizetype from = 0;
    while (from < text.size() && isWhitespace(text.at(from)))
        ++from;
    return text.mid(from);
}

QString stringByTrimmingTailWhitespace(const QString& text)
{
    qsizetype to = text.size();
    while (to > 0 && isWhitespace(text.at(to - 1)))
        --to;
    return text.left(to);
}

QString stringByTrimmingWhitespace(const QString& text)
{
    return stringByTrimmingTailWhitespace(stringByTrimmingLeadWhitespace(text));
}

QString stringBySquashingWhitespace(const QString& text)
{
    return wordArray(text).join(u' ');
}

QString stringBySquashingWhitespace2(const QString& text)
{
    // One pass over the text instead of a list of words.
    QString squashed;
    squashed.reserve(text.size());
    bool pendingSpace = false;
    for (const QChar c : text) {
        if (isWhitespace(c)) {
            pendingSpace = !squashed.isEmpty();
            continue;
        }
        if (pendingSpace)
            squashed += u' ';
        pendingSpace = false;
        squashed += c;
    }
    return squashed;
}

QString firstLetter(const QString& text)
{
    return letterAtIndex(text, 0);
}

QString letterAtIndex(const QString& text, qsizetype index)
{
    QString letter;
    qsizetype current = 0;
    forEachLetter(text, [&](qsizetype start, qsizetype length) {
        if (current++ < index)
            return true;
        letter = text.mid(start, length);
        return false;
    });
    return letter;
}

qsizetype letterCount(const QString& text)
{
    qsizetype count = 0;
    forEachLetter(text, [&](qsizetype, qsizetype) {
        ++count;
        return true;
    });
    return count;
}

QStringList wordArray(const QString& text)
{
    QStringList words;
    qsizetype position = 0;
    while (position < text.size()) {
        while (position < text.size() && isWhitespace(text.at(position)))
            ++position;
        const qsizetype start = position;
        while (position < text.size() && !isWhitespace(text.at(position)))
            ++position;
        if (position > start)
            words.append(text.mid(start, position - start));
    }
    return words;
}

qsizetype wordCount(const QString& text)
{
    return wordArray(text).size();
}

QString wordNum(const QString& text, qsizetype index)
{
    const QStringList words = wordArray(text);
    return index >= 0 && index < words.size() ? words.at(index) : QString();
}

MiscWordEnumerator wordEnumerator(const QString& text)
{
    return MiscWordEnumerator(wordArray(text));
}

QString firstWord(const QString& text)
{
    const qsizetype space = text.indexOf(u' ');
    return space < 0 ? text : text.left(space);
}

QString miscStringByReplacingEveryOccurrenceOfString(const QString& text, const QString& target,
                                                     const QString& replacement, MiscStringOptions options)
{
    QString copy = text;
    replaceEveryOccurrenceOfString(copy, target, replacement, options);
    return copy;
}

QString stringByReplacingEverySeriesOfCharactersFromSet(const QString& text, const CharacterSet& set,
                                                        const QString& replacement)
{
    QString result;
    bool inSeries = false;
    for (qsizetype position = 0; position < text.size();) {
        const auto [codePoint, length] = codePointAt(text, position);
        if (set.contains(codePoint)) {
            if (!inSeries)
                result += replacement;
            inSeries = true;
        } else {
            result += QStringView(text).mid(position, length);
            inSeries = false;
        }
        position += length;
    }
    return result;
}

QString stringByReplacingEveryOccurrenceOfCharactersFromSet(const QString& text, const CharacterSet& set,
                                                            const QString& replacement)
{
    QString result;
    for (qsizetype position = 0; position < text.size();) {
        const auto [codePoint, length] = codePointAt(text, position);
        if (set.contains(codePoint))
            result += replacement;
        else
            result += QStringView(text).mid(position, length);
        position += length;
    }
    return result;
}

QString stringByReplacingEveryOccurrenceOfCharactersFromSet2(const QString& text, const CharacterSet& set,
                                                             const QString& replacement)
{
    QString result;
    forEachLetter(text, [&](qsizetype start, qsizetype length) {
        if (startsWithSetCharacter(text, start, set))
            result += replacement;
        else
            result += QStringView(text).mid(start, length);
        return true;
    });
    return result;
}

qsizetype numOfString(const QString& text, const QString& target, MiscStringOptions options)
{
    return numOfString(text, target, options, completeRange(text));
}

qsizetype numOfString(const QString& text, const QString& target, MiscStringOptions options, MiscTextRange range)
{
    return forwardMatches(text, target, options & ~MiscBackwardsSearch, range).size();
}

MiscTextRange rangeOfString(const QString& text, const QString& target, qsizetype occurrenceNum,
                            MiscStringOptions options)
{
    return rangeOfString(text, target, occurrenceNum, options, completeRange(text));
}

MiscTextRange rangeOfString(const QString& text, const QString& target, qsizetype occurrenceNum,
                            MiscStringOptions options, MiscTextRange range)
{
    if (occurrenceNum < 0 || target.isEmpty())
        return {};
    if (!(options & MiscBackwardsSearch)) {
        const QList<MiscTextRange> matches = forwardMatches(text, target, options, range);
        return occurrenceNum < matches.size() ? matches.at(occurrenceNum) : MiscTextRange();
    }
    // From the end: each search ends where the previous match began (or one character before its
    // end, overlapping).
    const MiscTextRange within = clipped(text, range);
    const QStringView view = QStringView(text).mid(within.location, within.length);
    qsizetype end = view.size();
    for (qsizetype count = 0; end >= target.size(); ++count) {
        const qsizetype found = view.left(end).lastIndexOf(target, -1, caseOf(options));
        if (found < 0)
            break;
        if (count == occurrenceNum)
            return {within.location + found, target.size()};
        end = (options & MiscOverlappingSearch) ? found + target.size() - 1 : found;
    }
    return {};
}

qsizetype numOfCharactersFromSet(const QString& text, const CharacterSet& set)
{
    return numOfCharactersFromSet(text, set, completeRange(text));
}

qsizetype numOfCharactersFromSet(const QString& text, const CharacterSet& set, MiscTextRange range)
{
    const MiscTextRange within = clipped(text, range);
    const QString part = text.mid(within.location, within.length);
    qsizetype count = 0;
    for (qsizetype position = 0; position < part.size();) {
        const auto [codePoint, length] = codePointAt(part, position);
        if (set.contains(codePoint))
            ++count;
        position += length;
    }
    return count;
}

QStringList componentsSeparatedByCharactersFromSet(const QString& text, const CharacterSet& set)
{
    QStringList parts;
    QString current;
    for (qsizetype position = 0; position < text.size();) {
        const auto [codePoint, length] = codePointAt(text, position);
        if (set.contains(codePoint)) {
            parts.append(current);
            current.clear();
        } else {
            current += QStringView(text).mid(position, length);
        }
        position += length;
    }
    parts.append(current);
    return parts;
}

QStringList componentsSeparatedBySeriesOfCharactersFromSet(const QString& text, const CharacterSet& set)
{
    QStringList parts;
    QString current;
    bool inSeries = false;
    for (qsizetype position = 0; position < text.size();) {
        const auto [codePoint, length] = codePointAt(text, position);
        if (set.contains(codePoint)) {
            if (!inSeries) {
                parts.append(current);
                current.clear();
            }
            inSeries = true;
        } else {
            current += QStringView(text).mid(position, length);
            inSeries = false;
        }
        position += length;
    }
    parts.append(current);
    return parts;
}

QString substringFromEndOfString(const QString& text, const QString& target)
{
    const qsizetype found = text.indexOf(target);
    return found < 0 ? QString() : text.mid(found + target.size());
}

QString substringToString(const QString& text, const QString& target)
{
    const qsizetype found = text.indexOf(target);
    return found < 0 ? QString() : text.left(found);
}

bool containsString(const QString& text, const QString& target, MiscStringOptions options)
{
    return !target.isEmpty() && text.contains(target, caseOf(options));
}

bool hasPrefix(const QString& text, const QString& prefix, MiscStringOptions options)
{
    return !prefix.isEmpty() && text.startsWith(prefix, caseOf(options));
}

bool hasSuffix(const QString& text, const QString& suffix, MiscStringOptions options)
{
    return !suffix.isEmpty() && text.endsWith(suffix, caseOf(options));
}

bool isBlank(const QString& text)
{
    return std::all_of(text.cbegin(), text.cend(), isWhitespace);
}

void replaceEveryOccurrenceOfString(QString& text, const QString& target, const QString& replacement,
                                    MiscStringOptions options)
{
    if (!(options & (MiscCaseInsensitiveSearch | MiscOverlappingSearch))) {
        replaceEveryOccurrenceOfString(text, target, replacement);
        return;
    }
    const QList<MiscTextRange> matches = forwardMatches(text, target, options, completeRange(text));
    if (matches.isEmpty())
        return;
    // Overlapping matches each give a replacement; the text they share is dropped once.
    QString result;
    qsizetype copied = 0;
    for (const MiscTextRange& match : matches) {
        if (match.location > copied)
            result += QStringView(text).mid(copied, match.location - copied);
        result += replacement;
        copied = std::max(copied, match.location + match.length);
    }
    result += QStringView(text).mid(copied);
    text = result;
}

void replaceEveryOccurrenceOfCharactersFromSet(QString& text, const CharacterSet& set, const QString& replacement)
{
    text = stringByReplacingEveryOccurrenceOfCharactersFromSet(text, set, replacement);
}

void replaceEverySeriesOfCharactersFromSet(QString& text, const CharacterSet& set, const QString& replacement)
{
    text = stringByReplacingEverySeriesOfCharactersFromSet(text, set, replacement);
}

void setStringValue(QString& text, const QString& value)
{
    text = value;
}

} // namespace dw
