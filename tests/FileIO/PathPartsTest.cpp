#include "FileIO/gCocoaFileIO.h"
#include "StreamTestSupport.h"

#include <gtest/gtest.h>

namespace {

struct PartsCase {
    const char* name;
    const char16_t* path;
    const char* last;
    const char* root;
    const char* folders;
    const char* container;
    const char* title;
    const char* extension;
};

void PrintTo(const PartsCase& c, std::ostream* out) { *out << c.name; }

class PathParts : public ::testing::TestWithParam<PartsCase> {};

} // namespace

TEST_P(PathParts, CutByLength)
{
    const PartsCase& c = GetParam();
    gCString path(c.path);
    EXPECT_EQ(Utf8(GetLastPathComponent(path)), c.last);
    EXPECT_EQ(Utf8(GetPathRoot(path)), c.root);
    EXPECT_EQ(Utf8(GetPathFolders(path)), c.folders);
    EXPECT_EQ(Utf8(GetContainingFolderPath(path)), c.container);
    EXPECT_EQ(Utf8(GetPathFileTitle(path)), c.title);
    EXPECT_EQ(Utf8(GetPathExtension(path)), c.extension);
    // Every part function leaves the caller's text alone.
    EXPECT_EQ(Utf8(path), Utf8(gCString(c.path)));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PathParts,
    ::testing::Values(
        PartsCase{"DeepFile", u"/Volumes/Disk/Notes/readme.txt", "readme.txt", "/", "Volumes/Disk/Notes/",
                  "/Volumes/Disk/Notes/", "readme", ".txt"},
        PartsCase{"TwoExtensions", u"/Users/ann/pic.old.png", "pic.old.png", "/", "Users/ann/", "/Users/ann/",
                  "pic.old", ".png"},
        PartsCase{"TrailingSeparator", u"/a/b/", "b", "/", "a/b", "/a/b", "b", ""},
        PartsCase{"ColonSeparators", u"Disk:Notes:readme.txt", "readme.txt", "Disk", "/Notes/", "Disk/Notes/", "readme",
                  ".txt"},
        PartsCase{"BackslashSeparators", u"C\\x\\y.h", "y.h", "C", "/x/", "C/x/", "y", ".h"},
        PartsCase{"RootAlone", u"/", "/", "/", "", "", "/", ""},
        PartsCase{"Empty", u"", "", "", "", "", "", ""},
        PartsCase{"HiddenFile", u"/a/.hidden", ".hidden", "/", "a/", "/a/", ".hidden", ""},
        PartsCase{"DoubleDot", u"/a/scratch..tiff", "scratch..tiff", "/", "a/", "/a/", "scratch.", ".tiff"},
        PartsCase{"FolderWithExtension", u"/a/b.c/", "b.c", "/", "a/b", "/a/b", "b", ".c"},
        PartsCase{"BareName", u"file.txt", "file.txt", "file.txt", "", "", "file", ".txt"}),
    [](const ::testing::TestParamInfo<PartsCase>& info) { return std::string(info.param.name); });

TEST(PathParts, ComposeJoinsWithSingleSeparators)
{
    EXPECT_EQ(Utf8(ComposePath(gCString(u"/"), gCString(u"Volumes/Disk/Notes/"), gCString(u"readme"), gCString(u".txt"))),
              "/Volumes/Disk/Notes/readme.txt");
    EXPECT_EQ(Utf8(ComposePath(gCString(u"/"), gCString(u"a/b"), gCString(u"c"), gCString(u""))), "/a/b/c");
    EXPECT_EQ(Utf8(ComposePath(gCString(u""), gCString(u""), gCString(u"c"), gCString(u"txt"))), "/c.txt");
    EXPECT_EQ(Utf8(ComposePath(gCString(u"Disk"), gCString(u"/Notes/"), gCString(u"readme"), gCString(u".txt"))),
              "Disk/Notes/readme.txt");
    EXPECT_EQ(Utf8(ComposePath(gCString(u"/"), gCString(u"a/"), gCString(u"x."), gCString(u"y"))), "/a/x.y");
}

TEST(PathParts, ComposingThePartsGivesTheAbsolutePathBack)
{
    const char16_t* paths[] = {u"/Users/ann/pic.old.png", u"/a/b/c", u"/a/.hidden", u"/x/scratch..tiff",
                               u"/Volumes/Disk/Notes/readme.txt", u"/one.two.three"};
    for (const char16_t* text : paths) {
        gCString path(text);
        EXPECT_EQ(Utf8(ComposePath(GetPathRoot(path), GetPathFolders(path), GetPathFileTitle(path),
                                   GetPathExtension(path))),
                  Utf8(path));
    }
}

TEST(PathParts, ComponentsAreAppended)
{
    gCArray<gCString> parts;
    ASSERT_EQ(GetPathComponents(gCString(u"/a//b/"), &parts), eSuccess);
    ASSERT_EQ(GetPathComponents(gCString(u"/a//b/"), &parts), eSuccess);
    ASSERT_EQ(parts.GetSize(), 8);
    EXPECT_EQ(Utf8(parts[0]), "/");
    EXPECT_EQ(Utf8(parts[1]), "a");
    EXPECT_EQ(Utf8(parts[2]), "b");
    EXPECT_EQ(Utf8(parts[3]), "/");
    EXPECT_EQ(Utf8(parts[4]), "/");
    EXPECT_EQ(GetPathComponents(gCString(u"x"), nullptr), eBadParameter);
    gCArray<gCString> none;
    EXPECT_EQ(GetPathComponents(gCString(u""), &none), eSuccess);
    EXPECT_EQ(none.GetSize(), 0);
}
