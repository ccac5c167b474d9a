// The updater application: the installed-product probe, the language choice, the start with a
// document path, the window's messages and the main button, and the hand-over to a slave copy.
#include "updater/install/PackageTestSupport.h"
#include "updater/UpdaterTestSupport.h"

#include "FileIO/gCFRelative.h"
#include "FileIO/gCMemFile.h"
#include "platform/Launcher.h"
#include "resources/gCStringTable.h"
#include "updater/window/PNUMainButton.h"
#include "updater/PNUMessages.h"
#include "updater/PNUProductProbe.h"
#include "updater/PNUTexts.h"
#include "widgets/CTxWidget.h"
#include "support/StringBytes.h"

namespace {

// A widget that takes the pointer wherever it lies.
class CSolidWidget : public CWidget {
public:
    bool HitTest(const gCPoint&) override { return true; }
};

class Application : public UpdaterTest {
protected:
    void TearDown() override
    {
        plat::SetLauncher(nullptr);
        UpdaterTest::TearDown();
    }
    void WriteSettingsSource(const std::string& lines)
    {
        std::string source = folder / "system.mst";
        std::ofstream(source) << lines;
        std::string command = "python3 -B '" + std::string(PNU_SOURCE_DIR) + "/tools/rescomp/rescomp.py' strings '"
            + source + "' -o '" + (folder / "Pintrel 2.app/Contents/Resources/system.msf") + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    void RecordLaunches() { plat::SetLauncher(&launcher); }
    plat::RecordingLauncher launcher;
    std::vector<std::string>& launched = launcher.paths;
    std::vector<std::string>& opened = launcher.urls;
};

TEST_F(Application, ProbeReadsTheInstalledProductsValues)
{
    struct sCase {
        const char* source;
        eResultCode result;
        const char* version;
        const char* buildString;
    } cases[] = {
        {"1 \"Local_Current\" \"English\"\n2 \"PBX_InternalBuildString\" \"FULL2|2.0.3\"\n3 \"PBX_Application\" \"P\"\n",
         eSuccess, "2.0.3", "FULL2"},
        {"1 \"Local_Current\" \"English\"\n2 \"PBX_InternalBuildString\" \"BETA\"\n3 \"PBX_Application\" \"P\"\n"
         "4 \"PN2_Version\" \"2.1\"\n",
         eSuccess, "2.1", "FULL"},
        {"1 \"Local_Current\" \"English\"\n2 \"PBX_InternalBuildString\" \"|2.0\"\n3 \"PBX_Application\" \"P\"\n",
         eSuccess, "2.0", ""},
        {"1 \"Local_Current\" \"English\"\n2 \"PBX_InternalBuildString\" \"BETA\"\n3 \"PBX_Application\" \"P\"\n",
         eGenericFailure, nullptr, nullptr},
        // Missing names read as the table's error text, which must not pass for a value.
        {"2 \"PBX_InternalBuildString\" \"FULL|2.0\"\n3 \"PBX_Application\" \"P\"\n", eGenericFailure, nullptr, nullptr},
        {"1 \"Local_Current\" \"English\"\n2 \"PBX_InternalBuildString\" \"FULL|2.0\"\n", eGenericFailure, nullptr,
         nullptr},
    };
    CPintrelUpdaterApp app;
    gCCmdTarget::SetDefaultTarget(&app);
    for (const sCase& c : cases) {
        SCOPED_TRACE(c.source);
        WriteSettingsSource(c.source);
        gCString version, language, buildType, name, buildString, platformName;
        int32_t protocol = 0;
        gCCmdTarget sender;
        EXPECT_EQ(ProbeInstalledProduct(sender, version, language, buildType, name, buildString, platformName, protocol),
                  c.result);
        if (c.result != eSuccess)
            continue;
        EXPECT_EQ(Utf8(version), c.version);
        EXPECT_EQ(Utf8(buildString), c.buildString);
        EXPECT_EQ(Utf8(buildType), "OSX");
        EXPECT_EQ(Utf8(platformName), "OSX");
        EXPECT_EQ(protocol, 4);
    }
    std::remove((folder / "Pintrel 2.app/Contents/Resources/system.msf").c_str());
    gCString version, language, buildType, name, buildString, platformName;
    int32_t protocol = 0;
    gCCmdTarget sender;
    EXPECT_EQ(ProbeInstalledProduct(sender, version, language, buildType, name, buildString, platformName, protocol),
              eGenericFailure);
}

TEST(UpdaterTexts, ValuesFillTheirPlacesInOrderAndAreNotSearchedAgain)
{
    // One value when the second is null.
    const struct {
        const char* pattern;
        const char* first;
        const char* second;
        const char* filled;
    } cases[] = {
        {"a %s b %s c", "1", "2", "a 1 b 2 c"},
        {"%s%s", "%s", "x", "%sx"},
        {"only %s and %s.", "one", nullptr, "only one and ."},
        {"%%String %d ends in %", "x", nullptr, "%%String %d ends in %"},
        {"\u201E%s\u201C", "\u00FC", nullptr, "\u201E\u00FC\u201C"},
    };
    auto text = [](const char* utf8) {
        gCString made;
        EXPECT_EQ(made.SetFromUTF8(utf8), eSuccess);
        return made;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        gCString filled = c.second ? FillTextValues(text(c.pattern), {text(c.first), text(c.second)})
                                   : FillTextValues(text(c.pattern), {text(c.first)});
        EXPECT_EQ(Utf8(filled), c.filled);
    }
}

TEST_F(Application, ChoosesTheLanguageBlockOfTheProduct)
{
    struct sCase {
        const char* language;
        uint32_t offset;
        uint32_t baseId;
        const char* ready;
    } cases[] = {
        {"English", 0, 3000000004u, "Ready."},
        {"Deutsch", 71, 3000000075u, "Bereit."},
        {"Fran\u00e7ais", 142, 3000000146u, "Pr\u00eat."},
        {"Espa\u00f1ol", 213, 3000000217u, "Listo."},
        {"Klingon", 0, 3000000501u, "Ready."},
        {"english", 0, 3000000501u, "Ready."},
    };
    for (const sCase& c : cases) {
        SCOPED_TRACE(c.language);
        WriteSettings(c.language);
        {
            CPintrelUpdaterApp app;
            ASSERT_EQ(Start(app, gCString("")), eSuccess);
            EXPECT_EQ(gLanguageOffset, c.offset);
            EXPECT_EQ(gLanguageBaseId, c.baseId);
            ASSERT_GT(app.GetBackdrop()->GetStatusRowCount(), 0);
            EXPECT_EQ(Utf8(app.GetBackdrop()->GetStatusRow(0).text), c.ready);
        }
        TearDown();
        SetUp();
    }
}

TEST(LanguageBlocks, OnlyTheFirstEightBlocksAreTried)
{
    gCStringTable table;
    for (uint32_t k = 0; k < 10; ++k)
        ASSERT_EQ(table.Add(3000000004u + 71 * k, gCString("L") + gCString(int32_t(k)), gCString("")), eSuccess);
    uint32_t base = 0, offset = 0;
    ChooseLanguageBlock(table, gCString("L7"), base, offset);
    EXPECT_EQ(offset, 7u * 71);
    ChooseLanguageBlock(table, gCString("L8"), base, offset);
    EXPECT_EQ(offset, 0u);
    EXPECT_EQ(base, 3000000501u);
    ChooseLanguageBlock(table, gCString(""), base, offset);
    EXPECT_EQ(offset, 0u);
}

TEST_F(Application, AProductThatCannotBeReadEndsTheProgramAfterOneAlert)
{
    std::remove((folder / "Pintrel 2.app/Contents/Resources/system.msf").c_str());
    CPintrelUpdaterApp app;
    ASSERT_EQ(Start(app, gCString("")), eSuccess);
    EXPECT_EQ(app.IsQuitRequested(), 1u);
    ASSERT_EQ(Alerts().size(), 1u);
    EXPECT_EQ(Alerts()[0], "Pintrel 2 could not be found.|Place Pintrel Updater in the folder that holds Pintrel 2 "
                           "and start it again.");
    // Quitting closed the window with its backdrop: a later status line goes to the log only.
    EXPECT_EQ(app.GetBackdrop(), nullptr);
    EXPECT_EQ(app.InstallReceivedPackage(), eSuccess);
    EXPECT_EQ(LogLines().back(), "No update has been received yet.");
}

TEST_F(Application, DocumentPathsThatNameNothingLeaveTheWindowWaiting)
{
    struct sCase {
        const char* path;
        size_t lines;
    } cases[] = {{"", 1}, {"x", 1}, {"slave", 1}, {" \"/no/such/update.pnu\" \n", 2}};
    for (const sCase& c : cases) {
        SCOPED_TRACE(c.path);
        {
            CPintrelUpdaterApp app;
            ASSERT_EQ(Start(app, gCString(c.path)), eSuccess);
            EXPECT_EQ(app.IsQuitRequested(), 0u);
            EXPECT_EQ(app.IsHeartbeatEnabled(), 1u);
            ASSERT_EQ(size_t(app.GetBackdrop()->GetStatusRowCount()), c.lines);
            if (c.lines == 2) {
                EXPECT_EQ(Utf8(app.GetBackdrop()->GetStatusRow(1).text), "File not found: /no/such/update.pnu");
                EXPECT_EQ(app.GetBackdrop()->GetStatusRow(1).colour, kStatusDarkRed);
            }
        }
        TearDown();
        SetUp();
    }
}

TEST_F(Application, TheLogIsEmptiedAtEveryStart)
{
    for (int run = 0; run < 2; ++run) {
        {
            CPintrelUpdaterApp app;
            ASSERT_EQ(Start(app, gCString("")), eSuccess);
        }
        EXPECT_EQ(LogLines(), (std::vector<std::string>{"Ready."}));
        TearDown();
        SetUp();
    }
}

// The repair of an interrupted install runs before the window is built; its line is shown there
// all the same.
TEST_F(Application, TheStartUpRepairIsShownInTheWindow)
{
    const std::string journal = folder / ".pintrel-update-journal";
    std::filesystem::create_directories(journal + "/inner");
    CPintrelUpdaterApp app;
    ASSERT_EQ(Start(app, gCString("")), eSuccess);
    const sShownLine line{"A record of an interrupted update was refused and set aside as " + journal
                              + ".refused-1: it is not a regular file",
                          kStatusRed};
    const std::vector<sShownLine> shown = Shown(*app.GetBackdrop());
    EXPECT_NE(std::find(shown.begin(), shown.end(), line), shown.end());
    const std::vector<std::string> log = LogLines();
    EXPECT_EQ(std::count(log.begin(), log.end(), line.text), 1);
}

TEST_F(Application, WindowMessagesSetPanelKindAndProgress)
{
    CPintrelUpdaterApp app;
    ASSERT_EQ(Start(app, gCString("")), eSuccess);
    CPintrelUpdaterBackdrop* backdrop = app.GetBackdrop();
    // The run switches rollover tracking on, so the main button can tell where the pointer is.
    EXPECT_EQ(backdrop->GetWidgetRollover(), 1u);
    EXPECT_EQ(backdrop->IsMessageActive(), 1u);
    EXPECT_EQ(backdrop->GetMessageKind(), CPintrelUpdaterBackdrop::kMessageCheck);
    (void)app.OnCommand(kPNUSetMessagePanel, 0, 0, 1);
    EXPECT_EQ(backdrop->IsMessageActive(), 0u);
    (void)app.OnCommand(kPNUMessagePanelOn, 0, 0, 1);
    EXPECT_EQ(backdrop->IsMessageActive(), 1u);
    (void)app.OnCommand(kPNUProgress, 0, 42, 1);
    EXPECT_FLOAT_EQ(backdrop->GetProgress(), 0.42f);
    int32_t protocol = 0;
    (void)app.OnCommand(kPNUAskProtocol, 0, reinterpret_cast<intptr_t>(&protocol), 0);
    EXPECT_EQ(protocol, 4);
    (void)app.OnCommand(kPNUSourceRequested, 0, 0, 1);
    EXPECT_EQ(Shown(*backdrop).back(),
              (sShownLine{"The server asked for a new copy of the updater.", kStatusBrown}));
    // The finish message shows the install text (14), not the button caption (10).
    ASSERT_EQ(backdrop->ShowFinishMessage(), eSuccess);
    EXPECT_EQ(backdrop->GetMessageKind(), CPintrelUpdaterBackdrop::kMessageFinish);
    EXPECT_EQ(Utf8(backdrop->GetMessageText()), "Click here to install the update");
    (void)app.OnCommand(kPNUQuit, 0, 0, 1);
    EXPECT_EQ(app.IsQuitRequested(), 1u);
}

TEST_F(Application, TheWindowComesFromTheResourceFileAndItsCaptionCanBeSet)
{
    CPintrelUpdaterApp app;
    ASSERT_EQ(Start(app, gCString("")), eSuccess);
    CPintrelUpdaterBackdrop* backdrop = app.GetBackdrop();
    EXPECT_EQ(Utf8(backdrop->GetName()), "Pintrel Updater");
    auto* caption = dynamic_cast<CTxWidget*>(backdrop->FindWidgetById(313));
    ASSERT_NE(caption, nullptr);
    // The installer's last step names its control by id; an id nobody has changes nothing.
    backdrop->SetControlText(313, gCString("Done"));
    backdrop->SetControlText(9999, gCString("Nowhere"));
    gCString text;
    caption->GetText(text);
    EXPECT_EQ(Utf8(text), "Done");
    EXPECT_TRUE(Alerts().empty());
}

TEST_F(Application, OnlyWebAddressesFromTheServerAreOpened)
{
    RecordLaunches();
    CPintrelUpdaterApp app;
    ASSERT_EQ(Start(app, gCString("")), eSuccess);
    CPintrelUpdaterBackdrop* backdrop = app.GetBackdrop();
    const char* refused[] = {"file:///etc/passwd", "javascript:alert(1)", "/usr/bin/xterm", "httpx://a"};
    for (const char* url : refused) {
        ASSERT_EQ(backdrop->ShowURLMessage(gCString("m"), gCString(url)), eSuccess);
        // Refused, and told in the status lines rather than by an alert.
        const int32_t lines = backdrop->GetStatusRowCount();
        EXPECT_EQ(backdrop->OpenMessageURL(), eSuccess) << url;
        EXPECT_EQ(backdrop->GetStatusRowCount(), lines + 1) << url;
    }
    EXPECT_TRUE(opened.empty());
    // Without an address the button does nothing.
    ASSERT_EQ(backdrop->ShowURLMessage(gCString("m"), gCString("")), eSuccess);
    EXPECT_EQ(backdrop->OpenMessageURL(), eSuccess);
    EXPECT_TRUE(opened.empty());
    ASSERT_EQ(backdrop->ShowURLMessage(gCString("m"), gCString("https://pintrel.example/get")), eSuccess);
    EXPECT_EQ(backdrop->OpenMessageURL(), eSuccess);
    ASSERT_EQ(backdrop->ShowURLMessage(gCString("m"), gCString("HTTP://pintrel.example/get")), eSuccess);
    EXPECT_EQ(backdrop->OpenMessageURL(), eSuccess);
    EXPECT_EQ(opened, (std::vector<std::string>{"https://pintrel.example/get", "HTTP://pintrel.example/get"}));
}

TEST_F(Application, PressingWithoutAHeldPackageSaysSo)
{
    CPintrelUpdaterApp app;
    ASSERT_EQ(Start(app, gCString("")), eSuccess);
    EXPECT_EQ(app.InstallReceivedPackage(), eSuccess);
    EXPECT_EQ(Shown(*app.GetBackdrop()).back(), (sShownLine{"No update has been received yet.", kStatusDarkRed}));
}

TEST_F(Application, AHeldPackageThatFailsToInstallSaysSo)
{
    CPintrelUpdaterApp app;
    ASSERT_EQ(Start(app, gCString("")), eSuccess);
    gCMemFile body;
    ASSERT_EQ(body.Write("PN2SQUSH damaged", 16), eSuccess);
    ASSERT_EQ(app.OnCommand(kPNUPackageReceived, 0, reinterpret_cast<intptr_t>(&body), 0), 0u);
    EXPECT_EQ(app.InstallReceivedPackage(), eGenericFailure);
    EXPECT_EQ(Shown(*app.GetBackdrop()).back(),
              (sShownLine{"The update file could not be installed.", kStatusDarkRed}));
    // The install used the package up: a second press has nothing to install.
    EXPECT_EQ(app.GetReceivedPackage(), nullptr);
    EXPECT_EQ(app.InstallReceivedPackage(), eSuccess);
    EXPECT_EQ(Shown(*app.GetBackdrop()).back(), (sShownLine{"No update has been received yet.", kStatusDarkRed}));
}

// A line goes to the window of the moment and to the log: both while the window stands, the log
// alone once quitting has closed the window (the installer too), the table alone for a window
// left standing after its application and log are gone.
TEST_F(Application, LinesGoToTheWindowOfTheMomentAndToTheLog)
{
    enum class eWhen { kWindowStands, kWindowClosed, kApplicationGone };
    struct sCase {
        const char* name;
        eWhen when;
    } cases[] = {{"window stands", eWhen::kWindowStands},
                 {"window closed", eWhen::kWindowClosed},
                 {"application gone", eWhen::kApplicationGone}};
    for (const sCase& c : cases) {
        SCOPED_TRACE(c.name);
        CPintrelUpdaterBackdrop* window = nullptr;
        size_t logged = 0;
        {
            CPintrelUpdaterApp app;
            ASSERT_EQ(Start(app, gCString("")), eSuccess);
            window = app.GetBackdrop();
            if (c.when == eWhen::kWindowClosed) {
                app.Quit();
                ASSERT_EQ(app.GetBackdrop(), nullptr);
            }
            logged = LogLines().size();
            if (c.when != eWhen::kApplicationGone) {
                gCMemFile body;
                ASSERT_EQ(body.Write("PN2SQUSH damaged", 16), eSuccess);
                ASSERT_EQ(app.OnPackageReceived(&body), eSuccess);
                EXPECT_EQ(app.InstallReceivedPackage(), eGenericFailure);
            }
        }
        if (c.when == eWhen::kApplicationGone) {
            ASSERT_EQ(window->AddStatusLine(gCString("The window's own line."), nullptr, false), eSuccess);
        }
        const std::vector<std::string> log = LogLines();
        const std::vector<std::string> added(log.begin() + std::ptrdiff_t(std::min(logged, log.size())), log.end());
        if (c.when == eWhen::kApplicationGone) {
            EXPECT_EQ(added, std::vector<std::string>{});
            EXPECT_EQ(Shown(*window).back(), (sShownLine{"The window's own line.", kStatusBlack}));
        } else {
            // The installer's lines, then the application's.
            ASSERT_GT(added.size(), 1u);
            EXPECT_EQ(added.back(), "The update file could not be installed.");
        }
        if (c.when == eWhen::kWindowStands) {
            const std::vector<sShownLine> shown = Shown(*window);
            ASSERT_GE(shown.size(), added.size());
            for (size_t i = 0; i < added.size(); ++i)
                EXPECT_EQ(shown[shown.size() - added.size() + i].text, added[i]);
        }
        TearDown();
        SetUp();
    }
}

TEST_F(Application, AGermanProductNamesRefusedAndFailedInstallsInGerman)
{
    WriteSettings("Deutsch");
    CPintrelUpdaterApp app;
    ASSERT_EQ(Start(app, gCString("")), eSuccess);
    const std::string journal = folder / ".pintrel-update-journal";
    Bytes cutRecord = BuildArchive({}, {{"/a.txt", "first"}, {"/b.txt", "second"}});
    cutRecord.resize(cutRecord.size() - 5);
    const std::string notWritten = "Die neuen Dateien konnten nicht geschrieben werden. ";
    struct sCase {
        const char* name;
        Bytes archive;
        bool damagedJournal;
        std::vector<std::string> redLines;
    } cases[] = {
        {"climbing name", BuildArchive({}, {{"/Readme.txt", "x"}, {"/../escaped.txt", "x"}}), false,
         {"Abgelehnt: Eintrag 1 \u201E/../escaped.txt\u201C: der Name führt aus dem Installationsordner hinaus"}},
        {"climbing program", BuildArchive({"EXECUTE=/../sh"}, {{"/Readme.txt", "x"}}), false,
         {"Abgelehnt: EXECUTE \u201E/../sh\u201C: der Name führt aus dem Installationsordner hinaus"}},
        {"record cut short", cutRecord, false,
         {notWritten + "Datensatz 1: er reicht über das Ende des Archivs hinaus"}},
        // A file where the package wants a folder; the damaged journal of an earlier run goes first.
        {"file in the way", BuildArchive({}, {{"/system.mst/x.txt", "x"}}), true,
         {"Das beschädigte Protokoll eines unterbrochenen Updates wurde entfernt: " + journal,
          notWritten + (folder / "system.mst/") + ": der Ordner konnte nicht angelegt werden"}},
    };
    for (const sCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.damagedJournal)
            std::ofstream(journal) << "damaged\n";
        const Bytes package = PackageFromArchive(c.archive);
        gCMemFile body;
        ASSERT_EQ(body.Write(package.data(), int32_t(package.size())), eSuccess);
        ASSERT_EQ(app.OnCommand(kPNUPackageReceived, 0, reinterpret_cast<intptr_t>(&body), 0), 0u);
        EXPECT_EQ(app.InstallReceivedPackage(), eGenericFailure);
        const std::vector<sShownLine> shown = Shown(*app.GetBackdrop());
        for (const std::string& line : c.redLines)
            EXPECT_NE(std::find(shown.begin(), shown.end(), sShownLine{line, kStatusRed}), shown.end()) << line;
    }

    // The page of a server's message that no program opens.
    RecordLaunches();
    launcher.answer = false;
    ASSERT_EQ(app.GetBackdrop()->ShowURLMessage(gCString("m"), gCString("http://127.0.0.1/d")), eSuccess);
    EXPECT_EQ(app.GetBackdrop()->OpenMessageURL(), eSuccess);
    EXPECT_EQ(Shown(*app.GetBackdrop()).back(),
              (sShownLine{"Kein Programm auf diesem Computer konnte die Seite http://127.0.0.1/d öffnen.", kStatusRed}));
}

TEST_F(Application, MainButtonActsOnlyWhenReleasedOverIt)
{
    WriteTestMode("127.0.0.1:9");
    CPintrelUpdaterApp app;
    ASSERT_EQ(Start(app, gCString("")), eSuccess);
    CPintrelUpdaterBackdrop* backdrop = app.GetBackdrop();
    auto* button = new CSolidWidget();
    ASSERT_EQ(backdrop->AddChild(button, false), eSuccess);
    ASSERT_EQ(button->SetPosition(gCPoint(20, 150), false), eSuccess);
    ASSERT_EQ(button->SetSize(600, 70, false), eSuccess);
    button->SetVisible(true, false);
    auto* panel = new CWidget();
    ASSERT_EQ(button->AddChild(panel, false), eSuccess);
    // Left hidden, so the pointer finds the button itself, as the window's panel lets it.
    ASSERT_EQ(panel->SetSize(199, 70, false), eSuccess);
    panel->SetId(310);
    gCPoint origin = gMainWindow->GetContentOrigin();
    auto pointAt = [&](int x, int y) {
        input.pointer = {origin.x + x, origin.y + y};
        backdrop->UpdateRollover();
    };

    // Released outside the button: nothing.
    pointAt(5, 5);
    CWidget* taker = nullptr;
    EXPECT_EQ(OnMainButton(backdrop, button, &taker, gCPoint(50, 10)), eSuccess);
    EXPECT_EQ(taker, button);
    EXPECT_EQ(backdrop->GetStatusRowCount(), 2);

    // Pressed on the message part with the panel off: nothing.
    pointAt(100, 170);
    backdrop->SetMessageActive(false);
    EXPECT_EQ(OnMainButton(backdrop, button, &taker, gCPoint(50, 10)), eSuccess);
    EXPECT_EQ(backdrop->GetStatusRowCount(), 2);

    // Pressed on the message part with the panel on: the check starts.
    backdrop->SetMessageActive(true);
    EXPECT_EQ(OnMainButton(backdrop, button, &taker, gCPoint(50, 10)), eSuccess);
    ASSERT_GE(Shown(*backdrop).size(), 4u);
    EXPECT_EQ(Shown(*backdrop)[2], (sShownLine{"Checking for updates...", kStatusBlack}));
    EXPECT_EQ(Shown(*backdrop)[3], (sShownLine{"Looking up server...", kStatusBlack}));
    EXPECT_EQ(backdrop->IsMessageActive(), 0u);
    EXPECT_EQ(app.IsQuitRequested(), 0u);

    // Pressed right of the message panel: quit.
    EXPECT_EQ(OnMainButton(backdrop, button, &taker, gCPoint(250, 10)), eSuccess);
    EXPECT_EQ(app.IsQuitRequested(), 1u);
}

TEST_F(Application, SlaveCopyReplacesAStaleOneAndIsLaunched)
{
    RecordLaunches();
    CPintrelUpdaterApp app;
    ASSERT_EQ(Start(app, gCString("")), eSuccess);
    mkdir((folder / "PNUSlave.app").c_str(), 0755);
    folder.WriteFile("PNUSlave.app/stale", "old");
    ASSERT_EQ(app.SelfUpdateFromSlave(), eSuccess);
    EXPECT_EQ(DemoFolder::ReadFile(folder / "PNUSlave.app/stale"), "");
    EXPECT_NE(DemoFolder::ReadFile(folder / "PNUSlave.app/Contents/Resources/PNUpdater.msf"), "");
    EXPECT_EQ(launched.size(), 1u);
    EXPECT_EQ(app.IsQuitRequested(), 1u);
    EXPECT_TRUE(Alerts().empty());
}

TEST_F(Application, SlaveCopyStartsTheCopiedProgramWithTheSystemLauncher)
{
    // The bundle's program (named after the original bundle) writes where it runs from.
    std::string programs = bundle + "/Contents/MacOS";
    mkdir(programs.c_str(), 0755);
    std::string marker = folder / "started-from";
    folder.WriteFile("Pintrel Updater.app/Contents/MacOS/Pintrel Updater",
                     "#!/bin/sh\nprintf '%s' \"$0\" > '" + marker + ".part' && mv '" + marker + ".part' '" + marker
                         + "'\n");
    ASSERT_EQ(chmod((programs + "/Pintrel Updater").c_str(), 0755), 0);
    CPintrelUpdaterApp app;
    ASSERT_EQ(Start(app, gCString("")), eSuccess);
    ASSERT_EQ(app.SelfUpdateFromSlave(), eSuccess);
    EXPECT_EQ(app.IsQuitRequested(), 1u);
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (DemoFolder::ReadFile(marker).empty() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(DemoFolder::ReadFile(marker), folder / "PNUSlave.app/Contents/MacOS/Pintrel Updater");
    EXPECT_TRUE(Alerts().empty());
}

TEST_F(Application, SlaveCopyThatCannotBeMadeIsReportedAndNothingLaunched)
{
    RecordLaunches();
    CPintrelUpdaterApp app;
    ASSERT_EQ(Start(app, gCString("")), eSuccess);
    // The copy fails when its source is gone.
    std::string moved = folder / "Moved.app";
    ASSERT_EQ(std::rename(bundle.c_str(), moved.c_str()), 0);
    ASSERT_EQ(app.SelfUpdateFromSlave(), eSuccess);
    EXPECT_TRUE(launched.empty());
    EXPECT_EQ(app.IsQuitRequested(), 0u);
    ASSERT_EQ(Alerts().size(), 1u);
    EXPECT_NE(Alerts()[0].find("Pintrel Updater couldn't update itself."), std::string::npos);
}

} // namespace
