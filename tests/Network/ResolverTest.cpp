#include "Network/CResolver.h"
#include "Network/CTCPSocket.h"
#include "Network/NetAddress.h"
#include "platform/NetLookup.h"
#include "platform/EventLoop.h"
#include "support/AllocationFailure.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

TEST(NetAddress, DottedTextParsingFormattingAndSplitting)
{
    struct sCase {
        const char16_t* text;
        bool dotted;
        uint32_t address;
    };
    const sCase cases[] = {
        {u"10.0.0.1", true, 0x0A000001},
        {u"127.0.0.1", true, 0x7F000001},
        {u"1.2.3.4.5", true, 0x01020304},         // the fifth part is ignored
        {u"999.0.0.1", true, uint32_t(999u << 24) + 1}, // no range check
        {u"10.0.0", false, 0},
        {u"a.b.c.d", false, 0},
        {u".1.2.3", false, 0},
        {u"1.2.3.", false, 0},
        {u"update.pintrel.example", false, 0},
    };
    for (const sCase& entry : cases) {
        gCString text(entry.text);
        EXPECT_EQ(IsDottedAddress(text), entry.dotted) << Utf8(text);
        if (entry.dotted) {
            EXPECT_EQ(ParseDottedAddress(text), entry.address) << Utf8(text);
        }
    }
    EXPECT_TRUE(FormatDottedAddress(0) == "0.0.0.0");
    EXPECT_TRUE(FormatDottedAddress(0x7F000001) == "127.0.0.1");
    EXPECT_EQ(ParseDottedAddress(FormatDottedAddress(0xC0A80A2A)), 0xC0A80A2Au);

    gCString host;
    uint16_t port = 1;
    SplitHostAndPort(gCString(u"server:80"), host, port);
    EXPECT_TRUE(host == "server");
    EXPECT_EQ(port, 80);
    SplitHostAndPort(gCString(u"server"), host, port);
    EXPECT_TRUE(host == "server");
    EXPECT_EQ(port, 0);
}

namespace {

// Holds a scripted answer back until the test lets it go, so what a test counts while a lookup
// runs depends on the test's own steps, not on how fast the machine is.
class AnswerGate {
public:
    void Open()
    {
        std::lock_guard<std::mutex> lock(mLock);
        mOpen = true;
        mChanged.notify_all();
    }
    // Waits until opened; a minute passes only when the test never opens it (a fault of its own).
    void WaitOpen()
    {
        std::unique_lock<std::mutex> lock(mLock);
        mChanged.wait_for(lock, std::chrono::seconds(60), [this] { return mOpen; });
    }

private:
    std::mutex mLock;
    std::condition_variable mChanged;
    bool mOpen = false;
};

// The gate of the lookup the current test started; the one before it stays alive in its lookup.
std::shared_ptr<AnswerGate> gAnswerGate = std::make_shared<AnswerGate>();

int gWaitRounds = 0;
CTCPSocket* gDeleteDuringWait = nullptr;
bool gQuitDuringWait = false;

// Stands in for the application's nested loop: counts its rounds (the heartbeats that keep running).
// The scripted answer is let go once the loop has turned twice.
class CountingWait final : public CResolverWait {
public:
    void WaitUntilDone(bool (*isDone)(void* context), void* context) override
    {
        while (!isDone(context)) {
            if (++gWaitRounds >= 2)
                gAnswerGate->Open();
            if (gDeleteDuringWait) {
                delete gDeleteDuringWait;
                gDeleteDuringWait = nullptr;
            }
            if (gQuitDuringWait)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
};

CountingWait gCountingWait;

struct sResolveLog {
    int calls = 0;
    uint32_t address = 0;
    std::string host;
};

eResultCode LogAnswer(const gCString& host, uint32_t address, uintptr_t extra, CTCPSocket*)
{
    auto* log = reinterpret_cast<sResolveLog*>(extra);
    log->calls++;
    log->address = address;
    log->host = Utf8(host);
    return eSuccess;
}

class ResolverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gWaitRounds = 0;
        gDeleteDuringWait = nullptr;
        gQuitDuringWait = false;
        SetResolverWait(&gCountingWait);
    }
    void TearDown() override
    {
        SetResolverWait(nullptr);
        plat::SetResolver(nullptr);
        gAnswerGate->Open(); // a lookup the test gave up on ends now
        EXPECT_EQ(gResolver.requests.GetSize(), 0) << "no request is left behind";
    }
};

// Never destroyed: a lookup a test gave up on may still be running in it when the program exits.
plat::ScriptedResolver& gScriptedResolver = *new plat::ScriptedResolver;

// A lookup that answers `addresses` (or fails when empty) only once its gate is opened.
void UseSlowResolver(std::vector<uint32_t> addresses)
{
    gAnswerGate = std::make_shared<AnswerGate>();
    gScriptedResolver.SetAnswer([addresses, gate = gAnswerGate](const std::string&, std::vector<uint32_t>& out) {
        gate->WaitOpen();
        out = addresses;
        return addresses.empty() ? plat::eNetResult::kHostNotFound : plat::eNetResult::kOk;
    });
    plat::SetResolver(&gScriptedResolver);
}

} // namespace

TEST_F(ResolverTest, DottedNameIsAnsweredAtOnceWithoutWaiting)
{
    sResolveLog log;
    EXPECT_EQ(ResolveHostName(nullptr, gCString(u"10.0.0.1"), LogAnswer, reinterpret_cast<uintptr_t>(&log)), eSuccess);
    EXPECT_EQ(log.calls, 1);
    EXPECT_EQ(log.address, 0x0A000001u);
    EXPECT_EQ(log.host, "10.0.0.1");
    EXPECT_EQ(gWaitRounds, 0);
}

TEST_F(ResolverTest, NamesAreLookedUpWhileTheLoopKeepsRunning)
{
    UseSlowResolver({0x7F000001, 0x7F000002});
    sResolveLog log;
    EXPECT_EQ(ResolveHostName(nullptr, gCString(u"10.0.0"), LogAnswer, reinterpret_cast<uintptr_t>(&log)), eSuccess);
    EXPECT_EQ(log.calls, 1);
    EXPECT_EQ(log.address, 0x7F000001u) << "the first address serves the request";
    EXPECT_GT(gWaitRounds, 1);
}

// The socket has been told before ResolveHostName returns: connecting on success, failed (with its
// resolve-failed callback) when the name is unknown.
TEST_F(ResolverTest, ConnectToHostHandsTheAnswerToTheSocket)
{
    struct sCase {
        std::vector<uint32_t> answer;
        uint32_t expectedState;
        int expectedResolveFailed;
    };
    const sCase cases[] = {
        {{0x7F000001}, eSocketConnecting, 0},
        {{}, eSocketFailed, 1},
    };
    for (const sCase& entry : cases) {
        UseSlowResolver(entry.answer);
        CTCPSocket socket;
        static int resolveFailed;
        resolveFailed = 0;
        socket.ResolveFailedCallback = {[](int32_t, uintptr_t) {
            ++resolveFailed;
            return eSuccess;
        }, 0};
        ASSERT_EQ(socket.OpenEndpoint(1), eSuccess);
        EXPECT_EQ(socket.ConnectToHost(gCString(u"somewhere.example"), 0), eSuccess);
        EXPECT_EQ(socket.state, entry.expectedState);
        EXPECT_EQ(resolveFailed, entry.expectedResolveFailed);
        EXPECT_EQ(socket.port, 1) << "port 0 means the endpoint's port";
    }
}

TEST_F(ResolverTest, SocketDeletedDuringTheWaitIsNotCalledBack)
{
    UseSlowResolver({0x7F000001});
    CTCPSocket* socket = new CTCPSocket;
    gDeleteDuringWait = socket;
    EXPECT_EQ(ResolveHostName(socket, gCString(u"gone.example"), ResolvedAddressToSocket, 0), eSuccess);
    EXPECT_EQ(gDeleteDuringWait, nullptr);
}

TEST_F(ResolverTest, QuittingDuringTheWaitReturnsWithoutAnswer)
{
    UseSlowResolver({0x7F000001});
    gQuitDuringWait = true;
    sResolveLog log;
    EXPECT_EQ(ResolveHostName(nullptr, gCString(u"late.example"), LogAnswer, reinterpret_cast<uintptr_t>(&log)), eSuccess);
    EXPECT_EQ(log.calls, 0);
}

TEST_F(ResolverTest, LocalhostResolvesThroughTheSystem)
{
    sResolveLog log;
    EXPECT_EQ(ResolveHostName(nullptr, gCString(u"localhost"), LogAnswer, reinterpret_cast<uintptr_t>(&log)), eSuccess);
    EXPECT_EQ(log.address, 0x7F000001u);
    uint32_t address = 0;
    EXPECT_EQ(ResolveHostNameSync(gCString(u"localhost"), address), eSuccess);
    EXPECT_EQ(address, 0x7F000001u);
    EXPECT_EQ(ResolveHostNameSync(gCString(u"1.2.3.4"), address), eSuccess);
    EXPECT_EQ(address, 0x01020304u);
}

// Nothing in the program asks for this text.
TEST(Resolver, TheUnwrittenTextQueryAnswersSo)
{
    EXPECT_EQ(Utf8(GetNotImplementedText()), "Not yet implemented on mac version");
}

// A name whose bytes cannot be held is not looked up: both forms answer 5 and nobody is called back.
TEST_F(ResolverTest, NameThatCannotBeConvertedGivesNoMemory)
{
    UseSlowResolver({0x7F000001});
    const gCString name(u"somewhere.example");
    sResolveLog log;
    uint32_t address = 0;
    AllocationFailure failure(1, true);
    EXPECT_EQ(ResolveHostName(nullptr, name, LogAnswer, reinterpret_cast<uintptr_t>(&log)), eNoMemory);
    EXPECT_EQ(ResolveHostNameSync(name, address), eNoMemory);
    EXPECT_EQ(log.calls, 0);
    EXPECT_EQ(gWaitRounds, 0);
}

// Without a wait of its own the resolver turns the program's loop, so its timers (the
// heartbeat among them) keep firing during a lookup.
TEST(ResolverLoop, TimersKeepFiringWhileANameIsLookedUp)
{
    SetResolverWait(nullptr);
    auto gate = std::make_shared<AnswerGate>();
    gScriptedResolver.SetAnswer([gate](const std::string&, std::vector<uint32_t>& out) {
        gate->WaitOpen();
        out = {0x0A000001};
        return plat::eNetResult::kOk;
    });
    plat::SetResolver(&gScriptedResolver);
    plat::EventLoop& loop = plat::EventLoop::Main();
    int ticks = 0;
    uint32_t timer = loop.AddTimer(0, 10000, [&] {
        if (++ticks == 3)
            gate->Open();
    });
    sResolveLog log;
    EXPECT_EQ(ResolveHostName(nullptr, gCString(u"slow.example"), LogAnswer, reinterpret_cast<uintptr_t>(&log)), eSuccess);
    loop.RemoveTimer(timer);
    plat::SetResolver(nullptr);
    EXPECT_EQ(log.address, 0x0A000001u);
    EXPECT_GE(ticks, 3);
}
