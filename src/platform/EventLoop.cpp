#include "platform/EventLoop.h"

#include "platform/Clock.h"

#include <algorithm>

namespace plat {
namespace {

// How long `Run` sleeps when nothing at all is scheduled; a source can still wake it earlier.
constexpr uint64_t kIdleWait = 1000000;

} // namespace

EventLoop& EventLoop::Main()
{
    static EventLoop loop;
    return loop;
}

uint32_t EventLoop::AddTimer(uint64_t firstDelay, uint64_t interval, tCallback callback)
{
    uint32_t id = mNextTimerId++;
    if (mNextTimerId == 0)
        mNextTimerId = 1;
    mTimers.push_back({id, Microseconds() + firstDelay, interval,
                       std::make_shared<tCallback>(std::move(callback))});
    return id;
}

void EventLoop::RemoveTimer(uint32_t id)
{
    std::erase_if(mTimers, [id](const sTimer& timer) { return timer.id == id; });
}

void EventLoop::Post(tCallback event) { mPosted.push_back(std::move(event)); }

void EventLoop::Run()
{
    bool wasRunning = mRunning;
    mRunning = true;
    while (!mQuitRequested)
        RunOnce(kWaitForever);
    mQuitRequested = false;
    mRunning = wasRunning;
}

void EventLoop::RunOnce(int64_t timeout)
{
    ++mDepth;
    uint32_t handled = DispatchPosted();
    handled += FireDueTimers();

    uint64_t now = Microseconds();
    // Something was done this turn: look at the source without waiting, so a busy timer never
    // starves the window system and the caller gets control back promptly.
    uint64_t deadline = (handled || !mPosted.empty()) ? now : NextDeadline(now, timeout);
    Wait(deadline);

    // Timers that came due while waiting. After a busy turn they wait for the next one, so a
    // timer fires at most once per turn.
    if (deadline > now)
        FireDueTimers();
    --mDepth;
}

void EventLoop::Reset()
{
    mTimers.clear();
    mPosted.clear();
    mQuitRequested = false;
}

uint32_t EventLoop::DispatchPosted()
{
    // Only the events present now: one posted from a handler waits for the next turn, so a
    // handler that keeps posting cannot hold the loop.
    size_t count = mPosted.size();
    uint32_t handled = 0;
    while (count-- > 0 && !mPosted.empty()) {
        tCallback event = std::move(mPosted.front());
        mPosted.pop_front();
        if (event)
            event();
        ++handled;
    }
    return handled;
}

uint32_t EventLoop::FireDueTimers()
{
    uint64_t now = Microseconds();
    std::vector<uint32_t> due;
    for (const sTimer& timer : mTimers)
        if (timer.due <= now)
            due.push_back(timer.id);

    uint32_t fired = 0;
    for (uint32_t id : due) {
        auto found = std::find_if(mTimers.begin(), mTimers.end(),
                                  [id](const sTimer& timer) { return timer.id == id; });
        // Removed by an earlier callback of this round, or already fired by a nested loop.
        if (found == mTimers.end() || found->due > now)
            continue;
        std::shared_ptr<tCallback> callback = found->callback;
        if (found->interval == 0) {
            mTimers.erase(found);
        } else {
            // Rescheduled before the call, so a nested loop inside the callback sees the next
            // deadline, not this one.
            found->due = std::max(now, found->due + found->interval);
        }
        ++fired;
        (*callback)();
    }
    return fired;
}

uint64_t EventLoop::NextDeadline(uint64_t now, int64_t timeout) const
{
    uint64_t deadline = timeout < 0 ? now + kIdleWait : now + uint64_t(timeout);
    for (const sTimer& timer : mTimers)
        deadline = std::min(deadline, std::max(timer.due, now));
    return deadline;
}

void EventLoop::Wait(uint64_t deadline)
{
    if (mSource) {
        mSource->Pump(deadline);
        return;
    }
    if (deadline > Microseconds())
        GetClock().SleepUntil(deadline);
}

} // namespace plat
