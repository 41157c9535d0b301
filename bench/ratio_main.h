// A benchmark main that prints, after the usual table, how each measured case compares with
// its baseline from the same run: "case / baseline = ratio" on CPU time per iteration.
#pragma once
#include <benchmark/benchmark.h>

#include <cstdio>
#include <unistd.h>
#include <map>
#include <string>
#include <utility>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Colour only on a terminal, so piped output stays plain.
    explicit RatioReporter(std::vector<std::pair<std::string, std::string>> pairs)
        : ConsoleReporter(isatty(1) ? OO_Defaults : OO_Tabular), pairs_(std::move(pairs))
    {
    }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)  // single runs, or the median when repeated
            if (!r.error_occurred && (r.aggregate_name.empty() || r.aggregate_name == "median"))
                cpu_[r.run_name.function_name] = r.GetAdjustedCPUTime();
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        for (const auto& [measured, baseline] : pairs_)
            if (cpu_.count(measured) && cpu_.count(baseline) && cpu_[baseline] > 0)
                std::printf("%s / %s = %.2f\n", measured.c_str(), baseline.c_str(), cpu_[measured] / cpu_[baseline]);
    }

private:
    std::vector<std::pair<std::string, std::string>> pairs_;
    std::map<std::string, double> cpu_;
};

inline int RunWithRatios(int argc, char** argv, std::vector<std::pair<std::string, std::string>> pairs)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter(std::move(pairs));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
