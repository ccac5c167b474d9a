// Host-name lookup for IPv4 on a worker thread, so the main thread can keep serving events and the
// heartbeat while it waits. The resolver itself can be replaced by tests.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace plat {

class Resolver {
public:
    virtual ~Resolver() = default;
    // Fills `addresses` (host order, first dotted number in the high byte) with the IPv4 addresses
    // of `host`, in the order the system gives them. Returns 0 or a lookup error. Runs on lookup
    // workers, so it must be safe on any thread.
    virtual int32_t ResolveIPv4(const std::string& host, std::vector<uint32_t>& addresses) = 0;
};

// The system's lookup (getaddrinfo, IPv4 only).
int32_t SystemResolveIPv4(const std::string& host, std::vector<uint32_t>& addresses);

// The resolver in use: the system's unless a test replaced it.
Resolver& GetResolver();
// Puts `resolver` in place (null restores the system's). The caller keeps ownership and keeps it
// alive until every lookup started through it has finished.
void SetResolver(Resolver* resolver);
// Looks `host` up now, on the calling thread, through the resolver in use (never 0 with no address).
int32_t ResolveIPv4(const std::string& host, std::vector<uint32_t>& addresses);

using tNetResolveFunction = std::function<int32_t(const std::string& host, std::vector<uint32_t>& addresses)>;

// Tests: answers through `SetAnswer`'s function, or fails without one. The function may be
// replaced while an abandoned lookup still runs the old one.
class ScriptedResolver final : public Resolver {
public:
    int32_t ResolveIPv4(const std::string& host, std::vector<uint32_t>& addresses) override
    {
        tNetResolveFunction answer;
        {
            std::lock_guard<std::mutex> lock(mLock);
            answer = mAnswer;
        }
        return answer ? answer(host, addresses) : kNoAnswer;
    }
    void SetAnswer(tNetResolveFunction answer)
    {
        std::lock_guard<std::mutex> lock(mLock);
        mAnswer = std::move(answer);
    }

    static constexpr int32_t kNoAnswer = -2;

private:
    std::mutex mLock;
    tNetResolveFunction mAnswer;
};

class CNetLookup {
public:
    // The error when the worker thread could not be started.
    static constexpr int32_t kThreadFailed = -1;

    // Starts looking `host` up on a worker thread through the current lookup function. `onDone`,
    // when given, runs on the worker once the answer is ready (to wake a waiting loop). A thread
    // that cannot start gives a lookup that is already done with kThreadFailed.
    static std::shared_ptr<CNetLookup> Start(const std::string& host, std::function<void()> onDone = {});

    // Whether the answer is ready; once it is, the result and addresses no longer change.
    bool IsDone() const { return mDone.load(std::memory_order_acquire); }
    int32_t GetResult() const { return mResult; }
    const std::vector<uint32_t>& GetAddresses() const { return mAddresses; }
    // The first address, 0 when the lookup failed or is not done.
    uint32_t GetFirstAddress() const;

    CNetLookup(std::string host, Resolver& resolver, std::function<void()> onDone);

private:
    static void* RunWorker(void* self);

    std::string mHost;
    Resolver& mResolver;
    std::function<void()> mOnDone;
    int32_t mResult = 0;
    std::vector<uint32_t> mAddresses;
    std::atomic<bool> mDone{false};
};

} // namespace plat
