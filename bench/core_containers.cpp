// Growth of the toolkit's array against std::vector on the same work, as a baseline. Each pair is
// named alike but for "gCArray"/"vector"; the ratios (array time / vector time) follow the table.
#include "core/gCArray.h"

#include "SummaryMain.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

void Append_gCArray(benchmark::State& state)
{
    int32_t count = int32_t(state.range(0));
    for (auto _ : state) {
        gCArray<int32_t> array;
        for (int32_t i = 0; i < count; ++i)
            (void)array.Add(i);
        benchmark::DoNotOptimize(array.GetData());
    }
}

void Append_vector(benchmark::State& state)
{
    int32_t count = int32_t(state.range(0));
    for (auto _ : state) {
        std::vector<int32_t> vector;
        for (int32_t i = 0; i < count; ++i)
            vector.push_back(i);
        benchmark::DoNotOptimize(vector.data());
    }
}

void InsertFront_gCArray(benchmark::State& state)
{
    int32_t count = int32_t(state.range(0));
    for (auto _ : state) {
        gCArray<int32_t> array;
        for (int32_t i = 0; i < count; ++i)
            (void)array.InsertAt(0, i);
        benchmark::DoNotOptimize(array.GetData());
    }
}

void InsertFront_vector(benchmark::State& state)
{
    int32_t count = int32_t(state.range(0));
    for (auto _ : state) {
        std::vector<int32_t> vector;
        for (int32_t i = 0; i < count; ++i)
            vector.insert(vector.begin(), i);
        benchmark::DoNotOptimize(vector.data());
    }
}

void InsertMiddle_gCArray(benchmark::State& state)
{
    int32_t count = int32_t(state.range(0));
    for (auto _ : state) {
        gCArray<int32_t> array;
        for (int32_t i = 0; i < count; ++i)
            (void)array.InsertAt(array.GetSize() / 2, i);
        benchmark::DoNotOptimize(array.GetData());
    }
}

void InsertMiddle_vector(benchmark::State& state)
{
    int32_t count = int32_t(state.range(0));
    for (auto _ : state) {
        std::vector<int32_t> vector;
        for (int32_t i = 0; i < count; ++i)
            vector.insert(vector.begin() + vector.size() / 2, i);
        benchmark::DoNotOptimize(vector.data());
    }
}

void RemoveFront_gCArray(benchmark::State& state)
{
    int32_t count = int32_t(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        gCArray<int32_t> array;
        (void)array.SetSize(count);
        state.ResumeTiming();
        while (array.GetSize() > 0)
            array.RemoveAt(0, 1);
        benchmark::DoNotOptimize(array.GetData());
    }
}

void RemoveFront_vector(benchmark::State& state)
{
    int32_t count = int32_t(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<int32_t> vector(size_t(count), 0);
        state.ResumeTiming();
        while (!vector.empty())
            vector.erase(vector.begin());
        benchmark::DoNotOptimize(vector.data());
    }
}

BENCHMARK(Append_gCArray)->Arg(1000)->Arg(100000);
BENCHMARK(Append_vector)->Arg(1000)->Arg(100000);
BENCHMARK(InsertFront_gCArray)->Arg(1000)->Arg(10000);
BENCHMARK(InsertFront_vector)->Arg(1000)->Arg(10000);
BENCHMARK(InsertMiddle_gCArray)->Arg(1000)->Arg(10000);
BENCHMARK(InsertMiddle_vector)->Arg(1000)->Arg(10000);
BENCHMARK(RemoveFront_gCArray)->Arg(1000)->Arg(10000);
BENCHMARK(RemoveFront_vector)->Arg(1000)->Arg(10000);

// Prints the usual table and keeps each run's time so the pairs can be compared at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                mTimes[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintSummary() const
    {
        std::printf("\ngCArray time / std::vector time:\n");
        for (const auto& [name, time] : mTimes) {
            std::string::size_type at = name.find("_gCArray");
            if (at == std::string::npos)
                continue;
            std::string other = name;
            other.replace(at, 8, "_vector");
            auto found = mTimes.find(other);
            if (found != mTimes.end() && found->second > 0)
                std::printf("  %-32s %6.2f\n", name.c_str(), time / found->second);
        }
    }

private:
    std::map<std::string, double> mTimes;
};

} // namespace

int main(int argc, char** argv)
{
    return RunWithSummary<RatioReporter>(argc, argv);
}
