// Our regular-expression engine against the C library's POSIX regcomp()/regexec() on the same
// patterns and texts. Our patterns are compiled as the string operations compile them (an
// identity translation table, no first-byte map); the C library's in its basic syntax with the
// GNU operators \| \+ \?, with REG_NEWLINE where a pattern anchors at line starts. Each text is
// some 64 KB of words on short lines with the match, if any, in its last line. Both engines must
// find the same match start, else the case reports an error.
//
// After the usual table the program prints, per pattern, our processor time divided by the C
// library's (processor time, since other programs may share the machine).

#include "DWKit/MiscRegex/regexpr.h"

#include <benchmark/benchmark.h>
#include <regex.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

struct Case
{
    const char* name;
    const char* ours;  // our default syntax: + ? plain, \( \) \| quoted
    const char* posix; // the C library's basic syntax
    int groups;        // registers the C library reports beside the whole match
    int cflags;
    const char* lastLine; // appended to the text; empty: no match anywhere
};

const Case kCases[] = {
    {"literal", "consignment", "consignment", 0, 0, "the consignment ships today"},
    {"literal_absent", "consignment", "consignment", 0, 0, ""},
    {"class", "[0-9][0-9]*\\.[0-9][0-9]", "[0-9][0-9]*\\.[0-9][0-9]", 0, 0, "price 12.50 with postage"},
    {"alternation", "postage\\|handling\\|insurance\\|tracking", "postage\\|handling\\|insurance\\|tracking", 0, 0, ""},
    {"alternation_late", "postage\\|handling\\|insurance\\|tracking", "postage\\|handling\\|insurance\\|tracking", 0, 0,
     "free tracking included"},
    {"anchored_line", "^Condition: ", "^Condition: ", 0, REG_NEWLINE, "Condition: used"},
    {"group_alternation", "\\(red\\|green\\|blue\\)-\\(small\\|large\\)",
     "\\(red\\|green\\|blue\\)-\\(small\\|large\\)", 2, 0, "colour green-large only"},
    {"backreference", "\\([a-z][a-z]*\\) \\1 ", "\\([a-z][a-z]*\\) \\1 ", 1, 0, "this is the the end"},
    {"star_loop", "qu[a-z]*k", "qu[a-z]*k", 0, 0, "a quick fox"},
    {"plus_loop", "[a-z]+ness ", "[a-z]\\+ness ", 0, 0, "such kindness here"},
    {"dot_star", "Price:.*EUR", "Price:.*EUR", 0, 0, "Price: 12 for all EUR"},
    {"optional", "colou?r:", "colou\\?r:", 0, 0, "the color: red"},
};

std::string makeText(const char* lastLine)
{
    static const char* const kWords[] = {
        "listing", "seller",  "auction", "shipping", "bidder", "reserve", "price", "category", "picture",
        "payment", "returns", "item",    "offer",    "store",  "buyer",   "used",  "new",      "questions",
        "queue",   "red",     "green",   "blue",     "small",  "large",   "post",  "hand",     "insure",
    };
    std::string text;
    unsigned seed = 12345;
    size_t previous = 0;
    while (text.size() < 64 * 1024) {
        std::string line;
        while (line.size() < 60) {
            // No word twice in a row: that would be a match of the back-reference pattern.
            size_t word;
            do {
                seed = seed * 1103515245u + 12345u;
                word = (seed >> 16) % std::size(kWords);
            } while (word == previous);
            previous = word;
            line += kWords[word];
            line += ' ';
        }
        text += line + "\n";
    }
    return text + lastLine + "\n";
}

struct Prepared
{
    Prepared() = default;
    Prepared(const Prepared&) = delete;
    Prepared& operator=(const Prepared&) = delete;
    ~Prepared()
    {
        if (posixCompiled)
            regfree(&posix);
    }

    std::string text;
    dw::re_pattern_buffer ours;
    regex_t posix;
    bool posixCompiled = false;
    bool ok = true;
};

Prepared& prepared(const Case& c)
{
    static std::map<const Case*, Prepared> cache;
    auto [it, inserted] = cache.try_emplace(&c);
    Prepared& p = it->second;
    if (!inserted)
        return p;
    p.text = makeText(c.lastLine);
    auto& table = p.ours.translation.emplace();
    for (int b = 0; b < 256; ++b)
        table[size_t(b)] = static_cast<unsigned char>(b);
    p.posixCompiled = regcomp(&p.posix, c.posix, c.cflags) == 0;
    p.ok = dw::re_compile_pattern(c.ours, p.ours) == nullptr && p.posixCompiled;
    return p;
}

int searchOurs(const Prepared& p)
{
    dw::re_match_registers registers;
    return dw::re_search_pattern(p.ours, p.text, 0, int(p.text.size()), &registers);
}

int searchPosix(const Prepared& p, int groups)
{
    regmatch_t matches[10];
    if (regexec(&p.posix, p.text.c_str(), size_t(groups + 1), matches, 0) != 0)
        return -1;
    return int(matches[0].rm_so);
}

void ours(benchmark::State& state, const Case* c)
{
    const Prepared& p = prepared(*c);
    if (!p.ok || searchOurs(p) != searchPosix(p, c->groups)) {
        state.SkipWithError("the engines disagree");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(searchOurs(p));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(p.text.size()));
}

void posix(benchmark::State& state, const Case* c)
{
    const Prepared& p = prepared(*c);
    if (!p.ok) {
        state.SkipWithError("pattern does not compile");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(searchPosix(p, c->groups));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(p.text.size()));
}

// Keeps the time per iteration of every run, to divide ours by the C library's at the end.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (!run.error_occurred && run.run_type == Run::RT_Iteration)
                m_times[run.benchmark_name()] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatios() const
    {
        std::printf("\n%-20s %12s\n", "pattern", "ours / libc");
        for (const Case& c : kCases) {
            const auto ours = m_times.find(std::string("ours/") + c.name);
            const auto posix = m_times.find(std::string("libc/") + c.name);
            if (ours != m_times.end() && posix != m_times.end() && posix->second > 0)
                std::printf("%-20s %12.2f\n", c.name, ours->second / posix->second);
        }
    }

private:
    std::map<std::string, double> m_times;
};

} // namespace

int main(int argc, char** argv)
{
    for (const Case& c : kCases) {
        benchmark::RegisterBenchmark((std::string("ours/") + c.name).c_str(), ours, &c);
        benchmark::RegisterBenchmark((std::string("libc/") + c.name).c_str(), posix, &c);
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
