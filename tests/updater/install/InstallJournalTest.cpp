// The install journal: what it records comes back exactly, anything else is refused, and the
// start-up recovery acts only on what a whole journal names.
#include "updater/install/PackageTestSupport.h"
#include "support/AllocationFailure.h"

#include "updater/install/CPNUInstallFiles.h"
#include "updater/install/PNUInstallJournal.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

#include <fstream>

#include <sys/stat.h>

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
    ASSERT_EQ(files.OpenFolder(written.installFolder), eSuccess);
    for (const char* name : {"/a b/c.txt", "/100%/x", "/line\nbreak\r", "/caf\xC3\xA9"}) {
        ASSERT_EQ(written.names.Add(Text(name)), eSuccess);
        ASSERT_EQ(written.hadFile.Add(name[1] == 'a' ? 1 : 0), eSuccess);
        const uint64_t n = uint64_t(written.names.GetSize());
        ASSERT_EQ(written.written.Add({plat::eEntryKind::kFile, UINT64_MAX - n, n * 1000, n}), eSuccess);
    }
    for (const int32_t entry : {0, 1}) {
        ASSERT_EQ(written.madeIn.Add(entry), eSuccess);
        ASSERT_EQ(written.madeUnits.Add(entry == 0 ? 4 : 5), eSuccess);
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
        EXPECT_EQ(read.written[i].device, written.written[i].device);
        EXPECT_EQ(read.written[i].number, written.written[i].number);
        EXPECT_EQ(read.written[i].size, written.written[i].size);
    }
    ASSERT_EQ(read.madeIn.GetSize(), 2);
    EXPECT_EQ(read.madeIn[1], 1);
    EXPECT_EQ(read.madeUnits[1], 5);

    ASSERT_EQ(RemoveInstallJournal(files, written.installFolder), eSuccess);
    ASSERT_EQ(ReadInstallJournal(files, written.installFolder, read, found), eSuccess);
    EXPECT_FALSE(found);
}

TEST(InstallJournal, RefusesAnythingButAWholeJournalOfSafeNames)
{
    const std::string head = "Pintrel Updater install journal 2\nstate undo\nfolder /f\n";
    const std::string damaged[] = {
        head + "file /a\n",                          // cut off before its end
        head + "file /a\nend",                       // its last line cut
        head + "file /a\nend\nfile /b\n",            // more after the end
        "Pintrel Updater install journal 1\nstate undo\nfolder /f\nfile /a\nend\n", // the version before
        head + "file 1 2 /a\nend\n",                   // an identity cut short
        head + "file 01 2 3 /a\nend\n",                // a number not as written
        head + "file 1 2 3 /a\nnew /b\nend\n",          // only some entries identified
        "Pintrel Updater install journal 2\nstate finish\nfolder /f\nfile /a\nend\n", // finishing unidentified files
        head + "file /a\nfile /b:c\nend\n",             // a name no install writes
        head + "file /a/b\nmade 0 3\nend\n",            // a made folder that is no folder of its name
        head + "file /a/b\nmade 1 2\nend\n",            // a made folder of no entry
        head + "rename /a\nend\n",                   // an unknown line
        head + "file /../outside\nend\n",            // a name leaving the folder
        head + "new relative\nend\n",                // a name without its separator
        head + "file /a%G0\nend\n",                  // a broken escape
        "state undo\nend\n",                         // no first line
    };
    TempFolder folder;
    CPNUInstallFiles files;
    ASSERT_EQ(files.OpenFolder(Text(folder.Root().string())), eSuccess);
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
    std::ofstream(JournalFile(folder)) << "Pintrel Updater install journal 2\nstate finish\nfile /a\n";
    RecordingHost host;
    host.installFolder = folder.Root();
    EXPECT_EQ(RecoverUnfinishedInstall(host, &host), eSuccess);
    EXPECT_TRUE(host.HasLineStartingWith("A damaged record of an interrupted update was removed: ", kStatusRed));
    EXPECT_EQ(ReadTree(folder.Root()), (FileTree{{"a.old", "kept"}, {"a.tmp", "new"}}));
}

// What no install leaves: the journal is set aside under a new name and no file is touched.
TEST(InstallJournal, AJournalNoInstallLeavesIsSetAsideAndNothingTouched)
{
    const std::string head = "Pintrel Updater install journal 2\nstate undo\nfolder /f\n";
    const std::string finish = "Pintrel Updater install journal 2\nstate finish\nfolder /f\n";
    enum eKind { kText, kFolder, kPipe, kLink, kOversized };
    struct sCase {
        const char* name;
        eKind kind;
        std::string text;
        const char* named; // the path the reason names, below the folder; null for the journal's kind
        void (*plant)(const std::filesystem::path& root);
    };
    const sCase cases[] = {
        {"NewNameOverAFile", kText, head + "new /settings\nend\n", "/settings", nullptr},
        {"PartnerIsAFolder", kText, head + "file /a\nend\n", "/a.tmp",
         [](const std::filesystem::path& root) { std::filesystem::create_directories(root / "a.tmp/inner"); }},
        {"OldIsALink", kText, finish + "file 1 2 3 /a\nend\n", "/a.old",
         [](const std::filesystem::path& root) { std::filesystem::create_symlink(root / "settings", root / "a.old"); }},
        {"OldIsAnotherLink", kText, finish + "link 1 2 3 4 5 6 /a\nend\n", "/a.old",
         [](const std::filesystem::path& root) { std::filesystem::create_symlink("settings", root / "a.old"); }},
        {"OldIsAFileWhereALinkWasKept", kText, finish + "link 1 2 3 4 5 6 /a\nend\n", "/a.old",
         [](const std::filesystem::path& root) { WriteTree(root, {{"a.old", "kept"}}); }},
        {"TwoNamesThroughALink", kText, head + "file /d/a\nfile /l/a\nend\n", "/l/a",
         [](const std::filesystem::path& root) {
             std::filesystem::create_directories(root / "d");
             std::filesystem::create_symlink("d", root / "l");
         }},
        {"LockFileThroughALink", kText, head + "new /l/.pintrel-update-lock\nend\n", "/l/.pintrel-update-lock",
         [](const std::filesystem::path& root) { std::filesystem::create_symlink(".", root / "l"); }},
        {"TmpIsNotTheFileWritten", kText, finish + "file 1 2 3 /settings\nend\n", "/settings.tmp",
         [](const std::filesystem::path& root) { WriteTree(root, {{"settings.tmp", "other"}}); }},
        {"KeptBeforeWritten", kText, head + "file /a\nend\n", "/a.old",
         [](const std::filesystem::path& root) { WriteTree(root, {{"a.old", "kept"}}); }},
        {"NameTwice", kText, head + "file /a\nfile /a\nend\n", "/a", nullptr},
        {"JournalItself", kText, head + "new /.pintrel-update-journal\nend\n", "/.pintrel-update-journal", nullptr},
        {"LockFile", kText, head + "new /.pintrel-update-lock\nend\n", "/.pintrel-update-lock", nullptr},
        {"BelowTheJournal", kText, head + "new /.pintrel-update-journal/x\nend\n", "/.pintrel-update-journal/x",
         nullptr},
        {"PartnerOfAnother", kText, head + "file /a\nfile /a.old\nend\n", "/a.old", nullptr},
        {"Folder", kFolder, "", nullptr, nullptr},
        {"Pipe", kPipe, "", nullptr, nullptr},
        {"Link", kLink, head + "new /settings\nend\n", nullptr, nullptr},
        {"Oversized", kOversized, head + std::string(kLargestInstallJournal, 'x'), nullptr, nullptr},
    };
    for (const sCase& c : cases) {
        TempFolder folder;
        const std::filesystem::path root = folder.Root();
        WriteTree(root, {{"settings", "the product's"}, {"elsewhere/journal", c.text}});
        if (c.plant)
            c.plant(root);
        const FileTree before = ReadTree(root);
        const std::string journal = JournalFile(folder);
        switch (c.kind) {
        case kText:
        case kOversized: std::ofstream(journal, std::ios::binary) << c.text; break;
        case kFolder: std::filesystem::create_directories(journal + "/inner"); break;
        case kPipe: ASSERT_EQ(::mkfifo(journal.c_str(), 0600), 0); break;
        case kLink: std::filesystem::create_symlink(root / "elsewhere/journal", journal); break;
        }
        RecordingHost host;
        host.installFolder = root;
        EXPECT_EQ(RecoverUnfinishedInstall(host, &host), eSuccess) << c.name;
        const std::string reason = c.named ? "it names " + root.string() + c.named + " in a way no update does"
            : c.kind == kOversized          ? "it is larger than 475136 bytes"
                                            : "it is not a regular file";
        EXPECT_TRUE(host.HasLine("A record of an interrupted update was refused and set aside as " + journal
                                     + ".refused-1: " + reason,
                                 kStatusRed))
            << c.name << ": " << (host.lines.empty() ? "" : host.lines.back().text);
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(journal))) << c.name;
        FileTree after = ReadTree(root);
        after.erase(".pintrel-update-journal.refused-1");
        EXPECT_EQ(after, before) << c.name;
    }
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

// The case's files and its journal over "/a" to "/c", "c" new, each new file identified by the
// ".tmp" that holds it or, placed, its final name.
void WriteCutOffInstall(const TempFolder& folder, const sRecoveryCase& c)
{
    WriteTree(folder.Root(), c.before);
    CPNUInstallFiles files;
    sInstallJournal journal;
    journal.state = c.state;
    journal.installFolder = Text(folder.Root().string());
    ASSERT_EQ(files.OpenFolder(journal.installFolder), eSuccess);
    for (const char* name : {"/a", "/b", "/c"}) {
        ASSERT_EQ(journal.names.Add(Text(name)), eSuccess);
        ASSERT_EQ(journal.hadFile.Add(name[1] != 'c' ? 1 : 0), eSuccess);
        ASSERT_EQ(journal.written.Add(WrittenIdentity(files, folder.Root().string() + name)), eSuccess);
    }
    ASSERT_EQ(WriteInstallJournal(files, journal), eSuccess);
}

TEST(InstallJournal, RecoveryFinishesOrUndoes)
{
    for (const sRecoveryCase& c : kRecoveryCases) {
        TempFolder folder;
        WriteCutOffInstall(folder, c);
        RecordingHost host;
        host.installFolder = folder.Root();
        EXPECT_EQ(RecoverUnfinishedInstall(host, &host), eSuccess) << c.name;
        EXPECT_TRUE(host.HasLine(c.line, kStatusBlack)) << c.name;
        EXPECT_EQ(ReadTree(folder.Root()), c.after) << c.name;
    }
}

// A repair whose rename back fails keeps that ".old" file and the journal, says so, and the next
// start completes the undo.
TEST(InstallJournal, AnUndoThatCannotPutAFileBackKeepsItForTheNextStart)
{
    class cStuckFiles : public CPNUInstallFiles {
    public:
        eResultCode Replace(const gCString& source, const gCString& target) override
        {
            if (!Utf8(source).ends_with("/a.old"))
                return CPNUInstallFiles::Replace(source, target);
            SetOwnReason(kTextMoveRefused);
            return eBadParameter;
        }
    } stuck;
    const sRecoveryCase& undo = kRecoveryCases[1];
    TempFolder folder;
    WriteCutOffInstall(folder, undo);
    RecordingHost host;
    host.installFolder = folder.Root();
    EXPECT_EQ(RecoverUnfinishedInstall(host, &host, &stuck), eBadParameter);
    EXPECT_TRUE(host.HasLine("The update could not be undone: " + (folder.Root() / "a").string()
                                 + ": the move was refused. The previous files are kept, and the next start of the "
                                   "updater puts them back.",
                             kStatusRed));
    EXPECT_EQ(ReadTree(folder.Root())["a.old"], "old a");
    EXPECT_TRUE(std::filesystem::exists(JournalFile(folder)));

    EXPECT_EQ(RecoverUnfinishedInstall(host, &host), eSuccess);
    EXPECT_EQ(ReadTree(folder.Root()), undo.after);
}

// An entry that cannot be looked at is never taken as missing: the repair touches nothing, keeps
// the journal and says why in red, and once the entry can be reached the next start repairs.
TEST(InstallJournal, AnEntryThatCannotBeReachedStopsTheRepairUntilItCan)
{
    const std::pair<plat::eFileResult, const char*> faults[] = {
        {plat::eFileResult::kAccessDenied, "Permission denied"},
        {plat::eFileResult::kFailed, "Input/output error"},
    };
    for (const sRecoveryCase& c : kRecoveryCases) {
        for (const auto& [fault, reason] : faults) {
            TempFolder folder;
            WriteCutOffInstall(folder, c);
            RecordingHost host;
            host.installFolder = folder.Root();
            UnreachableFiles files((folder.Root() / "b").string(), fault);
            EXPECT_EQ(RecoverUnfinishedInstall(host, &host, &files), eStreamError) << c.name;
            EXPECT_TRUE(host.HasLine("An interrupted update could not be repaired: " + (folder.Root() / "b.tmp").string()
                                         + ": " + reason
                                         + ". The files are left as they are, and the next start of the updater "
                                           "tries again.",
                                     kStatusRed))
                << c.name << ": " << (host.lines.empty() ? "" : host.lines.back().text);
            FileTree kept = ReadTree(folder.Root());
            EXPECT_EQ(kept.erase(".pintrel-update-journal"), 1u) << c.name;
            EXPECT_EQ(kept, c.before) << c.name;

            files.reachable = true;
            EXPECT_EQ(RecoverUnfinishedInstall(host, &host, &files), eSuccess) << c.name;
            EXPECT_EQ(ReadTree(folder.Root()), c.after) << c.name;
        }
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
