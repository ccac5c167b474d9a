// The update session's percentage messages and header lookup, and the transfer manager's
// session housekeeping and refusals.
#include "updater/UpdaterTestSupport.h"

#include "FileIO/gCMemFile.h"
#include "updater/transfer/CPNUHTTPSession.h"
#include "updater/PNUMessages.h"
#include "updater/transfer/PNUReplyHandling.h"
#include "support/StringBytes.h"

namespace {

// Records the commands that reach it as the focus or default target.
class CRecordingTarget : public gCCmdTarget {
public:
    uint32_t OnCommand(uint32_t command, uintptr_t p1, intptr_t p2, uint32_t) override
    {
        std::string text;
        if (command == kPNUStatusLine || command == kPNUStatusLineCopy)
            text = Utf8(*reinterpret_cast<const gCString*>(p1));
        received.push_back({command, p2, text});
        return 0;
    }
    struct sCommand {
        uint32_t command;
        intptr_t p2;
        std::string text;
        bool operator==(const sCommand&) const = default;
    };
    std::vector<sCommand> received;
};

class TargetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gCCmdTarget::SetFocusTarget(&target);
        gCCmdTarget::SetDefaultTarget(&target);
    }
    void TearDown() override
    {
        gCCmdTarget::SetFocusTarget(nullptr);
        gCCmdTarget::SetDefaultTarget(nullptr);
    }
    std::vector<intptr_t> Percentages() const
    {
        std::vector<intptr_t> values;
        for (const auto& c : target.received)
            if (c.command == kPNUProgress)
                values.push_back(c.p2);
        return values;
    }
    CRecordingTarget target;
};

using SessionProgress = TargetTest;

TEST_F(SessionProgress, StoresOnlyStepsOfFiveButReportsEveryChangeAndNeverPastAHundred)
{
    CPNUHTTPSession session;
    session.totalLength = 100;
    const uint64_t received[] = {1, 5, 6, 7, 9, 10, 10, 99, 100, 100, 150};
    std::vector<int32_t> stored;
    for (uint64_t bytes : received) {
        session.bytesTransferred = bytes;
        ASSERT_EQ(session.ReceiveData(), eSuccess);
        stored.push_back(session.lastPercentage);
    }
    // The repeated 10 equals the stored value; every 100 differs from the stored 99.
    EXPECT_EQ(Percentages(), (std::vector<intptr_t>{1, 5, 6, 7, 9, 10, 99, 100, 100, 100}));
    EXPECT_EQ(stored, (std::vector<int32_t>{0, 5, 5, 5, 5, 10, 10, 99, 99, 99, 99}));
}

TEST_F(SessionProgress, SendsNothingWithoutAStatedLength)
{
    CPNUHTTPSession session;
    session.bytesTransferred = 500;
    ASSERT_EQ(session.ReceiveData(), eSuccess);
    EXPECT_TRUE(Percentages().empty());
}

TEST(SessionHeaders, FindsNamesInAnyLetterCase)
{
    CPNUHTTPSession session;
    ASSERT_EQ(session.headerNames.Add(gCString("CONTENT-TYPE")), eSuccess);
    ASSERT_EQ(session.headerValues.Add(gCString("text/plain")), eSuccess);
    ASSERT_EQ(session.headerNames.Add(gCString("pnu-updatersend")), eSuccess);
    ASSERT_EQ(session.headerValues.Add(gCString("first")), eSuccess);
    ASSERT_EQ(session.headerNames.Add(gCString("PNU-UpdaterSend")), eSuccess);
    ASSERT_EQ(session.headerValues.Add(gCString("second")), eSuccess);
    gCString name("Pnu-UpdaterSEND");
    gCString value;
    ASSERT_EQ(session.FindHeaderValue(name, value), eSuccess);
    EXPECT_EQ(Utf8(value), "first");
    EXPECT_EQ(Utf8(name), "PNU-UPDATERSEND");
    gCString absent("PNU-FailType");
    EXPECT_EQ(session.FindHeaderValue(absent, value), eGenericFailure);
    ASSERT_EQ(session.headerValues.Add(gCString("unpaired")), eSuccess);
    EXPECT_EQ(session.FindHeaderValue(name, value), eOutOfRange);
}

using Manager = TargetTest;

TEST_F(Manager, ShutdownWithoutASessionIsHarmless)
{
    CPNUTransferManager manager;
    EXPECT_EQ(manager.Shutdown(), eSuccess);
    gCString value;
    EXPECT_EQ(manager.FindHeaderValue(gCString("PNU-FailType"), value), eGenericFailure);
}

TEST_F(Manager, ASecondRequestRetiresTheFirstSessionUntilTheNextTick)
{
    CPNUTransferManager manager;
    ASSERT_EQ(manager.StartRequest(gCString("127.0.0.1:9"), gCString("http://127.0.0.1:9/a")), eSuccess);
    CPNUHTTPSession* first = manager.GetCurrentSession();
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(manager.StartTransfer(gCString("127.0.0.1:9"), gCString("http://127.0.0.1:9/b")), eSuccess);
    EXPECT_NE(manager.GetCurrentSession(), first);
    EXPECT_EQ(manager.GetRetiredCount(), 1);
    manager.Tick();
    EXPECT_EQ(manager.GetRetiredCount(), 0);
    // A third one is retired and left to the destructor, which deletes it too.
    ASSERT_EQ(manager.StartTransfer(gCString("127.0.0.1:9"), gCString("http://127.0.0.1:9/c")), eSuccess);
    EXPECT_EQ(manager.GetRetiredCount(), 1);
}

TEST_F(Manager, RefusalsShowTheirLinesByFailType)
{
    struct sCase {
        const char* failType;
        std::vector<CRecordingTarget::sCommand> expected;
    } cases[] = {
        {"2",
         {{kPNUSetMessagePanel, 0, ""}, {kPNUStatusLine, intptr_t(kStatusGreen), "why"},
          {kPNUServerRefused, 2, ""}}},
        {" 1 ",
         {{kPNUStatusLine, intptr_t(kStatusRed), "-- An error occurred when trying to start the download: --"},
          {kPNUStatusLine, intptr_t(kStatusRed), "why"},
          {kPNUStatusLineCopy, intptr_t(kStatusRed), "Download couldn't be started!"},
          {kPNUServerRefused, 1, ""}}},
        {nullptr,
         {{kPNUStatusLine, intptr_t(kStatusRed), "-- An error occurred when trying to start the download: --"},
          {kPNUStatusLine, intptr_t(kStatusRed), "why"},
          {kPNUStatusLineCopy, intptr_t(kStatusRed), "Download couldn't be started!"},
          {kPNUServerRefused, -1, ""}}},
    };
    for (const auto& c : cases) {
        target.received.clear();
        CPNUTransferManager manager;
        ASSERT_EQ(manager.StartTransfer(gCString("127.0.0.1:9"), gCString("http://127.0.0.1:9/a")), eSuccess);
        target.received.clear();
        CPNUHTTPSession* session = manager.GetCurrentSession();
        ASSERT_EQ(session->headerNames.Add(gCString("PNU-FAILREASON")), eSuccess);
        ASSERT_EQ(session->headerValues.Add(gCString("why")), eSuccess);
        if (c.failType) {
            ASSERT_EQ(session->headerNames.Add(gCString("PNU-FAILTYPE")), eSuccess);
            ASSERT_EQ(session->headerValues.Add(gCString(c.failType)), eSuccess);
        }
        gCMemFile body;
        ASSERT_EQ(ReadReplyHeaders(manager, body), eSuccess);
        EXPECT_EQ(target.received, c.expected) << (c.failType ? c.failType : "none");
    }
}

TEST_F(Manager, AFinishedDownloadOutsideAKnownStateIsATransferError)
{
    CPNUTransferManager manager;
    ASSERT_EQ(manager.StartTransfer(gCString("127.0.0.1:9"), gCString("http://127.0.0.1:9/a")), eSuccess);
    plat::GetRecordedAlerts().Clear();
    manager.SetState(CPNUTransferManager::kStateSessionFailed);
    EXPECT_EQ(manager.DispatchFinishedJob(), eSuccess);
    ASSERT_EQ(plat::GetRecordedAlerts().GetAlerts().size(), 1u);
    EXPECT_EQ(plat::GetRecordedAlerts().GetAlerts()[0].title, "Transfer error");
    EXPECT_EQ(plat::GetRecordedAlerts().GetAlerts()[0].text, "File received outside valid process");
}

} // namespace
