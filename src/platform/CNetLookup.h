// Host-name lookup for IPv4 on a worker thread, so the main thread can keep serving events and the
// heartbeat while it waits. The lookup function itself can be replaced by tests.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace plat {

// Fills `addresses` (host order, first dotted number in the high byte) with the IPv4 addresses of
// `host`, in the order the system gives them. Returns 0 or a lookup error (never 0 with no address).
using tNetResolveFunction = std::function<int32_t(const std::string& host, std::vector<uint32_t>& addresses)>;

// The system's lookup (getaddrinfo, IPv4 only).
int32_t SystemResolveIPv4(const std::string& host, std::vector<uint32_t>& addresses);

// Puts a lookup function in place of the system's; an empty function restores the system's.
void SetNetResolveFunction(tNetResolveFunction function);
// Looks `host` up now, on the calling thread, through the current lookup function.
int32_t ResolveIPv4(const std::string& host, std::vector<uint32_t>& addresses);

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

    CNetLookup(std::string host, tNetResolveFunction function, std::function<void()> onDone);

private:
    static void* RunWorker(void* self);

    std::string mHost;
    tNetResolveFunction mFunction;
    std::function<void()> mOnDone;
    int32_t mResult = 0;
    std::vector<uint32_t> mAddresses;
    std::atomic<bool> mDone{false};
};

} // namespace plat
