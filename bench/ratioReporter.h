/*
 * The usual console output (without colours: it is often kept in a file),
 * then, for each pair of benchmarks, one's time over the other's: of the
 * medians when there are repetitions (with or without
 * --benchmark_report_aggregates_only), else of the runs. Ratios of one run
 * are what the benchmarks claim: the machine may be shared.
 */
#ifndef ratioReporter_INCLUDED
#define ratioReporter_INCLUDED

#include <benchmark/benchmark.h>
#include <stdio.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace benchsupport {

struct RatioPair {
    std::string label;
    std::string numerator;    /* the benchmark whose time goes on top */
    std::string denominator;
};

class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter(std::string title, std::vector<RatioPair> pairs, bool cpuTime)
        : ConsoleReporter(OO_Tabular), title_(std::move(title)), pairs_(std::move(pairs)), cpuTime_(cpuTime) {}

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            std::string name = run.run_name.function_name;
            double time = cpuTime_ ? run.GetAdjustedCPUTime() : run.GetAdjustedRealTime();
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                times_[name] = {time};
                haveMedian_[name] = true;
            } else if (run.run_type == Run::RT_Iteration && run.iterations > 0 && !haveMedian_[name]) {
                times_[name].push_back(time);
            }
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        printf("\n%s (%s time):\n", title_.c_str(), cpuTime_ ? "CPU" : "real");
        int width = 24;
        for (const RatioPair &pair : pairs_) width = std::max(width, (int)pair.label.size());
        for (const RatioPair &pair : pairs_) {
            auto top = times_.find(pair.numerator), bottom = times_.find(pair.denominator);
            if (top != times_.end() && bottom != times_.end()) {
                printf("  %-*s %.2f\n", width, pair.label.c_str(), median(top->second) / median(bottom->second));
            }
        }
    }

private:
    static double median(std::vector<double> values)
    {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    }
    std::string title_;
    std::vector<RatioPair> pairs_;
    bool cpuTime_;
    std::map<std::string, std::vector<double>> times_;
    std::map<std::string, bool> haveMedian_;
};

/* Runs the benchmarks named on the command line with the reporter. */
inline int runWithRatios(int argc, char **argv, RatioReporter &reporter)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

}  // namespace benchsupport

#endif
