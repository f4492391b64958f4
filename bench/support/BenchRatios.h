#pragma once
// Prints, after Google Benchmark's own table, each measured path beside its reference as one ratio
// (ours / reference, wall-clock time per iteration), both taken in the same run, so that the ratio
// holds on a busy machine where absolute times do not.
//
//     int main(int argc, char** argv)
//     {
//         return dw::bench::runWithRatios(argc, argv, {{"readReply", "pugixmlParseAndWalk", 1.5}});
//     }
//
// A ratio may scale its reference (`scale`): a merge 100 times as large compared with 100 times
// the time of the small one shows whether the time grows linearly. Where a seller waits for a
// time rather than a ratio (a sheet that opens), `goalMilliseconds` is checked as well. A pair whose benchmarks did
// not both run (filtered out, skipped with an error) prints no ratio.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace dw::bench {

struct Ratio
{
    std::string ours;
    std::string reference;
    double goal = 0;             // the ratio we aim to stay at or below; 0: none
    double scale = 1.0;          // the reference's time is multiplied by it
    double goalMilliseconds = 0; // a time ours should stay within as well; 0: none
};

class RatioReporter : public benchmark::ConsoleReporter
{
public:
    explicit RatioReporter(std::vector<Ratio> ratios) : m_ratios(std::move(ratios)) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const double seconds = run.GetAdjustedRealTime() / unitsPerSecond(run.time_unit);
            if (run.run_type == Run::RT_Iteration && !m_medians.count(plainName(run.benchmark_name())))
                m_seconds[plainName(run.benchmark_name())] = seconds;
            else if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                m_medians[plainName(run.run_name.str())] = m_seconds[plainName(run.run_name.str())] = seconds;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // True when every printed ratio is within its goal.
    bool printRatios() const
    {
        bool within = true;
        bool header = false;
        for (const Ratio& ratio : m_ratios) {
            const auto ours = m_seconds.find(ratio.ours);
            const auto reference = m_seconds.find(ratio.reference);
            if (ours == m_seconds.end() || reference == m_seconds.end() || reference->second <= 0)
                continue;
            if (!header) {
                std::printf("\n%-44s %-44s %10s %10s %8s %6s\n", "ours", "reference", "ours ms", "ref ms", "ratio",
                            "goal");
                header = true;
            }
            const double referenceSeconds = reference->second * ratio.scale;
            const double value = ours->second / referenceSeconds;
            const bool met = (ratio.goal <= 0 || value <= ratio.goal) &&
                             (ratio.goalMilliseconds <= 0 || ours->second * 1e3 <= ratio.goalMilliseconds);
            within = within && met;
            std::string referenceName = ratio.reference;
            if (ratio.scale != 1.0)
                referenceName += " x" + std::to_string(int(ratio.scale));
            char goal[40] = "";
            if (ratio.goal > 0 && ratio.goalMilliseconds > 0)
                std::snprintf(goal, sizeof goal, "%.2f, %.0f ms", ratio.goal, ratio.goalMilliseconds);
            else if (ratio.goal > 0)
                std::snprintf(goal, sizeof goal, "%.2f", ratio.goal);
            else if (ratio.goalMilliseconds > 0)
                std::snprintf(goal, sizeof goal, "%.0f ms", ratio.goalMilliseconds);
            std::printf("%-44s %-44s %10.3f %10.3f %8.2f %s%s\n", ratio.ours.c_str(), referenceName.c_str(),
                        ours->second * 1e3, referenceSeconds * 1e3, value, goal, met ? "" : "  (above the goal)");
        }
        std::fflush(stdout);
        return within;
    }

private:
    // The name without what the run's options add to it ("/real_time", "/min_warmup_time:0.500").
    static std::string plainName(const std::string& name)
    {
        std::string plain;
        size_t start = 0;
        while (start <= name.size()) {
            size_t end = name.find('/', start);
            if (end == std::string::npos)
                end = name.size();
            const std::string part = name.substr(start, end - start);
            const bool option = part == "real_time" || part == "process_time" || part == "manual_time" ||
                                part.find(':') != std::string::npos;
            if (!option)
                plain += (plain.empty() ? "" : "/") + part;
            start = end + 1;
        }
        return plain;
    }

    static double unitsPerSecond(benchmark::TimeUnit unit)
    {
        switch (unit) {
        case benchmark::kNanosecond:
            return 1e9;
        case benchmark::kMicrosecond:
            return 1e6;
        case benchmark::kMillisecond:
            return 1e3;
        case benchmark::kSecond:
            return 1;
        }
        return 1e9;
    }

    std::vector<Ratio> m_ratios;
    std::map<std::string, double> m_seconds; // a repeated benchmark's median, else its last run
    std::map<std::string, double> m_medians;
};

// Runs the benchmarks selected on the command line and prints the ratios. The exit status is 0
// either way: a ratio above its goal is a figure to read, not a failure of the program.
//
// With `repetitions` (unless the command line sets its own), each benchmark runs that many times
// in short slices taken in random order with the others, and the ratio is of the medians: a
// path and its reference then meet the same load of a busy machine, rather than one of them
// running while another program builds.
inline int runWithRatios(int argc, char** argv, std::vector<Ratio> ratios, int repetitions = 0)
{
    std::vector<std::string> added;
    bool ownRepetitions = false;
    for (int i = 1; i < argc; ++i)
        ownRepetitions = ownRepetitions || std::string(argv[i]).rfind("--benchmark_repetitions", 0) == 0;
    if (repetitions > 0 && !ownRepetitions) {
        added = {"--benchmark_repetitions=" + std::to_string(repetitions),
                 "--benchmark_enable_random_interleaving=true", "--benchmark_report_aggregates_only=true"};
    }
    std::vector<char*> arguments(argv, argv + argc);
    for (std::string& argument : added)
        arguments.push_back(argument.data());
    arguments.push_back(nullptr);
    argc = int(arguments.size()) - 1;
    argv = arguments.data();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter(std::move(ratios));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}

} // namespace dw::bench
