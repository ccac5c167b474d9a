#include "app/CSocketRegistry.h"

#include "support/AllocationFailure.h"
#include "support/LoopbackPeer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t kLoopback = 0x7F000001;

class TestRegistry : public CSocketRegistry {
public:
    uint32_t OnPipeAccepted(const sDataPipeInfo& info) override
    {
        acceptedInfo.push_back(info);
        return acceptAnswer;
    }
    eResultCode OnDataPipeMessage(const sDataPipeInfo& info, uint32_t type, CASMemFile* payload) override
    {
        std::string bytes;
        if (payload->GetData())
            bytes.assign(reinterpret_cast<const char*>(payload->GetData()), size_t(payload->GetSize()));
        messages.push_back({info, type, bytes});
        return eSuccess;
    }

    template <typename Done>
    bool PollUntil(Done done)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            PollSockets();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return done();
    }

    struct sMessage {
        sDataPipeInfo info;
        uint32_t type;
        std::string payload;
    };
    uint32_t acceptAnswer = 0;
    std::vector<sDataPipeInfo> acceptedInfo;
    std::vector<sMessage> messages;
};

} // namespace

TEST(SocketRegistry, PipeIdsCountOnAcrossDeletedPipes)
{
    gNextDataPipeId = 1;
    TestRegistry registry;
    (void)registry.StartNetworking();
    CTCPAppSocket* first = registry.CreateDataPipe();
    CTCPAppSocket* second = registry.CreateDataPipe();
    EXPECT_EQ(first->pipeId, 1);
    EXPECT_EQ(second->pipeId, 2);
    first->finished = 1;
    second->finished = 1; // two closed neighbours go in the same poll
    registry.PollSockets();
    EXPECT_EQ(registry.GetDataPipes().GetSize(), 0);
    EXPECT_EQ(registry.CreateDataPipe()->pipeId, 3);
}

TEST(SocketRegistry, ListenersAreReplacedAndClosedByPort)
{
    TestRegistry registry;
    uint16_t port = LoopbackPeer::UnusedPort();
    ASSERT_EQ(registry.OpenListener(port), eSuccess);
    CTCPAppSocket* old = registry.GetBoundSockets()[0];
    EXPECT_EQ(old->state, uint32_t(eSocketListening));
    (void)registry.CloseListener(port);
    ASSERT_EQ(registry.OpenListener(port), eSuccess);
    EXPECT_EQ(registry.GetBoundSockets().GetSize(), 2);
    registry.PollSockets();
    ASSERT_EQ(registry.GetBoundSockets().GetSize(), 1);
    EXPECT_NE(registry.GetBoundSockets()[0], old);
    EXPECT_EQ(registry.CloseListener(LoopbackPeer::UnusedPort()), eGenericFailure);
    EXPECT_EQ(registry.CloseListener(port), eSuccess);
    registry.PollSockets();
    EXPECT_EQ(registry.GetBoundSockets().GetSize(), 0);
}

// A pipe whose start fails (here: no memory for its name lookup) is closed, and the next poll
// takes it out of the registry; one the registry cannot list is not left behind either.
TEST(SocketRegistry, APipeWhoseStartFailsIsForgotten)
{
    int32_t failedStarts = 0;
    (void)ForEachAllocationFailure(
        [&] {
            TestRegistry registry;
            uint32_t pipeId = 0;
            eResultCode result = registry.OpenDataPipe(&pipeId, gCString(u"localhost:1"));
            if (result == eSuccess || registry.GetDataPipes().GetSize() != 1)
                return;
            ++failedStarts;
            registry.PollSockets();
            EXPECT_EQ(registry.GetDataPipes().GetSize(), 0) << result;
        },
        [](bool) {});
    EXPECT_GT(failedStarts, 0);
}

// A pipe connects to a listener of the same registry: the accepted pipe is registered with its
// peer's address, messages reach the hook with the receiving pipe's id, and a refused pipe goes.
TEST(SocketRegistry, AcceptedPipesAreRegisteredAndCanBeRefused)
{
    for (uint32_t answer : {0u, 1u}) {
        gNextDataPipeId = 1;
        TestRegistry registry;
        registry.acceptAnswer = answer;
        uint16_t port = LoopbackPeer::UnusedPort();
        ASSERT_EQ(registry.OpenListener(port), eSuccess);
        uint32_t outgoingId = 0;
        ASSERT_EQ(registry.ConnectDataPipe(&outgoingId, kLoopback, port), eSuccess);
        EXPECT_EQ(outgoingId, 1u);
        ASSERT_TRUE(registry.PollUntil([&] { return !registry.acceptedInfo.empty(); }));
        EXPECT_EQ(registry.acceptedInfo[0].pipeId, 2);
        EXPECT_EQ(registry.acceptedInfo[0].address, kLoopback);

        gCArray<sDataPipeInfo> outgoing, incoming, all;
        (void)registry.ListOutgoingPipes(outgoing);
        (void)registry.ListAcceptedPipes(incoming);
        (void)registry.ListAllPipes(all);
        ASSERT_EQ(outgoing.GetSize(), 1);
        EXPECT_EQ(outgoing[0].pipeId, 1);
        if (answer == 1) {
            // Refused: gone with the poll that accepted it.
            EXPECT_EQ(all.GetSize(), 1);
            EXPECT_EQ(incoming.GetSize(), 0);
            continue;
        }
        EXPECT_EQ(all.GetSize(), 2);
        ASSERT_EQ(incoming.GetSize(), 1);
        EXPECT_EQ(incoming[0].pipeId, 2);

        gCMemFile message;
        ASSERT_EQ(message.Write("hello", 5), eSuccess);
        ASSERT_EQ(registry.GetDataPipes()[0]->SendMessage(77, &message), eSuccess);
        ASSERT_TRUE(registry.PollUntil([&] { return !registry.messages.empty(); }));
        EXPECT_EQ(registry.messages[0].info.pipeId, 2);
        EXPECT_EQ(registry.messages[0].info.address, kLoopback);
        EXPECT_EQ(registry.messages[0].type, 77u);
        EXPECT_EQ(registry.messages[0].payload, "hello");
    }
}
