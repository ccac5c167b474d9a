// The entry lines of download lists and of the installed list.
#include "updater/transfer/CFileData.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FileData, ParsesEntryLines)
{
    struct sCase {
        const char16_t* line;
        const char* folder;
        const char* name;
        uint32_t kind;
        uint32_t number;
        const char* relative;
    } cases[] = {
        {u":Resources|0512%Pintrel.dat", ":Resources", "Pintrel.dat", 5, 12, ":Resources:Pintrel.dat"},
        {u"|0512%Pintrel.dat", "", "Pintrel.dat", 5, 12, "Pintrel.dat"},
        {u" Brushes | 1207 %\tSoft.brs \r", "Brushes", "Soft.brs", 12, 7, "Brushes:Soft.brs"},
        {u"|0101", "", "", 1, 1, ""},
        {u"Plugins%Blur.plg", "Plugins", "Blur.plg", 0, 0, "Plugins:Blur.plg"},
    };
    for (const sCase& c : cases) {
        CFileData entry;
        entry.mDownloaded = 1;
        ASSERT_EQ(entry.ParseEntryLine(gCString(c.line)), eSuccess);
        EXPECT_EQ(Utf8(entry.mFolder), c.folder) << Utf8(gCString(c.line));
        EXPECT_EQ(Utf8(entry.mFileName), c.name);
        EXPECT_EQ(entry.mKind, c.kind);
        EXPECT_EQ(entry.mNumber, c.number);
        EXPECT_EQ(Utf8(entry.GetRelativePath()), c.relative);
        EXPECT_EQ(entry.mDownloaded, 0u);
    }
}

} // namespace
