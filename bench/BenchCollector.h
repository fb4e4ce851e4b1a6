// A console reporter that also keeps the mean CPU time per benchmark name, for the ratio
// tables the benchmark programs print after their runs. CPU time, because other processes
// may share the machine.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class BenchCollector : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> ns; // in each benchmark's time unit
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration)
                ns[run.benchmark_name()] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
};
