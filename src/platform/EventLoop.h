// The program's event loop: a queue of posted events, repeating timers on absolute deadlines and
// one optional event source (the window system). `Run` turns until `Quit`; `RunOnce` may be
// called from inside a handler or timer to run a nested loop (alerts, waiting for a name lookup,
// drag loops), and timers keep firing there.
#pragma once

#include "platform/EventSource.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace plat {

class EventLoop {
public:
    using tCallback = std::function<void()>;
    static constexpr int64_t kWaitForever = -1;

    // The program's one loop.
    static EventLoop& Main();

    EventLoop() = default;
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    // A timer first due `firstDelay` microseconds from now, then every `interval` microseconds.
    // The next deadline is max(now, previous deadline + interval): a late firing never makes the
    // timer catch up on the ticks it missed. Returns an id (never 0); an interval of 0 makes a
    // one-shot timer.
    uint32_t AddTimer(uint64_t firstDelay, uint64_t interval, tCallback callback);
    void RemoveTimer(uint32_t id);
    size_t GetTimerCount() const { return mTimers.size(); }

    // Queues an event; it is handled by the next turn of any (possibly nested) loop.
    void Post(tCallback event);

    void SetEventSource(EventSource* source) { mSource = source; }
    EventSource* GetEventSource() const { return mSource; }

    // Turns until `Quit`.
    void Run();
    // Asks the running `Run` to return once the current handler has returned; outside `Run`
    // there is nothing to end and it does nothing.
    void Quit()
    {
        if (mRunning)
            mQuitRequested = true;
    }
    bool IsQuitRequested() const { return mQuitRequested; }
    bool IsRunning() const { return mRunning; }
    // How many `RunOnce` calls are active (0 outside the loop).
    uint32_t GetDepth() const { return mDepth; }

    // One turn: handles the posted events, then the source's events, waiting for them at most
    // `timeout` microseconds (kWaitForever: until something happens) and never past the next
    // timer's deadline; then fires the timers that are due. Timeout 0 never waits.
    void RunOnce(int64_t timeout);

    // Drops every timer and posted event (tests; the end of a run).
    void Reset();

private:
    struct sTimer {
        uint32_t id;
        uint64_t due;
        uint64_t interval;
        std::shared_ptr<tCallback> callback;
    };

    uint32_t DispatchPosted();
    uint32_t FireDueTimers();
    uint64_t NextDeadline(uint64_t now, int64_t timeout) const;
    void Wait(uint64_t deadline);

    std::vector<sTimer> mTimers;
    std::deque<tCallback> mPosted;
    EventSource* mSource = nullptr;
    uint32_t mNextTimerId = 1;
    uint32_t mDepth = 0;
    bool mQuitRequested = false;
    bool mRunning = false;
};

} // namespace plat
