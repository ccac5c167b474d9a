#include "platform/NetLookup.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

// Restores the system's lookup however the test ends.
struct ResolverScope {
    explicit ResolverScope(plat::tNetResolveFunction function)
    {
        resolver.SetAnswer(std::move(function));
        plat::SetResolver(&resolver);
    }
    ~ResolverScope() { plat::SetResolver(nullptr); }
    plat::ScriptedResolver resolver;
};

bool WaitDone(const plat::NetLookup& lookup)
{
    // Only a lookup that never ends takes a minute.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!lookup.IsDone()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

std::shared_ptr<plat::NetLookup> StartLookup(const char* host, std::function<void()> onDone = {})
{
    return plat::NetLookup::Start(host, std::strlen(host), std::move(onDone));
}

} // namespace

TEST(NetLookup, SystemLookupFindsLocalhostAsIPv4)
{
    auto lookup = StartLookup("localhost");
    ASSERT_TRUE(WaitDone(*lookup));
    EXPECT_EQ(lookup->GetResult(), plat::eNetResult::kOk);
    EXPECT_EQ(lookup->GetFirstAddress(), 0x7F000001u);
}

// An IPv6 answer can never be held as one 32-bit address, so it counts as no answer.
TEST(NetLookup, SystemLookupRefusesIPv6OnlyNames)
{
    std::vector<uint32_t> addresses;
    int32_t systemCode = 0;
    EXPECT_NE(plat::SystemResolveIPv4("::1", addresses, systemCode), plat::eNetResult::kOk);
    EXPECT_TRUE(addresses.empty());
}

TEST(NetLookup, ReplacementFunctionAnswersInOrderAndFailuresGiveNoAddress)
{
    struct sCase {
        const char* host;
        plat::eNetResult result;
        std::vector<uint32_t> answer;
        int32_t expectedResult; // 0, or "any failure" (-2)
        uint32_t expectedFirst;
    };
    const sCase cases[] = {
        {"two.example", plat::eNetResult::kOk, {0x0A000001, 0x0A000002}, 0, 0x0A000001},
        {"fails.example", plat::eNetResult::kFailed, {}, -2, 0},
        {"empty.example", plat::eNetResult::kOk, {}, -2, 0}, // success without an address is a failure
        {"partial.example", plat::eNetResult::kTryAgain, {0x01020304}, -2, 0}, // a failure's addresses are not used
    };
    for (const sCase& entry : cases) {
        ResolverScope scope([&](const std::string& host, std::vector<uint32_t>& addresses) {
            EXPECT_EQ(host, entry.host);
            addresses = entry.answer;
            return entry.result;
        });
        auto lookup = StartLookup(entry.host);
        ASSERT_TRUE(WaitDone(*lookup)) << entry.host;
        if (entry.expectedResult == 0) {
            EXPECT_EQ(lookup->GetResult(), plat::eNetResult::kOk) << entry.host;
            EXPECT_EQ(lookup->GetAddresses(), entry.answer) << entry.host;
        } else {
            EXPECT_NE(lookup->GetResult(), plat::eNetResult::kOk) << entry.host;
            EXPECT_TRUE(lookup->GetAddresses().empty()) << entry.host;
        }
        EXPECT_EQ(lookup->GetFirstAddress(), entry.expectedFirst) << entry.host;

        uint32_t direct = 0;
        plat::eNetResult result = plat::ResolveIPv4(entry.host, std::strlen(entry.host), direct);
        EXPECT_EQ(result == plat::eNetResult::kOk, entry.expectedResult == 0) << entry.host;
    }
}

// The caller keeps running while the lookup waits, is woken when it is done, and may give up on
// a lookup that is still running.
TEST(NetLookup, SlowLookupRunsOffTheCallingThread)
{
    std::mutex mutex;
    std::condition_variable release;
    bool released = false;
    std::atomic<int> answered{0};
    ResolverScope scope([&](const std::string&, std::vector<uint32_t>& addresses) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            release.wait(lock, [&] { return released; });
        }
        addresses = {0x7F000001};
        ++answered; // the last the answer touches of this test's values
        return plat::eNetResult::kOk;
    });
    std::atomic<int> woken{0};
    auto lookup = StartLookup("slow.example", [&] { ++woken; });
    auto abandoned = StartLookup("slow.example");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(lookup->IsDone());
    EXPECT_EQ(lookup->GetFirstAddress(), 0u);
    abandoned.reset();
    {
        std::lock_guard<std::mutex> lock(mutex);
        released = true;
    }
    release.notify_all();
    ASSERT_TRUE(WaitDone(*lookup));
    EXPECT_EQ(lookup->GetFirstAddress(), 0x7F000001u);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (woken == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(woken, 1);
    // The abandoned worker still answers; wait for it before the function's captures go.
    deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (answered < 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(answered, 2);
}
