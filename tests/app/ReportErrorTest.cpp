#include "AppTestSupport.h"

#include "app/CAppModalGuard.h"
#include "app/CAppPauseGuard.h"
#include "app/CCursorHideGuard.h"
#include "app/CCursorShowGuard.h"
#include "app/ReportError.h"
#include "FileIO/FileDocuments.h"
#include "FileIO/FileServices.h"
#include "FileIO/sNavReply.h"
#include "platform/FileDialogs.h"
#include "FileIO/gCFPath.h"
#include "FileIO/gCFile.h"
#include "FileIO/gCMemFile.h"
#include "core/gCPlainAlert.h"
#include "support/TempFolder.h"

namespace {

using ReportErrorTest = AppTest;

TEST_F(ReportErrorTest, ShowsTheCodesMessageAndTheDetailLine)
{
    CTestApp app;
    struct sCase {
        int32_t code;
        const char* detail;
        std::string text;
    };
    const sCase cases[] = {
        {5, nullptr, "Not enough memory to perform action."},
        {23, "Sound load size failed.",
         "An error occurred reading data from a binary resource file.\nSound load size failed."},
        {32, nullptr, "Generic Failure."},
        {-1, nullptr, "Generic Failure."},
        {26, nullptr, "Whatever you did, it was in really bad taste,\nwe implore you to reconsider."},
        {6, "Marten drag & drop handler failed",
         "Bad parameter has been passed.\nMarten drag & drop handler failed"},
        // Mac Roman detail text: 0x8E is e acute.
        {1, "Caf\x8E", "Generic Failure.\nCaf\xC3\xA9"},
    };
    for (const sCase& c : cases) {
        plat::GetRecordedAlerts().Clear();
        ReportError(c.code, c.detail);
        ASSERT_EQ(Alerts().size(), 1u) << c.code;
        EXPECT_EQ(Alerts()[0], "Error.|" + c.text) << c.code;
    }
}

// A presenter that runs something while its alert is up.
class ReenteringPresenter : public plat::AlertPresenter {
public:
    void Show(const plat::sAlert& alert) override
    {
        shown.push_back(alert.title + "|" + alert.text);
        if (whileUp) {
            auto action = whileUp;
            whileUp = nullptr;
            action();
        }
    }
    std::vector<std::string> shown;
    std::function<void()> whileUp;
};

// The file layer's two alerts are error reports like any other: the same text, and dropped while
// another report is up.
TEST_F(ReportErrorTest, FileLayerAlertsAreErrorReports)
{
    CTestApp app;
    TempFolder folder;
    gCMemFile memory;
    gCFile closed;
    EXPECT_EQ(SaveMemFile(memory, closed), eBadParameter);
    gCFile file;
    gCFPath path(gCString((folder.Path() + "/a.bin").c_str()));
    EXPECT_EQ(file.Open(&path, gCFile::eAccessState(7)), eSuccess);
    EXPECT_EQ(Alerts(), (std::vector<std::string>{
                            "Error.|Bad parameter has been passed.\nInvalid file passed to SaveMemFile.",
                            "Error.|Bad parameter has been passed.\nUnknown Access state passed to gCFile."}));

    ReenteringPresenter presenter;
    plat::SetAlertPresenter(&presenter);
    presenter.whileUp = [&] { (void)SaveMemFile(memory, closed); };
    ReportError(9);
    plat::SetAlertPresenter(nullptr);
    EXPECT_EQ(presenter.shown, (std::vector<std::string>{"Error.|A file could not be located."}));
}

// The classic save dialog shows the system cursor while it is up and gives back the cursor
// state it found.
TEST_F(ReportErrorTest, TheSaveDialogRunsInsideTheModalAndCursorGuards)
{
    CTestApp app;
    static CTestApp* running = nullptr;
    static uint32_t cursorDuring = 9;
    running = &app;
    plat::ScriptedFileDialogs backend;
    backend.chooseSaveFile = [](const plat::sSaveDialogRequest&, plat::sSaveDialogAnswer&) {
        cursorDuring = running->GetCursorVisibleFlag();
        return plat::eDialogResult::kCancelled;
    };
    plat::SetFileDialogs(&backend);
    for (bool hidden : {true, false}) {
        if (hidden)
            app.HideCursor();
        else
            app.ShowCursor();
        gCFPath path;
        sNavReply reply;
        EXPECT_EQ(PutFileDialog(path, &reply), eSuccess);
        EXPECT_EQ(cursorDuring, 1u) << hidden;
        EXPECT_EQ(app.GetCursorVisibleFlag(), hidden ? 0u : 1u);
    }
    plat::SetFileDialogs(nullptr);
    running = nullptr;
}

TEST_F(ReportErrorTest, ASecondReportWhileOneIsUpIsDroppedButPlainAlertsShow)
{
    CTestApp app;
    ReenteringPresenter presenter;
    plat::SetAlertPresenter(&presenter);
    presenter.whileUp = [] {
        EXPECT_EQ(gReportErrorActive, 1u);
        ReportError(5);
        (void)ShowPlainAlert(gCString("explanation"), gCString("Main text"));
    };
    ReportError(24, "first");
    EXPECT_EQ(gReportErrorActive, 0u);
    ReportError(9);
    plat::SetAlertPresenter(nullptr);
    EXPECT_EQ(presenter.shown,
              (std::vector<std::string>{
                  "Error.|An error occurred on attempting to create an object.\nfirst",
                  "Main text|explanation", "Error.|A file could not be located."}));
}

TEST_F(ReportErrorTest, PausesTheHeartbeatAndShowsTheCursorOnlyWhileUp)
{
    CTestApp app;
    ReenteringPresenter presenter;
    plat::SetAlertPresenter(&presenter);
    uint32_t heartbeatDuring = 9, cursorDuring = 9;
    presenter.whileUp = [&] {
        heartbeatDuring = app.IsHeartbeatEnabled();
        cursorDuring = app.GetCursorVisibleFlag();
    };
    struct sCase {
        bool heartbeat;
        bool cursor;
    };
    for (sCase c : {sCase{true, true}, sCase{true, false}, sCase{false, true}, sCase{false, false}}) {
        presenter.whileUp = [&] {
            heartbeatDuring = app.IsHeartbeatEnabled();
            cursorDuring = app.GetCursorVisibleFlag();
        };
        if (c.heartbeat)
            app.ResumeHeartbeat();
        else
            app.PauseHeartbeat();
        app.SetCursorVisible(c.cursor ? 1 : 0);
        ReportError(1);
        EXPECT_EQ(heartbeatDuring, 0u);
        EXPECT_EQ(cursorDuring, 1u);
        EXPECT_EQ(app.IsHeartbeatEnabled(), c.heartbeat ? 1u : 0u);
        EXPECT_EQ(app.GetCursorVisibleFlag(), c.cursor ? 1u : 0u);
    }
    plat::SetAlertPresenter(nullptr);
}

TEST_F(ReportErrorTest, WorksWithoutAnApplicationObject)
{
    ASSERT_EQ(gApplication, nullptr);
    ReportError(24, "Have you remembered to remove 'dead strip static init' from CodeWarrior's PPC Linker?");
    {
        CAppModalGuard modal;
        CCursorShowGuard show;
        CCursorHideGuard hide;
        CAppPauseGuard pause;
    }
    ASSERT_EQ(Alerts().size(), 1u);
    EXPECT_EQ(Alerts()[0], "Error.|An error occurred on attempting to create an object.\n"
                           "Have you remembered to remove 'dead strip static init' from "
                           "CodeWarrior's PPC Linker?");
}

TEST_F(ReportErrorTest, GuardsRestoreExactlyWhatTheyFound)
{
    CTestApp app;
    app.SetCursorVisible(0);
    {
        CCursorShowGuard show;
        EXPECT_EQ(app.GetCursorVisibleFlag(), 1u);
    }
    EXPECT_EQ(app.GetCursorVisibleFlag(), 0u);
    app.SetCursorVisible(1);
    {
        CCursorHideGuard hide;
        EXPECT_EQ(app.GetCursorVisibleFlag(), 0u);
    }
    EXPECT_EQ(app.GetCursorVisibleFlag(), 1u);
    app.PauseHeartbeat();
    {
        CAppPauseGuard pause;
    }
    EXPECT_EQ(app.IsHeartbeatEnabled(), 0u);
}

TEST_F(ReportErrorTest, CoreAlertsGoThroughThePlainAlert)
{
    CTestApp app;
    ShowCorePlainAlert("Main", "Explanation");
    ASSERT_EQ(Alerts().size(), 1u);
    EXPECT_EQ(Alerts()[0], "Main|Explanation");
}

TEST_F(ReportErrorTest, DebugAssertFormatsALengthPrefixedText)
{
    char* text = DebugAssert("a.cpp", 12);
    std::string expected = "Debug Assert: File:  a.cpp   Line: 12\n";
    EXPECT_EQ(uint8_t(text[0]), expected.size());
    EXPECT_EQ(std::string(text + 1, expected.size()), expected);
    std::string longName(600, 'x');
    text = DebugAssert(longName.c_str(), 1);
    EXPECT_EQ(uint8_t(text[0]), 255u);
}

} // namespace
