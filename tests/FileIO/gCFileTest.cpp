#include "StreamTestSupport.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

struct LineCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> lines; // each line as UTF-8, in order, then the end (16)
};

void PrintTo(const LineCase& c, std::ostream* out) { *out << c.name; }

class FileLines : public ::testing::TestWithParam<LineCase> {};

std::vector<std::string> ReadAllLines(TestFile& file, bool unicode)
{
    std::vector<std::string> lines;
    for (int guard = 0; guard < 100; ++guard) {
        gCString line;
        eResultCode result = unicode ? file.ReadUnicodeLine(line) : file.ReadLine(line);
        if (result != eSuccess) {
            EXPECT_EQ(result, eStreamError);
            break;
        }
        lines.push_back(Utf8(line));
    }
    return lines;
}

} // namespace

TEST_P(FileLines, KeepOneTerminatorPerLine)
{
    TempFolder folder;
    TestFile file;
    ASSERT_EQ(file.OpenAt(folder.WriteFile("lines.txt", GetParam().bytes), gCFile::eAccessRead), eSuccess);
    EXPECT_EQ(ReadAllLines(file, false), GetParam().lines);
    EXPECT_TRUE(file.IsEOF());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileLines,
    ::testing::Values(LineCase{"CrLf", "ab\r\ncd", {"ab\r", "cd"}},
                      LineCase{"Lf", "ab\ncd", {"ab\n", "cd"}},
                      LineCase{"LfCr", "ab\n\rcd", {"ab\n", "cd"}},
                      LineCase{"CrCr", "ab\r\r", {"ab\r", "\r"}},
                      LineCase{"Nul", std::string("ab\0cd", 5), {"ab", "cd"}},
                      LineCase{"MacRoman", "caf\x8E\n", {"caf\xC3\xA9\n"}},
                      LineCase{"LongWithoutTerminator", std::string(3000, 'x'), {std::string(3000, 'x')}},
                      LineCase{"PairAcrossChunks", std::string(1023, 'x') + "\r\ny",
                               {std::string(1023, 'x') + "\r", "y"}},
                      LineCase{"TerminatorEndsChunk", std::string(1023, 'x') + "\rz",
                               {std::string(1023, 'x') + "\r", "z"}}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

TEST(gCFile, NulEndsTheLineAndLeavesTheStreamAfterIt)
{
    TempFolder folder;
    TestFile file;
    ASSERT_EQ(file.OpenAt(folder.WriteFile("f", std::string("ab\0cd", 5)), gCFile::eAccessRead), eSuccess);
    gCString line;
    ASSERT_EQ(file.ReadLine(line), eSuccess);
    EXPECT_EQ(file.GetPos(), 3);
}

TEST(gCFile, UnicodeLinesStoreTheirTerminatorAsLf)
{
    TempFolder folder;
    TestFile file;
    std::string bytes = "\xFF\xFE" + Utf16Bytes(u"a\r\nb\rc\n\rd");
    ASSERT_EQ(file.OpenAt(folder.WriteFile("u.txt", bytes), gCFile::eAccessRead), eSuccess);
    EXPECT_EQ(ReadAllLines(file, true), (std::vector<std::string>{"a\n", "b\n", "c\n", "d"}));
}

TEST(gCFile, UnicodeLineRemovesMarksAnywhereAndSwapsAfterABigEndianMark)
{
    TempFolder folder;
    TestFile file;
    std::string bytes = Utf16Bytes(u"a\uFEFFb\n") + Utf16Bytes(u"\uFEFFx\u00FF\r\n", true)
                        + Utf16Bytes(u"\uFEFF") + Utf16Bytes(u"y", true);
    ASSERT_EQ(file.OpenAt(folder.WriteFile("u.txt", bytes), gCFile::eAccessRead), eSuccess);
    gCString line;
    ASSERT_EQ(file.ReadUnicodeLine(line), eSuccess);
    EXPECT_EQ(Utf8(line), "ab\n");
    ASSERT_EQ(file.ReadUnicodeLine(line), eSuccess);
    EXPECT_EQ(Utf8(line), "x\xC3\xBF\n");
    EXPECT_EQ(file.IsSwapping(), 1u);
    // A little-endian mark read while swapping switches back.
    ASSERT_EQ(file.ReadUnicodeLine(line), eSuccess);
    EXPECT_EQ(file.IsSwapping(), 0u);
    EXPECT_EQ(line.GetLength(), 1);
    EXPECT_EQ(line[0], u'\u7900'); // "y" written big-endian, now read little-endian as stored
}

TEST(gCFile, UnicodeLinePairAcrossChunksAndOddTrailingByte)
{
    TempFolder folder;
    TestFile file;
    std::u16string text(1023, u'x');
    std::string bytes = Utf16Bytes(text + u"\r\ny") + "!";
    ASSERT_EQ(file.OpenAt(folder.WriteFile("u.txt", bytes), gCFile::eAccessRead), eSuccess);
    gCString line;
    ASSERT_EQ(file.ReadUnicodeLine(line), eSuccess);
    EXPECT_EQ(line.GetLength(), 1024);
    EXPECT_EQ(line[1023], u'\n');
    EXPECT_EQ(file.GetPos(), 2 * 1025);
    ASSERT_EQ(file.ReadUnicodeLine(line), eSuccess);
    EXPECT_EQ(Utf8(line), "y");
    EXPECT_TRUE(file.IsEOF());
}

TEST(gCFile, UnicodeStringSkipsOneLeadingLfAndEndsAtCr)
{
    TempFolder folder;
    TestFile file;
    ASSERT_EQ(file.OpenAt(folder.WriteFile("s", Utf16Bytes(u"\nx\ny\rz")), gCFile::eAccessRead), eSuccess);
    gCString text;
    ASSERT_EQ(file.ReadUnicodeString(text), eSuccess);
    EXPECT_EQ(Utf8(text), "x\ny");
    EXPECT_EQ(file.GetPos(), 10);
    ASSERT_EQ(file.ReadUnicodeString(text), eSuccess);
    EXPECT_EQ(Utf8(text), "z");
    EXPECT_EQ(file.ReadUnicodeString(text), eStreamError);
}

TEST(gCFile, UnicodeStringThatStartsWithCrIsEmpty)
{
    TempFolder folder;
    TestFile file;
    ASSERT_EQ(file.OpenAt(folder.WriteFile("s", Utf16Bytes(u"\rab")), gCFile::eAccessRead), eSuccess);
    gCString text(u"old");
    ASSERT_EQ(file.ReadUnicodeString(text), eSuccess);
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_EQ(file.GetPos(), 2);
}

TEST(gCFile, OpeningFollowsTheAccessState)
{
    struct Case {
        gCFile::eAccessState state;
        bool exists;
        eResultCode result;
        const char* contentAfter; // nullptr: no file afterwards
    };
    const Case cases[] = {
        {gCFile::eAccessReadWrite, true, eSuccess, "data"},
        {gCFile::eAccessReadWrite, false, eSuccess, ""},
        {gCFile::eAccessRead, true, eSuccess, "data"},
        {gCFile::eAccessRead, false, eInvalidFile, nullptr},
        {gCFile::eAccessWrite, true, eSuccess, ""},
        {gCFile::eAccessWrite, false, eSuccess, ""},
        {gCFile::eAccessWriteExisting, true, eSuccess, "data"},
        {gCFile::eAccessWriteExisting, false, eInvalidFile, nullptr},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        std::string path = folder / "f.bin";
        if (c.exists)
            folder.WriteFile("f.bin", "data");
        TestFile file;
        EXPECT_EQ(file.OpenAt(path, c.state), c.result) << c.state << c.exists;
        EXPECT_EQ(file.IsOpen(), c.result == eSuccess);
        EXPECT_EQ(file.Close(), eSuccess);
        struct stat info;
        bool there = ::stat(path.c_str(), &info) == 0;
        EXPECT_EQ(there, c.contentAfter != nullptr) << c.state << c.exists;
        if (there && c.contentAfter) {
            EXPECT_EQ(TempFolder::ReadFile(path), c.contentAfter) << c.state << c.exists;
        }
    }
}

TEST(gCFile, OpeningWhatCannotBeAFile)
{
    TempFolder folder;
    folder.WriteFile("plain", "x");
    ASSERT_EQ(::mkdir((folder / "dir").c_str(), 0777), 0);
    TestFile file;
    EXPECT_EQ(file.OpenAt(folder / "dir", gCFile::eAccessRead), eStreamError);
    EXPECT_EQ(file.OpenAt(folder / "dir", gCFile::eAccessWrite), eStreamError);
    // A missing folder on the way: nothing is opened or created anywhere.
    EXPECT_EQ(file.OpenAt(folder / "missing/f", gCFile::eAccessWrite), eInvalidFile);
    EXPECT_EQ(file.OpenAt(folder / "plain/f", gCFile::eAccessReadWrite), eInvalidFile);
    EXPECT_FALSE(file.IsOpen());
}

TEST(gCFile, ReopeningClosesTheOldFileAndKeepsTheSwapFlag)
{
    TempFolder folder;
    TestFile file;
    ASSERT_EQ(file.OpenAt(folder.WriteFile("be", "\xFE\xFF\x00\x41"), gCFile::eAccessRead), eSuccess);
    gCString text;
    ASSERT_EQ(file.ReadUnicodeString(text), eSuccess);
    EXPECT_EQ(file.IsSwapping(), 1u);
    ASSERT_EQ(file.OpenAt(folder.WriteFile("le", std::string("\x00\x42", 2)), gCFile::eAccessRead), eSuccess);
    ASSERT_EQ(file.ReadUnicodeString(text), eSuccess);
    EXPECT_EQ(Utf8(text), "B");
}

TEST(gCFile, ClosedFileAnswers)
{
    TestFile file;
    EXPECT_EQ(file.GetLength(), 1);
    EXPECT_EQ(file.GetEOF(), 1);
    EXPECT_NE(file.IsEOF(), 0);
    EXPECT_EQ(file.GetPos(), eInvalidFile);
    EXPECT_EQ(file.SetPos(0), eInvalidFile);
    EXPECT_EQ(file.SeekToEnd(), eInvalidFile);
    EXPECT_EQ(file.Close(), eSuccess);
    char buffer[4];
    EXPECT_EQ(file.ReadBuffer(buffer, 4), eBadParameter);
    EXPECT_EQ(file.WriteBuffer(buffer, 4), eBadParameter);
    EXPECT_EQ(file.Sync(), eInvalidFile);
}

TEST(gCFile, PositionsStayInsideTheFile)
{
    TempFolder folder;
    TestFile file;
    ASSERT_EQ(file.OpenAt(folder.WriteFile("f", "abcdef"), gCFile::eAccessReadWrite), eSuccess);
    ASSERT_EQ(file.SetPos(2), eSuccess);
    EXPECT_EQ(file.SetPos(7), eStreamError);
    EXPECT_EQ(file.GetPos(), 2);
    EXPECT_EQ(file.SetPos(-1), eStreamError);
    EXPECT_EQ(file.SetPos(int64_t(1) << 32), eStreamError);
    EXPECT_EQ(file.SeekToEnd(), eSuccess);
    EXPECT_EQ(file.GetPos(), 6);
    uint32_t low = 0;
    EXPECT_EQ(file.GetPos(low), eSuccess);
    EXPECT_EQ(low, 6u);
    EXPECT_EQ(file.GetEOF(), 6);
}

TEST(gCFile, ReadsAcrossTheEndSucceedWithWhatWasThere)
{
    TempFolder folder;
    TestFile file;
    ASSERT_EQ(file.OpenAt(folder.WriteFile("f", "abc"), gCFile::eAccessRead), eSuccess);
    char buffer[8] = {};
    ASSERT_EQ(file.SetPos(1), eSuccess);
    uint32_t got = 0;
    EXPECT_EQ(file.ReadCounted(buffer, 8, got), eSuccess);
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(std::string(buffer), "bc");
    EXPECT_EQ(file.Read(buffer, 1), eStreamError);
    ASSERT_EQ(file.Rewind(), eSuccess);
    EXPECT_EQ(file.Read(buffer, 8), eSuccess);
    EXPECT_EQ(file.Read(buffer, -1), eStreamError); // at the end
}

TEST(gCFile, WritesUnicodeTextWithoutTerminator)
{
    TempFolder folder;
    TestFile file;
    std::string path = folder / "w";
    ASSERT_EQ(file.OpenAt(path, gCFile::eAccessWrite), eSuccess);
    ASSERT_EQ(file.WriteBOM(), eSuccess);
    gCString text(u"h\u00E9");
    ASSERT_EQ(file.WriteUnicodeText(text, 0), eSuccess);
    gCString eight(u"\u00E9!");
    ASSERT_EQ(file.WriteText(eight, 0), eSuccess);
    ASSERT_EQ(file.Sync(), eSuccess);
    ASSERT_EQ(file.Close(), eSuccess);
    EXPECT_EQ(TempFolder::ReadFile(path), std::string("\xFF\xFEh\0\xE9\0\x8E!", 8));
}

TEST(gCFile, TruncatedDataGivesStreamErrorsNeverMore)
{
    // Every prefix of a small record: each read either succeeds or fails with 16.
    std::string record = std::string("\x05\x00\x00\x00", 4) + Utf16Bytes(u"name\n") + "\x01\x02";
    TempFolder folder;
    for (size_t cut = 0; cut <= record.size(); ++cut) {
        TestFile file;
        ASSERT_EQ(file.OpenAt(folder.WriteFile("t" + std::to_string(cut), record.substr(0, cut)), gCFile::eAccessRead),
                  eSuccess);
        int32_t count = -1;
        eResultCode first = file.ReadLong(count);
        EXPECT_TRUE(first == eSuccess || first == eStreamError);
        if (first != eSuccess) {
            EXPECT_EQ(count, -1);
        }
        gCString name;
        eResultCode second = file.ReadUnicodeLine(name);
        EXPECT_TRUE(second == eSuccess || second == eStreamError);
        uint16_t tail = 0;
        eResultCode third = file.ReadUShort(tail);
        EXPECT_TRUE(third == eSuccess || third == eStreamError);
    }
}
