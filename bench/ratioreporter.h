// A console reporter that keeps each benchmark's CPU time per iteration (steadier than wall time on a busy
// machine; with repetitions the median stands for the benchmark), so that ratios against a baseline measured
// in the same run can be printed after it.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median")
                times_[run.run_name.function_name] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }

    // measured / baseline, or 0 when either is missing.
    double Ratio(const std::string& measured, const std::string& baseline) const
    {
        const auto m = times_.find(measured);
        const auto b = times_.find(baseline);
        return m != times_.end() && b != times_.end() && b->second > 0 ? m->second / b->second : 0.0;
    }

    bool Has(const std::string& name) const { return times_.count(name) != 0; }

    // Prints "CPU time measured / baseline = r" when both were run.
    void PrintRatio(const std::string& measured, const std::string& baseline) const
    {
        if (Has(measured) && Ratio(measured, baseline) > 0)
            std::printf("CPU time %s / %s = %.2f\n", measured.c_str(), baseline.c_str(), Ratio(measured, baseline));
    }

private:
    std::map<std::string, double> times_;
};
