#include "FileIO/gCFRef.h"
#include "FileIO/gCFolderRef.h"
#include "PathTestSupport.h"
#include "StreamTestSupport.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

gCString Text(const std::string& utf8)
{
    gCString text;
    EXPECT_EQ(text.SetFromUTF8(utf8), eSuccess);
    return text;
}

gCFolderRef Folder(const gCString& text)
{
    gCFolderRef folder;
    EXPECT_EQ(folder.SetPath(text), eSuccess);
    return folder;
}

} // namespace

TEST(gCFolderRef, SetPathKeepsAFinalSlash)
{
    EXPECT_EQ(Utf8(Folder(gCString(u"")).GetPath()), "/");
    EXPECT_EQ(Utf8(Folder(gCString(u"Disk:Notes")).GetPath()), "Disk/Notes/");
    EXPECT_EQ(Utf8(Folder(gCString(u"/a/b/")).GetPath()), "/a/b/");
    EXPECT_EQ(Utf8(gCFolderRef(gCString(u"/a/b")).GetPath()), "/a/b");
}

TEST(gCFolderRef, ParentsNamesAndRoots)
{
    gCFolderRef out = Folder(gCString(u"/keep/"));
    EXPECT_EQ(Folder(gCString(u"/")).GetParentFolder(out), eHandled);
    EXPECT_EQ(Utf8(out.GetPath()), "/keep/");
    EXPECT_EQ(Folder(gCString(u"/Users/")).GetParentFolder(out), eSuccess);
    EXPECT_EQ(Utf8(out.GetPath()), "/");
    EXPECT_EQ(Utf8(Folder(gCString(u"/Users/ann/Pictures/")).GetParentPath()), "/Users/ann/");
    EXPECT_EQ(Utf8(Folder(gCString(u"/a/b/pics.old/")).GetFolderName()), "pics.old");
    EXPECT_EQ(Utf8(Folder(gCString(u"/a/b/")).GetRoot()), "/");
    EXPECT_EQ(gCFolderRef().NewParentFolder(), nullptr);
    EXPECT_EQ(gCFolderRef().GetParentFolder(out), eHandled);

    gCFRef target(gCString(u"/x"));
    Folder(gCString(u"/a/b/")).GetParent(target);
    EXPECT_EQ(target.GetKind(), gCBasePath::eFolderRef);
    EXPECT_EQ(Utf8(target.GetPath()), "/a/");
    Folder(gCString(u"/")).GetParent(target);
    EXPECT_EQ(target.IsSet(), 0);
}

TEST(gCFolderRef, WithinItselfAndItsAncestors)
{
    gCFolderRef pictures = Folder(gCString(u"/Users/ann/Pictures/"));
    EXPECT_EQ(pictures.IsWithin(Folder(gCString(u"/USERS/"))), 1);
    EXPECT_EQ(pictures.IsWithin(Folder(gCString(u"/users/ann/pictures/"))), 1);
    EXPECT_EQ(pictures.IsWithin(Folder(gCString(u"/"))), 1);
    EXPECT_EQ(pictures.IsWithin(Folder(gCString(u"/Users/bob/"))), 0);
}

TEST(gCFolderRef, FileAndSubFolderObjects)
{
    std::unique_ptr<gCFRef> ref(Folder(gCString(u"/a/")).NewFileRef(gCString(u"x:y")));
    ASSERT_TRUE(ref);
    EXPECT_EQ(Utf8(ref->GetPath()), "/a/x/y");
    std::unique_ptr<gCFRef> bare(gCFolderRef().NewFileRef(gCString(u"f")));
    EXPECT_EQ(Utf8(bare->GetPath()), "/f");
    std::unique_ptr<gCFolderRef> sub(Folder(gCString(u"/a/")).NewSubFolder(gCString(u"b")));
    EXPECT_EQ(Utf8(sub->GetPath()), "/a/b/");
    EXPECT_EQ(gCFolderRef().NewSubFolder(gCString(u"b")), nullptr);
    gCFPath file;
    Folder(gCString(u"/a/")).MakeFilePath(gCString(u"n.txt"), file);
    EXPECT_EQ(Utf8(file.GetPath()), "/a/n.txt");
}

TEST(gCFolderRef, RebuildsOnePart)
{
    gCFolderRef folder = Folder(gCString(u"/a/b/c/"));
    gCFolderRef copy = folder;
    EXPECT_EQ(copy.SetFolderName(gCString(u"d")), eSuccess);
    EXPECT_EQ(Utf8(copy.GetPath()), "/a/b/d/");
    copy = folder;
    EXPECT_EQ(copy.SetRoot(gCString(u"/Volumes/X/")), eSuccess);
    EXPECT_EQ(Utf8(copy.GetPath()), "/Volumes/X/a/b/c/");
    copy = folder;
    EXPECT_EQ(copy.SetFolders(gCString(u"x/y/")), eSuccess);
    EXPECT_EQ(Utf8(copy.GetPath()), "/x/y/c/");
    gCFolderRef dotted = Folder(gCString(u"/a/b/pics.old/"));
    EXPECT_EQ(dotted.SetRoot(gCString(u"/R/")), eSuccess);
    EXPECT_EQ(Utf8(dotted.GetPath()), "/R/a/b/pics.old/");
    EXPECT_EQ(gCFolderRef().SetFolderName(gCString(u"d")), eInvalidObject);
    EXPECT_EQ(copy.SetFolderName(gCString(u"")), eBadParameter);
}

TEST(gCFolderRef, RelativeToTheBundle)
{
    ScopedBaseFolders bases(u"/Apps/P.app/Contents/", u"/Apps/");
    gCFolderRef folder;
    EXPECT_EQ(folder.SetRelativePath(gCString(u"Resources"), 0), eSuccess);
    EXPECT_EQ(Utf8(folder.GetPath()), "/Apps/P.app/Contents/Resources/");
    EXPECT_EQ(folder.SetRelativePath(gCString(u":data:cache"), 1), eSuccess);
    EXPECT_EQ(Utf8(folder.GetPath()), "/Apps/data/cache/");
}

TEST(gCFolderRef, CreatesMissingParents)
{
    TempFolder temp;
    gCFolderRef deep = Folder(Text(temp / "a/b/c"));
    EXPECT_EQ(deep.Exists(), 0);
    EXPECT_EQ(deep.Create(), eSuccess);
    EXPECT_TRUE(plat::PathIsFolder((temp / "a/b/c").c_str()));
    EXPECT_EQ(deep.Create(), eSuccess);
    EXPECT_EQ(gCFolderRef().Create(), eHandled);
    EXPECT_TRUE(deep.GetFSRef()->exists);
}

TEST(gCFolderRef, AFileInThePlaceOfTheFolderIsAFailure)
{
    TempFolder temp;
    temp.WriteFile("blocker", "data");
    EXPECT_EQ(Folder(Text(temp / "blocker")).Create(), eCreateFailed);
    EXPECT_EQ(Folder(Text(temp / "blocker/inner")).Create(), eCreateFailed);
    EXPECT_EQ(TempFolder::ReadFile(temp / "blocker"), "data");
}

TEST(gCFolderRef, WritableProbeNeverTouchesAnExistingFile)
{
    TempFolder temp;
    temp.WriteFile("test.tst", "user data");
    gCFolderRef folder = Folder(Text(temp.Path()));
    EXPECT_EQ(folder.IsWritable(), 1);
    EXPECT_EQ(TempFolder::ReadFile(temp / "test.tst"), "user data");
    plat::sFolderListing listing;
    ASSERT_EQ(plat::ListFolderEntries(temp.Path().c_str(), listing), plat::eFileResult::kOk);
    EXPECT_EQ(listing.entries.size(), 1u); // the probe is gone again

    EXPECT_EQ(Folder(Text(temp / "missing")).IsWritable(), 0);
    if (::geteuid() != 0) {
        ASSERT_EQ(::mkdir((temp / "locked").c_str(), 0555), 0);
        EXPECT_EQ(Folder(Text(temp / "locked")).IsWritable(), 0);
    }
}

TEST(gCFolderRef, ReferenceFromAFolder)
{
    TempFolder temp;
    sFSRef ref = plat::MakePathRecord(temp.Path().substr(0, temp.Path().size() - 1).c_str());
    gCFolderRef folder;
    EXPECT_EQ(folder.SetFromFSRef(&ref), eSuccess);
    EXPECT_EQ(Utf8(folder.GetPath()), temp.Path());
}
