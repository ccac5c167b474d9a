// The updater messages: every typed sender puts its words on the right route, and the decoder turns
// them back into the same typed call, with the answer coming back to the sender.
#include "FileIO/gCMemFile.h"
#include "app/gCCmdTarget.h"
#include "core/gCArray.h"
#include "updater/transfer/CPNUHTTPSession.h"
#include "updater/PNUMessages.h"
#include "widgets/CWidget.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// What the decoder made of a message, one line per call.
class CCallLog : public CPNUMessageReceiver {
public:
    eResultCode OnParsedList(const gCArray<gCString>& list) override { return Log("list", list.GetSize()); }
    eResultCode OnSessionState(int64_t state) override { return Log("state", state); }
    eResultCode OnStatusLine(const gCString& text, uint32_t colour) override { return Log("line " + Utf8(text), colour); }
    eResultCode OnProgress(int64_t percentage) override { return Log("progress", percentage); }
    eResultCode OnStatusLineCopy(const gCString& text, uint32_t colour) override { return Log("copy " + Utf8(text), colour); }
    eResultCode OnPackageReceived(gCMemFile* body) override { return Log("package", body == expectedBody); }
    eResultCode OnPackageToSave(gCMemFile* body) override { return Log("save", body == expectedBody); }
    eResultCode OnQuit() override { return Log("quit", 0); }
    eResultCode OnServerRefused(int64_t failType) override { return Log("refused", failType); }
    eResultCode OnMessagePanelOn() override { return Log("panel on", 0); }
    eResultCode OnAskProtocol(int32_t& protocol) override { return protocol = 4, Log("protocol", 0); }
    eResultCode OnSourceRequested() override { return Log("source", 0); }
    eResultCode OnAskSession(CPNUHTTPSession*& session) override { return session = givenSession, Log("session", 0); }
    eResultCode OnSuccessSound() override { return Log("success", 0); }
    eResultCode OnFailureSound() override { return Log("failure", 0); }
    eResultCode OnSetMessagePanel(bool on) override { return Log("panel", on); }

    std::vector<std::string> calls;
    eResultCode answer = eSuccess;
    gCMemFile* expectedBody = nullptr;
    CPNUHTTPSession* givenSession = nullptr;

private:
    eResultCode Log(const std::string& name, int64_t value)
    {
        calls.push_back(name + " " + std::to_string(value));
        return answer;
    }
};

// Stands as the focus or the default target and decodes whatever reaches it.
class CDecodingTarget : public gCCmdTarget {
public:
    CDecodingTarget(const char* name, CCallLog& log) : mName(name), mLog(log) {}
    uint32_t OnCommand(uint32_t received, uintptr_t first, intptr_t second, uint32_t flag) override
    {
        route = std::string(mName) + (flag ? " send" : " pass");
        command = received;
        p1 = first;
        return DecodeUpdaterMessage(received, first, second, mLog);
    }
    std::string route;
    uint32_t command = 0;
    uintptr_t p1 = 0;

private:
    const char* mName;
    CCallLog& mLog;
};

class UpdaterMessages : public ::testing::Test {
protected:
    void SetUp() override
    {
        gCCmdTarget::SetFocusTarget(&focus);
        gCCmdTarget::SetDefaultTarget(&fallback);
    }
    void TearDown() override
    {
        gCCmdTarget::SetFocusTarget(nullptr);
        gCCmdTarget::SetDefaultTarget(nullptr);
    }
    CCallLog log;
    CDecodingTarget focus{"focus", log};
    CDecodingTarget fallback{"default", log};
    gCCmdTarget sender;
};

TEST_F(UpdaterMessages, EverySenderTakesItsRouteAndArrivesAsItsTypedCall)
{
    gCMemFile body;
    gCArray<gCString> list;
    CWidget button;
    CPNUHTTPSession session;
    CPNUHTTPSession* asked = nullptr;
    int32_t protocol = -1;
    log.expectedBody = &body;
    log.givenSession = &session;
    const gCString why("why");
    struct sCase {
        std::function<eResultCode()> send;
        uint32_t command;
        const char* route;
        const void* p1;
        const char* call;
    };
    const sCase cases[] = {
        {[&] { return SendParsedList(sender, list); }, 0xFF0F0000, "default send", &sender, "list 0"},
        {[&] { return SendSessionState(sender, -1); }, 0xFF0F0001, "default send", &sender, "state -1"},
        {[&] { return SendStatusLine(sender, why, kStatusGreen); }, 0xFF0F0004, "focus send", &why, "line why 4278222848"},
        {[&] { return SendProgress(sender, 42); }, 0xFF0F0005, "focus send", &sender, "progress 42"},
        {[&] { return SendStatusLineCopy(sender, why, kStatusRed); }, 0xFF0F0006, "focus send", &why, "copy why 4294901760"},
        {[&] { return SendPackageReceived(sender, body); }, 0xFF0F0007, "default send", &sender, "package 1"},
        {[&] { return SendPackageToSave(sender, body); }, 0xFF0F0008, "default send", &sender, "save 1"},
        {[&] { return SendQuit(focus, button); }, 0xFF0F0009, "focus send", &button, "quit 0"},
        {[&] { return SendServerRefused(sender, -1); }, 0xFF0F000A, "default send", &sender, "refused -1"},
        {[&] { return SendMessagePanelOn(sender); }, 0xFF0F000B, "default send", &sender, "panel on 0"},
        {[&] { return AskProtocol(sender, protocol); }, 0xFF0F000C, "default pass", &sender, "protocol 0"},
        {[&] { return SendSourceRequested(sender); }, 0xFF0F000D, "default send", &sender, "source 0"},
        {[&] { return AskSession(sender, asked); }, 0xFF0F000E, "default pass", &sender, "session 0"},
        {[&] { return SendSuccessSound(sender); }, 0xFF0F000F, "default send", &sender, "success 0"},
        {[&] { return SendFailureSound(sender); }, 0xFF0F0010, "default send", &sender, "failure 0"},
        {[&] { return SendMessagePanel(sender, false); }, 0xFF0F0013, "focus send", &sender, "panel 0"},
        {[&] { return SendMessagePanel(sender, true); }, 0xFF0F0013, "focus send", &sender, "panel 1"},
    };
    for (const sCase& c : cases) {
        SCOPED_TRACE(c.call);
        log.calls.clear();
        focus.route.clear();
        fallback.route.clear();
        ASSERT_EQ(c.send(), eSuccess);
        const CDecodingTarget& reached = focus.route.empty() ? fallback : focus;
        EXPECT_EQ(reached.command, c.command);
        EXPECT_EQ(reached.route, c.route);
        EXPECT_EQ(reached.p1, reinterpret_cast<uintptr_t>(c.p1));
        EXPECT_EQ(log.calls, std::vector<std::string>{c.call});
    }
    // The questions' answers reach the asker.
    EXPECT_EQ(protocol, 4);
    EXPECT_EQ(asked, &session);
}

TEST_F(UpdaterMessages, AReceiversAnswerComesBackToTheSender)
{
    log.answer = eBadParameter;
    EXPECT_EQ(SendStatusLine(sender, gCString("x"), kStatusBlack), eBadParameter);
    EXPECT_EQ(SendFailureSound(sender), eBadParameter);
    gCCmdTarget::SetDefaultTarget(nullptr);
    EXPECT_EQ(SendFailureSound(sender), eSuccess) << "no target, no answer";
}

TEST_F(UpdaterMessages, WordsWithoutWhatTheirCommandCarriesReachNoReceiver)
{
    struct sCase {
        uint32_t command;
        uintptr_t p1;
        intptr_t p2;
    };
    const sCase cases[] = {
        {kPNUStatusLine, 0, intptr_t(kStatusRed)},     // no text
        {kPNUStatusLineCopy, 0, intptr_t(kStatusRed)}, // no text
        {kPNUParsedList, 1, 0},                        // no list
        {kPNUAskProtocol, 1, 0},                       // nowhere to answer
        {kPNUAskSession, 1, 0},                        // nowhere to answer
        {0xFF0F0002, 1, 1},                            // not an updater message
        {0xF0100001, 1, 1},                            // a table's message
    };
    log.answer = eBadParameter;
    for (const sCase& c : cases)
        EXPECT_EQ(DecodeUpdaterMessage(c.command, c.p1, c.p2, log), 0u) << std::hex << c.command;
    EXPECT_TRUE(log.calls.empty());

    // A colour and the panel switch are read from p2's low word only.
    const gCString text("t");
    const intptr_t high = intptr_t(uint64_t(1) << 40);
    (void)DecodeUpdaterMessage(kPNUStatusLine, reinterpret_cast<uintptr_t>(&text), high | intptr_t(kStatusRed), log);
    (void)DecodeUpdaterMessage(kPNUSetMessagePanel, 1, high, log);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"line t 4294901760", "panel 0"}));
}

} // namespace
