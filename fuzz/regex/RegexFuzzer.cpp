// Feeds arbitrary patterns and texts to the regular-expression compiler, matcher and string
// operations, and checks that the ways of asking the same question agree: with and without the
// first-byte map, one text or two parts, a search or a match at every position.
//
// Input: one byte of syntax bits, one byte of switches (bit 0: fold case), then the pattern, a
// zero byte and the text.

#include "DWKit/MiscRegex/NSString+MiscRegex.h"
#include "DWKit/MiscRegex/regexpr.h"

#include "platform/core/DWAssert.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

// Backtracking takes time exponential in the text length for some patterns, as in every
// backtracking matcher, with a base that grows with the nesting of repetitions and alternatives;
// and nested optional items multiply the ways to the rest of the pattern even on an empty text.
// The text gets shorter as the pattern has more of those, and a pattern with many is only
// compiled. -1: don't match at all.
int maxTextLength(std::string_view pattern)
{
    int branches = 0;
    for (const char c : pattern)
        if (c == '*' || c == '+' || c == '?' || c == '|' || c == '\n')
            ++branches;
    return branches <= 4 ? 8 : branches <= 8 ? 4 : branches <= 12 ? 2 : -1;
}

void check(bool condition)
{
    if (!condition)
        abort();
}

void checkRegisters(const dw::re_match_registers& registers, int at, int size)
{
    check(registers.start[0] == at && registers.end[0] >= at && registers.end[0] <= size);
    for (int r = 1; r < 10; ++r) {
        if (registers.start[r] == -1 || registers.end[r] == -1) {
            check(registers.start[r] == -1 && registers.end[r] == -1);
            continue;
        }
        check(registers.start[r] >= 0 && registers.start[r] <= registers.end[r] && registers.end[r] <= size);
    }
}

bool sameMatch(const dw::re_match_registers& a, const dw::re_match_registers& b)
{
    return a.start == b.start && a.end == b.end;
}

dw::re_pattern_buffer makeBuffer(bool foldCase, bool fastmap)
{
    dw::re_pattern_buffer buffer;
    if (foldCase) {
        auto& table = buffer.translation.emplace();
        for (int b = 0; b < 256; ++b)
            table[b] = static_cast<unsigned char>(b >= 'A' && b <= 'Z' ? b + 32 : b);
    }
    if (fastmap)
        buffer.fastmap.emplace();
    return buffer;
}

void exerciseStringOperations(const dw::re_pattern_buffer& pattern, std::string_view text)
{
    // Bytes that are no UTF-8 come back as U+FFFD, three bytes each: keep within the length.
    QString subject = QString::fromUtf8(text.data(), qsizetype(text.size()));
    while (subject.toUtf8().size() > qsizetype(text.size()))
        subject.chop(1);
    try {
        dw::numOfRegex(subject, pattern);
        dw::rangeOfRegex(subject, pattern, {.flags = dw::MiscRegexFromEnd});
        dw::grep(subject, pattern, QStringList{dw::MiscSubstringsPiece, dw::MiscSubrangesPiece});
        dw::stringByReplacingEveryOccurrenceOfRegex(subject, pattern, QStringLiteral("<&$1$\u0663$>"),
                                                    {.flags = dw::MiscRegexTemplate});
        dw::componentsSeparatedByRegex(subject, pattern);
    } catch (const dw::NamedException&) {
        // The failure stack ran out: reported, as it should be.
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const int syntax = data[0];
    const bool foldCase = data[1] & 1;
    const std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
    const size_t split = rest.find('\0');
    const std::string_view pattern = rest.substr(0, split);
    std::string_view text = split == std::string_view::npos ? std::string_view() : rest.substr(split + 1);
    const int maxText = maxTextLength(pattern);
    text = text.substr(0, std::min(text.size(), size_t(std::max(maxText, 0))));
    const int textSize = int(text.size());

    dw::re_set_syntax(syntax);
    dw::re_pattern_buffer plain = makeBuffer(foldCase, false);
    dw::re_pattern_buffer mapped = makeBuffer(foldCase, true);
    const char* error = dw::re_compile_pattern(pattern, plain);
    const char* mappedError = dw::re_compile_pattern(pattern, mapped);
    check((error == nullptr) == (mappedError == nullptr));
    if (error) {
        check(plain.buffer.empty());
        return 0;
    }
    check(plain.buffer == mapped.buffer && mapped.fastmap_valid);
    if (maxText < 0)
        return 0;

    dw::re_match_registers registers;
    const int found = dw::re_search_pattern(plain, text, 0, textSize, &registers);
    check(found >= -2 && found <= textSize);
    if (found >= 0)
        checkRegisters(registers, found, textSize);

    // The first-byte map only skips positions where no match can start.
    dw::re_match_registers mappedRegisters;
    const int mappedFound = dw::re_search_pattern(mapped, text, 0, textSize, &mappedRegisters);
    if (found != -2 && mappedFound != -2) {
        check(mappedFound == found);
        if (found >= 0)
            check(sameMatch(registers, mappedRegisters));
    }

    // Two parts behave as the joined text.
    const int half = textSize / 2;
    dw::re_match_registers partRegisters;
    const int partFound = dw::re_search_pattern_2(plain, text.substr(0, size_t(half)), text.substr(size_t(half)), 0,
                                                  textSize, &partRegisters, textSize);
    check(partFound == found);
    if (found >= 0)
        check(sameMatch(registers, partRegisters));

    // The search answers the first position where a match succeeds (or where the stack ran out).
    int first = -1;
    for (int position = 0; position <= textSize; ++position) {
        dw::re_match_registers at;
        const int length = dw::re_match_pattern(plain, text, position, &at);
        if (length >= 0) {
            checkRegisters(at, position, textSize);
            check(at.end[0] - position == length);
        }
        if (first == -1 && length != -1)
            first = length == -2 ? -2 : position;
    }
    check(first == found);

    const int backwards = dw::re_search_pattern(mapped, text, textSize, -textSize, nullptr);
    if (backwards >= 0)
        check(dw::re_match_pattern(plain, text, backwards, nullptr) != -1);

    exerciseStringOperations(mapped, text);
    return 0;
}
