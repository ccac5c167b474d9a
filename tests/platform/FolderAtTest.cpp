// Operations relative to an opened folder: no path leaves it, a link on the way is followed only
// while it stays inside, an entry that is a link is never followed, and a folder swapped for a link
// between two calls leads nothing outside.
#include "platform/FolderAt.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <map>

#include <sys/wait.h>
#include <unistd.h>

using namespace plat;

namespace {

namespace fs = std::filesystem;

// A folder holding "a/file", "a/b/" and links to a folder and a file outside it; each test runs
// with ways resolved in one call and walked part by part.
class FolderAtTest : public testing::TestWithParam<bool> {
protected:
    FolderAtTest()
    {
        FolderAt::SetOneCallWays(GetParam());
        fs::create_directories(root.Root() / "a/b");
        root.WriteFile("a/file", "inside");
        outside.WriteFile("target", "outside");
        fs::create_symlink(outside.Root(), root.Root() / "out");
        fs::create_symlink(outside.Root() / "target", root.Root() / "a/link");
        EXPECT_EQ(folder.Open(root.Root().c_str()), eFileResult::kOk);
    }
    ~FolderAtTest() override { FolderAt::SetOneCallWays(true); }

    // Only "target" stands outside, as it was.
    void ExpectOutsideUntouched(const std::string& what)
    {
        int entries = 0;
        for (const fs::directory_entry& entry : fs::directory_iterator(outside.Root()))
            entries += entry.path().filename() == "target" ? 1 : 100;
        EXPECT_EQ(entries, 1) << what;
        EXPECT_EQ(TempFolder::ReadFile(outside / "target"), "outside") << what;
    }

    TempFolder root;
    TempFolder outside;
    FolderAt folder;
};

const uint8_t kBytes[] = {'n', 'e', 'w'};

// Every operation on one path; two-entry operations use it as the source and as the target.
const std::pair<const char*, std::function<eFileResult(FolderAt&, const char*)>> kOperations[] = {
    {"write", [](FolderAt& f, const char* p) { return f.WriteFile(p, kBytes, 3, 0644); }},
    {"remove", [](FolderAt& f, const char* p) { return f.RemoveFile(p); }},
    {"make folders", [](FolderAt& f, const char* p) { return f.MakeFolders(p); }},
    {"move from", [](FolderAt& f, const char* p) { return f.Move(p, "a/moved"); }},
    {"move to", [](FolderAt& f, const char* p) { return f.Move("a/file", p); }},
    {"replace from", [](FolderAt& f, const char* p) { return f.Replace(p, "a/moved"); }},
    {"replace to", [](FolderAt& f, const char* p) { return f.Replace("a/file", p); }},
    {"link from", [](FolderAt& f, const char* p) { return f.Link(p, "a/linked"); }},
    {"link to", [](FolderAt& f, const char* p) { return f.Link("a/file", p); }},
    {"mode", [](FolderAt& f, const char* p) { return f.SetMode(p, 0777); }},
    {"sync", [](FolderAt& f, const char* p) { return f.Sync(p); }},
    {"remove folder", [](FolderAt& f, const char* p) { return f.RemoveEmptyFolder(p); }},
    {"identity", [](FolderAt& f, const char* p) {
         sEntryIdentity identity;
         return f.GetIdentity(p, identity);
     }},
    {"open", [](FolderAt& f, const char* p) {
         int32_t handle = kNoFileHandle;
         int64_t length = 0;
         eEntryKind kind = eEntryKind::kNone;
         const eFileResult result = f.OpenFile(p, handle, length, kind);
         if (handle != kNoFileHandle)
             (void)CloseFileHandle(handle);
         return result;
     }},
};

TEST_P(FolderAtTest, NoOperationLeavesTheFolder)
{
    const struct {
        const char* path;
        eFileResult way; // what the way to the entry comes to
    } paths[] = {
        {"out/target", eFileResult::kLeavesFolder},
        {"out/new/deeper", eFileResult::kLeavesFolder},
        {"a/../../escaped", eFileResult::kLeavesFolder},
        {"../escaped", eFileResult::kLeavesFolder},
        {"a/./file", eFileResult::kLeavesFolder},
        {"a//file", eFileResult::kLeavesFolder},
        {"/etc/passwd", eFileResult::kLeavesFolder},
        {"a/..", eFileResult::kLeavesFolder},
    };
    for (const auto& p : paths) {
        EXPECT_EQ(folder.GetKind(p.path), eEntryKind::kNone) << p.path;
        EXPECT_EQ(folder.CheckWay(p.path), p.way) << p.path;
        for (const auto& [name, operation] : kOperations)
            EXPECT_EQ(operation(folder, p.path), p.way) << p.path << ", " << name;
        ExpectOutsideUntouched(p.path);
    }
    EXPECT_EQ(TempFolder::ReadFile(root / "a/file"), "inside");
}

// Nothing stands at a path only where no such entry can be: a folder that may not be read hides
// what it holds. The looks run in a child as a user other than the owner, so the folder's mode
// holds for the superuser too; the child's exit status is the first case that failed.
TEST_P(FolderAtTest, OnlyAMissingEntryIsNothing)
{
    fs::create_directories(root.Root() / "locked/in");
    fs::permissions(root.Root(), fs::perms(0755));
    fs::permissions(root.Root() / "locked", fs::perms::none);
    const std::pair<const char*, eFileResult> cases[] = {
        {"a/missing", eFileResult::kOk},           {"missing/deeper/x", eFileResult::kOk},
        {"a/file/x", eFileResult::kOk},            {"locked/in", eFileResult::kAccessDenied},
        {"locked/in/x", eFileResult::kAccessDenied},
    };
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0))
            ::_exit(100);
        for (size_t i = 0; i < std::size(cases); ++i) {
            sEntryIdentity identity;
            if (folder.GetIdentity(cases[i].first, identity) != cases[i].second || identity.kind != eEntryKind::kNone)
                ::_exit(int(i) + 1);
        }
        ::_exit(0);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0);
}

TEST_P(FolderAtTest, ALinkIsAnEntryOfItsOwnNeverAFile)
{
    EXPECT_EQ(folder.GetKind("a/link"), eEntryKind::kLink);
    const std::map<std::string, eFileResult> refusals = {
        {"write", eFileResult::kIsLink},     {"replace from", eFileResult::kIsLink},
        {"mode", eFileResult::kIsLink},      {"sync", eFileResult::kIsLink},
        {"open", eFileResult::kIsLink},      {"make folders", eFileResult::kLeavesFolder},
        {"remove folder", eFileResult::kNoFolder},
    };
    for (const auto& [name, operation] : kOperations) {
        if (const auto refusal = refusals.find(name); refusal != refusals.end()) {
            EXPECT_EQ(operation(folder, "a/link"), refusal->second) << name;
        }
    }
    ExpectOutsideUntouched("linked");
    // Removing the link takes the link alone.
    EXPECT_EQ(folder.RemoveFile("a/link"), eFileResult::kOk);
    EXPECT_EQ(folder.GetKind("a/link"), eEntryKind::kNone);
    ExpectOutsideUntouched("removed");
}

// Links on the way are followed as long as they stay beneath the folder, however they get there.
TEST_P(FolderAtTest, ALinkOnTheWayIsFollowedWhileItStaysInside)
{
    const std::pair<const char*, const char*> links[] = {
        {"in", "a"},          {"chain", "in"},         {"self", "."},         {"a/up", ".."},
        {"a/climb", "../.."}, {"chainout", "out"},     {"dangling", "gone"},  {"ring", "ring2"},
        {"ring2", "ring"},    {"a/b/back", "../../in"}, {"a/abs", ""},
    };
    for (const auto& [name, target] : links)
        fs::create_symlink(target[0] ? fs::path(target) : root.Root() / "a/b", root.Root() / name);
    const struct {
        const char* path;
        eFileResult write;
        const char* landed; // where the file written stands, or null
    } cases[] = {
        {"in/new", eFileResult::kOk, "a/new"},
        {"chain/b/new", eFileResult::kOk, "a/b/new"},
        {"self/a/b/new", eFileResult::kOk, "a/b/new"},
        {"a/up/a/new", eFileResult::kOk, "a/new"},
        {"a/b/back/b/new", eFileResult::kOk, "a/b/new"},
        {"a/climb/new", eFileResult::kLeavesFolder, nullptr},
        {"chainout/new", eFileResult::kLeavesFolder, nullptr},
        {"a/abs/new", eFileResult::kLeavesFolder, nullptr},
        {"ring/new", eFileResult::kLinkOnWay, nullptr},
        {"dangling/new", eFileResult::kLinkDangles, nullptr},
    };
    for (const auto& c : cases) {
        fs::remove(root.Root() / "a/new");
        fs::remove(root.Root() / "a/b/new");
        EXPECT_EQ(folder.WriteFile(c.path, kBytes, 3, 0644), c.write) << c.path;
        sEntryIdentity identity;
        EXPECT_EQ(folder.GetIdentity(c.path, identity), c.write == eFileResult::kNotFound ? eFileResult::kOk : c.write)
            << c.path;
        if (c.landed) {
            EXPECT_EQ(TempFolder::ReadFile(root / c.landed), "new") << c.path;
            EXPECT_EQ(identity.kind, eEntryKind::kFile) << c.path;
        }
        ExpectOutsideUntouched(c.path);
    }
    // Two ways to one folder come to one folder; no folder is made where a link points.
    sEntryIdentity a;
    sEntryIdentity chained;
    EXPECT_EQ(folder.GetFolderIdentity("a", a), eFileResult::kOk);
    EXPECT_EQ(folder.GetFolderIdentity("chain", chained), eFileResult::kOk);
    EXPECT_EQ(std::make_pair(a.device, a.number), std::make_pair(chained.device, chained.number));
    EXPECT_EQ(folder.MakeFolders("dangling/deeper"), eFileResult::kLinkDangles);
    EXPECT_EQ(folder.MakeFolders("in/made/deeper"), eFileResult::kOk);
    EXPECT_FALSE(fs::exists(root.Root() / "gone"));
    EXPECT_TRUE(fs::is_directory(root.Root() / "a/made/deeper"));
}

TEST_P(FolderAtTest, EntriesAreMovedKeptAndRemovedAsTheInstallerNeeds)
{
    const struct {
        const char* name;
        std::function<eFileResult()> step;
        eFileResult result;
    } steps[] = {
        {"a way out", [&] { return folder.Move("a/file", "a/b/../file"); }, eFileResult::kLeavesFolder},
        {"second name", [&] { return folder.Link("a/file", "a/b/file.old"); }, eFileResult::kOk},
        {"move never replaces", [&] { return folder.Move("a/file", "a/b/file.old"); }, eFileResult::kExists},
        {"replace never over a folder", [&] { return folder.Replace("a/file", "a/b"); }, eFileResult::kIsFolder},
        {"never removes a folder", [&] { return folder.RemoveFile("a/b"); }, eFileResult::kIsFolder},
        {"write beside", [&] { return folder.WriteFile("a/file.tmp", kBytes, 3, 0600); }, eFileResult::kOk},
        {"replace", [&] { return folder.Replace("a/file.tmp", "a/file"); }, eFileResult::kOk},
        {"a file on the way", [&] { return folder.MakeFolders("a/file/c"); }, eFileResult::kExists},
        {"new folders", [&] { return folder.MakeFolders("a/c/d"); }, eFileResult::kOk},
        {"move into them", [&] { return folder.Move("a/b/file.old", "a/c/d/file"); }, eFileResult::kOk},
        {"a full folder stays", [&] { return folder.RemoveEmptyFolder("a/c/d"); }, eFileResult::kFailed},
        {"an empty one goes", [&] { return folder.RemoveEmptyFolder("a/b"); }, eFileResult::kOk},
        {"missing is removed", [&] { return folder.RemoveFile("missing/file"); }, eFileResult::kOk},
    };
    sEntryIdentity first;
    EXPECT_EQ(folder.GetIdentity("a/file", first), eFileResult::kOk);
    for (const auto& s : steps)
        EXPECT_EQ(s.step(), s.result) << s.name;
    // The file kept by its second name is the one that stood there first, wherever it went.
    sEntryIdentity moved;
    sEntryIdentity replaced;
    EXPECT_EQ(folder.GetIdentity("a/c/d/file", moved), eFileResult::kOk);
    EXPECT_EQ(folder.GetIdentity("a/file", replaced), eFileResult::kOk);
    EXPECT_EQ(first.kind, eEntryKind::kFile);
    EXPECT_EQ(std::make_pair(moved.device, moved.number), std::make_pair(first.device, first.number));
    EXPECT_NE(replaced.number, first.number);
    EXPECT_FALSE(fs::exists(root.Root() / "a/b"));
    EXPECT_EQ(TempFolder::ReadFile(root / "a/file"), "new");
    EXPECT_EQ(TempFolder::ReadFile(root / "a/c/d/file"), "inside");
    EXPECT_FALSE(fs::exists(root.Root() / "a/file.tmp"));
}

// An attacker who swaps a checked folder for a link to the outside between two calls: the folder
// reached before the swap is the one written into, or the way is refused; nothing lands outside.
TEST_P(FolderAtTest, AFolderSwappedForALinkAfterTheCheckIsNotFollowed)
{
    const struct {
        const char* name;
        const char* between; // reached between the check and the write, or null
        eFileResult write;
        const char* landed; // where the file stands afterwards, or null
    } cases[] = {
        {"still held", nullptr, eFileResult::kOk, "a/b.real/x"},
        {"reached again", "a/file", eFileResult::kLeavesFolder, nullptr},
    };
    for (const auto& c : cases) {
        fs::remove_all(root.Root() / "a/b.real");
        fs::remove(root.Root() / "a/b");
        fs::create_directory(root.Root() / "a/b");
        ASSERT_EQ(folder.CheckWay("a/b"), eFileResult::kOk) << c.name;
        fs::rename(root.Root() / "a/b", root.Root() / "a/b.real");
        fs::create_directory_symlink(outside.Root(), root.Root() / "a/b");
        if (c.between)
            (void)folder.GetKind(c.between);
        EXPECT_EQ(folder.WriteFile("a/b/x", kBytes, 3, 0644), c.write) << c.name;
        if (c.landed) {
            EXPECT_EQ(TempFolder::ReadFile(root / c.landed), "new") << c.name;
        }
        ExpectOutsideUntouched(c.name);
    }
}

TEST_P(FolderAtTest, TheFolderIsResolvedOnceWhenOpened)
{
    const fs::path moved = root.Root().string() + ".moved";
    fs::rename(root.Root(), moved);
    fs::create_directory_symlink(outside.Root(), root.Root());
    EXPECT_EQ(folder.WriteFile("a/new", kBytes, 3, 0644), eFileResult::kOk);
    EXPECT_EQ(TempFolder::ReadFile((moved / "a/new").string()), "new");
    ExpectOutsideUntouched("moved");
    fs::remove(root.Root());
    fs::rename(moved, root.Root());
}

INSTANTIATE_TEST_SUITE_P(Ways, FolderAtTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "OneCall" : "PartByPart"; });

} // namespace
