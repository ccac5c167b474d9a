// Host-name lookup for IPv4 on a worker thread, so the main thread can keep serving events and the
// heartbeat while it waits. The resolver itself can be replaced by tests.
#pragma once

#include "platform/NetResult.h"

#include <atomic>
#include <cstddef>
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
    // of `host`, in the order the system gives them. `systemCode` receives the name service's own
    // code for the outcome, kept for diagnostics. Runs on lookup workers, so it must be safe on
    // any thread.
    virtual eNetResult ResolveIPv4(const std::string& host, std::vector<uint32_t>& addresses, int32_t& systemCode) = 0;
};

// The system's lookup (getaddrinfo, IPv4 only).
eNetResult SystemResolveIPv4(const std::string& host, std::vector<uint32_t>& addresses, int32_t& systemCode);

// The name service's code for a kind of outcome, for answers that did not come from it.
int32_t NameServiceCode(eNetResult result);

// The resolver in use: the system's unless a test replaced it.
Resolver& GetResolver();
// Puts `resolver` in place (null restores the system's). The caller keeps ownership and keeps it
// alive until every lookup started through it has finished.
void SetResolver(Resolver* resolver);
// Looks the `length` bytes of UTF-8 at `host` up now, on the calling thread, through the resolver
// in use; on kOk `firstAddress` is the first address found.
eNetResult ResolveIPv4(const char* host, size_t length, uint32_t& firstAddress);

using tNetResolveFunction = std::function<eNetResult(const std::string& host, std::vector<uint32_t>& addresses)>;

// Tests: answers through `SetAnswer`'s function, or fails without one. The function may be
// replaced while an abandoned lookup still runs the old one.
class ScriptedResolver final : public Resolver {
public:
    eNetResult ResolveIPv4(const std::string& host, std::vector<uint32_t>& addresses, int32_t& systemCode) override
    {
        tNetResolveFunction answer;
        {
            std::lock_guard<std::mutex> lock(mLock);
            answer = mAnswer;
        }
        eNetResult result = answer ? answer(host, addresses) : eNetResult::kHostNotFound;
        systemCode = NameServiceCode(result);
        return result;
    }
    void SetAnswer(tNetResolveFunction answer)
    {
        std::lock_guard<std::mutex> lock(mLock);
        mAnswer = std::move(answer);
    }

private:
    std::mutex mLock;
    tNetResolveFunction mAnswer;
};

class NetLookup {
public:
    // The system code of a lookup whose worker thread could not be started.
    static constexpr int32_t kThreadFailed = -1;

    // Starts looking the `length` bytes of UTF-8 at `host` up on a worker thread through the
    // resolver in use. `onDone`, when given, runs on the worker once the answer is ready (to wake a
    // waiting loop). A thread that cannot start gives a lookup that is already done with
    // kNotStarted.
    static std::shared_ptr<NetLookup> Start(const char* host, size_t length, std::function<void()> onDone = {});

    // Whether the answer is ready; once it is, the result and addresses no longer change.
    bool IsDone() const { return mDone.load(std::memory_order_acquire); }
    eNetResult GetResult() const { return mResult; }
    // The name service's own code behind the result (kThreadFailed when the worker never ran),
    // for diagnostics.
    int32_t GetSystemCode() const { return mSystemCode; }
    const std::vector<uint32_t>& GetAddresses() const { return mAddresses; }
    // The first address, 0 when the lookup failed or is not done.
    uint32_t GetFirstAddress() const;

    NetLookup(std::string host, Resolver& resolver, std::function<void()> onDone);

private:
    static void* RunWorker(void* self);

    std::string mHost;
    Resolver& mResolver;
    std::function<void()> mOnDone;
    eNetResult mResult = eNetResult::kOk;
    int32_t mSystemCode = 0;
    std::vector<uint32_t> mAddresses;
    std::atomic<bool> mDone{false};
};

} // namespace plat
