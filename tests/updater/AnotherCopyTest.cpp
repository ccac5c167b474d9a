// The updater started while another copy installs in the same folder: the start leaves the
// repair to that copy, an install is refused with the panel left as it was, and the button
// installs once that copy is done.
#include "updater/install/PackageTestSupport.h"
#include "updater/UpdaterTestSupport.h"

#include "FileIO/gCMemFile.h"
#include "platform/FolderLock.h"
#include "updater/install/PNUInstallLock.h"

namespace {

class AnotherCopy : public UpdaterTest {};

TEST_F(AnotherCopy, TheStartLeavesTheRepairToItAndTheButtonInstallsOnceItIsDone)
{
    // An install that copy has under way, as the repair would see it: undone, the old file would
    // come back.
    const std::string readme = folder / "Pintrel 2.app/Readme.txt";
    folder.WriteFile("Pintrel 2.app/Readme.txt", "placed by the other copy");
    folder.WriteFile("Pintrel 2.app/Readme.txt.old", "kept by the other copy");
    WriteUndoJournal(folder.Root(), "/Pintrel 2.app/Readme.txt");
    plat::FolderLock otherCopy;
    ASSERT_EQ(otherCopy.Acquire(folder.Path().c_str(), kInstallLockName), plat::eLockResult::kOk);

    CPintrelUpdaterApp app;
    ASSERT_EQ(Start(app, gCString("")), eSuccess);
    const sShownLine anotherCopy{Utf8(GetBuiltInReportText(kTextAnotherCopy)), kStatusRed};
    EXPECT_EQ(Shown(*app.GetBackdrop()).back(), anotherCopy);
    const std::vector<std::string> log = LogLines();
    EXPECT_NE(std::find(log.begin(), log.end(), anotherCopy.text), log.end());
    EXPECT_EQ(DemoFolder::ReadFile(readme), "placed by the other copy");
    EXPECT_TRUE(std::filesystem::exists(folder / ".pintrel-update-journal"));

    const Bytes package = PackageFromArchive(BuildArchive({}, {{"/Pintrel 2.app/Readme.txt", "from this copy"}}));
    gCMemFile body;
    ASSERT_EQ(body.Write(package.data(), int32_t(package.size())), eSuccess);
    ASSERT_EQ(app.OnCommand(kPNUPackageReceived, 0, reinterpret_cast<intptr_t>(&body), 0), 0u);
    CPintrelUpdaterBackdrop* backdrop = app.GetBackdrop();
    // Told by the red line alone: the press raises no alert.
    EXPECT_EQ(backdrop->DismissMessage(), eSuccess);
    EXPECT_EQ(Shown(*backdrop).back(), anotherCopy);
    EXPECT_EQ(DemoFolder::ReadFile(readme), "placed by the other copy");
    EXPECT_EQ(backdrop->IsMessageActive(), 1u) << "the button can be pressed again";
    EXPECT_EQ(backdrop->GetMessageKind(), CPintrelUpdaterBackdrop::kMessageInstall);
    // A package dropped on the window leaves the panel as it was: off while a check runs.
    gCArray<gCString> dropped;
    ASSERT_EQ(dropped.Add(gCString((folder / "update.pnu").c_str())), eSuccess);
    folder.WriteFile("update.pnu", std::string(package.begin(), package.end()));
    for (const bool on : {false, true}) {
        backdrop->SetMessageActive(on);
        EXPECT_EQ(app.OnFilesDropped(dropped), eBusy);
        EXPECT_EQ(backdrop->IsMessageActive(), on ? 1u : 0u);
    }
    EXPECT_EQ(DemoFolder::ReadFile(readme), "placed by the other copy");

    otherCopy.Release();
    EXPECT_EQ(backdrop->DismissMessage(), eSuccess);
    EXPECT_EQ(Shown(*backdrop).back(), (sShownLine{"The update has been installed.", kStatusBlack}));
    EXPECT_EQ(DemoFolder::ReadFile(readme), "from this copy");
    EXPECT_FALSE(std::filesystem::exists(folder / ".pintrel-update-journal"));
}

} // namespace
