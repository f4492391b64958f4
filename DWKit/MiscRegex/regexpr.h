#pragma once
// A small byte-oriented regular-expression engine: a compiler that turns a pattern into a compact
// byte program, a first-byte map ("fastmap") for quick searching, and a backtracking matcher with
// ten match registers.
//
// The engine works on 8-bit bytes (callers hand it UTF-8). The syntax is process-wide and set with
// re_set_syntax(); every later compile uses it. Compile errors are fixed message texts.
//
//     dw::re_pattern_buffer pattern;
//     pattern.fastmap.emplace();                       // optional: lets searches skip positions
//     if (const char* error = dw::re_compile_pattern("\\(ab*\\)c", pattern))
//         return error;
//     dw::re_match_registers registers;
//     int at = dw::re_search_pattern(pattern, text, 0, int(text.size()), &registers);
//     // at >= 0: match at `at`, group 1 in registers.start[1] .. registers.end[1]
//     // -1: no match; -2: the failure stack ran out (a pathological pattern)
//
// Threads: compiling, matching and searching touch no shared state but the syntax, so separate
// patterns may be used on separate threads. A compiled pattern is finished by the compiler and is
// only read by matching and searching, so one pattern may be matched from several threads at
// once. re_comp()/re_exec() share one pattern for the whole process.

#include <array>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace dw {

struct re_search_plan;

// Syntax bits (re_set_syntax). All clear is the default.
inline constexpr int syntax_plain_parens = 1;         // ( ) group, \( \) are literal
inline constexpr int syntax_plain_bar = 2;            // | is alternation, \| literal
inline constexpr int syntax_quoted_plus_question = 4; // \+ \? are operators, + ? literal
inline constexpr int syntax_tight_bar = 8;            // alternation binds tighter than ^ and $
inline constexpr int syntax_newline_bar = 16;         // a newline in the pattern is an alternation
inline constexpr int syntax_strict_context = 32;      // a misplaced ^ $ * + ? is an error
inline constexpr int syntax_ansi_escapes = 64;        // \a \b \f \n \r \t \v \xHH and \vNN registers
inline constexpr int syntax_no_extensions = 128;      // \w \W \< \> \b \B \` \' are plain bytes

// Instructions of a compiled program. Jump offsets are signed 16-bit little-endian, counted from
// the end of the 3-byte jump instruction.
enum RegexOpcode : unsigned char {
    Cmatch_end = 0,
    Cline_start = 1,
    Cline_end = 2,
    Cbyte_set = 3, // followed by a 32-byte bitmap
    Cbyte = 4,
    Cany_byte = 5, // any byte but newline
    Cgroup_open = 6,
    Cgroup_close = 7,
    Cbackref = 8,
    Cjump = 9,
    Cstar_jump = 10, // back jump of a loop; never left in a finished program
    Cfailure_jump = 11,
    Cloop_jump = 12,
    Cskip_failure_jump = 13,
    Cbuffer_start = 14,
    Cbuffer_end = 15,
    Cword_start = 16,
    Cword_end = 17,
    Cword_boundary = 18,
    Cnot_word_boundary = 19,
    Csyntax_class = 20,
    Cnot_syntax_class = 21,
};

// A compiled pattern. The caller owns it; it may be copied.
struct re_pattern_buffer
{
    // The program, closing Cmatch_end included; empty until a compile succeeds.
    std::vector<unsigned char> buffer;
    // First-byte map, computed only when the caller supplies the block (emplace it before
    // compiling, or before re_compile_fastmap()).
    std::optional<std::array<unsigned char, 256>> fastmap;
    // Byte translation applied to pattern bytes when compiling and to text bytes when matching
    // (case folding).
    std::optional<std::array<unsigned char, 256>> translation;
    bool fastmap_valid = false;
    // Set with the fastmap: 0 the pattern can't match the empty string, 1 it can match empty
    // anywhere, 2 it can match empty only at a line end.
    unsigned char empty_match = 0;
    bool records_groups = false; // the program has group or back-reference instructions
    // Set with the fastmap: 1 the program begins with Cline_start, 2 with Cbuffer_start, else 0.
    unsigned char anchor_kind = 0;
    // Set by the compiler with the program: what it found out for quick searching. Searching
    // reads it only, so copies of the pattern share it.
    std::shared_ptr<const re_search_plan> plan;

    int used() const { return int(buffer.size()); }
};

// Register 0 is the whole match, 1 to 9 the groups in the order of their opening parentheses;
// -1 marks a register without a value. Offsets are byte offsets into the text.
struct re_match_registers
{
    std::array<int, 10> start;
    std::array<int, 10> end;
};

// Sets the process-wide syntax bits for later compiles; returns the previous bits.
int re_set_syntax(int syntax);

// Compiles `pattern` into `buffer` under the current syntax. Returns null on success, else one of
// "Out of memory", "Badly placed special character", "Bad match register number",
// "Bad hexadecimal number", "Badly placed parenthesis", "Regular expression ends prematurely",
// "Regular expression too complex" (and the buffer then holds no program). When the buffer has a
// fastmap block, the map is computed too.
[[nodiscard]] const char* re_compile_pattern(std::string_view pattern, re_pattern_buffer& buffer);

// Computes fastmap, empty_match and anchor_kind when the buffer has a fastmap block that is not
// valid yet. The buffer must hold a compiled program.
void re_compile_fastmap(re_pattern_buffer& buffer);

// Matches the pattern at `position` of the text made of `part1` followed by `part2`, reading no
// further than `stop` (the text is treated as ending there). Returns the length of the match and
// fills `registers` (when given), -1 when there is none, -2 when the failure stack ran out.
// Requires 0 <= position <= stop <= total size (DW_ASSERT otherwise).
int re_match_pattern_2(const re_pattern_buffer& buffer, std::string_view part1, std::string_view part2, int position,
                       re_match_registers* registers, int stop);
int re_match_pattern(const re_pattern_buffer& buffer, std::string_view text, int position,
                     re_match_registers* registers);

// Tries positions from `start` towards `start + range` (backwards for a negative range) and
// returns the first where the pattern matches, -1 when none does, -2 when the failure stack ran
// out. Requires 0 <= start <= stop <= total size and 0 <= start + range <= total size.
int re_search_pattern_2(const re_pattern_buffer& buffer, std::string_view part1, std::string_view part2, int start,
                        int range, re_match_registers* registers, int stop);
int re_search_pattern(const re_pattern_buffer& buffer, std::string_view text, int start, int range,
                      re_match_registers* registers);

// The single-pattern interface: re_comp() compiles into one process-wide pattern (null or an
// error text; a null pattern keeps the previous one, and answers "Out of memory" when there is
// none), re_exec() answers 1 when that pattern matches anywhere in `text`, else 0.
const char* re_comp(const char* pattern);
int re_exec(const char* text);

} // namespace dw
