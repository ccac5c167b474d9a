// The update check end to end inside the process: the main button's action against the local
// update server, for every reply form, as the window's status list, the log and the message
// panel show it.
#include "updater/UpdaterTestSupport.h"

#include "FileIO/gCMemFile.h"
#include "Network/CTCPSocket.h"
#include "updater/transfer/CPNUHTTPSession.h"
#include "updater/window/PNUMainButton.h"
#include "updater/PNUMessages.h"
#include "support/StringBytes.h"

#include <algorithm>

namespace {

const sShownLine kReady{"Ready.", kStatusBlack};
const sShownLine kWarning{"WARNING - IN LOCAL TEST MODE! NOT FOR GENERAL USE!", kStatusBrightGreen};
const sShownLine kChecking{"Checking for updates...", kStatusBlack};
const sShownLine kLookingUp{"Looking up server...", kStatusBlack};
const sShownLine kFound{"Server location found, now attempting to contact server.", kStatusBlack};
const sShownLine kResponse{"Received response from server, download is ready to begin.", kStatusBlack};
const sShownLine kNoConnect{"Found the location of the download server, but couldn't connect to it. Please check "
                            "your Internet connection, or try again later!",
                            kStatusRed};
const sShownLine kStartError{"-- An error occurred when trying to start the download: --", kStatusRed};
const sShownLine kNotStarted{"Download couldn't be started!", kStatusRed};

class UpdateFlow : public UpdaterTest {
protected:
    std::string MakePackage()
    {
        std::string bytes = "PN2SQUSH";
        for (int i = 0; i < 5000; ++i)
            bytes += char(i * 7);
        return folder.WriteFile("demo.pnu", bytes);
    }

    // Presses the main button's check action and waits until the session has ended and the
    // message panel is offered again (every reply form ends so).
    void Check(CPintrelUpdaterApp& app)
    {
        ASSERT_EQ(BuildUpdateCheckRequest(app.GetBackdrop()), eSuccess);
        bool ended = PumpUntil(app, [&] {
            CPNUHTTPSession* session = app.GetTransferManager()->GetCurrentSession();
            return session && session->state != eSocketConnecting && session->state != eSocketConnected
                && app.GetBackdrop()->IsMessageActive();
        });
        EXPECT_TRUE(ended);
        Pump(app, 100);
    }
};

struct sReplyCase {
    const char* form;
    std::vector<sShownLine> after;  // the lines after "Looking up server..."
    int32_t kind;
    uint32_t panelActive;
};

TEST_F(UpdateFlow, EachReplyFormShowsItsLinesPanelAndMessage)
{
    const std::string location = "http://127.0.0.1/pintrel2/download.html";
    const std::vector<sReplyCase> cases = {
        {"package",
         {kFound, kResponse, {"Update file received OK.", kStatusBlack},
          {"Update received. Click the message to install it.", kStatusBlack}},
         CPintrelUpdaterBackdrop::kMessageInstall, 1},
        {"package-save",
         {kFound, kResponse, {"The server asked for a new copy of the updater.", kStatusBrown},
          {"Update file received OK.", kStatusBlack}},
         CPintrelUpdaterBackdrop::kMessageFinish, 1},
        {"uptodate", {kFound, kResponse, {"Your Pintrel 2 is up to date.", kStatusGreen}},
         CPintrelUpdaterBackdrop::kMessageCheck, 1},
        {"refused-location",
         {kFound, kResponse, kStartError, {"This version must be updated by hand.", kStatusRed}, kNotStarted,
          {"The update can be downloaded from " + location + " (click the message to open the page).",
           kStatusBlack}},
         CPintrelUpdaterBackdrop::kMessageURL, 1},
        {"refused", {kFound, kResponse, kStartError, {"No update is offered for this build.", kStatusRed}, kNotStarted},
         CPintrelUpdaterBackdrop::kMessageCheck, 1},
        {"no-failtype",
         {kFound, kResponse, kStartError, {"Unknown fail reason, header not found", kStatusRed}, kNotStarted},
         CPintrelUpdaterBackdrop::kMessageCheck, 1},
        {"short",
         {kFound, kResponse, {"-- An error occurred during the download: --", kStatusRed},
          {"\"Connection failed during download.\"", kStatusLightRed}, {"Download Failed!", kStatusRed}},
         CPintrelUpdaterBackdrop::kMessageCheck, 1},
        // Each failure is named, and the check is offered again.
        {"notfound",
         {kFound, {"The server answered \"404 Not Found\" instead of sending the update. Please try again later!",
                   kStatusRed}},
         CPintrelUpdaterBackdrop::kMessageCheck, 1},
        {"nohttp", {kFound, {"The server's reply is not an HTTP reply. Please try again later!", kStatusRed}},
         CPintrelUpdaterBackdrop::kMessageCheck, 1},
        {"close",
         {kFound, {"The server closed the connection before replying. Please try again later!", kStatusRed}},
         CPintrelUpdaterBackdrop::kMessageCheck, 1},
    };
    std::string package = MakePackage();
    for (const sReplyCase& c : cases) {
        SCOPED_TRACE(c.form);
        UpdateServerProcess server(c.form, package);
        ASSERT_GT(server.Port(), 0);
        WriteTestMode("127.0.0.1:" + std::to_string(server.Port()));
        {
            CPintrelUpdaterApp app;
            ASSERT_EQ(Start(app, gCString("")), eSuccess);
            Check(app);
            std::vector<sShownLine> expected = {kReady, kWarning, kChecking, kLookingUp};
            expected.insert(expected.end(), c.after.begin(), c.after.end());
            EXPECT_EQ(Shown(*app.GetBackdrop()), expected);

            std::vector<std::string> logged;
            for (const sShownLine& line : expected)
                logged.push_back(line.text);
            EXPECT_EQ(LogLines(), logged);

            EXPECT_EQ(app.GetBackdrop()->GetMessageKind(), c.kind);
            EXPECT_EQ(app.GetBackdrop()->IsMessageActive(), c.panelActive);
            if (c.kind == CPintrelUpdaterBackdrop::kMessageURL) {
                EXPECT_EQ(Utf8(app.GetBackdrop()->GetMessageURL()), location);
            }
            // Only the package the server asks to keep is stored as the updater's source.
            std::string source = bundle + "/Contents/updatersource.pnu";
            EXPECT_TRUE(DemoFolder::ReadFile(source)
                        == (c.kind == CPintrelUpdaterBackdrop::kMessageFinish ? DemoFolder::ReadFile(package) : ""));
            std::remove(source.c_str());
            EXPECT_TRUE(Alerts().empty());
        }
        TearDown();
        SetUp();
    }
}

TEST_F(UpdateFlow, RequestCarriesTheProductsValuesEncoded)
{
    WriteSettings("English", "FULL & more|2.0.1");
    UpdateServerProcess server("uptodate", "");
    WriteTestMode("127.0.0.1:" + std::to_string(server.Port()));
    CPintrelUpdaterApp app;
    ASSERT_EQ(Start(app, gCString("")), eSuccess);
    Check(app);
    EXPECT_NE(server.RequestLog().find("\"path\": \"/getupdate_v3.php\", \"query\": [[\"lang\", \"English\"], "
                                       "[\"version\", \"2.0.1\"], [\"buildtype\", \"OSX\"], [\"protocol\", \"4\"], "
                                       "[\"buildstring\", \"FULL & more\"], [\"platform\", \"OSX\"]]"),
              std::string::npos)
        << server.RequestLog();
}

TEST_F(UpdateFlow, ReceivedPackageIsHeldByTheApplicationAfterItsSessionIsGone)
{
    std::string package = MakePackage();
    UpdateServerProcess server("package", package);
    WriteTestMode("127.0.0.1:" + std::to_string(server.Port()));
    CPintrelUpdaterApp app;
    ASSERT_EQ(Start(app, gCString("")), eSuccess);
    Check(app);
    ASSERT_NE(app.GetReceivedPackage(), nullptr);
    // The application took the body over: the session keeps no second copy.
    EXPECT_EQ(app.GetTransferManager()->GetCurrentSession()->bodyBuffer.GetSize(), 0);
    // A new request retires the session that delivered the package; the next tick deletes it.
    ASSERT_EQ(app.GetTransferManager()->StartTransfer(gCString("127.0.0.1:1"), gCString("http://127.0.0.1:1/x")),
              eSuccess);
    EXPECT_EQ(app.GetTransferManager()->GetRetiredCount(), 1);
    app.GetTransferManager()->Tick();
    EXPECT_EQ(app.GetTransferManager()->GetRetiredCount(), 0);
    gCMemFile* held = app.GetReceivedPackage();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(held->GetData()), size_t(held->GetSize())),
              DemoFolder::ReadFile(package));
}

TEST_F(UpdateFlow, RefusedConnectionAndUnknownHostGiveTheirRedLines)
{
    int closedPort;
    {
        UpdateServerProcess server("close", "");
        closedPort = server.Port();
    }
    struct sCase {
        std::string host;
        std::vector<sShownLine> after;
    } cases[] = {
        {"127.0.0.1:" + std::to_string(closedPort), {kFound, kNoConnect}},
        {"no-such-host.invalid:18080",
         {{"Unable to locate the download server - please check your Internet connection, or try again later!",
           kStatusRed}}},
    };
    for (const sCase& c : cases) {
        SCOPED_TRACE(c.host);
        WriteTestMode(c.host);
        {
            CPintrelUpdaterApp app;
            ASSERT_EQ(Start(app, gCString("")), eSuccess);
            Check(app);
            std::vector<sShownLine> expected = {kReady, kWarning, kChecking, kLookingUp};
            expected.insert(expected.end(), c.after.begin(), c.after.end());
            EXPECT_EQ(Shown(*app.GetBackdrop()), expected);
            // The check is offered again.
            EXPECT_EQ(app.GetBackdrop()->IsMessageActive(), 1u);
            EXPECT_EQ(app.GetBackdrop()->GetMessageKind(), CPintrelUpdaterBackdrop::kMessageCheck);
        }
        TearDown();
        SetUp();
    }
}

TEST_F(UpdateFlow, TheNextPressInstallsTheHeldPackage)
{
    folder.WriteFile("Pintrel 2.app/Contents/Resources/readme.txt", "version 2.0.1\n");
    std::string source = folder.WriteFile("new-readme.txt", "version 2.0.2\n");
    std::string package = folder / "update.pnu";
    std::string command = "'" + std::string(PNU_BINARY_DIR) + "/tools/pnupack/pnupack' --line TYPE=FULL --line OS=OSX "
        "--line BUILD=FULL --file '/Pintrel 2.app/Contents/Resources/readme.txt' '" + source + "' 644 '" + package + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    UpdateServerProcess server("package", package);
    WriteTestMode("127.0.0.1:" + std::to_string(server.Port()));
    CPintrelUpdaterApp app;
    ASSERT_EQ(Start(app, gCString("")), eSuccess);
    Check(app);
    CPintrelUpdaterBackdrop* backdrop = app.GetBackdrop();
    ASSERT_EQ(backdrop->GetMessageKind(), CPintrelUpdaterBackdrop::kMessageInstall);
    size_t before = Shown(*backdrop).size();
    EXPECT_EQ(backdrop->DismissMessage(), eSuccess);
    EXPECT_EQ(backdrop->IsMessageActive(), 0u);
    EXPECT_EQ(DemoFolder::ReadFile(folder / "Pintrel 2.app/Contents/Resources/readme.txt"), "version 2.0.2\n");
    std::vector<sShownLine> shown = Shown(*backdrop);
    std::vector<sShownLine> added(shown.begin() + std::ptrdiff_t(before), shown.end());
    std::vector<sShownLine> steps;
    for (const char* text : {"Installing the update...", "Unpacking the update...", "Decoding the update...",
                             "Reading the contents of the update...", "Removing files left by an earlier update...",
                             "Writing the new files...", "Keeping the old files...",
                             "Moving the new files into place...", "Removing the old files...", " ",
                             "The update has been installed."})
        steps.push_back({text, kStatusBlack});
    EXPECT_EQ(added, steps);
    // Every line shown is in the log too, in the same order.
    std::vector<std::string> logged = LogLines();
    std::vector<std::string> texts;
    for (const sShownLine& line : shown)
        texts.push_back(line.text);
    std::vector<std::string> shownInLog;
    for (const std::string& line : logged)
        if (std::find(texts.begin(), texts.end(), line) != texts.end())
            shownInLog.push_back(line);
    EXPECT_EQ(shownInLog, texts);
    // A second press in the same run installs nothing more.
    EXPECT_EQ(backdrop->DismissMessage(), eSuccess);
    EXPECT_EQ(Shown(*backdrop).back(), (sShownLine{"This update has already been installed.", kStatusRed}));
}

} // namespace
