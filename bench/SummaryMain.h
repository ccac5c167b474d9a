// The main of a benchmark that closes its run with a summary: its reporter prints the usual
// console lines, keeps what the summary needs, and prints the summary once every run is done.
#pragma once

#include <benchmark/benchmark.h>

template <typename Reporter>
int RunWithSummary(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    benchmark::Shutdown();
    return 0;
}
