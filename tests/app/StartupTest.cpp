#include "AppTestSupport.h"
#include "support/AllocationFailure.h"

#include "FileIO/AppBaseFolders.h"
#include "app/AppMain.h"
#include "app/ReportError.h"
#include "platform/Event.h"
#include "platform/EventSource.h"
#include "platform/Process.h"
#include "TabletIO/TabletState.h"
#include "text/TextGamma.h"
#include "text/gCFont.h"
#include "support/StringBytes.h"

#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace {

using StartupTest = AppTest;

// A window system with nothing to say: the loop just waits on the manual clock.
class QuietSource : public plat::EventSource {
public:
    uint32_t Pump(uint64_t deadline) override
    {
        plat::GetClock().SleepUntil(deadline);
        return 0;
    }
};

TEST_F(StartupTest, WithoutAnApplicationMainShowsTheDeadStripAlertAndFails)
{
    QuietSource source;
    plat::EventLoop::Main().SetEventSource(&source);
    char program[] = "updater";
    char* argv[] = {program, nullptr};
    EXPECT_EQ(AppMain(1, argv), -1);
    EXPECT_EQ(Alerts(), (std::vector<std::string>{
                            "Error.|An error occurred on attempting to create an object.\nHave you "
                            "remembered to remove 'dead strip static init' from CodeWarrior's PPC "
                            "Linker?"}));
    EXPECT_EQ(plat::EventLoop::Main().GetTimerCount(), 0u);
}

TEST_F(StartupTest, OpenApplicationRunsTheAppAndTheHeartbeatDrivesItUntilQuit)
{
    QuietSource source;
    plat::EventLoop::Main().SetEventSource(&source);
    CTestApp app;
    uint64_t start = clock->NowMicroseconds();
    app.onRun = [&] {
        EXPECT_EQ(app.GetStartedState(), CAppBase::kStarting);
        EXPECT_NE(app.GetTabletState(), nullptr);
        app.ResumeHeartbeat();
        return eSuccess;
    };
    app.onHook = [&] {
        if (app.hooks == 5)
            app.Quit();
        return eSuccess;
    };
    char program[] = "updater";
    char* argv[] = {program, nullptr};
    EXPECT_EQ(AppMain(1, argv), 0);
    EXPECT_EQ(app.runPath, "");
    EXPECT_EQ(app.GetStartedState(), CAppBase::kStarted);
    EXPECT_EQ(app.hooks, 5);
    // Ticks on a 10 ms grid from the first turn on.
    EXPECT_EQ(clock->NowMicroseconds() - start, 40000u);
    // The loop ended, then main quit the application once more.
    std::vector<std::string> tail(Log().end() - 2, Log().end());
    EXPECT_EQ(tail, (std::vector<std::string>{"quit", "quit"}));
    EXPECT_TRUE(Alerts().empty());
}

TEST_F(StartupTest, OpenDocumentsHandsOverTheFirstDocument)
{
    char folder[] = "/tmp/pnu-startup-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    std::string first = std::string(folder) + "/first.pnu";
    std::fclose(std::fopen(first.c_str(), "w"));
    struct sCase {
        std::vector<std::string> documents;
        std::string path;
    };
    const sCase cases[] = {
        {{first, "/no/such/second"}, first},
        {{"/no/such/file.pnu", first}, "/no/such/file.pnu"},
        {{"no-such.pnu"}, std::filesystem::current_path().string() + "/no-such.pnu"},
        {{first + "/below"}, first + "/below"},
        // Cleaned of blanks and quotes before anything is looked up or put in front.
        {{"\"" + first + "\""}, first},
        {{" " + first + "\n"}, first},
        {{" \"no-such.pnu\"\r\n"}, std::filesystem::current_path().string() + "/no-such.pnu"},
        // Texts the application takes for no document are handed over as they are.
        {{" \""}, ""},
        {{"\"x\""}, "x"},
        {{"slave"}, "slave"},
        {{}, ""},
    };
    for (const sCase& c : cases) {
        CTestApp app;
        std::vector<const char*> documents;
        for (const std::string& document : c.documents)
            documents.push_back(document.c_str());
        EXPECT_EQ(OpenDocumentsHandler(documents.data(), documents.size()), 0);
        EXPECT_EQ(app.runPath, c.path);
        EXPECT_EQ(app.GetStartedState(), CAppBase::kStarted);
    }
    std::remove(first.c_str());
    rmdir(folder);
}

TEST_F(StartupTest, ADocumentForARunningApplicationIsRoutedNotStarted)
{
    CTestApp app;
    EXPECT_EQ(OpenApplicationHandler(), 0);
    Log().clear();
    const char* root = "/";
    EXPECT_EQ(OpenDocumentsHandler(&root, 1), 0);
    EXPECT_TRUE(Log().empty());
    ASSERT_EQ(app.messages.size(), 1u);
    EXPECT_EQ(app.messages[0].message, kOpenDocumentMessage);
    EXPECT_EQ(app.messages[0].p1, uintptr_t(&app));
    EXPECT_NE(app.messages[0].p2, 0u);
}

TEST_F(StartupTest, AFailedRunIsReportedDisposesTheWindowAndQuits)
{
    CTestApp app;
    app.onRun = [&] {
        MakeMainWindow(app);
        return eInvalidFile;
    };
    EXPECT_EQ(app.StartApplication(gCString(u"")), eSuccess);
    EXPECT_EQ(app.GetStartedState(), CAppBase::kStarting);
    EXPECT_EQ(GetMainWindow(), nullptr);
    EXPECT_EQ(GetWindowList().GetSize(), 0);
    EXPECT_EQ(Alerts(), (std::vector<std::string>{"Error.|The file being accessed is invalid."}));
    // Nothing is left to quit from: the application ends, and says it failed.
    EXPECT_EQ(app.IsQuitRequested(), 1u);
    EXPECT_EQ(app.GetExitStatus(), 1);
    // Later documents are routed: the state stays "starting".
    EXPECT_EQ(OpenDocumentsHandler(nullptr, 0), 0);
    EXPECT_EQ(app.messages.size(), 1u);
}

TEST_F(StartupTest, ResourcesThatDoNotLoadAreReportedOnceAndEndTheProgram)
{
    CTestApp app;
    app.loadResult = eInvalidFile;
    EXPECT_EQ(app.StartApplication(gCString(u"")), eInvalidFile);
    EXPECT_EQ(Log(), (std::vector<std::string>{"quit"}));
    EXPECT_EQ(app.GetStartedState(), CAppBase::kNotStarted);
    EXPECT_EQ(Alerts(), (std::vector<std::string>{"Error.|The file being accessed is invalid."}));
    EXPECT_EQ(app.IsQuitRequested(), 1u);
    EXPECT_EQ(app.GetExitStatus(), 1);
}

TEST_F(StartupTest, QuitCommandsAndThePreHandler)
{
    plat::sEvent quit;
    quit.kind = plat::eEventKind::kQuit;
    {
        CTestApp app;
        DispatchPlatformEvent(quit);
        EXPECT_EQ(Log(), (std::vector<std::string>{"prepare", "quit"}));
    }
    {
        // Consumed by the pre-handler: nothing happens.
        Log().clear();
        CTestApp app;
        app.preHandleResult = 2;
        DispatchPlatformEvent(quit);
        EXPECT_TRUE(Log().empty());
        EXPECT_EQ(app.IsQuitRequested(), 0u);
    }
    {
        // Left to the standard handling: the loop ends without asking the application.
        Log().clear();
        CTestApp app;
        app.preHandleResult = 1;
        bool ran = false;
        plat::EventLoop& loop = plat::EventLoop::Main();
        loop.Post([&] {
            ran = true;
            DispatchPlatformEvent(quit);
        });
        QuietSource source;
        loop.SetEventSource(&source);
        loop.Run();
        EXPECT_TRUE(ran);
        EXPECT_TRUE(Log().empty());
    }
    {
        // Ctrl+Q arrives as the quit command of a window.
        Log().clear();
        CTestApp app;
        plat::sEvent command;
        command.kind = plat::eEventKind::kCommand;
        command.command = plat::FourCharCode("quit");
        DispatchPlatformEvent(command);
        EXPECT_EQ(Log(), (std::vector<std::string>{"prepare", "quit"}));
    }
}

TEST_F(StartupTest, ThePreHandlerSeesEveryEventOfTheHandlersKinds)
{
    using plat::eEventKind;
    using plat::FourCharCode;
    struct sCase {
        eEventKind kind;
        uint32_t command;
        bool offered;
    };
    const sCase cases[] = {
        {eEventKind::kCommand, FourCharCode("cut "), true}, {eEventKind::kCommand, FourCharCode("copy"), true},
        {eEventKind::kCommand, FourCharCode("past"), true}, {eEventKind::kCommand, FourCharCode("quit"), true},
        {eEventKind::kQuit, 0, true},                        {eEventKind::kWindowClose, 0, true},
        {eEventKind::kWindowShown, 0, true},                 {eEventKind::kKeyDown, 0, false},
        {eEventKind::kMouseMove, 0, false},
    };
    for (const sCase& c : cases) {
        CTestApp app;
        // Consumed, so a quit request ends nothing.
        app.preHandleResult = 2;
        plat::sEvent event;
        event.kind = c.kind;
        event.command = c.command;
        const std::string what = std::to_string(int(c.kind)) + "/" + std::to_string(c.command);
        EXPECT_EQ(app.AppEventHandler(event), c.offered ? 0 : kEventNotHandled) << what;
        ASSERT_EQ(app.preHandled.size(), c.offered ? 1u : 0u) << what;
        if (c.offered) {
            EXPECT_EQ(app.preHandled[0].command, c.command) << what;
        }
        EXPECT_EQ(app.IsQuitRequested(), 0u) << what;
    }
}

TEST_F(StartupTest, QuitDisposesTheWindowsFromLastToFirst)
{
    CTestApp app;
    new CAppWindow();
    new CAppWindow();
    EXPECT_EQ(GetWindowList().GetSize(), 2);
    app.Quit();
    EXPECT_EQ(GetWindowList().GetSize(), 0);
    EXPECT_EQ(app.IsQuitRequested(), 1u);
}

TEST_F(StartupTest, DroppedFilesReachTheApplicationOnceItRuns)
{
    CTestApp app;
    plat::sEvent drop;
    drop.kind = plat::eEventKind::kFilesDropped;
    drop.paths = {"/tmp/a b.pnu", "/tmp/caf\xC3\xA9.txt"};
    DispatchPlatformEvent(drop);
    EXPECT_TRUE(app.dropped.empty());
    EXPECT_EQ(OpenApplicationHandler(), 0);
    DispatchPlatformEvent(drop);
    EXPECT_EQ(app.dropped, drop.paths);
    // An empty drop still calls the handler; a failing handler is reported.
    drop.paths.clear();
    app.dropResult = eGenericFailure;
    app.dropped = {"x"};
    DispatchPlatformEvent(drop);
    EXPECT_TRUE(app.dropped.empty());
    EXPECT_EQ(Alerts(), (std::vector<std::string>{
                            "Error.|Bad parameter has been passed.\nMarten drag & drop handler failed"}));
    // A drop that cannot be held is result 5 and never reaches the handler.
    drop.paths = {"/tmp/a.pnu"};
    app.dropped = {"x"};
    {
        AllocationFailure failure(1, true);
        EXPECT_EQ(app.ReceiveDrag(drop), eNoMemory);
    }
    EXPECT_EQ(app.dropped, (std::vector<std::string>{"x"}));
}

TEST_F(StartupTest, BundlePathsComeFromTheBundleFolder)
{
    plat::FixedBundleLocation location;
    plat::SetBundleLocation(&location);
    for (const char* bundle : {"/opt/x/Pintrel Updater.app", "/opt/x/Pintrel Updater.app/"}) {
        location.SetPath(bundle);
        CTestApp app;
        EXPECT_EQ(Utf8(app.GetBundleContentsPath()), "/opt/x/Pintrel Updater.app/Contents/");
        EXPECT_EQ(Utf8(app.GetBundleFolderPath()), "/opt/x/");
        EXPECT_EQ(Utf8(app.GetResourcesFolderName()), "Resources");
        EXPECT_EQ(Utf8(app.GetResourceFileName()), "system.mrf");
        EXPECT_EQ(Utf8(app.GetStringTableFileName()), "system.msf");
        EXPECT_EQ(app.GetCreatorCode(), 0x3F3F3F3Fu);
        // Relative paths resolve against the bundle from construction on, before anything loads.
        EXPECT_EQ(Utf8(GetAppContentsFolderText()), "/opt/x/Pintrel Updater.app/Contents/");
        EXPECT_EQ(Utf8(GetAppParentFolderText()), "/opt/x/");
    }
    plat::SetBundleLocation(nullptr);
    ClearAppBaseFolders();
}

TEST_F(StartupTest, TheFontLibraryAndTextGammaLiveAsLongAsTheApplication)
{
    BuildTextGammaTables(1.0f);
    std::vector<uint8_t> plain(gTextGammaTable, gTextGammaTable + 256);
    BuildTextGammaTables(1.3f);
    std::vector<uint8_t> expected(gTextGammaTable, gTextGammaTable + 256);
    BuildTextGammaTables(1.0f);
    ASSERT_NE(plain, expected);
    {
        CTestApp app;
        EXPECT_NE(gFontLibrary, nullptr);
        EXPECT_EQ(std::vector<uint8_t>(gTextGammaTable, gTextGammaTable + 256), expected);
    }
    EXPECT_EQ(gFontLibrary, nullptr);
}

TEST_F(StartupTest, ModalStateNestsOnceAndTheTabletRecordIsMadeOnce)
{
    CTestApp app;
    app.SetCursorVisible(0);
    app.EnterModalState();
    EXPECT_EQ(app.GetCursorVisibleFlag(), 1u);
    app.SetCursorVisible(0);
    app.EnterModalState();
    app.LeaveModalState();
    // The first saved state (hidden) came back, not the second.
    EXPECT_EQ(app.GetCursorVisibleFlag(), 0u);
    app.SetCursorVisible(1);
    app.LeaveModalState();
    EXPECT_EQ(app.GetCursorVisibleFlag(), 1u);

    EXPECT_EQ(app.CreateTabletState(), eSuccess);
    sTabletState* record = app.GetTabletState();
    EXPECT_EQ(app.CreateTabletState(), eSuccess);
    EXPECT_EQ(app.GetTabletState(), record);
    EXPECT_EQ(app.AddNamedValue("name", 7), eSuccess);
}

// Nothing in the program calls these eight; each answers that it was never written.
TEST_F(StartupTest, TheEightUnwrittenOperationsAnswerNotWritten)
{
    CTestApp app;
    CAppBase& base = app;
    eResultCode (CAppBase::*const operations[])() = {
        &CAppBase::NotWrittenOperation1, &CAppBase::NotWrittenOperation2, &CAppBase::NotWrittenOperation3,
        &CAppBase::NotWrittenOperation4, &CAppBase::NotWrittenOperation5, &CAppBase::NotWrittenOperation6,
        &CAppBase::NotWrittenOperation7, &CAppBase::NotWrittenOperation8,
    };
    for (auto operation : operations)
        EXPECT_EQ((base.*operation)(), eNotWritten);
}

// An alert that stays up, input held back, until the program is asked to quit.
class AlertUpUntilQuit final : public plat::AlertPresenter {
public:
    void Show(const plat::sAlert&) override
    {
        plat::InputHold hold;
        for (int turn = 0; turn < 100 && !plat::EventLoop::Main().IsQuitRequested(); ++turn)
            plat::EventLoop::Main().RunOnce(1000);
    }
};

TEST_F(StartupTest, AQuitDuringANestedLoopLeavesTheWindowToTheActionUntilItHasReturned)
{
    // Where the action runs, whether it waits in an alert or the modal loop, and the request.
    struct sCase {
        bool fromHeartbeat, alert;
        plat::eEventKind request;
    } cases[] = {{false, true, plat::eEventKind::kQuit},         {false, false, plat::eEventKind::kCommand},
                 {true, true, plat::eEventKind::kWindowClose},   {true, false, plat::eEventKind::kCommand}};
    AlertUpUntilQuit alert;
    plat::SetAlertPresenter(&alert);
    QuietSource source;
    plat::EventLoop::Main().SetEventSource(&source);
    for (const sCase& c : cases) {
        SCOPED_TRACE(int(&c - cases));
        CTestApp app;
        CBackdrop* backdrop = nullptr;
        bool acted = false, found = false;
        auto act = [&] {
            auto* window = static_cast<CMacWindow*>(GetMainWindow());
            plat::sEvent request;
            request.kind = c.request;
            request.command = plat::FourCharCode("quit");
            request.windowId = window->GetPlatformId();
            plat::EventLoop::Main().Post([request] { plat::DeliverEvent(request); });
            if (c.alert)
                ReportError(eGenericFailure);
            else
                (void)app.RunModalLoop();
            acted = true;
            found = window->GetBackdrop() == backdrop && backdrop->GetWindow() == window;
            return eSuccess;
        };
        app.onRun = [&] {
            backdrop = MakeMainWindow(app);
            app.ResumeHeartbeat();
            return c.fromHeartbeat ? eSuccess : act();
        };
        app.onHook = [&] { return acted ? eSuccess : act(); };
        char program[] = "updater";
        char* argv[] = {program, nullptr};
        EXPECT_EQ(AppMain(1, argv), 0);
        EXPECT_TRUE(found);
        EXPECT_EQ(app.IsQuitRequested(), 1u);
        EXPECT_EQ(GetWindowList().GetSize(), 0);
        plat::EventLoop::Main().Reset();
    }
    plat::SetAlertPresenter(nullptr);
}

} // namespace
