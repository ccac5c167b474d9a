// The installer's file operations take a folder found missing as missing for the looks after it:
// whatever they do themselves that may bring the folder in, the next look finds.
#include "updater/install/PackageTestSupport.h"

#include "updater/install/CPNUInstallFiles.h"

#include <gtest/gtest.h>

namespace {

gCString Text(const std::string& utf8)
{
    gCString text;
    EXPECT_EQ(text.SetFromUTF8(utf8), eSuccess);
    return text;
}

TEST(InstallFiles, AFolderFoundMissingIsFoundOnceAnOperationBringsItIn)
{
    TempFolder root;
    std::filesystem::create_directory(root.Root() / "full");
    root.WriteFile("full/x", "x");
    CPNUInstallFiles files;
    ASSERT_EQ(files.OpenFolder(Text(root.Root().string())), eSuccess);
    struct sCase {
        const char* name;
        eResultCode (*operation)(CPNUInstallFiles&, const TempFolder&);
        const char* look;
        plat::eEntryKind kind;
    };
    const sCase cases[] = {
        {"made", [](CPNUInstallFiles& f, const TempFolder& r) { return f.CreateFolder(Text(r / "made/sub")); },
         "made/sub", plat::eEntryKind::kFolder},
        {"moved in", [](CPNUInstallFiles& f, const TempFolder& r) { return f.Move(Text(r / "full"), Text(r / "moved")); },
         "moved/x", plat::eEntryKind::kFile},
    };
    for (const sCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string folder = std::string(c.look).substr(0, std::string(c.look).find('/'));
        EXPECT_FALSE(files.Exists(Text(root / (folder + "/x"))));
        plat::sEntryIdentity identity;
        EXPECT_EQ(files.GetIdentity(Text(root / c.look), identity), eSuccess);
        EXPECT_EQ(identity.kind, plat::eEntryKind::kNone);
        ASSERT_EQ(c.operation(files, root), eSuccess);
        EXPECT_EQ(files.GetIdentity(Text(root / c.look), identity), eSuccess);
        EXPECT_EQ(identity.kind, c.kind);
    }
}

} // namespace
