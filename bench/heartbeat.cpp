// Cadence of the 10 ms heartbeat timer: mean and 99th percentile of the interval between
// firings over 1000 ticks, on the real clock, with and without the window system as a source.
#include "platform/Clock.h"
#include "platform/EventLoop.h"
#include "platform/SdlEventSource.h"
#include "platform/SdlSession.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <vector>

namespace {

constexpr int kTicks = 1000;
constexpr uint64_t kInterval = 10000;

void MeasureHeartbeat(benchmark::State& state, plat::EventSource* source)
{
    for (auto _ : state) {
        plat::EventLoop loop;
        loop.SetEventSource(source);
        std::vector<uint64_t> firings;
        firings.reserve(kTicks + 1);
        loop.AddTimer(0, kInterval, [&] {
            firings.push_back(plat::Microseconds());
            if (firings.size() == kTicks + 1)
                loop.Quit();
        });
        loop.Run();

        std::vector<double> intervals;
        for (size_t i = 1; i < firings.size(); ++i)
            intervals.push_back(double(firings[i] - firings[i - 1]) / 1000.0);
        double mean = std::accumulate(intervals.begin(), intervals.end(), 0.0) / intervals.size();
        std::sort(intervals.begin(), intervals.end());
        double p99 = intervals[size_t(intervals.size() * 0.99) - 1];
        state.counters["mean_ms"] = mean;
        state.counters["p99_ms"] = p99;
        state.counters["max_ms"] = intervals.back();
    }
}

void BM_HeartbeatLoopCore(benchmark::State& state) { MeasureHeartbeat(state, nullptr); }

void BM_HeartbeatWithWindowSystem(benchmark::State& state)
{
    // The dummy driver unless a display is there: the measurement needs no screen.
    if (!std::getenv("DISPLAY"))
        setenv("SDL_VIDEODRIVER", "dummy", 0);
    if (plat::SdlSession::Get().StartVideo() != plat::eDisplayResult::kOk) {
        state.SkipWithError("no SDL video");
        return;
    }
    MeasureHeartbeat(state, &plat::SdlEventSource::Get());
}

} // namespace

BENCHMARK(BM_HeartbeatLoopCore)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HeartbeatWithWindowSystem)->Iterations(1)->Unit(benchmark::kMillisecond);
