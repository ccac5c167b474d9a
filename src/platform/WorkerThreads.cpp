#include "platform/WorkerThreads.h"

#include <atomic>
#include <system_error>
#include <thread>

#include <sched.h>

namespace plat {
namespace {

constexpr uint32_t kMostThreads = 64;

// The processors this process may run on: a process kept to a few of them (taskset, a
// container's CPU set) gains nothing from more threads than those.
uint32_t UsableProcessors()
{
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
        const int count = CPU_COUNT(&allowed);
        if (count > 0)
            return uint32_t(count);
    }
    return std::thread::hardware_concurrency();
}

class ThreadWorkers final : public Workers {
public:
    uint32_t Count() const override
    {
        const uint32_t processors = UsableProcessors();
        return processors == 0 ? 1 : processors < kMostThreads ? processors : kMostThreads;
    }

    void Run(uint32_t jobs, tJob job, void* context) override
    {
        std::atomic<uint32_t> next{0};
        auto work = [&] {
            for (uint32_t i = next.fetch_add(1); i < jobs; i = next.fetch_add(1))
                job(context, i);
        };
        const uint32_t helpers = (jobs < Count() ? jobs : Count()) - (jobs > 0 ? 1 : 0);
        std::thread threads[kMostThreads];
        uint32_t started = 0;
        // A thread the system refuses leaves its share to the others (and at least this one).
        try {
            for (; started < helpers; ++started)
                threads[started] = std::thread(work);
        } catch (const std::system_error&) {
        }
        work();
        for (uint32_t t = 0; t < started; ++t)
            threads[t].join();
    }
};

ThreadWorkers gThreadWorkers;
Workers* gWorkers = &gThreadWorkers;

} // namespace

Workers& GetWorkers() { return *gWorkers; }

void SetWorkers(Workers* workers) { gWorkers = workers ? workers : &gThreadWorkers; }

} // namespace plat
