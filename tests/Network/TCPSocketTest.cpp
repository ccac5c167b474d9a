#include "Network/CTCPSocket.h"

#include "support/LoopbackPeer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>
#include <unistd.h>

namespace {

constexpr uint32_t kLoopback = 0x7F000001;

// A socket that logs its state changes and callbacks in the order they happen.
class LoggingSocket : public CTCPSocket {
public:
    LoggingSocket()
    {
        // Opened again by each test with its own port.
        (void)OpenWithCallbacks(nullptr, nullptr, OnAcceptComplete, OnIncoming, OnConnect, OnData, nullptr, OnClosed, 0);
        ResolveFailedCallback = {OnResolveFailed, reinterpret_cast<uintptr_t>(this)};
        ConnectStartedCallback = {OnConnectStarted, reinterpret_cast<uintptr_t>(this)};
    }
    void ChangeState(uint32_t newState) override
    {
        CTCPSocket::ChangeState(newState);
        log.push_back("state " + std::to_string(newState));
    }

    static LoggingSocket* Self(uintptr_t user) { return reinterpret_cast<LoggingSocket*>(user); }
    static eResultCode OnConnect(int32_t, int32_t result, uintptr_t user)
    {
        Self(user)->log.push_back(result == 0 ? "connect" : "connect failed");
        return eSuccess;
    }
    static eResultCode OnData(int32_t, uintptr_t user)
    {
        LoggingSocket* socket = Self(user);
        socket->dataCalls++;
        if (!socket->readOnData)
            return eSuccess;
        CMemBlockT<char> block(64000);
        uint32_t count = 64000;
        eResultCode result = socket->Receive(count, block);
        if (result == eSuccess)
            socket->received.append(block.GetData(), count);
        else
            socket->emptyReceives++;
        return result;
    }
    static eResultCode OnClosed(int32_t result, uintptr_t user)
    {
        LoggingSocket* socket = Self(user);
        socket->log.push_back("closed " + std::to_string(result) + " after " + std::to_string(socket->received.size()));
        return eSuccess;
    }
    static eResultCode OnIncoming(int32_t, uintptr_t user) { return Self(user)->Accept(); }
    static eResultCode OnAcceptComplete(CTCPSocket* accepted, uintptr_t user)
    {
        Self(user)->accepted.push_back(accepted);
        return eSuccess;
    }
    static eResultCode OnResolveFailed(int32_t, uintptr_t user)
    {
        Self(user)->log.push_back("resolve failed");
        return eSuccess;
    }
    static eResultCode OnConnectStarted(int32_t, uintptr_t user)
    {
        Self(user)->log.push_back("connect started");
        return eSuccess;
    }

    std::vector<std::string> log;
    std::string received;
    std::vector<CTCPSocket*> accepted;
    bool readOnData = true;
    int dataCalls = 0;
    int emptyReceives = 0;
};

bool Logged(const LoggingSocket& socket, const std::string& entry)
{
    for (const std::string& line : socket.log)
        if (line == entry)
            return true;
    return false;
}

// Polls until `done` holds; only a connection that never gets there takes the minute.
template <typename Done>
bool PollUntil(CTCPSocket& socket, Done done, int seconds = 60)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        (void)socket.Poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace

// The recorded events run in a fixed order: the state change first, then the callbacks.
TEST(TCPSocket, PollAppliesTheStateBeforeTheCallbacksOfTheSameEvent)
{
    struct sCase {
        uint32_t code;
        int32_t result;
        std::vector<std::string> expected;
    };
    const sCase cases[] = {
        {CTCPSocket::kEventConnect, -111, {"state 2", "connect failed"}},
        {CTCPSocket::kEventConnect, 0, {"state 3", "connect"}},
        {CTCPSocket::kEventOrderlyRelease, 0, {"state 4", "closed 0 after 0"}},
        {CTCPSocket::kEventDisconnect, 0, {"state 4", "closed 0 after 0"}},
        {CTCPSocket::kEventDisconnect, -104, {"state 2", "closed -104 after 0"}},
        {0x4242, 0, {}},
    };
    for (const sCase& entry : cases) {
        LoggingSocket socket;
        socket.readOnData = false;
        socket.RecordEvent(entry.code, entry.result);
        EXPECT_EQ(socket.connected, 0u);
        (void)socket.Poll();
        EXPECT_EQ(socket.log, entry.expected) << entry.code;
        socket.log.clear();
        (void)socket.Poll();
        EXPECT_TRUE(socket.log.empty()) << "an event runs once";
    }
}

TEST(TCPSocket, RefusedConnectFailsBeforeTheConnectCallbackAndIsNotAClose)
{
    LoggingSocket socket;
    ASSERT_EQ(socket.OpenEndpoint(LoopbackPeer::UnusedPort()), eSuccess);
    ASSERT_EQ(socket.ConnectToAddress(kLoopback, 0), eSuccess);
    EXPECT_EQ(socket.state, uint32_t(eSocketConnecting));
    ASSERT_TRUE(PollUntil(socket, [&] { return Logged(socket, "connect failed"); }));
    EXPECT_EQ(socket.log, (std::vector<std::string>{"state 1", "state 2", "connect failed"}));
    EXPECT_NE(socket.eventResult, 0);
}

TEST(TCPSocket, ConnectCompletesOnALaterPoll)
{
    LoopbackPeer peer([](int fd) { LoopbackPeer::ReceiveAll(fd); });
    LoggingSocket socket;
    ASSERT_EQ(socket.OpenEndpoint(0), eSuccess);
    ASSERT_EQ(socket.ConnectToAddress(kLoopback, peer.Port()), eSuccess);
    EXPECT_EQ(socket.canSend, 0u);
    EXPECT_EQ(socket.address, kLoopback);
    EXPECT_EQ(socket.port, peer.Port());
    ASSERT_TRUE(PollUntil(socket, [&] { return Logged(socket, "connect"); }));
    EXPECT_EQ(socket.log, (std::vector<std::string>{"state 1", "state 3", "connect"}));
    EXPECT_EQ(socket.canSend, 1u);
    EXPECT_EQ(socket.connected, 1u);
}

// The key rule of the socket layer: the close is seen only after every byte, as a clean close.
TEST(TCPSocket, PeerCloseComesAfterTheLastByteAsStateClosed)
{
    std::string sent(300000, '\0');
    for (size_t i = 0; i < sent.size(); ++i)
        sent[i] = char(i % 251);
    LoopbackPeer peer([&](int fd) { LoopbackPeer::SendAll(fd, sent); });
    LoggingSocket socket;
    ASSERT_EQ(socket.OpenEndpoint(peer.Port()), eSuccess);
    ASSERT_EQ(socket.ConnectToAddress(kLoopback, 0), eSuccess);
    ASSERT_TRUE(PollUntil(socket, [&] { return socket.state == eSocketClosed && socket.log.back().rfind("closed", 0) == 0; }));
    EXPECT_TRUE(socket.received == sent);
    EXPECT_GE(socket.dataCalls, 5);
    EXPECT_EQ(socket.log.back(), "closed 0 after 300000");
    EXPECT_EQ(socket.log[socket.log.size() - 2], "state 4");
    EXPECT_EQ(socket.bytesReceived, 300000u);
}

// A successful receive makes the next poll call the data callback again; a receive that finds
// nothing answers 28 and stops that.
TEST(TCPSocket, ReceivePendingRunsTheDataCallbackAgainUntilNothingIsLeft)
{
    std::atomic<bool> release{false};
    LoopbackPeer peer([&](int fd) {
        LoopbackPeer::SendAll(fd, "abc");
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    LoggingSocket socket;
    ASSERT_EQ(socket.OpenEndpoint(peer.Port()), eSuccess);
    ASSERT_EQ(socket.ConnectToAddress(kLoopback, 0), eSuccess);
    ASSERT_TRUE(PollUntil(socket, [&] { return socket.received == "abc"; }));
    EXPECT_EQ(socket.receivePending, 1u);
    int calls = socket.dataCalls;
    (void)socket.Poll();
    EXPECT_EQ(socket.dataCalls, calls + 1);
    EXPECT_EQ(socket.emptyReceives, 1);
    EXPECT_EQ(socket.receivePending, 0u);
    (void)socket.Poll();
    EXPECT_EQ(socket.dataCalls, calls + 1);
    release = true;
}

TEST(TCPSocket, PeerResetClosesWithResultZero)
{
    LoopbackPeer peer([](int fd) {
        LoopbackPeer::ReceiveUntil(fd, "x");
        LoopbackPeer::CloseWithReset(fd);
    });
    LoggingSocket socket;
    ASSERT_EQ(socket.OpenEndpoint(peer.Port()), eSuccess);
    ASSERT_EQ(socket.ConnectToAddress(kLoopback, 0), eSuccess);
    ASSERT_TRUE(PollUntil(socket, [&] { return socket.canSend == 1; }));
    CMemBlockT<char> buffer(1);
    buffer.GetData()[0] = 'x';
    uint32_t count = 1;
    ASSERT_EQ(socket.Send(count, buffer), eSuccess);
    ASSERT_TRUE(PollUntil(socket, [&] { return Logged(socket, "closed 0 after 0"); }));
    EXPECT_EQ(socket.state, uint32_t(eSocketClosed));
}

// Under back-pressure the socket takes part of a buffer; the rest stays at the front of the buffer
// and goes out later, so the reader gets every byte in order.
TEST(TCPSocket, SendKeepsTheUnsentTail)
{
    const size_t total = 6 * 1024 * 1024;
    std::string data(total, '\0');
    for (size_t i = 0; i < total; ++i)
        data[i] = char((i * 31) >> 3);
    std::atomic<bool> startReading{false};
    std::string received;
    LoopbackPeer peer([&](int fd) {
        while (!startReading)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        received = LoopbackPeer::ReceiveAll(fd);
    });
    LoggingSocket socket;
    ASSERT_EQ(socket.OpenEndpoint(peer.Port()), eSuccess);
    ASSERT_EQ(socket.ConnectToAddress(kLoopback, 0), eSuccess);
    ASSERT_TRUE(PollUntil(socket, [&] { return socket.canSend == 1; }));

    size_t loaded = 0;
    bool sawWarning = false;
    CMemBlockT<char> buffer;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while ((loaded < total || buffer.GetSize() > 0) && std::chrono::steady_clock::now() < deadline) {
        if (buffer.GetSize() == 0) {
            uint32_t block = uint32_t(std::min<size_t>(64000, total - loaded));
            ASSERT_TRUE(buffer.SetSize(block));
            buffer.CopyFrom(data.data() + loaded, block);
            loaded += block;
        }
        uint32_t before = buffer.GetSize();
        uint32_t count = before;
        eResultCode result = socket.Send(count, buffer);
        if (result == eNetworkWarning) {
            sawWarning = true;
            EXPECT_EQ(buffer.GetSize(), before) << "nothing is lost while the socket is full";
            startReading = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        ASSERT_EQ(result, eSuccess);
        EXPECT_EQ(buffer.GetSize(), before - count);
    }
    startReading = true;
    EXPECT_EQ(socket.bytesSent, total);
    (void)socket.Disconnect();
    peer.Join();
    EXPECT_TRUE(sawWarning);
    EXPECT_TRUE(received == data);
}

TEST(TCPSocket, ConnectWithAddressZeroFailsWithoutTouchingTheNetwork)
{
    LoggingSocket socket;
    EXPECT_EQ(socket.Connect(gCString(u"nowhere"), 0), eSuccess);
    EXPECT_EQ(socket.log, (std::vector<std::string>{"state 2", "resolve failed"}));
    EXPECT_EQ(socket.endpoint.GetPhase(), plat::NetEndpoint::ePhase::kNone);
}

// A listener hands each connection to a new socket with the peer's address and keeps listening.
TEST(TCPSocket, ListenerAcceptsIntoNewSocketsAndKeepsListening)
{
    uint16_t listenPort = LoopbackPeer::UnusedPort();
    LoggingSocket listener;
    ASSERT_EQ(listener.OpenEndpoint(listenPort), eSuccess);
    ASSERT_EQ(listener.Bind(0, 0), eSuccess); // port 0 means the endpoint's port
    ASSERT_EQ(listener.EnterListenState(), eSuccess);
    EXPECT_EQ(listener.endpoint.GetLocalPort(), listenPort);

    for (int round = 0; round < 2; ++round) {
        int client = LoopbackPeer::ConnectTo(listenPort);
        ASSERT_GE(client, 0);
        ASSERT_TRUE(PollUntil(listener, [&] { return listener.accepted.size() == size_t(round + 1); }));
        CTCPSocket* accepted = listener.accepted.back();
        EXPECT_EQ(accepted->address, kLoopback);
        EXPECT_NE(accepted->port, 0);
        EXPECT_EQ(accepted->state, uint32_t(eSocketConnected));
        EXPECT_EQ(accepted->canSend, 1u);
        EXPECT_EQ(listener.state, uint32_t(eSocketListening));

        CMemBlockT<char> buffer(2);
        buffer.CopyFrom("hi", 2);
        uint32_t count = 2;
        EXPECT_EQ(accepted->Send(count, buffer), eSuccess);
        delete accepted; // closes the connection
        EXPECT_EQ(LoopbackPeer::ReceiveAll(client), "hi");
        close(client);
    }
}
