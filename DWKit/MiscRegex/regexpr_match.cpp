#include "DWKit/MiscRegex/regexpr_p.h"

#include <algorithm>
#include <cstring>

namespace dw {

using namespace regex_internal;

namespace {

// The matcher keeps the registers in one block of slots: where each group's opening was passed,
// then the start and the end of its last completed match.
constexpr int kOpenSlot = 0;
constexpr int kStartSlot = kNumRegisters;
constexpr int kEndSlot = 2 * kNumRegisters;
constexpr int kSlots = 3 * kNumRegisters;
static_assert(kSlots <= 32, "slots are tracked in a 32-bit set");

struct FailurePoint
{
    int text; // -1: an empty point, discarded when popped
    int pc;
    int pushedAt;  // text position when pushed, also for an empty point
    int trailMark; // undoing the trail down to here restores the registers as they were at the push
    int trailBase; // the trail's size at the push; a loop that moves the point along moves only the mark
    uint64_t era;  // register changes made while this point is the newest are stamped with this
};

// A register's value before a change, so that backtracking can put it back.
struct UndoEntry
{
    int slot;
    int value;
};

// What a loop does at the end of an iteration.
enum class LoopStep { Again, Fail, Leave };

const std::array<unsigned char, 256> kIdentity = [] {
    std::array<unsigned char, 256> table{};
    for (int b = 0; b < 256; ++b)
        table[size_t(b)] = static_cast<unsigned char>(b);
    return table;
}();

class Matcher
{
public:
    Matcher(const re_pattern_buffer& buffer, const re_search_plan* plan, std::string_view part1, std::string_view part2,
            int stop)
        : m_program(buffer.buffer.data()),
          m_translation(buffer.translation && (!plan || plan->translates) ? buffer.translation->data()
                                                                          : kIdentity.data()),
          m_recordsGroups(buffer.records_groups), m_part1(part1), m_part2(part2), m_size1(int(part1.size())),
          m_stop(stop)
    {
        if (plan && !plan->branchAt.empty()) {
            m_branchAt = plan->branchAt.data();
            m_branches = plan->branches.data();
        }
        m_stack.reserve(kInitialFailurePoints);
    }

    unsigned char rawByteAt(int i) const
    {
        return static_cast<unsigned char>(i < m_size1 ? m_part1[size_t(i)] : m_part2[size_t(i - m_size1)]);
    }
    unsigned char byteAt(int i) const { return m_translation[rawByteAt(i)]; }
    int stop() const { return m_stop; }

    // The first position of [from, to) whose byte, before translation, is in `bytes` (or is
    // `only` when that is not -1); `to` when there is none.
    int scan(int from, int to, const std::array<bool, 256>& bytes, int only) const
    {
        while (from < to) {
            const bool inFirst = from < m_size1;
            const auto* text = reinterpret_cast<const unsigned char*>(inFirst ? m_part1.data() + from
                                                                              : m_part2.data() + (from - m_size1));
            const int count = (inFirst ? std::min(to, m_size1) : to) - from;
            if (only >= 0) {
                if (const void* hit = std::memchr(text, only, size_t(count)))
                    return from + int(static_cast<const unsigned char*>(hit) - text);
            } else {
                int i = 0;
                while (i + 4 <= count &&
                       bytes[text[i]] + bytes[text[i + 1]] + bytes[text[i + 2]] + bytes[text[i + 3]] == 0)
                    i += 4;
                for (; i < count; ++i)
                    if (bytes[text[i]])
                        return from + i;
            }
            from += count;
        }
        return to;
    }

    int match(int position, re_match_registers* registers);

private:
    LoopStep loopStep(int loopStart, int d) const;
    bool push(int text, int target, int d);
    void setRegister(int slot, int value);
    void moveNewestPoint(int d);
    bool backtrack(int& d, int& pc);
    bool isWordBefore(int d) const { return d > 0 && re_syntax_table[byteAt(d - 1)] == kWordClass; }
    bool isWordAt(int d) const { return d < m_stop && re_syntax_table[byteAt(d)] == kWordClass; }

    const unsigned char* m_program;
    const unsigned char* m_translation;
    bool m_recordsGroups;
    std::string_view m_part1;
    std::string_view m_part2;
    int m_size1;
    int m_stop;
    const uint16_t* m_branchAt = nullptr;
    const re_search_plan::Branch* m_branches = nullptr;

    std::vector<FailurePoint> m_stack;
    std::array<int, kSlots> m_registers;
    // Backtracking undoes register changes instead of each failure point keeping a copy of all
    // registers: a change is written to the trail the first time a register changes while a
    // failure point is the newest, which the register's stamp tells.
    std::vector<UndoEntry> m_trail;
    std::array<uint64_t, kSlots> m_stamps;
    uint64_t m_era = 0; // of the newest failure point; 0 with none, when no change needs undoing
    uint64_t m_eras = 0;
};

// At the end of an iteration of the loop whose failure jump is at `loopStart`. The newest failure
// point that resumes after the loop was pushed when the iteration began. An iteration that
// consumed nothing would go round for ever, each time pushing a failure point, and end in -2 for a
// pattern as plain as `\(a*\)*`. It fails instead, and that failure point resumes after the loop,
// once. The first iteration of a `+` loop began at an empty point, which resumes nothing: when it
// consumed nothing, the match leaves the loop itself.
LoopStep Matcher::loopStep(int loopStart, int d) const
{
    const int exit = jumpTarget(m_program, loopStart);
    for (auto point = m_stack.rbegin(); point != m_stack.rend(); ++point) {
        if (point->pc != exit)
            continue;
        if (point->pushedAt != d)
            return LoopStep::Again;
        return point->text < 0 ? LoopStep::Leave : LoopStep::Fail;
    }
    return LoopStep::Again;
}

bool Matcher::push(int text, int target, int d)
{
    if (int(m_stack.size()) >= kMaxFailurePoints)
        return false;
    const int mark = int(m_trail.size());
    m_era = ++m_eras;
    m_stack.push_back(FailurePoint{text, target, d, mark, mark, m_era});
    return true;
}

void Matcher::setRegister(int slot, int value)
{
    if (m_stamps[size_t(slot)] != m_era) {
        m_stamps[size_t(slot)] = m_era;
        m_trail.push_back(UndoEntry{slot, m_registers[size_t(slot)]});
    }
    m_registers[size_t(slot)] = value;
}

// The loop's failure point now resumes after this iteration, with the registers as they are. The
// trail above the point's base keeps, for older points, only each register's first entry (its
// value when the point was pushed), so that a long loop does not grow the trail.
void Matcher::moveNewestPoint(int d)
{
    FailurePoint& point = m_stack.back();
    point.text = d;
    point.pushedAt = d;
    if (int(m_trail.size()) > point.trailBase) {
        uint32_t seen = 0;
        size_t kept = size_t(point.trailBase);
        for (size_t i = kept; i < m_trail.size(); ++i) {
            const uint32_t bit = uint32_t(1) << m_trail[i].slot;
            if (!(seen & bit)) {
                seen |= bit;
                m_trail[kept++] = m_trail[i];
            }
        }
        m_trail.resize(kept);
    }
    point.trailMark = int(m_trail.size());
    point.era = m_era = ++m_eras;
}

// Back to the newest failure point that has a position, with the registers as they were.
bool Matcher::backtrack(int& d, int& pc)
{
    for (;;) {
        if (m_stack.empty())
            return false;
        const FailurePoint point = m_stack.back();
        m_stack.pop_back();
        if (point.text < 0)
            continue;
        for (size_t i = m_trail.size(); i > size_t(point.trailMark); --i)
            m_registers[size_t(m_trail[i - 1].slot)] = m_trail[i - 1].value;
        m_trail.resize(size_t(point.trailMark));
        d = point.text;
        pc = point.pc;
        if (m_stack.empty()) {
            m_era = 0;
            m_trail.clear();
        } else {
            m_era = m_stack.back().era;
        }
        return true;
    }
}

int Matcher::match(int position, re_match_registers* registers)
{
    const unsigned char* p = m_program;
    int pc = 0;
    int d = position;
    m_stack.clear();
    m_trail.clear();
    m_era = 0;
    m_eras = 0;
    if (m_recordsGroups) {
        m_registers.fill(-1);
        m_stamps.fill(0);
    }

    for (;;) {
        bool ok = true;
        const unsigned char op = p[pc];
        switch (op) {
        case Cmatch_end:
            if (registers) {
                registers->start.fill(-1);
                registers->end.fill(-1);
                registers->start[0] = position;
                registers->end[0] = d;
                if (m_recordsGroups) {
                    for (size_t r = 1; r < size_t(kNumRegisters); ++r) {
                        if (m_registers[kEndSlot + r] >= 0) {
                            registers->start[r] = m_registers[kStartSlot + r];
                            registers->end[r] = m_registers[kEndSlot + r];
                        }
                    }
                }
            }
            return d - position;
        case Cline_start:
            ok = d == 0 || byteAt(d - 1) == '\n';
            pc += 1;
            break;
        case Cline_end:
            ok = d == m_stop || byteAt(d) == '\n';
            pc += 1;
            break;
        case Cbyte_set:
            ok = d < m_stop && setHas(p + pc + 1, byteAt(d));
            ++d;
            pc += 33;
            break;
        case Cbyte:
            ok = d < m_stop && byteAt(d) == p[pc + 1];
            ++d;
            pc += 2;
            break;
        case Cany_byte:
            ok = d < m_stop && byteAt(d) != '\n';
            ++d;
            pc += 1;
            break;
        case Cgroup_open:
            setRegister(kOpenSlot + p[pc + 1], d);
            pc += 2;
            break;
        case Cgroup_close: {
            const int r = p[pc + 1];
            setRegister(kStartSlot + r, m_registers[size_t(kOpenSlot + r)]);
            setRegister(kEndSlot + r, d);
            pc += 2;
            break;
        }
        case Cbackref: {
            const size_t r = p[pc + 1];
            pc += 2;
            const int start = m_registers[kStartSlot + r];
            const int end = m_registers[kEndSlot + r];
            if (end < 0 || end - start > m_stop - d) {
                ok = false;
                break;
            }
            for (int i = start; i < end && ok; ++i, ++d)
                ok = byteAt(i) == byteAt(d);
            break;
        }
        case Cjump: {
            const int target = jumpTarget(p, pc);
            // The only backward jumps are loops going round again.
            const LoopStep step = target < pc ? loopStep(target, d) : LoopStep::Again;
            if (step == LoopStep::Again)
                pc = target;
            else if (step == LoopStep::Leave)
                pc = jumpTarget(p, target);
            else
                ok = false;
            break;
        }
        case Cfailure_jump: {
            const int target = jumpTarget(p, pc);
            if (m_branchAt && m_branchAt[pc]) {
                // A side that cannot begin a match here is passed over without a failure point.
                const re_search_plan::Branch& branch = m_branches[m_branchAt[pc] - 1];
                const bool stay = d < m_stop ? branch.stay[byteAt(d)] : branch.stayAtEnd;
                const bool jump = d < m_stop ? branch.jump[byteAt(d)] : branch.jumpAtEnd;
                if (!jump) {
                    ok = stay;
                    pc += 3;
                    break;
                }
                if (!stay) {
                    pc = target;
                    break;
                }
            }
            if (!push(d, target, d))
                return -2;
            pc += 3;
            break;
        }
        case Cloop_jump:
            DW_ASSERT(!m_stack.empty(), "Malformed regular-expression loop");
            moveNewestPoint(d);
            pc = jumpTarget(p, pc);
            break;
        case Cskip_failure_jump: {
            const int loop = pc + 3;
            DW_ASSERT(p[loop] == Cfailure_jump, "Malformed regular-expression loop");
            if (!push(-1, jumpTarget(p, loop), d))
                return -2;
            pc = jumpTarget(p, pc);
            break;
        }
        case Cbuffer_start:
            ok = d == 0;
            pc += 1;
            break;
        case Cbuffer_end:
            ok = d == m_stop;
            pc += 1;
            break;
        case Cword_start:
            ok = isWordAt(d) && !isWordBefore(d);
            pc += 1;
            break;
        case Cword_end:
            ok = isWordBefore(d) && !isWordAt(d);
            pc += 1;
            break;
        case Cword_boundary:
            ok = d == 0 || d == m_stop || isWordBefore(d) != isWordAt(d);
            pc += 1;
            break;
        case Cnot_word_boundary:
            ok = d != 0 && d != m_stop && isWordBefore(d) == isWordAt(d);
            pc += 1;
            break;
        case Csyntax_class:
            ok = d < m_stop && re_syntax_table[byteAt(d)] == p[pc + 1];
            ++d;
            pc += 2;
            break;
        case Cnot_syntax_class:
            ok = d < m_stop && re_syntax_table[byteAt(d)] != p[pc + 1];
            ++d;
            pc += 2;
            break;
        default:
            DW_ASSERT(false, "Malformed regular-expression program");
        }
        if (!ok && !backtrack(d, pc))
            return -1;
    }
}

// Whether a match may start at `position` as far as the plan can tell.
inline bool mayStartAt(const Matcher& matcher, const re_search_plan& plan, int position)
{
    if (plan.emptyMatch != 1) {
        if (position < matcher.stop() ? !plan.first[matcher.rawByteAt(position)] : plan.emptyMatch != 2)
            return false;
    }
    return plan.anchorKind != 1 || position == 0 || matcher.byteAt(position - 1) == '\n';
}

// The first position from `position` up to `last` where a match may start, or last + 1.
int nextCandidate(const Matcher& matcher, const re_search_plan& plan, int position, int last)
{
    while (position <= last) {
        if (plan.emptyMatch != 1 && position < matcher.stop()) {
            const int end = std::min(last + 1, matcher.stop());
            position = matcher.scan(position, end, plan.first, plan.onlyFirst);
            if (position == end && (end != matcher.stop() || plan.emptyMatch != 2))
                return last + 1;
        } else if (plan.emptyMatch == 0) {
            return last + 1;
        }
        if (plan.anchorKind != 1 || position == 0 || matcher.byteAt(position - 1) == '\n')
            return position;
        ++position;
    }
    return position;
}

} // namespace

// ---------------------------------------------------------------------------------------------

int re_match_pattern_2(const re_pattern_buffer& buffer, std::string_view part1, std::string_view part2, int position,
                       re_match_registers* registers, int stop)
{
    const int size1 = checkedSize(part1);
    const int size2 = checkedSize(part2);
    DW_PARAMETER_ASSERT(size2 <= INT_MAX - size1);
    DW_PARAMETER_ASSERT(position >= 0 && position <= stop && stop <= size1 + size2);
    DW_PARAMETER_ASSERT(buffer.used() > 0);
    Matcher matcher(buffer, buffer.plan.get(), part1, part2, stop);
    return matcher.match(position, registers);
}

int re_match_pattern(const re_pattern_buffer& buffer, std::string_view text, int position,
                     re_match_registers* registers)
{
    return re_match_pattern_2(buffer, text, {}, position, registers, checkedSize(text));
}

int re_search_pattern_2(const re_pattern_buffer& buffer, std::string_view part1, std::string_view part2, int start,
                        int range, re_match_registers* registers, int stop)
{
    const int size1 = checkedSize(part1);
    const int size2 = checkedSize(part2);
    DW_PARAMETER_ASSERT(size2 <= INT_MAX - size1);
    const int total = size1 + size2;
    DW_PARAMETER_ASSERT(start >= 0 && start <= stop && stop <= total);
    DW_PARAMETER_ASSERT(range >= -start && range <= total - start);
    DW_PARAMETER_ASSERT(buffer.used() > 0);

    // A pattern that did not come from the compiler has no plan: make one for this search.
    std::shared_ptr<const re_search_plan> localPlan;
    const re_search_plan* plan = buffer.plan.get();
    if (!plan) {
        localPlan = makeSearchPlan(buffer);
        plan = localPlan.get();
    }
    // With a first-byte map the caller asked to pass over the positions where no match can start;
    // without one, that is done only where it cannot change an answer.
    const bool skips = buffer.fastmap || plan->skipsExactly;

    if (plan->anchorKind == 2 && buffer.fastmap) {
        // With a first-byte map only a search that starts at the text start is tried, even one
        // that runs backwards to it.
        if (start != 0)
            return -1;
        range = 0;
    } else if (plan->anchorKind == 2 && skips) {
        if (range >= 0 ? start != 0 : start + range != 0)
            return -1;
        start = 0;
        range = 0;
    }
    // Positions past `stop` could never start a match.
    const int last = std::min(start + range, stop);
    Matcher matcher(buffer, plan, part1, part2, stop);

    if (range < 0) {
        for (int position = start;; --position) {
            if (!skips || mayStartAt(matcher, *plan, position)) {
                const int length = matcher.match(position, registers);
                if (length >= 0)
                    return position;
                if (length == -2)
                    return -2;
            }
            if (position <= last)
                return -1;
        }
    }

    for (int position = start;;) {
        if (skips) {
            position = nextCandidate(matcher, *plan, position, last);
            if (position > last)
                return -1;
        }
        const int length = matcher.match(position, registers);
        if (length >= 0)
            return position;
        if (length == -2)
            return -2;
        int next = position + 1;
        if (plan->leadingLoop) {
            int end = position;
            while (end < stop && plan->loopBytes[matcher.rawByteAt(end)])
                ++end;
            if (end > position)
                next = end + 1;
        }
        if (next > last)
            return -1;
        position = next;
    }
}

int re_search_pattern(const re_pattern_buffer& buffer, std::string_view text, int start, int range,
                      re_match_registers* registers)
{
    return re_search_pattern_2(buffer, text, {}, start, range, registers, checkedSize(text));
}

} // namespace dw
