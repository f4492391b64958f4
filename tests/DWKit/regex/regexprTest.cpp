#include "DWKit/MiscRegex/regexpr.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

// The system's regex.h (which the test framework includes) has names of its own like these.
using dw::re_compile_pattern;
using dw::re_match_pattern;
using dw::re_match_pattern_2;
using dw::re_match_registers;
using dw::re_pattern_buffer;
using dw::re_search_pattern;
using dw::re_search_pattern_2;
using dw::re_set_syntax;
using namespace dw;

// Sets the process-wide syntax for one test case and restores the default afterwards.
class SyntaxScope
{
public:
    explicit SyntaxScope(int syntax) : m_previous(re_set_syntax(syntax)) {}
    ~SyntaxScope() { re_set_syntax(m_previous); }

private:
    int m_previous;
};

std::string compileError(std::string_view pattern, int syntax = 0)
{
    SyntaxScope scope(syntax);
    re_pattern_buffer buffer;
    const char* error = re_compile_pattern(pattern, buffer);
    return error ? error : "";
}

re_pattern_buffer compiled(std::string_view pattern, int syntax = 0, bool fastmap = false)
{
    SyntaxScope scope(syntax);
    re_pattern_buffer buffer;
    if (fastmap)
        buffer.fastmap.emplace();
    const char* error = re_compile_pattern(pattern, buffer);
    EXPECT_EQ(error, nullptr) << pattern << ": " << error;
    return buffer;
}

int searchWhole(const re_pattern_buffer& buffer, std::string_view text, re_match_registers* registers = nullptr)
{
    return re_search_pattern(buffer, text, 0, int(text.size()), registers);
}

struct SearchCase
{
    const char* name;
    const char* pattern;
    std::string subject;
    int at; // -1: no match
    int length = 0;
    std::vector<std::pair<int, int>> groups = {}; // registers 1.. in order; the rest must be unset
    int syntax = 0;
};

const SearchCase kSearchCases[] = {
    {"plus repeats at least once", "a+", "aaa", 0, 3},
    {"backslash bar alternates", "a\\|b", "b", 0, 1},
    {"plain parens are literal", "(a)", "(a)", 0, 3},
    {"plain parens need their bytes", "(a)", "a", -1},
    {"star on nothing matches empty", "x*", "abc", 0, 0},
    {"optional", "ab?c", "ac", 0, 2},
    {"dot skips newline", "a.c", "a\nc", -1},
    {"caret inside is a byte", "a^b", "a^b", 0, 3},
    {"postfix after caret repeats nothing", "a^*", "a^^", 0, 2},
    {"dollar inside is a byte", "a$b", "a$b", 0, 3},
    {"star first is a byte", "*a", "x*a", 1, 2},
    {"star first in a group is a byte", "\\(*a\\)", "x*a", 1, 2, {{1, 3}}},
    {"star first in an alternative is a byte", "a\\|*b", "*b", 0, 2},
    {"caret anchors at line starts", "^a", "ba\na", 3, 1},
    {"dollar anchors at line ends", "a$", "ab\na", 3, 1},
    {"dollar anchors before a group closing", "\\(a$\\)", "ab\na", 3, 1, {{3, 4}}},
    {"caret anchors after an alternation", "x\\|^a", "ba\na", 3, 1},
    {"star of a star repeats the repetition", "a**b", "aab", 0, 3},
    {"star of a group that can match empty", "\\(a*\\)*b", "aab", 0, 3, {{0, 2}}},
    {"plus of a group that can match empty", "\\(a*\\)+b", "b", 0, 1, {{0, 0}}},
    // Forty levels of `+` around a body that can match empty: each level runs its body once.
    {"deeply repeated repetition", "a*+*+*+*+*+*+*+*+*+*+*+*+*+*+*+*+*+*+*+*+*+*+*+*+*+*+*+*+*+*+*+*+*+*+*+*+*+*+*+*+b",
     "xaab", 1, 3},
    {"groups and back references", "\\(a\\)\\(b\\)\\2\\1", "abba", 0, 4, {{0, 1}, {1, 2}}},
    {"back reference to a star", "\\(a*\\)b\\1", "aaba", 1, 3, {{1, 2}}},
    {"failed alternative leaves no group", "\\(x\\)y\\|xz", "xz", 0, 2},
    {"loop group is the last kept iteration", "\\(a\\|b\\)*\\1", "abb", 0, 3, {{1, 2}}},
    {"unmatched group stays unset", "\\(a\\)\\|b", "b", 0, 1},
    {"tenth group groups without a register",
     "\\(1\\)\\(2\\)\\(3\\)\\(4\\)\\(5\\)\\(6\\)\\(7\\)\\(8\\)\\(9\\)\\(ab\\)*c",
     "123456789ababc",
     0,
     14,
     {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 6}, {6, 7}, {7, 8}, {8, 9}}},
    {"bracket first in a set is a member", "[]a]*", "]a]b", 0, 3},
    {"bracket first in a negated set", "[^]a]", "]ab", 2, 1},
    {"dash last in a set is a member", "[a-]*", "a-a-b", 0, 4},
    {"dash after a range is a member", "[a-c-e]*", "b-ed", 0, 3},
    {"reversed range is empty", "[z-a]", "za", -1},
    {"negated set matches newline", "[^a]", "a\n", 1, 1},
    {"backslash in a set is a member", "[\\n]", "x\\", 1, 1},
    {"underscore is no word byte", "\\w", "_a", 1, 1},
    {"not a word byte", "\\W", "a_", 1, 1},
    {"word start", "\\<b", "ab b", 3, 1},
    {"word end", "a\\>", "aa a", 1, 1},
    {"word boundary", "\\bx", "yx x", 3, 1},
    {"not a word boundary", "\\Bx", "x yx", 3, 1},
    {"text start", "\\`a", "ba", -1},
    {"text end", "a\\'", "aba", 2, 1},
    {"loop followed by a context test", "a*\\B", "aa!", 0, 1},
    {"anchor binds tighter than bar", "^a\\|b", "xb", 1, 1},
    {"bar binds tighter than anchor", "^a\\|b", "xb", -1, 0, {}, syntax_tight_bar},
    {"bar binds tighter than dollar", "a\\|b$", "ax", -1, 0, {}, syntax_tight_bar},
    {"plain parens group", "(a)b", "ab", 0, 2, {{0, 1}}, syntax_plain_parens},
    {"quoted parens are literal", "\\(a", "(a", 0, 2, {}, syntax_plain_parens},
    {"plain bar alternates", "a|b", "b", 0, 1, {}, syntax_plain_bar},
    {"quoted bar is literal", "a\\|b", "a|b", 0, 3, {}, syntax_plain_bar},
    {"quoted plus repeats", "a\\+", "aa", 0, 2, {}, syntax_quoted_plus_question},
    {"plain plus is literal", "a+", "a+", 0, 2, {}, syntax_quoted_plus_question},
    {"newline alternates", "a\nb", "b", 0, 1, {}, syntax_newline_bar},
    {"ansi escapes", "\\t\\x41", "\tA", 0, 2, {}, syntax_ansi_escapes},
    {"ansi escape in a set", "[\\n]", "x\n", 1, 1, {}, syntax_ansi_escapes},
    {"ansi register number", "\\(a\\)\\v01", "aa", 0, 2, {{0, 1}}, syntax_ansi_escapes},
    {"no extensions", "\\w\\<", "w<", 0, 2, {}, syntax_no_extensions},
};

void PrintTo(const SearchCase& c, std::ostream* os)
{
    *os << c.pattern << " on \"" << c.subject << '"';
}

class Search : public testing::TestWithParam<SearchCase>
{};

// Each case runs with and without a first-byte map: skipping positions must never change a result.
TEST_P(Search, FindsTheExpectedMatchAndRegisters)
{
    const SearchCase& c = GetParam();
    for (const bool fastmap : {false, true}) {
        SCOPED_TRACE(fastmap ? "with fastmap" : "without fastmap");
        const re_pattern_buffer buffer = compiled(c.pattern, c.syntax, fastmap);
        re_match_registers registers;
        ASSERT_EQ(searchWhole(buffer, c.subject, &registers), c.at);
        if (c.at < 0)
            continue;
        EXPECT_EQ(registers.start[0], c.at);
        EXPECT_EQ(registers.end[0], c.at + c.length);
        for (int r = 1; r < 10; ++r) {
            const auto expected = size_t(r) <= c.groups.size() ? c.groups[r - 1] : std::pair(-1, -1);
            EXPECT_EQ(std::pair(registers.start[r], registers.end[r]), expected) << "register " << r;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Patterns, Search, testing::ValuesIn(kSearchCases), [](const auto& row) {
    std::string name = row.param.name;
    for (char& ch : name)
        if (!isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return name;
});

TEST(RegexCompile, ReportsMalformedPatterns)
{
    struct Case
    {
        const char* pattern;
        int syntax;
        const char* error;
    };
    const Case cases[] = {
        {"\\0", 0, "Bad match register number"},
        {"\\(a", 0, "Badly placed parenthesis"},
        {"a\\)", 0, "Badly placed parenthesis"},
        {"a\\", 0, "Regular expression ends prematurely"},
        {"[a", 0, "Regular expression ends prematurely"},
        {"[", 0, "Regular expression ends prematurely"},
        {"a^b", syntax_strict_context, "Badly placed special character"},
        {"a$b", syntax_strict_context, "Badly placed special character"},
        {"*a", syntax_strict_context, "Badly placed special character"},
        {"a\\|+b", syntax_strict_context, "Badly placed special character"},
        {"\\x4", syntax_ansi_escapes, "Regular expression ends prematurely"},
        {"[\\x4", syntax_ansi_escapes, "Regular expression ends prematurely"},
        {"\\xg1", syntax_ansi_escapes, "Bad hexadecimal number"},
        {"\\v1", syntax_ansi_escapes, "Regular expression ends prematurely"},
        {"\\v1a", syntax_ansi_escapes, "Bad match register number"},
        {"\\v10", syntax_ansi_escapes, "Bad match register number"},
        {"\\v00", syntax_ansi_escapes, "Bad match register number"},
        {"", 0, ""},
        {"^a$", syntax_strict_context, ""},
        {"(a", syntax_plain_parens, "Badly placed parenthesis"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(compileError(c.pattern, c.syntax), c.error);
    }
}

TEST(RegexCompile, RefusesWhatTheProgramCannotHold)
{
    std::string alternatives = "a";
    for (int i = 0; i < 101; ++i)
        alternatives += "\\|a";
    EXPECT_EQ(compileError(alternatives), "Regular expression too complex");
    EXPECT_EQ(compileError(alternatives.substr(3)), ""); // 100 open jumps

    std::string nested;
    for (int i = 0; i < 100; ++i)
        nested = "\\(" + nested + "\\)";
    EXPECT_EQ(compileError(nested), "Regular expression too complex");
    EXPECT_EQ(compileError(nested.substr(2, nested.size() - 4)), ""); // 99 deep

    // A loop whose body is longer than a jump offset can span.
    const std::string longBody = "\\(" + std::string(40000, 'a') + "\\)*";
    EXPECT_EQ(compileError(longBody), "Regular expression too complex");
    EXPECT_EQ(compileError(std::string(40000, 'a') + "\\|b"), "Regular expression too complex");
    EXPECT_EQ(compileError(std::string(40000, 'a') + "\\(b\\|c\\)"), "");

    const std::string shorterBody = "\\(" + std::string(16000, 'a') + "\\)*b";
    const re_pattern_buffer buffer = compiled(shorterBody);
    const std::string text = std::string(32000, 'a') + "b";
    re_match_registers registers;
    EXPECT_EQ(searchWhole(buffer, text, &registers), 0);
    EXPECT_EQ(registers.end[0], 32001);
    EXPECT_EQ(registers.start[1], 16000);
}

TEST(RegexCompile, PostfixAfterAnAnchorCompilesToNothing)
{
    EXPECT_EQ(compiled("a^*").buffer, compiled("a^").buffer);
    EXPECT_EQ(compiled("^*a").buffer, compiled("^a").buffer);
    EXPECT_EQ(compiled("\\b*a").buffer, compiled("\\ba").buffer);
}

TEST(RegexMatch, FailureStackLimitAnswersMinusTwo)
{
    // Every `a` of the run leaves a failure point, since the loop may have to give bytes back.
    const std::string run(5000, 'a');
    EXPECT_EQ(searchWhole(compiled("a*a"), run), -2);
    EXPECT_EQ(re_match_pattern(compiled("a*a"), run, 0, nullptr), -2);
    EXPECT_EQ(searchWhole(compiled("a*a"), run.substr(0, 4000)), 0);

    // A loop that can never give bytes back keeps a single failure point, however long the run.
    re_match_registers registers;
    const std::string longRun = std::string(100000, 'x') + "y";
    EXPECT_EQ(searchWhole(compiled("x*y"), longRun, &registers), 0);
    EXPECT_EQ(registers.end[0], 100001);
    EXPECT_EQ(searchWhole(compiled("\\(x\\)+y"), longRun, &registers), 0);
    EXPECT_EQ(registers.start[1], 99999);
    EXPECT_EQ(searchWhole(compiled("[xz]*y", 0, true), longRun), 0);
}

TEST(RegexMatch, MatchesAcrossTwoTextParts)
{
    const re_pattern_buffer buffer = compiled("\\(b.\\)\\1");
    re_match_registers registers;
    EXPECT_EQ(re_search_pattern_2(buffer, "abcb", "cd", 0, 6, &registers, 6), 1);
    EXPECT_EQ(std::pair(registers.start[1], registers.end[1]), std::pair(1, 3));
    EXPECT_EQ(registers.end[0], 5);
    // The stop position ends the text for the matcher.
    EXPECT_EQ(re_match_pattern_2(buffer, "abcb", "cd", 1, nullptr, 4), -1);
    EXPECT_EQ(re_match_pattern_2(compiled("c$"), "ab", "cd", 2, nullptr, 3), 1);
}

TEST(RegexSearch, RunsBackwardsAndHonoursTheRange)
{
    const re_pattern_buffer buffer = compiled("a", 0, true);
    EXPECT_EQ(re_search_pattern(buffer, "aXaXa", 3, -3, nullptr), 2);
    EXPECT_EQ(re_search_pattern(buffer, "aXaXa", 1, 0, nullptr), -1);
    EXPECT_EQ(re_search_pattern(buffer, "aXaXa", 1, 2, nullptr), 2);
    // Anchored at the text start, a search from elsewhere fails at once.
    EXPECT_EQ(re_search_pattern(compiled("\\`a", 0, true), "aa", 1, -1, nullptr), -1);
    EXPECT_EQ(re_search_pattern(compiled("^a", 0, true), "ba\na", 0, 4, nullptr), 3);
    EXPECT_EQ(re_search_pattern(compiled("b*$", 0, true), "ab", 0, 2, nullptr), 1);
    EXPECT_EQ(re_search_pattern(compiled("c*$", 0, true), "ab", 0, 2, nullptr), 2);
}

TEST(RegexSearch, FastmapDescribesTheStartOfAMatch)
{
    struct Case
    {
        const char* pattern;
        const char* firstBytes;
        int emptyMatch;
        int anchorKind;
    };
    const Case cases[] = {
        {"ab\\|c", "ac", 0, 0}, {"a*b", "ab", 0, 0}, {"a*", "a", 1, 0},         {"x*$", "\nx", 2, 0},
        {"^a", "a", 0, 1},      {"\\`a", "a", 0, 2}, {"\\(a\\)\\1", "a", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        const re_pattern_buffer buffer = compiled(c.pattern, 0, true);
        ASSERT_TRUE(buffer.fastmap_valid);
        std::string first;
        for (int b = 0; b < 256; ++b)
            if ((*buffer.fastmap)[b])
                first += char(b);
        std::string expected = c.firstBytes;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(first, expected);
        EXPECT_EQ(buffer.empty_match, c.emptyMatch);
        EXPECT_EQ(buffer.anchor_kind, c.anchorKind);
    }
}

TEST(RegexMatch, TranslationFoldsPatternAndText)
{
    re_pattern_buffer buffer;
    buffer.translation.emplace();
    for (int b = 0; b < 256; ++b)
        (*buffer.translation)[b] = static_cast<unsigned char>(b >= 'A' && b <= 'Z' ? b + 32 : b);
    ASSERT_EQ(re_compile_pattern("Ab[C-D]\\(e\\)\\1", buffer), nullptr);
    EXPECT_EQ(re_match_pattern(buffer, "aBdEe", 0, nullptr), 5);
    EXPECT_EQ(re_match_pattern(buffer, "aBdEE", 0, nullptr), 5);
}

// The program is finished by the compiler: matching never writes to it, so threads may share it.
TEST(RegexMatch, OnePatternServesSeveralThreads)
{
    const re_pattern_buffer buffer = compiled("\\(ab*\\)*c\\|x*y", 0, true);
    const std::vector<unsigned char> program = buffer.buffer;
    const std::string text = "zzabbbabc xxxxy";
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                re_match_registers registers;
                if (searchWhole(buffer, text, &registers) != 2 || registers.end[0] != 9 || registers.start[1] != 6 ||
                    re_search_pattern(buffer, text, 9, 6, nullptr) != 10)
                    ++failures[t];
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
    EXPECT_EQ(buffer.buffer, program);
}

TEST(RegexSinglePattern, CompilesOnceAndExecutes)
{
    EXPECT_STREQ(dw::re_comp("\\(a"), "Badly placed parenthesis");
    EXPECT_EQ(dw::re_comp("b.d"), nullptr);
    EXPECT_EQ(dw::re_exec("abcd"), 1);
    EXPECT_EQ(dw::re_exec("abd"), 0);
    EXPECT_EQ(dw::re_comp(nullptr), nullptr); // keeps the pattern
    EXPECT_EQ(dw::re_exec("xbxd"), 1);
}

} // namespace
