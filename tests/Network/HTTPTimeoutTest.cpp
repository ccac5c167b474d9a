// Peers that stall or flood: a client gives up on a server that sends nothing or trickles its
// header, a server closes connections that sit idle or never finish their request and refuses
// header floods without stalling its loop. The connections are real; the clock is manual where
// the waits matter.
#include "Network/CHTTPSession.h"
#include "Network/HTTPLimits.h"

#include "platform/ManualClock.h"
#include "support/HTTPTestServer.h"
#include "support/LoopbackPeer.h"
#include "support/StalledPeer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct sStallCase {
    const char* name;
    std::vector<sPeerStep> steps;
    eHTTPFailure failure;  // after the last step; kNone before it
    uint32_t state;
    uint32_t finishOnClose = 0;
};

} // namespace

TEST(HTTPTimeout, ClientGivesUpOnASilentOrTricklingServer)
{
    const std::string header = "HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n";
    const sStallCase cases[] = {
        {"silent", {{"", 59 * kSecond}, {"", kSecond}}, eHTTPFailure::kIdle, eSocketFailed},
        {"header trickles", {{"HTTP/1.0 200 OK\r\n", 40 * kSecond}, {"X-A: 1\r\n", 19 * kSecond}, {"X", kSecond}},
         eHTTPFailure::kHeaderTooSlow, eSocketFailed},
        {"body stalls", {{header + "abc", 50 * kSecond}, {"d", 59 * kSecond}, {"", kSecond}}, eHTTPFailure::kIdle,
         eSocketFailedTransfer},
        // Everything announced has come and the server holds the connection: the download ends.
        {"complete body held open", {{header + "0123456789", 60 * kSecond}}, eHTTPFailure::kNone, eSocketClosed, 1},
    };
    for (const sStallCase& entry : cases) {
        SCOPED_TRACE(entry.name);
        LoopbackPeer peer([](int fd) { (void)LoopbackPeer::ReceiveAll(fd); });
        plat::ScopedManualClock clock;
        CHTTPSession session;
        session.finishOnClose = entry.finishOnClose;
        int failedCalls = 0;
        int finishedCalls = 0;
        session.DownloadFinishedCallback = {[](CHTTPSession*, const gCString&, const gCString&, uint32_t complete,
                                               uint32_t, uintptr_t user) {
            *reinterpret_cast<int*>(user) += complete != 0 ? 1 : 100;
            return eSuccess;
        }, reinterpret_cast<uintptr_t>(&finishedCalls)};
        session.FailedCallback = {[](CHTTPSession*, uintptr_t user) {
            ++*reinterpret_cast<int*>(user);
            return eSuccess;
        }, reinterpret_cast<uintptr_t>(&failedCalls)};
        session.SendFailedCallback = session.FailedCallback;
        ASSERT_EQ(session.RequestAddress(1, 0x7F000001, peer.Port(), gCString(u"/"), gCString(u""), gCString(u""), 0),
                  eSuccess);
        ASSERT_TRUE(PollUntilState(session, eSocketConnected));
        for (size_t i = 0; i < entry.steps.size(); ++i) {
            const sPeerStep& step = entry.steps[i];
            if (!step.bytes.empty())
                (void)session.TakeReceivedBytes(step.bytes.data(), uint32_t(step.bytes.size()));
            EXPECT_EQ(session.failure, eHTTPFailure::kNone) << "before step " << i;
            clock->Advance(step.wait);
            (void)session.Poll();
        }
        EXPECT_EQ(session.failure, entry.failure);
        EXPECT_EQ(session.state, entry.state);
        EXPECT_EQ(failedCalls, entry.failure == eHTTPFailure::kNone ? 0 : 1);
        EXPECT_EQ(finishedCalls, entry.failure == eHTTPFailure::kNone ? 1 : 0);
        // The connection is gone: the peer sees the end and its script returns.
        EXPECT_FALSE(session.endpoint.IsOpen());
    }
}

// A client keeping the floor (1 KB a second over 60 s, the defaults) against servers that send
// `bytes` at the start of every `every` seconds, `times` times, after the header; the clock moves
// a second at a time.
TEST(HTTPTimeout, ClientKeepingTheFloorGivesUpOnlyOnAWindowBelowIt)
{
    struct sBurst {
        uint32_t bytes;
        uint32_t every;
        uint32_t times;
    };
    struct sFloorCase {
        const char* name;
        std::vector<sBurst> bursts;
        uint64_t stoppedAt; // seconds after the request; 0 for never
    };
    const sFloorCase cases[] = {
        {"a byte a second", {{1, 1, 100}}, 60},
        {"1023 bytes a second", {{1023, 1, 100}}, 60},
        {"1024 bytes a second", {{1024, 1, 180}}, 0},
        // Stalls shorter than the idle wait, with enough in between.
        {"70 KB every 40 s", {{70 << 10, 40, 5}}, 0},
        // The window slides: two fast minutes do not cover a trickle after them for long.
        {"10 KB a second, then a byte a second", {{10 << 10, 1, 120}, {1, 1, 100}}, 175},
    };
    const std::string header = "HTTP/1.0 200 OK\r\nContent-Length: 100000000\r\n\r\n";
    for (const sFloorCase& entry : cases) {
        SCOPED_TRACE(entry.name);
        LoopbackPeer peer([](int fd) { (void)LoopbackPeer::ReceiveAll(fd); });
        plat::ScopedManualClock clock;
        CHTTPSession session;
        session.keepsRateFloor = 1;
        ASSERT_EQ(session.RequestAddress(1, 0x7F000001, peer.Port(), gCString(u"/"), gCString(u""), gCString(u""), 0),
                  eSuccess);
        ASSERT_TRUE(PollUntilState(session, eSocketConnected));
        (void)session.TakeReceivedBytes(header.data(), uint32_t(header.size()));
        uint64_t elapsed = 0;
        uint64_t stoppedAt = 0;
        for (const sBurst& burst : entry.bursts) {
            const std::string bytes(burst.bytes, 'x');
            for (uint32_t time = 0; time < burst.times && stoppedAt == 0; ++time) {
                (void)session.TakeReceivedBytes(bytes.data(), uint32_t(bytes.size()));
                for (uint32_t second = 0; second < burst.every && stoppedAt == 0; ++second) {
                    clock->Advance(kSecond);
                    ++elapsed;
                    (void)session.Poll();
                    if (session.failure != eHTTPFailure::kNone)
                        stoppedAt = elapsed;
                }
            }
        }
        EXPECT_EQ(stoppedAt, entry.stoppedAt);
        EXPECT_EQ(session.failure, entry.stoppedAt ? eHTTPFailure::kTooSlow : eHTTPFailure::kNone);
        EXPECT_EQ(session.state, uint32_t(entry.stoppedAt ? eSocketFailedTransfer : eSocketConnected));
        EXPECT_EQ(session.endpoint.IsOpen(), entry.stoppedAt == 0);
        (void)session.Disconnect();
        session.endpoint.Close();
    }
}

TEST(HTTPTimeout, ServerAcceptsABurstAtOnceAndClosesStalledConnections)
{
    plat::ScopedManualClock clock;
    HTTPTestServer server;
    ASSERT_TRUE(server.listening);
    // Ten connections wait in the backlog: one poll of the listener takes them all.
    std::vector<int> clients;
    for (int i = 0; i < 10; ++i)
        clients.push_back(LoopbackPeer::ConnectTo(server.port));
    for (int fd : clients)
        ASSERT_GE(fd, 0);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (server.sessions.size() < clients.size() && std::chrono::steady_clock::now() < end) {
        (void)server.listener.Poll();
        if (server.sessions.empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        else
            break;
    }
    EXPECT_EQ(server.sessions.size(), clients.size());

    // Client 0 trickles its request; the others send nothing.
    const std::string start = "GET /a";
    ASSERT_TRUE(LoopbackPeer::SendAll(clients[0], start));
    while (server.sessions[0]->receiveBuffer.GetSize() < int64_t(start.size())
           && std::chrono::steady_clock::now() < end) {
        server.Poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    clock->Advance(40 * kSecond);
    ASSERT_TRUE(LoopbackPeer::SendAll(clients[0], "b"));
    while (server.sessions[0]->receiveBuffer.GetSize() < int64_t(start.size()) + 1
           && std::chrono::steady_clock::now() < end) {
        server.Poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    clock->Advance(19 * kSecond);
    server.Poll();
    for (CHTTPSession* session : server.sessions)
        EXPECT_EQ(session->state, uint32_t(eSocketConnected));
    // At 60 s the idle ones are closed, and so is the one whose request never ended.
    clock->Advance(kSecond);
    server.Poll();
    for (size_t i = 0; i < clients.size(); ++i) {
        EXPECT_EQ(server.sessions[i]->state, uint32_t(eSocketClosed)) << i;
        char byte;
        EXPECT_EQ(recv(clients[i], &byte, 1, 0), 0) << i;
        close(clients[i]);
    }
}

// Twenty clients send requests of 7,400 header lines at once: none is answered, no poll of the
// server takes long, and a normal request is served afterwards.
TEST(HTTPTimeout, ServerRefusesHeaderFloodsWithoutStallingItsLoop)
{
    HTTPTestServer server;
    ASSERT_TRUE(server.listening);
    server.files["ok.txt"] = "fine";
    std::string flood = "GET /ok.txt HTTP/1.0\r\n";
    // Short lines: the whole request is within the byte limit, only its line count is not.
    for (int i = 0; i < 7400; ++i)
        flood += "X: y\r\n";
    flood += "\r\n";
    constexpr int kClients = 20;
    std::vector<std::string> replies(kClients, "(none)");
    std::vector<std::thread> clients;
    std::atomic<int> done{0};
    for (int i = 0; i < kClients; ++i) {
        clients.emplace_back([&, i] {
            int fd = LoopbackPeer::ConnectTo(server.port);
            (void)LoopbackPeer::SendAll(fd, flood);
            replies[size_t(i)] = LoopbackPeer::ReceiveAll(fd);
            close(fd);
            ++done;
        });
    }
    // A poll that works through a flood shows in its processor time; its length also holds the
    // time the clients' threads and a busy machine take the processor from it.
    double longest = 0;
    double longestWork = 0;
    auto threadSeconds = [] {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
    };
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    auto allEnded = [&] {
        if (server.sessions.size() < size_t(kClients))
            return false;
        for (CHTTPSession* session : server.sessions)
            if (session->state == eSocketConnected)
                return false;
        return true;
    };
    while ((done < kClients || !allEnded()) && std::chrono::steady_clock::now() < deadline) {
        auto start = std::chrono::steady_clock::now();
        const double workStart = threadSeconds();
        server.Poll();
        longestWork = std::max(longestWork, threadSeconds() - workStart);
        longest = std::max(longest, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    for (std::thread& client : clients)
        client.join();
    EXPECT_TRUE(allEnded());
    EXPECT_LT(longestWork, 0.5);
    EXPECT_LT(longest, 10.0);
    for (const std::string& reply : replies)
        EXPECT_EQ(reply, "");

    int fd = LoopbackPeer::ConnectTo(server.port);
    ASSERT_TRUE(LoopbackPeer::SendAll(fd, "GET /ok.txt HTTP/1.0\r\n\r\n"));
    std::string reply;
    std::atomic<bool> replied{false};
    std::thread reader([&] {
        reply = LoopbackPeer::ReceiveAll(fd);
        replied = true;
    });
    deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!replied && std::chrono::steady_clock::now() < deadline) {
        server.Poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    reader.join();
    close(fd);
    EXPECT_EQ(reply.substr(0, 15), "HTTP/1.0 200 OK");
    EXPECT_EQ(reply.substr(reply.size() - 4), "fine");
}
