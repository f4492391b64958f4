#include "DWKit/MiscRegex/regexpr_p.h"

#include "platform/core/CocoaNumbers.h"
#include "platform/core/DWAssert.h"

#include <atomic>
#include <climits>
#include <cstdint>
#include <mutex>
#include <new>

namespace dw {

using namespace regex_internal;

// ---------------------------------------------------------------------------------------------
// First-byte maps

namespace regex_internal {

void walkFirstBytes(const std::vector<unsigned char>& program, int start, std::vector<unsigned>& visited,
                    unsigned generation, FirstBytes& out, const std::array<bool, 256>* avoid)
{
    const unsigned char* p = program.data();
    const int size = int(program.size());
    auto mark = [&](int byte) {
        out.map[byte] = 1;
        if (avoid && (*avoid)[byte])
            out.conflict = true;
    };
    // An explicit stack instead of recursion: a long chain of optional items must not exhaust
    // the call stack.
    std::vector<int> pending{start};
    while (!pending.empty() && !out.conflict) {
        int pc = pending.back();
        pending.pop_back();
        while (pc >= 0 && pc < size && visited[pc] != generation && !out.conflict) {
            visited[pc] = generation;
            const unsigned char op = p[pc];
            bool stop = true;
            switch (op) {
            case Cmatch_end:
                out.emptyMatch = 1;
                break;
            case Cline_start:
            case Cbuffer_start:
            case Cword_start:
            case Cword_end:
            case Cword_boundary:
            case Cnot_word_boundary:
                // These may hold at an earlier position of a loop where they fail at its end, so
                // a loop followed by one keeps its backtracking.
                if (avoid)
                    out.conflict = true;
                stop = false;
                pc += 1;
                break;
            case Cbuffer_end:
                stop = false;
                pc += 1;
                break;
            case Cgroup_open:
            case Cgroup_close:
                stop = false;
                pc += 2;
                break;
            case Cline_end:
                mark('\n');
                if (out.emptyMatch == 0)
                    out.emptyMatch = 2;
                break;
            case Cbyte:
                mark(p[pc + 1]);
                break;
            case Cbyte_set:
                for (int b = 0; b < 256; ++b)
                    if (setHas(p + pc + 1, static_cast<unsigned char>(b)))
                        mark(b);
                break;
            case Cany_byte:
                for (int b = 0; b < 256; ++b)
                    if (b != '\n')
                        mark(b);
                break;
            case Csyntax_class:
                for (int b = 0; b < 256; ++b)
                    if (re_syntax_table[b] == p[pc + 1])
                        mark(b);
                break;
            case Cnot_syntax_class:
                for (int b = 0; b < 256; ++b)
                    if (re_syntax_table[b] != p[pc + 1])
                        mark(b);
                break;
            case Cbackref:
                for (int b = 0; b < 256; ++b)
                    mark(b);
                out.emptyMatch = 1;
                break;
            case Cjump:
            case Cstar_jump:
            case Cloop_jump:
            case Cskip_failure_jump:
                stop = false;
                pc = jumpTarget(p, pc);
                break;
            case Cfailure_jump:
                pending.push_back(jumpTarget(p, pc));
                stop = false;
                pc += 3;
                break;
            default:
                DW_ASSERT(false, "Malformed regular-expression program");
            }
            if (stop)
                break;
        }
    }
}

void computeFastmap(const re_pattern_buffer& buffer, std::array<unsigned char, 256>& map, unsigned char& emptyMatch,
                    unsigned char& anchorKind)
{
    DW_PARAMETER_ASSERT(buffer.used() > 0);
    std::vector<unsigned> visited(buffer.buffer.size(), 0);
    FirstBytes first;
    walkFirstBytes(buffer.buffer, 0, visited, 1, first, nullptr);
    map = first.map;
    emptyMatch = first.emptyMatch;
    const unsigned char op = buffer.buffer[0];
    anchorKind = op == Cline_start ? 1 : op == Cbuffer_start ? 2 : 0;
}

namespace {

// Whether the single-byte test at `pc` accepts the (translated) byte.
bool acceptsByte(const unsigned char* p, int pc, unsigned char byte)
{
    switch (p[pc]) {
    case Cbyte:
        return byte == p[pc + 1];
    case Cbyte_set:
        return setHas(p + pc + 1, byte);
    case Cany_byte:
        return byte != '\n';
    case Csyntax_class:
        return re_syntax_table[byte] == p[pc + 1];
    case Cnot_syntax_class:
        return re_syntax_table[byte] != p[pc + 1];
    default:
        return false;
    }
}

bool isSingleByteTest(unsigned char op)
{
    return op == Cbyte || op == Cbyte_set || op == Cany_byte || op == Csyntax_class || op == Cnot_syntax_class;
}

// The body of a loop at the program's start when it is one single-byte test, else -1: `x*` is a
// failure jump, the test and the back jump; `x+` enters the same past the failure jump.
int leadingLoopTest(const std::vector<unsigned char>& program)
{
    const unsigned char* p = program.data();
    const int size = int(program.size());
    int loop = 0;
    if (size > 3 && p[0] == Cskip_failure_jump && jumpTarget(p, 0) == 6)
        loop = 3;
    if (loop + 3 >= size || p[loop] != Cfailure_jump)
        return -1;
    const int body = loop + 3;
    if (!isSingleByteTest(p[body]))
        return -1;
    const int back = body + instructionLength(p[body]);
    if (back + 3 > size || jumpTarget(p, loop) != back + 3)
        return -1;
    const bool goesRound =
        (p[back] == Cjump && jumpTarget(p, back) == loop) || (p[back] == Cloop_jump && jumpTarget(p, back) == body);
    return goesRound ? body : -1;
}

// Branch maps cost a walk per failure jump; a program with very many keeps its plain branches.
constexpr int kMaxBranchProgram = 1 << 16;
constexpr int kMaxBranches = 1000;

} // namespace

std::shared_ptr<const re_search_plan> makeSearchPlan(const re_pattern_buffer& buffer)
{
    const std::vector<unsigned char>& program = buffer.buffer;
    const unsigned char* p = program.data();
    const int size = int(program.size());
    DW_PARAMETER_ASSERT(size > 0);
    auto plan = std::make_shared<re_search_plan>();

    std::array<unsigned char, 256> translation;
    for (int b = 0; b < 256; ++b)
        translation[size_t(b)] = buffer.translation ? (*buffer.translation)[size_t(b)] : static_cast<unsigned char>(b);
    for (int b = 0; b < 256; ++b)
        plan->translates = plan->translates || translation[size_t(b)] != b;

    std::vector<unsigned> visited(program.size(), 0);
    unsigned generation = 0;
    FirstBytes start;
    walkFirstBytes(program, 0, visited, ++generation, start, nullptr);
    int firstCount = 0;
    for (int b = 0; b < 256; ++b) {
        plan->first[size_t(b)] = start.map[translation[size_t(b)]];
        if (plan->first[size_t(b)]) {
            ++firstCount;
            plan->onlyFirst = b;
        }
    }
    if (firstCount != 1)
        plan->onlyFirst = -1;
    plan->emptyMatch = start.emptyMatch;
    plan->anchorKind = p[0] == Cline_start ? 1 : p[0] == Cbuffer_start ? 2 : 0;

    int failureJumps = 0;
    std::vector<bool> loopExit(program.size() + 1, false);
    for (int pc = 0; pc < size; pc += instructionLength(p[pc])) {
        if (p[pc] == Cfailure_jump || p[pc] == Cskip_failure_jump)
            ++failureJumps;
        if (p[pc] == Cjump && jumpTarget(p, pc) < pc)
            loopExit[size_t(jumpTarget(p, jumpTarget(p, pc)))] = true;
        if (p[pc] == Cloop_jump)
            loopExit[size_t(jumpTarget(p, jumpTarget(p, pc) - 3))] = true;
    }
    plan->skipsExactly = failureJumps <= kMaxFailurePoints;

    const int loopTest = leadingLoopTest(program);
    if (loopTest >= 0) {
        plan->leadingLoop = true;
        for (int b = 0; b < 256; ++b)
            plan->loopBytes[size_t(b)] = acceptsByte(p, loopTest, translation[size_t(b)]);
    }

    // A failure point that resumes after a loop tells the loop whether an iteration consumed
    // anything, so only the failure jumps of other branches may be passed over.
    if (size <= kMaxBranchProgram && failureJumps <= kMaxBranches) {
        auto side = [&](int from, std::array<bool, 256>& bytes, bool& atEnd) {
            FirstBytes first;
            walkFirstBytes(program, from, visited, ++generation, first, nullptr);
            for (int b = 0; b < 256; ++b)
                bytes[size_t(b)] = first.emptyMatch == 1 || first.map[size_t(b)];
            atEnd = first.emptyMatch != 0;
        };
        for (int pc = 0; pc < size; pc += instructionLength(p[pc])) {
            if (p[pc] != Cfailure_jump || loopExit[size_t(jumpTarget(p, pc))])
                continue;
            if (plan->branchAt.empty())
                plan->branchAt.assign(program.size(), 0);
            re_search_plan::Branch& branch = plan->branches.emplace_back();
            side(pc + 3, branch.stay, branch.stayAtEnd);
            side(jumpTarget(p, pc), branch.jump, branch.jumpAtEnd);
            plan->branchAt[size_t(pc)] = uint16_t(plan->branches.size());
        }
    }
    return plan;
}

} // namespace regex_internal

namespace {

const char* const kOutOfMemory = "Out of memory";
const char* const kBadlyPlacedSpecial = "Badly placed special character";
const char* const kBadRegisterNumber = "Bad match register number";
const char* const kBadHexadecimal = "Bad hexadecimal number";
const char* const kBadlyPlacedParenthesis = "Badly placed parenthesis";
const char* const kEndsPrematurely = "Regular expression ends prematurely";
const char* const kTooComplex = "Regular expression too complex";

std::atomic<int> s_syntax{0};

constexpr int kMaxOpenJumps = 100;
constexpr int kMaxNesting = 99;
// Keeps every program offset far from int overflow; a pattern that big is refused as too complex.
constexpr int kMaxProgramSize = 1 << 30;

// ---------------------------------------------------------------------------------------------
// Compiler

enum class Op : unsigned char {
    Normal,
    Quote,
    AnyByte,
    Star,
    Plus,
    Optional,
    Set,
    LineStart,
    LineEnd,
    OpenGroup,
    CloseGroup,
    Alternation,
    Backref,
    WordByte,
    NotWordByte,
    WordStart,
    WordEnd,
    WordBoundary,
    NotWordBoundary,
    BufferStart,
    BufferEnd,
    RegisterNumber,
};

// The meaning of each byte alone and after a backslash, and the precedences, under one syntax.
struct OperatorTables
{
    std::array<Op, 256> plain{};
    std::array<Op, 256> quoted{};
    int alternationLevel = 2;
    int anchorLevel = 3;
    bool strictContext = false;
    bool ansiEscapes = false;
};

OperatorTables makeOperatorTables(int syntax)
{
    OperatorTables t;
    t.plain.fill(Op::Normal);
    t.quoted.fill(Op::Normal);
    t.plain['\\'] = Op::Quote;
    t.plain['.'] = Op::AnyByte;
    t.plain['*'] = Op::Star;
    t.plain['['] = Op::Set;
    t.plain['^'] = Op::LineStart;
    t.plain['$'] = Op::LineEnd;
    for (int c = '0'; c <= '9'; ++c)
        t.quoted[c] = Op::Backref;
    auto& plusQuestion = (syntax & syntax_quoted_plus_question) ? t.quoted : t.plain;
    plusQuestion['+'] = Op::Plus;
    plusQuestion['?'] = Op::Optional;
    auto& parens = (syntax & syntax_plain_parens) ? t.plain : t.quoted;
    parens['('] = Op::OpenGroup;
    parens[')'] = Op::CloseGroup;
    auto& bar = (syntax & syntax_plain_bar) ? t.plain : t.quoted;
    bar['|'] = Op::Alternation;
    if (syntax & syntax_newline_bar)
        t.plain['\n'] = Op::Alternation;
    if (!(syntax & syntax_no_extensions)) {
        t.quoted['w'] = Op::WordByte;
        t.quoted['W'] = Op::NotWordByte;
        t.quoted['<'] = Op::WordStart;
        t.quoted['>'] = Op::WordEnd;
        t.quoted['b'] = Op::WordBoundary;
        t.quoted['B'] = Op::NotWordBoundary;
        t.quoted['`'] = Op::BufferStart;
        t.quoted['\''] = Op::BufferEnd;
    }
    if (syntax & syntax_ansi_escapes)
        t.quoted['v'] = Op::RegisterNumber;
    if (syntax & syntax_tight_bar) {
        t.alternationLevel = 3;
        t.anchorLevel = 2;
    }
    t.strictContext = syntax & syntax_strict_context;
    t.ansiEscapes = syntax & syntax_ansi_escapes;
    return t;
}

// One pass over the pattern, left to right. Precedence levels: end of pattern 0, group closing 1,
// alternation and the anchors 2 and 3 (by syntax), everything else 4. Each open group keeps, per
// level, where the phrase at that level began; an alternation inserts its failure jump at the
// start of its phrase, a postfix operator at the start of the last item. Jumps that leave an
// alternative are resolved when the level drops below the alternation's.
class Compiler
{
public:
    Compiler(std::string_view pattern, const std::optional<std::array<unsigned char, 256>>& translation,
             const OperatorTables& tables, std::vector<unsigned char>& program, bool& recordsGroups)
        : m_pattern(pattern), m_translation(translation), m_ops(tables), m_program(program),
          m_recordsGroups(recordsGroups)
    {}

    const char* compile();

private:
    struct Frame
    {
        std::array<int, 5> levelStart{};
        int level = 0;
        int groupRegister = 0; // 0: the outermost frame or a group without a register
    };

    unsigned char translate(unsigned char c) const { return m_translation ? (*m_translation)[c] : c; }
    bool atEnd() const { return m_pos >= m_pattern.size(); }
    unsigned char nextByte() { return translate(static_cast<unsigned char>(m_pattern[m_pos++])); }
    int here() const { return int(m_program.size()); }
    bool fail(const char* error)
    {
        m_error = error;
        return false;
    }

    bool reserve(int extra);
    bool emit(unsigned char op);
    bool emit(unsigned char op, unsigned char operand);
    bool putJump(int at, unsigned char op, int target);
    bool insertJumps(int at, int count);
    bool closeJumpsFrom(int from);
    bool setLevel(int level);
    void beginItem();

    bool readAnsiEscape(unsigned char c, unsigned char& value);
    bool readTwoBytes(unsigned char& first, unsigned char& second);
    bool dollarIsAnchor() const;

    bool compileByte(unsigned char c);
    bool compileSet();
    bool compilePostfix(Op op, unsigned char c);
    bool compileAlternation();
    bool compileOpenGroup();
    bool compileCloseGroup();
    bool compileBackref(int reg);
    bool compileOperator(Op op, unsigned char c, bool escaped);

    std::string_view m_pattern;
    size_t m_pos = 0;
    const std::optional<std::array<unsigned char, 256>>& m_translation;
    const OperatorTables& m_ops;
    std::vector<unsigned char>& m_program;
    bool& m_recordsGroups;
    std::vector<Frame> m_frames;
    std::vector<int> m_openJumps; // offsets of alternation jumps awaiting their target, ascending
    bool m_atAlternativeStart = true;
    int m_nextRegister = 1;
    const char* m_error = nullptr;
};

bool Compiler::reserve(int extra)
{
    if (here() > kMaxProgramSize - extra)
        return fail(kTooComplex);
    return true;
}

bool Compiler::emit(unsigned char op)
{
    if (!reserve(1))
        return false;
    m_program.push_back(op);
    return true;
}

bool Compiler::emit(unsigned char op, unsigned char operand)
{
    if (!reserve(2))
        return false;
    m_program.push_back(op);
    m_program.push_back(operand);
    return true;
}

// Writes a jump at `at` (space already there). An offset that doesn't fit the 16-bit field is
// refused rather than truncated, which would send the matcher into the wrong instruction.
bool Compiler::putJump(int at, unsigned char op, int target)
{
    const int offset = target - (at + 3);
    if (offset < INT16_MIN || offset > INT16_MAX)
        return fail(kTooComplex);
    m_program[at] = op;
    m_program[at + 1] = static_cast<unsigned char>(offset & 0xff);
    m_program[at + 2] = static_cast<unsigned char>((offset >> 8) & 0xff);
    return true;
}

// Opens room for `count` jumps at `at`. The code after `at` is the current item or alternative:
// its own jumps are relative and stay valid; what the compiler remembers beyond `at` moves along.
bool Compiler::insertJumps(int at, int count)
{
    const int bytes = 3 * count;
    if (!reserve(bytes))
        return false;
    m_program.insert(m_program.begin() + at, size_t(bytes), static_cast<unsigned char>(0));
    for (int& start : m_frames.back().levelStart)
        if (start > at)
            start += bytes;
    for (int& jump : m_openJumps)
        if (jump >= at)
            jump += bytes;
    return true;
}

bool Compiler::closeJumpsFrom(int from)
{
    while (!m_openJumps.empty() && m_openJumps.back() >= from) {
        if (!putJump(m_openJumps.back(), Cjump, here()))
            return false;
        m_openJumps.pop_back();
    }
    return true;
}

bool Compiler::setLevel(int level)
{
    Frame& frame = m_frames.back();
    if (level > frame.level) {
        for (int l = frame.level + 1; l <= level; ++l)
            frame.levelStart[l] = here();
        frame.level = level;
    } else if (level < frame.level) {
        frame.level = level;
        return closeJumpsFrom(frame.levelStart[level]);
    }
    return true;
}

void Compiler::beginItem()
{
    setLevel(4); // raising a level never fails
    m_frames.back().levelStart[4] = here();
    m_atAlternativeStart = false;
}

bool Compiler::readTwoBytes(unsigned char& first, unsigned char& second)
{
    if (m_pattern.size() - m_pos < 2) {
        m_pos = m_pattern.size();
        return fail(kEndsPrematurely);
    }
    first = nextByte();
    second = nextByte();
    return true;
}

// `c` is the (translated) byte after a backslash that has no operator meaning.
bool Compiler::readAnsiEscape(unsigned char c, unsigned char& value)
{
    switch (c) {
    case 'a':
    case 'A':
        value = translate(7);
        return true;
    case 'b':
    case 'B':
        value = translate(8);
        return true;
    case 'f':
    case 'F':
        value = translate(12);
        return true;
    case 'n':
    case 'N':
        value = translate(10);
        return true;
    case 'r':
    case 'R':
        value = translate(13);
        return true;
    case 't':
    case 'T':
        value = translate(9);
        return true;
    case 'v':
    case 'V':
        value = translate(11);
        return true;
    case 'x':
    case 'X': {
        unsigned char high, low;
        if (!readTwoBytes(high, low))
            return false;
        if (dw::hexDigitValue(high) < 0 || dw::hexDigitValue(low) < 0)
            return fail(kBadHexadecimal);
        // Translated like every other pattern byte, so that it can meet translated text.
        value = translate(static_cast<unsigned char>(dw::hexDigitValue(high) * 16 + dw::hexDigitValue(low)));
        return true;
    }
    default:
        value = c;
        return true;
    }
}

// `$` anchors only where nothing can follow it in its phrase: at the end of the pattern, or
// before a group closing or an alternation as written in the current syntax.
bool Compiler::dollarIsAnchor() const
{
    if (atEnd())
        return true;
    const Op next = m_ops.plain[translate(static_cast<unsigned char>(m_pattern[m_pos]))];
    if (next == Op::CloseGroup || next == Op::Alternation)
        return true;
    if (next == Op::Quote && m_pos + 1 < m_pattern.size()) {
        const Op quoted = m_ops.quoted[translate(static_cast<unsigned char>(m_pattern[m_pos + 1]))];
        return quoted == Op::CloseGroup || quoted == Op::Alternation;
    }
    return false;
}

bool Compiler::compileByte(unsigned char c)
{
    beginItem();
    return emit(Cbyte, c);
}

bool Compiler::compileSet()
{
    std::array<unsigned char, 32> bits{};
    auto add = [&](int c) { bits[c / 8] |= static_cast<unsigned char>(1 << (c % 8)); };
    auto readMember = [&](unsigned char& c) {
        c = nextByte();
        if (m_ops.ansiEscapes && c == '\\') {
            if (atEnd())
                return fail(kEndsPrematurely);
            return readAnsiEscape(nextByte(), c);
        }
        return true;
    };
    auto nextIs = [&](size_t at, unsigned char c) {
        return at < m_pattern.size() && translate(static_cast<unsigned char>(m_pattern[at])) == c;
    };

    if (atEnd())
        return fail(kEndsPrematurely);
    const bool negate = nextIs(m_pos, '^');
    if (negate)
        ++m_pos;
    for (bool first = true;; first = false) {
        if (atEnd())
            return fail(kEndsPrematurely);
        if (!first && nextIs(m_pos, ']')) {
            ++m_pos;
            break;
        }
        unsigned char low;
        if (!readMember(low))
            return false;
        if (nextIs(m_pos, '-') && m_pos + 1 < m_pattern.size() && !nextIs(m_pos + 1, ']')) {
            ++m_pos;
            unsigned char high;
            if (!readMember(high))
                return false;
            for (int c = low; c <= high; ++c)
                add(c);
            // A '-' right after a range is a member, not the start of another range.
            if (nextIs(m_pos, '-')) {
                ++m_pos;
                add('-');
            }
        } else {
            add(low);
        }
    }
    if (negate)
        for (auto& byte : bits)
            byte = static_cast<unsigned char>(~byte);

    beginItem();
    if (!reserve(33))
        return false;
    m_program.push_back(Cbyte_set);
    m_program.insert(m_program.end(), bits.begin(), bits.end());
    return true;
}

bool Compiler::compilePostfix(Op op, unsigned char c)
{
    if (m_atAlternativeStart) {
        if (m_ops.strictContext)
            return fail(kBadlyPlacedSpecial);
        return compileByte(c);
    }
    setLevel(4);
    const int at = m_frames.back().levelStart[4];
    if (at == here())
        return true; // nothing to repeat: right after ^, $ or a zero-width test
    switch (op) {
    case Op::Optional:
        return insertJumps(at, 1) && putJump(at, Cfailure_jump, here());
    case Op::Star:
        // at: failure jump past the loop; item; back jump to the failure jump.
        return insertJumps(at, 1) && putJump(at, Cfailure_jump, here() + 3) && reserve(3) &&
               (m_program.resize(m_program.size() + 3), putJump(here() - 3, Cstar_jump, at));
    case Op::Plus:
        // As `*`, entered past its failure jump so that the item runs at least once.
        return insertJumps(at, 2) && putJump(at, Cskip_failure_jump, at + 6) &&
               putJump(at + 3, Cfailure_jump, here() + 3) && reserve(3) &&
               (m_program.resize(m_program.size() + 3), putJump(here() - 3, Cstar_jump, at + 3));
    default:
        DW_ASSERT(false, "Not a postfix operator");
        return false;
    }
}

bool Compiler::compileAlternation()
{
    const int level = m_ops.alternationLevel;
    if (!setLevel(level))
        return false;
    if (int(m_openJumps.size()) >= kMaxOpenJumps)
        return fail(kTooComplex);
    Frame& frame = m_frames.back();
    const int at = frame.levelStart[level];
    // at: failure jump to the next alternative; this alternative; jump out (resolved later).
    if (!insertJumps(at, 1) || !putJump(at, Cfailure_jump, here() + 3) || !reserve(3))
        return false;
    m_openJumps.push_back(here());
    m_program.resize(m_program.size() + 3);
    m_program[m_openJumps.back()] = Cjump;
    frame.levelStart[level] = here();
    m_atAlternativeStart = true;
    return true;
}

bool Compiler::compileOpenGroup()
{
    if (int(m_frames.size()) - 1 >= kMaxNesting)
        return fail(kTooComplex);
    beginItem();
    int reg = 0;
    if (m_nextRegister < kNumRegisters) {
        reg = m_nextRegister++;
        if (!emit(Cgroup_open, static_cast<unsigned char>(reg)))
            return false;
        m_recordsGroups = true;
    }
    Frame frame;
    frame.levelStart.fill(here());
    frame.groupRegister = reg;
    m_frames.push_back(frame);
    m_atAlternativeStart = true;
    return true;
}

bool Compiler::compileCloseGroup()
{
    if (m_frames.size() == 1)
        return fail(kBadlyPlacedParenthesis);
    if (!setLevel(1))
        return false;
    const int reg = m_frames.back().groupRegister;
    m_frames.pop_back();
    m_atAlternativeStart = false;
    // The parent's item start still points at the group's opening, so a postfix repeats the group.
    return reg == 0 || emit(Cgroup_close, static_cast<unsigned char>(reg));
}

bool Compiler::compileBackref(int reg)
{
    if (reg < 1 || reg >= kNumRegisters)
        return fail(kBadRegisterNumber);
    beginItem();
    m_recordsGroups = true;
    return emit(Cbackref, static_cast<unsigned char>(reg));
}

bool Compiler::compileOperator(Op op, unsigned char c, bool escaped)
{
    switch (op) {
    case Op::Quote: // never the meaning of an escaped byte
    case Op::Normal:
        if (escaped && m_ops.ansiEscapes && !readAnsiEscape(c, c))
            return false;
        return compileByte(c);
    case Op::AnyByte:
        beginItem();
        return emit(Cany_byte);
    case Op::Set:
        return compileSet();
    case Op::Star:
    case Op::Plus:
    case Op::Optional:
        return compilePostfix(op, c);
    case Op::LineStart: {
        const bool anchor = m_atAlternativeStart;
        if (!anchor && m_ops.strictContext)
            return fail(kBadlyPlacedSpecial);
        if (!setLevel(m_ops.anchorLevel))
            return false;
        m_atAlternativeStart = false;
        return anchor ? emit(Cline_start) : emit(Cbyte, c);
    }
    case Op::LineEnd: {
        const bool anchor = dollarIsAnchor();
        if (!anchor && m_ops.strictContext)
            return fail(kBadlyPlacedSpecial);
        if (!setLevel(m_ops.anchorLevel))
            return false;
        m_atAlternativeStart = false;
        return anchor ? emit(Cline_end) : emit(Cbyte, c);
    }
    case Op::OpenGroup:
        return compileOpenGroup();
    case Op::CloseGroup:
        return compileCloseGroup();
    case Op::Alternation:
        return compileAlternation();
    case Op::Backref:
        return compileBackref(c - '0');
    case Op::RegisterNumber: {
        unsigned char tens, units;
        if (!readTwoBytes(tens, units))
            return false;
        if (tens < '0' || tens > '9' || units < '0' || units > '9')
            return fail(kBadRegisterNumber);
        return compileBackref((tens - '0') * 10 + (units - '0'));
    }
    case Op::WordByte:
    case Op::NotWordByte:
        beginItem();
        return emit(op == Op::WordByte ? Csyntax_class : Cnot_syntax_class, kWordClass);
    case Op::WordStart:
    case Op::WordEnd:
    case Op::WordBoundary:
    case Op::NotWordBoundary:
    case Op::BufferStart:
    case Op::BufferEnd: {
        static constexpr unsigned char codes[] = {Cword_start,        Cword_end,     Cword_boundary,
                                                  Cnot_word_boundary, Cbuffer_start, Cbuffer_end};
        // A zero-width test is no item: a postfix operator after it repeats nothing.
        setLevel(4);
        m_atAlternativeStart = false;
        if (!emit(codes[int(op) - int(Op::WordStart)]))
            return false;
        m_frames.back().levelStart[4] = here();
        return true;
    }
    }
    return true;
}

const char* Compiler::compile()
{
    m_frames.push_back(Frame{});
    while (!atEnd()) {
        unsigned char c = nextByte();
        Op op = m_ops.plain[c];
        const bool escaped = op == Op::Quote;
        if (escaped) {
            if (atEnd())
                return kEndsPrematurely;
            c = nextByte();
            op = m_ops.quoted[c];
        }
        if (!compileOperator(op, c, escaped))
            return m_error;
    }
    if (m_frames.size() > 1)
        return kBadlyPlacedParenthesis;
    if (!setLevel(0) || !emit(Cmatch_end))
        return m_error;
    return nullptr;
}

// Finishes the program once compiled: every loop's back jump is decided here, never while
// matching, so that a compiled pattern is read-only afterwards.
//
// A greedy loop whose body starts with a single-byte test that the rest of the program can never
// begin with gains nothing from backtracking into earlier iterations: its back jump becomes a
// Cloop_jump that moves the loop's one failure point along instead of pushing a new one per
// iteration. Every other loop jumps back to its failure jump.
void finishLoops(std::vector<unsigned char>& program)
{
    const int size = int(program.size());
    std::vector<unsigned> visited(program.size(), 0);
    unsigned generation = 0;
    unsigned char* p = program.data();
    for (int pc = 0; pc < size; pc += instructionLength(p[pc])) {
        if (p[pc] != Cstar_jump)
            continue;
        const int loopStart = jumpTarget(p, pc);
        DW_ASSERT(p[loopStart] == Cfailure_jump, "Malformed regular-expression loop");
        const int bodyStart = loopStart + 3;

        int q = bodyStart;
        while (q < pc && isPassedOverInLoopBody(p[q]))
            q += instructionLength(p[q]);

        std::array<bool, 256> first{};
        bool rewrite = q < pc;
        if (rewrite) {
            switch (p[q]) {
            case Cbyte:
                first[p[q + 1]] = true;
                break;
            case Cbyte_set:
                for (int b = 0; b < 256; ++b)
                    first[b] = setHas(p + q + 1, static_cast<unsigned char>(b));
                break;
            case Cany_byte:
                first.fill(true);
                first['\n'] = false;
                break;
            default:
                rewrite = false;
            }
        }
        for (int r = q + instructionLength(p[q]); rewrite && r < pc; r += instructionLength(p[r]))
            if (isJump(p[r]))
                rewrite = false;
        if (rewrite) {
            FirstBytes follow;
            walkFirstBytes(program, pc + 3, visited, ++generation, follow, &first);
            rewrite = !follow.conflict;
        }
        if (rewrite) {
            const int offset = bodyStart - (pc + 3);
            p[pc] = Cloop_jump;
            p[pc + 1] = static_cast<unsigned char>(offset & 0xff);
            p[pc + 2] = static_cast<unsigned char>((offset >> 8) & 0xff);
        } else {
            p[pc] = Cjump;
        }
    }
}

// A compiled program is trusted by the matcher; make sure every jump lands on an instruction.
void checkProgram(const std::vector<unsigned char>& program)
{
    const int size = int(program.size());
    std::vector<bool> starts(program.size(), false);
    int pc = 0;
    while (pc < size) {
        const int length = instructionLength(program[pc]);
        DW_ASSERT(length > 0 && pc + length <= size, "Malformed regular-expression program");
        starts[pc] = true;
        pc += length;
    }
    for (pc = 0; pc < size; pc += instructionLength(program[pc])) {
        if (isJump(program[pc])) {
            const int target = jumpTarget(program.data(), pc);
            DW_ASSERT(target >= 0 && target < size && starts[target], "Malformed regular-expression program");
        }
    }
    DW_ASSERT(size > 0 && program[size - 1] == Cmatch_end, "Malformed regular-expression program");
}

} // namespace

// ---------------------------------------------------------------------------------------------

int re_set_syntax(int syntax)
{
    return s_syntax.exchange(syntax);
}

const char* re_compile_pattern(std::string_view pattern, re_pattern_buffer& buffer)
{
    const OperatorTables tables = makeOperatorTables(s_syntax.load());
    buffer.buffer.clear();
    buffer.fastmap_valid = false;
    buffer.records_groups = false;
    buffer.plan.reset();
    const char* error = nullptr;
    try {
        Compiler compiler(pattern, buffer.translation, tables, buffer.buffer, buffer.records_groups);
        error = compiler.compile();
        if (!error) {
            checkProgram(buffer.buffer);
            finishLoops(buffer.buffer);
            buffer.plan = makeSearchPlan(buffer);
        }
    } catch (const std::bad_alloc&) {
        error = kOutOfMemory;
    }
    if (error) {
        // A partial program has no Cmatch_end; nothing may run it.
        buffer.buffer.clear();
        buffer.buffer.shrink_to_fit();
        buffer.records_groups = false;
        return error;
    }
    if (buffer.fastmap)
        re_compile_fastmap(buffer);
    return nullptr;
}

void re_compile_fastmap(re_pattern_buffer& buffer)
{
    if (!buffer.fastmap || buffer.fastmap_valid)
        return;
    computeFastmap(buffer, *buffer.fastmap, buffer.empty_match, buffer.anchor_kind);
    buffer.fastmap_valid = true;
}

// ---------------------------------------------------------------------------------------------
// The single-pattern interface

namespace {

std::mutex s_compMutex;

re_pattern_buffer& compBuffer()
{
    static re_pattern_buffer buffer;
    return buffer;
}

} // namespace

const char* re_comp(const char* pattern)
{
    std::lock_guard lock(s_compMutex);
    re_pattern_buffer& buffer = compBuffer();
    if (!pattern)
        return buffer.used() > 0 ? nullptr : kOutOfMemory;
    if (!buffer.fastmap)
        buffer.fastmap.emplace();
    return re_compile_pattern(pattern, buffer);
}

int re_exec(const char* text)
{
    std::lock_guard lock(s_compMutex);
    const re_pattern_buffer& buffer = compBuffer();
    if (buffer.used() == 0 || !text)
        return 0;
    const std::string_view subject(text);
    const int size = checkedSize(subject);
    return re_search_pattern(buffer, subject, 0, size, nullptr) >= 0 ? 1 : 0;
}

} // namespace dw
