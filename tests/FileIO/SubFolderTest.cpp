// A sub-folder reference made into an object of the caller's: it names the sub-folder, or nothing
// at all when it could not be made, never some other place.
#include "FileIO/gCFolderRef.h"
#include "support/AllocationFailure.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

TEST(SubFolder, NamesTheSubFolderOrNothing)
{
    struct sCase {
        const char16_t* folder;
        const char16_t* name;
        const char* expected;
    } cases[] = {
        {u"/a/", u"b", "/a/b/"},
        {u"Disk:", u"Notes", "Disk/Notes/"},
        {u"/a/", u"c/", "/a/c/"},
        {u"/", u"", "/"},
    };
    for (const sCase& c : cases) {
        gCFolderRef folder;
        ASSERT_EQ(folder.SetPath(gCString(c.folder)), eSuccess);
        gCFolderRef out(gCString(u"/elsewhere/"));
        folder.MakeSubFolder(gCString(c.name), out);
        EXPECT_EQ(Utf8(out.GetPath()), c.expected) << c.expected;
    }
}

TEST(SubFolder, RunningOutOfMemoryGivesNoFolderRatherThanAnotherOne)
{
    gCFolderRef folder;
    ASSERT_EQ(folder.SetPath(gCString(u"/a/")), eSuccess);
    const gCString name(u"sub");
    // Each way answers the path it made, or "" for none.
    struct sCase {
        const char* what;
        std::function<std::string()> make;
    } cases[] = {
        {"into the caller's object",
         [&] {
             gCFolderRef out(gCString(u"/elsewhere/"));
             folder.MakeSubFolder(name, out);
             return out.IsSet() ? Utf8(out.GetPath()) : std::string();
         }},
        {"as a new object",
         [&] {
             std::unique_ptr<gCFolderRef> made(folder.NewSubFolder(name));
             return made ? Utf8(made->GetPath()) : std::string();
         }},
    };
    for (const sCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::string made;
        ForEachAllocationFailure([&] { made = c.make(); },
                                 [&](bool failed) {
                                     if (!made.empty()) {
                                         EXPECT_EQ(made, "/a/sub/");
                                     } else {
                                         EXPECT_TRUE(failed);
                                     }
                                 });
    }
}

} // namespace
