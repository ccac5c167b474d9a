#include "FileIO/CASMemFile.h"
#include "FileIO/gCMemFile.h"
#include "StreamTestSupport.h"
#include "support/AllocationFailure.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

void WriteBytes(gCMemFile& file, const std::string& bytes)
{
    ASSERT_EQ(file.Write(bytes.data(), int32_t(bytes.size())), eSuccess);
    ASSERT_EQ(file.Rewind(), eSuccess);
}

} // namespace

TEST(gCMemFile, StartsEmptyWithA2048ByteBlock)
{
    gCMemFile file;
    EXPECT_EQ(file.GetKind(), 2);
    EXPECT_EQ(file.GetSize(), 0);
    EXPECT_EQ(file.GetLength(), 0);
    EXPECT_NE(file.IsEOF(), 0);
    EXPECT_EQ(file.GetCapacity(), 2048u);
}

TEST(gCMemFile, GrowsWhenTheNewEndReachesTheCapacity)
{
    std::string bytes(2048, 'a');
    gCMemFile below;
    ASSERT_EQ(below.Write(bytes.data(), 2047), eSuccess);
    EXPECT_EQ(below.GetCapacity(), 2048u);

    gCMemFile at;
    ASSERT_EQ(at.Write(bytes.data(), 2048), eSuccess);
    EXPECT_EQ(at.GetCapacity(), 4096u);
    EXPECT_EQ(at.GetSize(), 2048);
    EXPECT_EQ(at.GetData()[4095], 0);
    EXPECT_EQ(at.GetPos(), 2048);
}

TEST(gCMemFile, GrowExtendsTheSizeWithoutMovingThePosition)
{
    gCMemFile file;
    ASSERT_EQ(file.Grow(10), eSuccess);
    EXPECT_EQ(file.GetSize(), 10);
    EXPECT_EQ(file.GetPos(), 0);
    EXPECT_EQ(file.Grow(-1), eBadParameter);
}

TEST(gCMemFile, FailedGrowthLeavesTheStreamAsItWas)
{
    gCMemFile file;
    std::string bytes(100, 'b');
    ASSERT_EQ(file.Write(bytes.data(), 100), eSuccess);
    {
        AllocationFailure failure(1);
        std::string big(5000, 'c');
        EXPECT_EQ(file.Write(big.data(), 5000), eNoMemory);
    }
    EXPECT_EQ(file.GetSize(), 100);
    EXPECT_EQ(file.GetPos(), 100);
    EXPECT_EQ(file.GetCapacity(), 2048u);
}

TEST(gCMemFile, ConstructionWithoutMemoryLeavesAnInvalidStream)
{
    AllocationFailure failure(1, true);
    gCMemFile file;
    EXPECT_EQ(file.WriteLong(1), eInvalidFile);
    EXPECT_EQ(file.Grow(1), eBadParameter);
    EXPECT_EQ(file.SetPos(0), eBadParameter);
    EXPECT_NE(file.IsEOF(), 0);
}

TEST(gCMemFile, ReadingPastTheEndParksOnTheLastByte)
{
    gCMemFile file;
    WriteBytes(file, "abcdefg");
    ASSERT_EQ(file.SetPos(4), eSuccess);
    char buffer[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(file.Read(buffer, 4), eStreamError);
    EXPECT_EQ(buffer[0], 'x');
    EXPECT_EQ(file.GetPos(), 6);
    EXPECT_EQ(file.Read(buffer, 1), eSuccess);
    EXPECT_EQ(buffer[0], 'g');
    EXPECT_NE(file.IsEOF(), 0);
}

TEST(gCMemFile, SetPosStaysInsideTheData)
{
    gCMemFile file;
    WriteBytes(file, "abcd");
    EXPECT_EQ(file.SetPos(4), eSuccess);
    EXPECT_EQ(file.SetPos(5), eStreamError);
    EXPECT_EQ(file.GetPos(), 3);
    EXPECT_EQ(file.SetPos(-1), eBadParameter);
    EXPECT_EQ(file.SeekToEnd(), eSuccess);
    EXPECT_EQ(file.GetPos(), 4);
}

TEST(gCMemFile, SetPosOnAnEmptyStreamStaysAtZero)
{
    gCMemFile file;
    EXPECT_EQ(file.SetPos(5), eStreamError);
    EXPECT_EQ(file.GetPos(), 0);
    // The next write lands at the start of the block, not before it.
    ASSERT_EQ(file.WriteUChar(0x41), eSuccess);
    EXPECT_EQ(file.GetSize(), 1);
    EXPECT_EQ(file.GetData()[0], 0x41);
}

TEST(gCMemFile, UnicodeTextIsWrittenWithAZeroUnitAndReadBack)
{
    gCMemFile file;
    gCString text(u"abc");
    ASSERT_EQ(file.WriteUnicodeText(text, 0), eSuccess);
    EXPECT_EQ(file.GetSize(), 8);
    ASSERT_EQ(file.Rewind(), eSuccess);
    gCString line;
    ASSERT_EQ(file.ReadUnicodeLine(line), eSuccess);
    EXPECT_EQ(Utf8(line), "abc");
    EXPECT_EQ(file.GetPos(), 8);
}

TEST(gCMemFile, UnicodeLineTakesUnitsAsStored)
{
    gCMemFile file;
    // A mark is not special here, and a missing 0 unit leaves the rest and fails.
    WriteBytes(file, Utf16Bytes(u"\uFFFEa") + std::string("\0\0", 2) + Utf16Bytes(u"bc"));
    gCString line;
    ASSERT_EQ(file.ReadUnicodeLine(line), eSuccess);
    EXPECT_EQ(line.GetLength(), 2);
    EXPECT_EQ(line[0], u'\uFFFE');
    EXPECT_EQ(file.IsSwapping(), 0u);
    EXPECT_EQ(file.ReadUnicodeLine(line), eStreamError);
    EXPECT_EQ(Utf8(line), "bc");
    EXPECT_EQ(file.GetPos(), file.GetSize() - 1);
}

TEST(gCMemFile, EightBitLinesEndAtNul)
{
    gCMemFile file;
    gCString text(u"caf\u00E9");
    ASSERT_EQ(file.WriteText(text, 0), eSuccess);
    EXPECT_EQ(file.GetSize(), 5);
    ASSERT_EQ(file.Write("def", 3), eSuccess);
    ASSERT_EQ(file.Rewind(), eSuccess);
    gCString line;
    ASSERT_EQ(file.ReadLine(line), eSuccess);
    EXPECT_EQ(Utf8(line), "caf\xC3\xA9");
    EXPECT_EQ(file.GetPos(), 5);
    EXPECT_EQ(file.ReadLine(line), eStreamError);
    EXPECT_EQ(Utf8(line), "def");
    EXPECT_EQ(file.GetPos(), 7);
}

TEST(gCMemFile, UnicodeStringsWithAnOddNumberOfUnits)
{
    struct Case {
        std::u16string units;
        eResultCode result;
        const char* text;
        int64_t position;
    };
    const Case cases[] = {
        {u"ab\r", eSuccess, "ab", 6},       // the terminator is the last unit of the data
        {u"a\rb", eSuccess, "a", 4},         // terminator in the first half of a pair
        {u"\nx\ry", eSuccess, "x", 6},       // one leading LF is skipped
        {u"abcd", eSuccess, "abcd", 8},      // the data ends after a pair
        {u"abc", eSuccess, "abc", 6},        // the data ends after a single unit
        {u"\r", eSuccess, "", 2},
    };
    for (const Case& c : cases) {
        gCMemFile file;
        WriteBytes(file, Utf16Bytes(c.units));
        gCString text;
        EXPECT_EQ(file.ReadUnicodeString(text), c.result);
        EXPECT_EQ(Utf8(text), c.text);
        EXPECT_EQ(file.GetPos(), c.position);
    }
    gCMemFile odd;
    WriteBytes(odd, Utf16Bytes(u"ab") + "!");
    gCString text;
    EXPECT_EQ(odd.ReadUnicodeString(text), eStreamError);
    EXPECT_EQ(Utf8(text), "ab");
    EXPECT_EQ(odd.GetPos(), 4);
}

TEST(gCMemFile, WrapsACallersBlockWithoutOwningIt)
{
    CMemBlock block(10);
    std::memcpy(block.GetData(), "0123456789", 10);
    {
        gCMemFile file(&block);
        EXPECT_EQ(file.GetKind(), 0);
        EXPECT_EQ(file.GetSize(), 10);
        EXPECT_EQ(file.GetPos(), 0);
        char buffer[3];
        ASSERT_EQ(file.Read(buffer, 3), eSuccess);
        EXPECT_EQ(std::string(buffer, 3), "012");
    }
    // Still the caller's: the sanitizer build catches a free of it.
    EXPECT_EQ(block.GetData()[9], '9');
}

TEST(gCMemFile, ResetGivesAnEmptyStreamAgain)
{
    gCMemFile file;
    std::string bytes(5000, 'z');
    ASSERT_EQ(file.Write(bytes.data(), 5000), eSuccess);
    ASSERT_EQ(file.Reset(), eSuccess);
    EXPECT_EQ(file.GetSize(), 0);
    EXPECT_EQ(file.GetPos(), 0);
    EXPECT_EQ(file.GetCapacity(), 2048u);
}

TEST(CASMemFile, SetSizeMakesTheBlockExactlyThatSize)
{
    CASMemFile file;
    std::string bytes(200, 'q');
    ASSERT_EQ(file.Write(bytes.data(), 200), eSuccess);
    ASSERT_EQ(file.SetPos(150), eSuccess);
    EXPECT_EQ(file.SetSize(100, 1), 1);
    EXPECT_EQ(file.GetCapacity(), 100u);
    EXPECT_EQ(file.GetSize(), 100);
    EXPECT_EQ(file.GetPos(), 100);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(file.GetData()[i], 0) << i;

    // Writing on grows the exact block again.
    ASSERT_EQ(file.WriteUChar(7), eSuccess);
    EXPECT_EQ(file.GetSize(), 101);

    EXPECT_EQ(file.SetSize(0, 0), 1);
    EXPECT_EQ(file.GetSize(), 0);
    EXPECT_EQ(file.GetData(), nullptr);
    EXPECT_EQ(file.WriteUChar(1), eInvalidFile);
}

TEST(CASMemFile, FailedSetSizeChangesNothing)
{
    CASMemFile file;
    ASSERT_EQ(file.Write("abc", 3), eSuccess);
    {
        AllocationFailure failure(1);
        EXPECT_EQ(file.SetSize(100000, 1), 0);
    }
    EXPECT_EQ(file.GetSize(), 3);
    EXPECT_EQ(file.GetCapacity(), 2048u);
    EXPECT_EQ(file.GetData()[0], 'a');
}
