#pragma once
// Shared by the compiler and the matcher of the regular-expression engine: the layout of a compiled
// program, the syntax classes of bytes, the first-byte walk, and the search plan that the compiler
// leaves beside a program for the matcher.

#include "DWKit/MiscRegex/regexpr.h"

#include "platform/core/DWAssert.h"

#include <array>
#include <climits>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace dw {

// What the compiler worked out about a program so that searching can pass over positions and
// branches quickly. Everything here only saves work: a search without a plan gives the same
// answers.
struct re_search_plan
{
    // Bytes of the text, before translation, that can begin a match at a position before the stop.
    std::array<bool, 256> first{};
    // As the first-byte map's: 0 no empty match, 1 anywhere, 2 only at a line end.
    unsigned char emptyMatch = 0;
    // As the first-byte map's: 1 the program begins with Cline_start, 2 with Cbuffer_start.
    unsigned char anchorKind = 0;
    // Whether passing over positions by `first` and the anchors is exact. A match attempt at a
    // position that no match can start at fails before it consumes a byte; it can push at most one
    // failure point per failure jump of the program, so it cannot run out of them when the
    // program has fewer failure jumps than the stack holds.
    bool skipsExactly = false;
    // The one byte of `first`, or -1.
    int onlyFirst = -1;
    // The translation table changes some byte.
    bool translates = false;
    // The program opens with a greedy loop over a single-byte test (`x*...`, `[a-z]+...`). When a
    // match attempt from a position fails, the rest of the pattern failed after every number of
    // iterations, so an attempt from a later position inside the same run of loop bytes fails too.
    bool leadingLoop = false;
    std::array<bool, 256> loopBytes{}; // bytes of the loop's test, before translation

    // For a failure jump whose target resumes no loop: which translated bytes can begin a match
    // on either side of it, so that a side that cannot is passed over without a failure point.
    struct Branch
    {
        std::array<bool, 256> stay{}; // the instructions after the failure jump
        std::array<bool, 256> jump{}; // its target
        bool stayAtEnd = false;       // the side can succeed at the stop position
        bool jumpAtEnd = false;
    };
    std::vector<uint16_t> branchAt; // per program byte: 0, or 1 + index into `branches`
    std::vector<Branch> branches;
};

namespace regex_internal {

constexpr int kNumRegisters = 10;
constexpr int kWordClass = 1;
// Failure points: the stack starts small and may grow once, to this many.
constexpr int kInitialFailurePoints = 128;
constexpr int kMaxFailurePoints = 4100;

// Syntax class of every byte: 1 ("word") for letters and digits only; the underscore is not a
// word byte.
constexpr std::array<unsigned char, 256> makeSyntaxTable()
{
    std::array<unsigned char, 256> table{};
    for (int c = 'a'; c <= 'z'; ++c)
        table[size_t(c)] = kWordClass;
    for (int c = 'A'; c <= 'Z'; ++c)
        table[size_t(c)] = kWordClass;
    for (int c = '0'; c <= '9'; ++c)
        table[size_t(c)] = kWordClass;
    return table;
}
inline constexpr std::array<unsigned char, 256> re_syntax_table = makeSyntaxTable();

inline bool isJump(unsigned char op)
{
    return op >= Cjump && op <= Cskip_failure_jump;
}

// Group markers and zero-width tests, which consume nothing.
inline bool isPassedOverInLoopBody(unsigned char op)
{
    return op == Cgroup_open || op == Cgroup_close || op == Cline_start || op == Cline_end || op == Cbuffer_start ||
           op == Cbuffer_end || (op >= Cword_start && op <= Cnot_word_boundary);
}

// Length of an instruction with this opcode, 0 for an opcode outside the table.
inline int instructionLength(unsigned char op)
{
    switch (op) {
    case Cmatch_end:
    case Cline_start:
    case Cline_end:
    case Cany_byte:
    case Cbuffer_start:
    case Cbuffer_end:
    case Cword_start:
    case Cword_end:
    case Cword_boundary:
    case Cnot_word_boundary:
        return 1;
    case Cbyte:
    case Cgroup_open:
    case Cgroup_close:
    case Cbackref:
    case Csyntax_class:
    case Cnot_syntax_class:
        return 2;
    case Cjump:
    case Cstar_jump:
    case Cfailure_jump:
    case Cloop_jump:
    case Cskip_failure_jump:
        return 3;
    case Cbyte_set:
        return 33;
    default:
        return 0;
    }
}

inline int jumpTarget(const unsigned char* program, int pc)
{
    const auto offset = int16_t(uint16_t(program[pc + 1] | (program[pc + 2] << 8)));
    return pc + 3 + offset;
}

inline bool setHas(const unsigned char* bitmap, unsigned char byte)
{
    return (bitmap[byte / 8] >> (byte % 8)) & 1;
}

inline int checkedSize(std::string_view text)
{
    DW_ASSERT(text.size() <= size_t(INT_MAX), "Text too long for the regular-expression engine");
    return int(text.size());
}

struct FirstBytes
{
    std::array<unsigned char, 256> map{};
    unsigned char emptyMatch = 0;
    // Only when walking with an avoid set: a byte of that set may come first, or the path passes
    // a test that depends on the byte before the position.
    bool conflict = false;
};

// Walks every path of the program from `start` up to the instructions that consume a byte and
// collects those bytes. `visited` holds one stamp per program byte; offsets stamped with
// `generation` are taken as visited. With `avoid`, the walk stops at the first conflict.
void walkFirstBytes(const std::vector<unsigned char>& program, int start, std::vector<unsigned>& visited,
                    unsigned generation, FirstBytes& out, const std::array<bool, 256>* avoid);

// The first-byte map of a compiled program, as re_compile_fastmap() describes it.
void computeFastmap(const re_pattern_buffer& buffer, std::array<unsigned char, 256>& map, unsigned char& emptyMatch,
                    unsigned char& anchorKind);

// The search plan of a compiled program (and its translation table).
std::shared_ptr<const re_search_plan> makeSearchPlan(const re_pattern_buffer& buffer);

} // namespace regex_internal
} // namespace dw
