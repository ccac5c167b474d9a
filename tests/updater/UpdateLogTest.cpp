// The log file's bytes: UTF-16 little-endian lines ended by LF then CR, started afresh each run.
#include "updater/install/PackageTestSupport.h"

#include "FileIO/AppBaseFolders.h"
#include "updater/CPNUUpdateLog.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

Bytes Utf16(const std::u16string& text)
{
    Bytes bytes;
    for (char16_t unit : text) {
        bytes.push_back(uint8_t(unit));
        bytes.push_back(uint8_t(unit >> 8));
    }
    return bytes;
}

class UpdateLog : public testing::Test {
protected:
    UpdateLog()
    {
        gCString contents;
        gCString parent;
        (void)contents.SetFromUTF8(folder.Root().string() + "/");
        (void)parent.SetFromUTF8(folder.Root().parent_path().string() + "/");
        EXPECT_EQ(SetAppBaseFolders(contents, parent), eSuccess);
    }
    ~UpdateLog() override { ClearAppBaseFolders(); }

    Bytes LogBytes()
    {
        std::ifstream in(folder.Root() / "UpdateResults.log", std::ios::binary);
        return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    TempFolder folder;
};

TEST_F(UpdateLog, WritesUtf16LinesEndedByLineFeedThenReturn)
{
    CPNUUpdateLog log;
    ASSERT_EQ(log.Open(), eSuccess);
    ASSERT_EQ(log.WriteLine(gCString(u"Install \u00e9t\u00e9")), eSuccess);
    ASSERT_EQ(log.WriteLine(gCString()), eSuccess);
    ASSERT_EQ(log.Close(), eSuccess);
    EXPECT_EQ(LogBytes(), Utf16(u"Install \u00e9t\u00e9\n\r\n\r"));
}

TEST_F(UpdateLog, StartsAfreshAtEveryOpen)
{
    CPNUUpdateLog first;
    ASSERT_EQ(first.Open(), eSuccess);
    ASSERT_EQ(first.WriteLine(gCString("old run")), eSuccess);
    ASSERT_EQ(first.Close(), eSuccess);
    CPNUUpdateLog second;
    ASSERT_EQ(second.Open(), eSuccess);
    ASSERT_EQ(second.WriteLine(gCString("new")), eSuccess);
    ASSERT_EQ(second.Close(), eSuccess);
    EXPECT_EQ(LogBytes(), Utf16(u"new\n\r"));
}

TEST_F(UpdateLog, AClosedLogIgnoresLines)
{
    CPNUUpdateLog log;
    EXPECT_EQ(log.WriteLine(gCString("nowhere")), eSuccess);
    EXPECT_FALSE(log.IsOpen());
}

} // namespace
