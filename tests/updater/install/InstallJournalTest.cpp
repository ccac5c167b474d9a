// The install journal: what it records comes back exactly, anything else is refused, and the
// start-up recovery acts only on what a whole journal names.
#include "updater/install/PackageTestSupport.h"
#include "support/AllocationFailure.h"

#include "updater/install/CPNUInstallFiles.h"
#include "updater/install/PNUInstallJournal.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

gCString Text(const std::string& utf8)
{
    gCString text;
    EXPECT_EQ(text.SetFromUTF8(utf8), eSuccess);
    return text;
}

std::string JournalFile(const TempFolder& folder) { return (folder.Root() / ".pintrel-update-journal").string(); }

TEST(InstallJournal, ReadsBackWhatItWrote)
{
    TempFolder folder;
    CPNUInstallFiles files;
    sInstallJournal written;
    written.state = sInstallJournal::eState::kFinish;
    written.installFolder = Text(folder.Root().string());
    for (const char* name : {"/a b/c.txt", "/100%/x", "/line\nbreak\r", "/caf\xC3\xA9"}) {
        ASSERT_EQ(written.names.Add(Text(name)), eSuccess);
        ASSERT_EQ(written.hadFile.Add(name[1] == 'a' ? 1 : 0), eSuccess);
    }
    ASSERT_EQ(WriteInstallJournal(files, written), eSuccess);
    EXPECT_FALSE(std::filesystem::exists(JournalFile(folder) + ".tmp"));

    sInstallJournal read;
    bool found = false;
    ASSERT_EQ(ReadInstallJournal(files, written.installFolder, read, found), eSuccess);
    EXPECT_TRUE(found);
    EXPECT_EQ(read.state, sInstallJournal::eState::kFinish);
    EXPECT_EQ(Utf8(read.installFolder), folder.Root().string());
    ASSERT_EQ(read.names.GetSize(), written.names.GetSize());
    for (int32_t i = 0; i < read.names.GetSize(); ++i) {
        EXPECT_EQ(Utf8(read.names[i]), Utf8(written.names[i]));
        EXPECT_EQ(read.hadFile[i], written.hadFile[i]);
    }

    ASSERT_EQ(RemoveInstallJournal(files, written.installFolder), eSuccess);
    ASSERT_EQ(ReadInstallJournal(files, written.installFolder, read, found), eSuccess);
    EXPECT_FALSE(found);
}

TEST(InstallJournal, RefusesAnythingButAWholeJournalOfSafeNames)
{
    const std::string head = "Pintrel Updater install journal 1\nstate undo\nfolder /f\n";
    const std::string damaged[] = {
        head + "file /a\n",                          // cut off before its end
        head + "file /a\nend",                       // its last line cut
        head + "file /a\nend\nfile /b\n",            // more after the end
        "Pintrel Updater install journal 2\nend\n", // another format
        head + "rename /a\nend\n",                   // an unknown line
        head + "file /../outside\nend\n",            // a name leaving the folder
        head + "new relative\nend\n",                // a name without its separator
        head + "file /a%G0\nend\n",                  // a broken escape
        "state undo\nend\n",                         // no first line
    };
    TempFolder folder;
    CPNUInstallFiles files;
    for (const std::string& text : damaged) {
        std::ofstream(JournalFile(folder), std::ios::binary | std::ios::trunc) << text;
        sInstallJournal journal;
        bool found = false;
        EXPECT_EQ(ReadInstallJournal(files, Text(folder.Root().string()), journal, found), eGenericFailure) << text;
        EXPECT_TRUE(found);
    }
}

TEST(InstallJournal, ADamagedJournalIsRemovedWithoutTouchingAnyFile)
{
    TempFolder folder;
    WriteTree(folder.Root(), {{"a.old", "kept"}, {"a.tmp", "new"}});
    std::ofstream(JournalFile(folder)) << "Pintrel Updater install journal 1\nstate finish\nfile /a\n";
    RecordingHost host;
    host.installFolder = folder.Root();
    EXPECT_EQ(RecoverUnfinishedInstall(host, &host), eSuccess);
    EXPECT_TRUE(host.HasLineStartingWith("A damaged record of an interrupted update was removed: ", kStatusRed));
    EXPECT_EQ(ReadTree(folder.Root()), (FileTree{{"a.old", "kept"}, {"a.tmp", "new"}}));
}

struct sRecoveryCase {
    const char* name;
    sInstallJournal::eState state;
    FileTree before;
    FileTree after;
    const char* line;
};

const sRecoveryCase kRecoveryCases[] = {
    // Cut off while keeping: "a" kept by a second name, "b" not yet; nothing placed.
    {"Finish", sInstallJournal::eState::kFinish,
     {{"a", "old a"}, {"a.old", "old a"}, {"a.tmp", "new a"}, {"b", "old b"}, {"b.tmp", "new b"}, {"c.tmp", "new c"}},
     {{"a", "new a"}, {"b", "new b"}, {"c", "new c"}},
     "An interrupted update was completed."},
    // Cut off while undoing a failed place step: "a" placed, "b" moved aside, "c" new and placed.
    {"Undo", sInstallJournal::eState::kUndo,
     {{"a", "new a"}, {"a.old", "old a"}, {"b.old", "old b"}, {"b.tmp", "new b"}, {"c", "new c"}},
     {{"a", "old a"}, {"b", "old b"}},
     "An interrupted update was undone: the previous files are back."},
};

// The case's files and its journal over "/a" to "/d", "c" new, with a folder named like "d"'s
// ".tmp" that is not the updater's.
void WriteCutOffInstall(const TempFolder& folder, const sRecoveryCase& c)
{
    WriteTree(folder.Root(), c.before);
    std::filesystem::create_directories(folder.Root() / "d.tmp" / "inner");
    CPNUInstallFiles files;
    sInstallJournal journal;
    journal.state = c.state;
    journal.installFolder = Text(folder.Root().string());
    for (const char* name : {"/a", "/b", "/c", "/d"}) {
        ASSERT_EQ(journal.names.Add(Text(name)), eSuccess);
        ASSERT_EQ(journal.hadFile.Add(name[1] != 'c' ? 1 : 0), eSuccess);
    }
    ASSERT_EQ(WriteInstallJournal(files, journal), eSuccess);
}

TEST(InstallJournal, RecoveryFinishesOrUndoesAndLeavesFoldersAlone)
{
    for (const sRecoveryCase& c : kRecoveryCases) {
        TempFolder folder;
        WriteCutOffInstall(folder, c);
        RecordingHost host;
        host.installFolder = folder.Root();
        EXPECT_EQ(RecoverUnfinishedInstall(host, &host), eSuccess) << c.name;
        EXPECT_TRUE(host.HasLine(c.line, kStatusBlack)) << c.name;
        EXPECT_EQ(ReadTree(folder.Root()), c.after) << c.name;
        EXPECT_TRUE(std::filesystem::is_directory(folder.Root() / "d.tmp" / "inner")) << c.name;
    }
}

// Memory running out while recovering gives 5 and keeps the journal, so the next start repairs
// the product; a finish that runs short may be undone instead, which leaves it whole too.
TEST(InstallJournal, RunningOutOfMemoryWhileRecoveringKeepsTheJournal)
{
    const FileTree undone = kRecoveryCases[1].after;
    for (const sRecoveryCase& c : kRecoveryCases) {
        bool failed = true;
        int32_t stopped = 0;
        for (int64_t k = 1; failed; ++k) {
            TempFolder folder;
            WriteCutOffInstall(folder, c);
            RecordingHost host;
            host.installFolder = folder.Root();
            eResultCode result = eSuccess;
            {
                AllocationFailure failure(k);
                result = RecoverUnfinishedInstall(host, &host);
                failed = failure.Count() >= k;
            }
            const std::string at = std::string(c.name) + ", k = " + std::to_string(k);
            ASSERT_TRUE(result == eSuccess || result == eNoMemory) << at << ": " << result;
            stopped += result == eNoMemory ? 1 : 0;
            // Stopped, or not begun when the host could not name its folder: the journal stays.
            if (result == eNoMemory) {
                EXPECT_TRUE(std::filesystem::exists(JournalFile(folder))) << at;
            }
            if (std::filesystem::exists(JournalFile(folder))) {
                EXPECT_EQ(RecoverUnfinishedInstall(host, &host), eSuccess) << at;
            }
            const FileTree tree = ReadTree(folder.Root());
            EXPECT_TRUE(tree == c.after || tree == undone) << at << ": " << testing::PrintToString(tree);
            EXPECT_FALSE(std::filesystem::exists(JournalFile(folder))) << at;
        }
        EXPECT_GT(stopped, 0) << c.name;
    }
}
} // namespace
