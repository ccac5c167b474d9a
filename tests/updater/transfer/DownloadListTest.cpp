// File-by-file updating: download lists against the installed list, fresh temporary names, and
// moving a downloaded file into the installation.
#include "updater/UpdaterTestSupport.h"

#include "FileIO/gCFRelative.h"
#include "FileIO/gCMemFile.h"
#include "support/AllocationFailure.h"
#include "support/StringBytes.h"

namespace {

class DownloadList : public UpdaterTest {
protected:
    void SetUp() override
    {
        UpdaterTest::SetUp();
        gCCmdTarget::SetDefaultTarget(&sink);
    }
    static void WriteBody(gCMemFile& body, const std::string& bytes)
    {
        ASSERT_EQ(body.Write(bytes.data(), int32_t(bytes.size())), eSuccess);
    }
    static std::string Utf16(const std::u16string& text)
    {
        std::string bytes = "\xFF\xFE";
        for (char16_t unit : text) {
            bytes += char(unit & 0xFF);
            bytes += char(unit >> 8);
        }
        return bytes;
    }
    gCCmdTarget sink;
};

TEST_F(DownloadList, MarksEntriesWhoseKindIsInstalledWithAnotherNumber)
{
    // Installed: kind 5 number 12 (first of its kind counts), kind 1 number 1.
    folder.WriteFile("Pintrel Updater.app/Contents/pnufiledata.txt",
                     Utf16(u":Resources|0512%Pintrel.dat\r|0513%Other.dat\r|0101%Readme.txt\r"));
    CPNUTransferManager manager;
    ASSERT_EQ(manager.ReadInstalledList(), eSuccess);
    ASSERT_EQ(manager.GetInstalledList().GetSize(), 3);

    gCMemFile body;
    WriteBody(body, "*2.1.0\n+Fixed brushes\n:Resources|0512%Pintrel.dat\n|0102%Readme.txt\n|0701%New.txt\n");
    ASSERT_EQ(manager.ParseDownloadList(body), eSuccess);
    EXPECT_EQ(manager.GetState(), CPNUTransferManager::kStateParsed);
    EXPECT_EQ(Utf8(manager.GetLatestVersionText()), "2.1.0");
    ASSERT_EQ(manager.GetNotes().GetSize(), 1);
    EXPECT_EQ(Utf8(manager.GetNotes()[0]), "Fixed brushes");
    gCArray<CFileData>& list = manager.GetDownloadList();
    ASSERT_EQ(list.GetSize(), 3);
    EXPECT_EQ(list[0].mNeedsDownload, 0u);
    EXPECT_EQ(list[1].mNeedsDownload, 1u);
    EXPECT_EQ(list[2].mNeedsDownload, 1u);
    EXPECT_EQ(Utf8(list[2].mFileName), "New.txt");
}

TEST_F(DownloadList, ReadsUnicodeBodies)
{
    CPNUTransferManager manager;
    gCMemFile body;
    WriteBody(body, Utf16(u"*3.0\n|0512%Caf\u00e9.dat\n"));
    ASSERT_EQ(manager.ParseDownloadList(body), eSuccess);
    EXPECT_EQ(Utf8(manager.GetLatestVersionText()), "3.0");
    ASSERT_EQ(manager.GetDownloadList().GetSize(), 1);
    EXPECT_EQ(Utf8(manager.GetDownloadList()[0].mFileName), "Caf\u00e9.dat");
}

TEST_F(DownloadList, TemporaryNamesSkipThoseInUse)
{
    gCFRelative path;
    ASSERT_EQ(MakeTempUpdaterPath(path), eSuccess);
    EXPECT_EQ(Utf8(path.GetRelativeText()), "PintrelUpdater1.exe");
    folder.WriteFile("Pintrel Updater.app/Contents/PintrelUpdater1.exe", "x");
    ASSERT_EQ(MakeTempUpdaterPath(path), eSuccess);
    EXPECT_EQ(Utf8(path.GetRelativeText()), "PintrelUpdater2.exe");
    ASSERT_EQ(MakeTempPackagePath(path), eSuccess);
    EXPECT_EQ(Utf8(path.GetRelativeText()), "PNUTemp1.pnu");
}

TEST_F(DownloadList, RunningOutOfMemoryNeverGivesANameInUse)
{
    folder.WriteFile("Pintrel Updater.app/Contents/PintrelUpdater1.exe", "x");
    gCFRelative path;
    eResultCode made = eSuccess;
    ForEachAllocationFailure([&] { made = MakeTempUpdaterPath(path); },
                             [&](bool failed) {
                                 if (made == eSuccess) {
                                     EXPECT_EQ(Utf8(path.GetRelativeText()), "PintrelUpdater2.exe");
                                 } else {
                                     EXPECT_TRUE(failed);
                                     EXPECT_EQ(made, eNoMemory);
                                 }
                                 (void)path.Clear();
                             });
}

TEST_F(DownloadList, ReplacementFilesMoveIntoNewFoldersAndTheListIsWritten)
{
    CPNUTransferManager manager;
    gCMemFile body;
    WriteBody(body, "Plugins/Extra|0301%Blur.plg\n");
    ASSERT_EQ(manager.ParseDownloadList(body), eSuccess);
    ASSERT_EQ(manager.GetDownloadList().GetSize(), 1);
    CFileData& entry = manager.GetDownloadList()[0];
    folder.WriteFile("Pintrel Updater.app/Contents/PNUTemp1.pnu", "plug-in");
    entry.mLocalPath = gCString("PNUTemp1.pnu");
    ASSERT_EQ(manager.WriteReplacements(), eSuccess);
    EXPECT_EQ(DemoFolder::ReadFile(bundle + "/Contents/Plugins/Extra/Blur.plg"), "plug-in");
    EXPECT_EQ(DemoFolder::ReadFile(bundle + "/Contents/PNUTemp1.pnu"), "");
    EXPECT_EQ(DemoFolder::ReadFile(bundle + "/Contents/pnufiledatareplacement.txt"), "Plugins/Extra|0301%Blur.plg\n");
}

} // namespace
