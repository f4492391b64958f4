#include "DWKit/MiscRegex/NSString+MiscRegex.h"

#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"

#include <climits>

namespace dw {

namespace {

[[noreturn]] void raiseRegexException(const QString& reason)
{
    throw NamedException(MiscRegexException, reason);
}

// The compiled pattern of one call: the caller's, or one compiled for the call and freed with it
// (also when the call raises).
class CallPattern
{
public:
    CallPattern(const MiscRegexPattern& pattern, unsigned flags)
    {
        if (pattern.compiled()) {
            m_pattern = pattern.compiled();
        } else {
            m_owned = MiscNewRegexStruct(pattern.text(), flags);
            m_pattern = m_owned.get();
        }
    }
    const re_pattern_buffer& operator*() const { return *m_pattern; }

private:
    std::unique_ptr<re_pattern_buffer> m_owned;
    const re_pattern_buffer* m_pattern = nullptr;
};

// The UTF-8 form of the text that the engine searches, and texts taken out of it.
class Utf8Text
{
public:
    explicit Utf8Text(const QString& text) : m_bytes(text.toUtf8())
    {
        DW_ASSERT(m_bytes.size() <= INT_MAX, "Text too long for the regular-expression engine");
    }

    int size() const { return int(m_bytes.size()); }
    std::string_view upTo(int end) const { return std::string_view(m_bytes.constData(), size_t(end)); }
    MiscRegexRange whole() const { return MiscRegexRange{0, m_bytes.size()}; }

    MiscRegexRange rangeOf(const MiscRegexOptions& options) const
    {
        if (!options.range)
            return whole();
        const MiscRegexRange range = *options.range;
        DW_PARAMETER_ASSERT(range.location >= 0 && range.length >= 0 && range.location <= m_bytes.size() &&
                            range.length <= m_bytes.size() - range.location);
        return range;
    }

    // The bytes [from, to) as text. A piece that starts or ends inside a character decodes that
    // character's bytes as U+FFFD instead of failing: callers always get a text.
    QString text(qsizetype from, qsizetype to) const
    {
        QString result = QString::fromUtf8(m_bytes.constData() + from, to - from);
        if (result.isNull())
            result = QLatin1String("");
        return result;
    }

    QString registerText(const re_match_registers& registers, int r) const
    {
        if (registers.start[r] < 0 || registers.end[r] < 0)
            return QLatin1String("");
        return text(registers.start[r], registers.end[r]);
    }

private:
    QByteArray m_bytes;
};

// Calls visit(registers) for each match inside the range, left to right, until it answers false.
// Each search starts where the last match ended, one byte further after an empty match; an empty
// match right where the previous match ended is passed over. Answers false when the engine ran
// out of failure points.
template<class Visit>
bool walkMatches(const re_pattern_buffer& pattern, const Utf8Text& text, MiscRegexRange range, Visit visit)
{
    const int rangeStart = int(range.location);
    const int rangeEnd = int(range.end());
    const std::string_view searched = text.upTo(rangeEnd);
    int position = rangeStart;
    int previousEnd = -1;
    re_match_registers registers;
    while (position <= rangeEnd) {
        const int at = re_search_pattern(pattern, searched, position, rangeEnd - position, &registers);
        if (at == -2)
            return false;
        if (at < 0)
            break;
        const int end = registers.end[0];
        if (end == at && at == previousEnd) {
            position = at + 1;
            continue;
        }
        if (!visit(registers))
            break;
        previousEnd = end;
        position = end == at ? end + 1 : end;
    }
    return true;
}

qsizetype countMatches(const re_pattern_buffer& pattern, const Utf8Text& text, MiscRegexRange range)
{
    qsizetype count = 0;
    if (!walkMatches(pattern, text, range, [&](const re_match_registers&) { return ++count, true; }))
        raiseRegexException(QStringLiteral("Error during regex search"));
    return count;
}

// The occurrence search: finds the chosen match inside the range and leaves it in `chosen`.
bool findMatch(const re_pattern_buffer& pattern, const Utf8Text& text, unsigned flags, MiscRegexRange range,
               int occurrence, re_match_registers& chosen)
{
    const bool fromEnd = flags & MiscRegexFromEnd;
    const qsizetype wanted = fromEnd ? countMatches(pattern, text, range) - 1 - occurrence : occurrence;
    if (wanted < 0)
        return false;
    qsizetype index = 0;
    bool found = false;
    const bool completed = walkMatches(pattern, text, range, [&](const re_match_registers& registers) {
        if (index++ < wanted)
            return true;
        chosen = registers;
        found = true;
        return false;
    });
    if (!completed)
        raiseRegexException(QStringLiteral("Error while searching"));
    if (!found)
        return false;
    if (flags & MiscRegexAnchored)
        return fromEnd ? chosen.end[0] == range.end() : chosen.start[0] == range.location;
    return true;
}

MiscRegexRange matchRange(const re_match_registers& registers, int r)
{
    if (registers.start[r] < 0 || registers.end[r] < 0)
        return MiscRegexRange{};
    return MiscRegexRange{registers.start[r], registers.end[r] - registers.start[r]};
}

// Without MiscRegexTemplate the replacement is used as it stands. A template inserts the whole
// match for `&` and register n for `$n`; `$&` and `$$` stand for `&` and `$`.
QString processedStringFor(const QString& replacement, const Utf8Text& text, const re_match_registers& registers,
                           unsigned flags)
{
    if (!(flags & MiscRegexTemplate))
        return replacement;
    QString result;
    const qsizetype size = replacement.size();
    for (qsizetype i = 0; i < size;) {
        const QChar c = replacement.at(i);
        if (c == u'&') {
            result += text.registerText(registers, 0);
            ++i;
            continue;
        }
        if (c != u'$' || i + 1 == size) {
            result += c;
            ++i;
            continue;
        }
        char32_t next = replacement.at(i + 1).unicode();
        qsizetype nextLength = 1;
        if (QChar::isHighSurrogate(next) && i + 2 < size && replacement.at(i + 2).isLowSurrogate()) {
            next = QChar::surrogateToUcs4(replacement.at(i + 1), replacement.at(i + 2));
            nextLength = 2;
        }
        if (next >= '0' && next <= '9') {
            result += text.registerText(registers, int(next - '0'));
            i += 1 + nextLength;
        } else if (QChar::isDigit(next)) {
            i += 1 + nextLength; // a digit of another script names no register
        } else if (next == '&' || next == '$') {
            result += QChar(char16_t(next));
            i += 2;
        } else {
            result += u'$';
            ++i; // the next character is read on its own
        }
    }
    return result;
}

QString replacedMatch(const Utf8Text& text, const re_match_registers& registers, const QString& replacement,
                      unsigned flags)
{
    return dw::format("%@%@%@", text.text(0, registers.start[0]),
                      processedStringFor(replacement, text, registers, flags),
                      text.text(registers.end[0], text.size()));
}

} // namespace

std::unique_ptr<re_pattern_buffer> MiscNewRegexStruct(const QString& pattern, unsigned flags)
{
    if (pattern.isNull())
        raiseRegexException(QStringLiteral("MiscNewRegexStruct(): nil regex string"));
    auto buffer = std::make_unique<re_pattern_buffer>();
    auto& translation = buffer->translation.emplace();
    for (int b = 0; b < 256; ++b)
        translation[b] = static_cast<unsigned char>(b);
    if (flags & MiscRegexCaseless)
        for (int b = 'A'; b <= 'Z'; ++b)
            translation[b] = static_cast<unsigned char>(b - 'A' + 'a');
    if (flags & MiscRegexFastmap)
        buffer->fastmap.emplace();
    const QByteArray bytes = pattern.toUtf8();
    if (const char* error = re_compile_pattern(std::string_view(bytes.constData(), size_t(bytes.size())), *buffer))
        raiseRegexException(dw::format("MiscNewRegexStruct(): Malformed regular expression '%@': %s", pattern, error));
    return buffer;
}

qsizetype numOfRegex(const QString& text, const MiscRegexPattern& pattern, const MiscRegexOptions& options)
{
    const CallPattern compiled(pattern, options.flags);
    const Utf8Text utf8(text);
    return countMatches(*compiled, utf8, utf8.rangeOf(options));
}

MiscRegexRange rangeOfRegex(const QString& text, const MiscRegexPattern& pattern, const MiscRegexOptions& options)
{
    const CallPattern compiled(pattern, options.flags);
    const Utf8Text utf8(text);
    re_match_registers registers;
    if (!findMatch(*compiled, utf8, options.flags, utf8.rangeOf(options), options.occurrenceNum, registers))
        return MiscRegexRange{};
    return matchRange(registers, 0);
}

bool containsRegex(const QString& text, const QString& pattern)
{
    return !rangeOfRegex(text, pattern).isNotFound();
}

QVariantMap grep(const QString& text, const MiscRegexPattern& pattern, const QStringList& pieces,
                 const MiscRegexOptions& options)
{
    const CallPattern compiled(pattern, options.flags);
    const Utf8Text utf8(text);
    re_match_registers registers;
    const bool found = findMatch(*compiled, utf8, options.flags, utf8.whole(), options.occurrenceNum, registers);
    const int start = found ? registers.start[0] : 0;
    const int end = found ? registers.end[0] : 0;
    int highestRegister = -1;
    for (int r = 0; found && r < 10; ++r)
        if (registers.start[r] >= 0 && registers.end[r] >= 0)
            highestRegister = r;

    QVariantMap result;
    for (const QString& key : pieces) {
        if (key == MiscBeforePiece) {
            result.insert(key, found ? utf8.text(0, start) : text);
        } else if (key == MiscMiddlePiece) {
            result.insert(key, found ? utf8.text(start, end) : QLatin1String(""));
        } else if (key == MiscAfterPiece) {
            result.insert(key, found ? utf8.text(end, utf8.size()) : QLatin1String(""));
        } else if (key == MiscBeforeRangePiece) {
            result.insert(key, QVariant::fromValue(found ? MiscRegexRange{0, start} : utf8.whole()));
        } else if (key == MiscMiddleRangePiece) {
            result.insert(key, QVariant::fromValue(found ? matchRange(registers, 0) : MiscRegexRange{}));
        } else if (key == MiscAfterRangePiece) {
            result.insert(key, QVariant::fromValue(found ? MiscRegexRange{end, utf8.size() - end} : MiscRegexRange{}));
        } else if (key == MiscSubstringsPiece) {
            QStringList substrings;
            for (int r = 0; r <= highestRegister; ++r)
                substrings.append(utf8.registerText(registers, r));
            result.insert(key, substrings);
        } else if (key == MiscSubrangesPiece) {
            QList<MiscRegexRange> subranges;
            for (int r = 0; r <= highestRegister; ++r)
                subranges.append(matchRange(registers, r));
            result.insert(key, QVariant::fromValue(subranges));
        }
    }
    return result;
}

QVariant grep(const QString& text, const MiscRegexPattern& pattern, const QString& piece,
              const MiscRegexOptions& options)
{
    return grep(text, pattern, QStringList{piece}, options).value(piece);
}

QString stringByReplacingRegex(const QString& text, const MiscRegexPattern& pattern, const QString& replacement,
                               const MiscRegexOptions& options)
{
    const CallPattern compiled(pattern, options.flags);
    const Utf8Text utf8(text);
    re_match_registers registers;
    if (!findMatch(*compiled, utf8, options.flags, utf8.rangeOf(options), options.occurrenceNum, registers))
        return text;
    return replacedMatch(utf8, registers, replacement, options.flags);
}

QString stringByReplacingEveryOccurrenceOfRegex(const QString& text, const MiscRegexPattern& pattern,
                                                const QString& replacement, const MiscRegexOptions& options)
{
    const CallPattern compiled(pattern, options.flags);
    const Utf8Text utf8(text);
    QString result;
    int previousEnd = 0;
    const bool completed =
        walkMatches(*compiled, utf8, utf8.rangeOf(options), [&](const re_match_registers& registers) {
            result += utf8.text(previousEnd, registers.start[0]);
            result += processedStringFor(replacement, utf8, registers, options.flags);
            previousEnd = registers.end[0];
            return true;
        });
    if (!completed)
        raiseRegexException(QStringLiteral("Error during regex search"));
    result += utf8.text(previousEnd, utf8.size());
    return result;
}

QList<MiscRegexRange> rangesMatchedByRegex(const QString& text, const MiscRegexPattern& pattern,
                                           const MiscRegexOptions& options)
{
    const CallPattern compiled(pattern, options.flags);
    const Utf8Text utf8(text);
    QList<MiscRegexRange> ranges;
    const bool completed = walkMatches(*compiled, utf8, utf8.whole(), [&](const re_match_registers& registers) {
        ranges.append(matchRange(registers, 0));
        return true;
    });
    if (!completed)
        raiseRegexException(QStringLiteral("Error during regex search"));
    return ranges;
}

QStringList stringsMatchedByRegex(const QString& text, const MiscRegexPattern& pattern, const MiscRegexOptions& options)
{
    const Utf8Text utf8(text);
    QStringList strings;
    for (const MiscRegexRange& range : rangesMatchedByRegex(text, pattern, options))
        strings.append(utf8.text(range.location, range.end()));
    return strings;
}

QStringList componentsSeparatedByRegex(const QString& text, const MiscRegexPattern& pattern,
                                       const MiscRegexOptions& options)
{
    const Utf8Text utf8(text);
    QStringList components;
    qsizetype previousEnd = 0;
    for (const MiscRegexRange& range : rangesMatchedByRegex(text, pattern, options)) {
        components.append(utf8.text(previousEnd, range.location));
        previousEnd = range.end();
    }
    components.append(utf8.text(previousEnd, utf8.size()));
    return components;
}

bool isValidRegex(const QString& pattern)
{
    try {
        const auto compiled = MiscNewRegexStruct(pattern, 0);
        const Utf8Text probe(QStringLiteral("foobar _20\n30baz"));
        countMatches(*compiled, probe, probe.whole());
        return true;
    } catch (const NamedException&) {
        return false;
    } catch (const InternalInconsistency&) {
        return false;
    }
}

} // namespace dw
