#include "Network/CTCPAppSocket.h"

#include "platform/ManualClock.h"
#include "support/LoopbackPeer.h"
#include "support/StalledPeer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t kLoopback = 0x7F000001;

struct sMessage {
    int32_t pipeId;
    uint32_t address;
    uint32_t type;
    std::string payload;
    bool hasBlock;
};

// Stands in for the application: keeps the messages and the accepted pipes.
class RecordingOwner : public IDataPipeOwner {
public:
    RecordingOwner() { SetDataPipeOwner(this); }
    ~RecordingOwner()
    {
        SetDataPipeOwner(nullptr);
        for (CTCPAppSocket* pipe : accepted)
            delete pipe;
    }
    eResultCode OnDataPipeMessage(const sDataPipeInfo& info, uint32_t type, CASMemFile* payload) override
    {
        std::string bytes;
        if (payload->GetData())
            bytes.assign(reinterpret_cast<const char*>(payload->GetData()), size_t(payload->GetSize()));
        messages.push_back({info.pipeId, info.address, type, bytes, payload->GetData() != nullptr});
        return eSuccess;
    }
    eResultCode RegisterAcceptedPipe(CTCPAppSocket* pipe) override
    {
        pipe->pipeId = nextId++;
        accepted.push_back(pipe);
        return eSuccess;
    }

    std::vector<sMessage> messages;
    std::vector<CTCPAppSocket*> accepted;
    int32_t nextId = 1;
};

std::string Frame(uint32_t type, const std::string& payload, uint32_t mark = CTCPAppSocket::kFrameMark1)
{
    std::string frame;
    auto word = [&](uint32_t value) {
        for (int i = 0; i < 4; ++i)
            frame += char(value >> (8 * i));
    };
    word(mark);
    word(type);
    word(CTCPAppSocket::kFrameMark2);
    word(uint32_t(payload.size()));
    word(CTCPAppSocket::kFrameMark3);
    return frame + payload;
}

std::string Pattern(size_t size, uint32_t seed)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245 + 12345;
        bytes[i] = char(seed >> 23);
    }
    return bytes;
}

// Counts the pipe's failure reports in `count`.
void CountSendFailures(CTCPAppSocket& pipe, int& count)
{
    count = 0;
    pipe.SendFailedCallback = {[](CTCPAppSocket*, uintptr_t user) {
        ++*reinterpret_cast<int*>(user);
        return eSuccess;
    }, reinterpret_cast<uintptr_t>(&count)};
}

} // namespace

// A stream of frames gives the same messages however TCP splits it: a header in two pieces, two
// frames in one piece, a payload over many pieces.
TEST(DataPipe, FramesAreDeliveredWholeHoweverTheBytesArrive)
{
    const std::string stream = Frame(7, "") + Frame(8, "x") + Frame(9, Pattern(70000, 1))
        + Frame(10, "after a wrong mark", 0x12345678) + Frame(11, "last");
    const std::vector<std::vector<size_t>> splits = {
        {stream.size()},
        {7, 13, stream.size() - 20},
        std::vector<size_t>(stream.size() / 997 + 1, 997),
    };
    std::mt19937 random(4105);
    std::vector<std::vector<size_t>> all = splits;
    for (int round = 0; round < 10; ++round) {
        std::vector<size_t> pieces;
        for (size_t left = stream.size(); left > 0;) {
            size_t piece = std::min<size_t>(left, 1 + random() % (round < 5 ? 30 : 70000));
            pieces.push_back(piece);
            left -= piece;
        }
        all.push_back(pieces);
    }
    for (const std::vector<size_t>& pieces : all) {
        RecordingOwner owner;
        CTCPAppSocket pipe;
        pipe.pipeId = 3;
        size_t offset = 0;
        for (size_t piece : pieces) {
            piece = std::min(piece, stream.size() - offset);
            ASSERT_EQ(pipe.TakeReceivedBytes(stream.data() + offset, uint32_t(piece)), eSuccess);
            offset += piece;
        }
        ASSERT_EQ(owner.messages.size(), 5u) << pieces.size() << " pieces";
        EXPECT_EQ(owner.messages[0].type, 7u);
        EXPECT_EQ(owner.messages[0].payload, "");
        EXPECT_FALSE(owner.messages[0].hasBlock) << "an empty payload comes without a block";
        EXPECT_EQ(owner.messages[1].payload, "x");
        EXPECT_TRUE(owner.messages[2].payload == Pattern(70000, 1));
        EXPECT_EQ(owner.messages[3].type, 10u) << "marks are not compared";
        EXPECT_EQ(owner.messages[4].payload, "last");
        EXPECT_EQ(owner.messages[4].pipeId, 3);
    }
}

TEST(DataPipe, CloseAfterADeliveredFrameIsCleanAndInsideAFrameIsAFailure)
{
    struct sCase {
        std::string bytes;
        uint32_t state;
        int sendFailed;
    };
    const sCase cases[] = {
        {Frame(1, "payload"), eSocketClosed, 0},
        {"", eSocketClosed, 0},
        {Frame(1, "payload").substr(0, 12), eSocketFailedTransfer, 1},
        {Frame(1, "payload").substr(0, 24), eSocketFailedTransfer, 1},
        {Frame(1, "payload") + Frame(2, "").substr(0, 5), eSocketFailedTransfer, 1},
    };
    for (const sCase& entry : cases) {
        RecordingOwner owner;
        CTCPAppSocket pipe;
        pipe.InstallSocketCallbacks();
        int sendFailed;
        CountSendFailures(pipe, sendFailed);
        (void)pipe.TakeReceivedBytes(entry.bytes.data(), uint32_t(entry.bytes.size()));
        pipe.RecordEvent(CTCPSocket::kEventOrderlyRelease, 0);
        (void)pipe.Poll();
        EXPECT_EQ(pipe.state, entry.state) << entry.bytes.size();
        EXPECT_EQ(sendFailed, entry.sendFailed) << entry.bytes.size();
        EXPECT_EQ(pipe.finished, 1u);
    }
}

// A peer that stops inside a frame is given up after the frame wait: the pipe is closed and its
// owner told. Bytes arriving keep it open, and between frames it may stay quiet without end.
TEST(DataPipe, APeerStalledInsideAFrameIsGivenUp)
{
    struct sCase {
        const char* name;
        std::vector<sPeerStep> steps;
        bool givenUp; // after the last step; never before it
    };
    const std::string frame = Frame(1, "payload");
    const sCase cases[] = {
        {"part of a header", {{frame.substr(0, 12), 59 * kSecond}, {"", kSecond}}, true},
        {"part of a payload", {{frame.substr(0, 24), 59 * kSecond}, {"", kSecond}}, true},
        {"a byte now and then", {{frame.substr(0, 24), 59 * kSecond}, {"l", 59 * kSecond}, {"o", 59 * kSecond}}, false},
        {"between frames", {{frame, 3600 * kSecond}, {frame, 3600 * kSecond}}, false},
        {"no frame yet", {{"", 3600 * kSecond}}, false},
    };
    for (const sCase& entry : cases) {
        SCOPED_TRACE(entry.name);
        RecordingOwner owner;
        LoopbackPeer peer([](int fd) { (void)LoopbackPeer::ReceiveAll(fd); });
        plat::ScopedManualClock clock;
        CTCPAppSocket pipe;
        int sendFailed;
        CountSendFailures(pipe, sendFailed);
        ASSERT_EQ(pipe.ConnectToAddress(kLoopback, peer.Port()), eSuccess);
        ASSERT_TRUE(PollUntilState(pipe, eSocketConnected));
        for (size_t i = 0; i < entry.steps.size(); ++i) {
            EXPECT_EQ(sendFailed, 0) << "before step " << i;
            (void)pipe.TakeReceivedBytes(entry.steps[i].bytes.data(), uint32_t(entry.steps[i].bytes.size()));
            clock->Advance(entry.steps[i].wait);
            (void)pipe.Poll();
        }
        EXPECT_EQ(sendFailed, entry.givenUp ? 1 : 0);
        EXPECT_EQ(pipe.state, uint32_t(entry.givenUp ? eSocketFailedTransfer : eSocketConnected));
        EXPECT_EQ(pipe.finished, entry.givenUp ? 1u : 0u);
        // The connection is gone: the peer sees its end.
        EXPECT_EQ(pipe.endpoint.IsOpen(), !entry.givenUp);
        (void)pipe.Poll();
        EXPECT_EQ(sendFailed, entry.givenUp ? 1 : 0) << "told once";
        pipe.endpoint.Close();
    }
}

// A 200000-byte payload goes out as blocks of 64000, 64000, 64000 and 8020 bytes (with the header).
TEST(DataPipe, LargeFrameGoesOutInBlocksOfAtMost64000Bytes)
{
    CTCPAppSocket pipe;
    gCMemFile message;
    std::string bytes = Pattern(200000, 2);
    ASSERT_EQ(message.Write(bytes.data(), int32_t(bytes.size())), eSuccess);
    ASSERT_EQ(pipe.SendMessage(5, &message), eSuccess);
    ASSERT_EQ(pipe.SendMessage(6, nullptr), eSuccess);
    (void)pipe.Poll(); // takes the first frame; not connected, so nothing is sent
    std::vector<uint32_t> blocks;
    std::string wire;
    while (pipe.sending && pipe.sendBuffer.GetSize() > 0) {
        blocks.push_back(pipe.sendBuffer.GetSize());
        wire.append(pipe.sendBuffer.GetData(), pipe.sendBuffer.GetSize());
        (void)pipe.sendBuffer.SetSize(0);
        ASSERT_EQ(pipe.LoadNextSendBlock(), eSuccess);
    }
    EXPECT_EQ(blocks, (std::vector<uint32_t>{64000, 64000, 64000, 8020}));
    EXPECT_TRUE(wire == Frame(5, bytes));
    (void)pipe.Poll();
    EXPECT_EQ(std::string(pipe.sendBuffer.GetData(), pipe.sendBuffer.GetSize()), Frame(6, ""));
}

// Two pipes in one process: a listener accepts the other's connection into a new pipe that
// knows its peer, and frames of every size cross in both directions intact and in order.
TEST(DataPipe, TwoPipesExchangeFramesOverLoopback)
{
    RecordingOwner owner;
    uint16_t listenPort = LoopbackPeer::UnusedPort();
    CTCPAppSocket listener;
    ASSERT_EQ(listener.OpenOnPort(listenPort), eSuccess);
    ASSERT_EQ(listener.Bind(listenPort, 0), eSuccess);
    ASSERT_EQ(listener.EnterListenState(), eSuccess);

    CTCPAppSocket client;
    client.pipeId = 100;
    ASSERT_EQ(client.ConnectToAddress(kLoopback, listenPort), eSuccess);
    EXPECT_TRUE(client.peerName == "127.0.0.1");

    const std::vector<size_t> sizes = {0, 1, 64000, 200000};
    for (size_t i = 0; i < sizes.size(); ++i) {
        gCMemFile message;
        std::string bytes = Pattern(sizes[i], uint32_t(i + 10));
        if (!bytes.empty()) {
            ASSERT_EQ(message.Write(bytes.data(), int32_t(bytes.size())), eSuccess);
        }
        ASSERT_EQ(client.SendMessage(uint32_t(i), &message), eSuccess);
    }
    auto pollAll = [&](auto done) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            (void)listener.Poll();
            (void)client.Poll();
            for (CTCPAppSocket* pipe : owner.accepted)
                (void)pipe->Poll();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return done();
    };
    ASSERT_TRUE(pollAll([&] { return owner.messages.size() == sizes.size(); }));
    ASSERT_EQ(owner.accepted.size(), 1u);
    CTCPAppSocket* server = owner.accepted[0];
    EXPECT_EQ(server->address, kLoopback) << "the accepted pipe knows its peer";
    EXPECT_EQ(server->pipeId, 1);
    EXPECT_EQ(listener.state, uint32_t(eSocketListening));
    for (size_t i = 0; i < sizes.size(); ++i) {
        EXPECT_EQ(owner.messages[i].type, uint32_t(i));
        EXPECT_EQ(owner.messages[i].pipeId, 1);
        EXPECT_EQ(owner.messages[i].address, kLoopback);
        EXPECT_TRUE(owner.messages[i].payload == Pattern(sizes[i], uint32_t(i + 10))) << sizes[i];
    }

    // And back.
    gCMemFile reply;
    ASSERT_EQ(reply.Write("pong", 4), eSuccess);
    ASSERT_EQ(server->SendMessage(42, &reply), eSuccess);
    ASSERT_TRUE(pollAll([&] { return owner.messages.size() == sizes.size() + 1; }));
    EXPECT_EQ(owner.messages.back().type, 42u);
    EXPECT_EQ(owner.messages.back().pipeId, 100);
    EXPECT_EQ(owner.messages.back().payload, "pong");

    // A clean close after the last frame: the other side ends in state 4.
    (void)client.Disconnect();
    ASSERT_TRUE(pollAll([&] { return server->finished != 0; }));
    EXPECT_EQ(server->state, uint32_t(eSocketClosed));
}
