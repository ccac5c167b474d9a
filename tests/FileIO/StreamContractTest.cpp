// The contract both streams keep: byte order, result codes at the end and with nothing behind
// the stream, the newline rule and the eight-bit-text switch.
#include "FileIO/gCMemFile.h"
#include "StreamTestSupport.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

// One stream under test, with a way to see the bytes it holds and to refill it.
class StreamUnderTest {
public:
    virtual ~StreamUnderTest() = default;
    virtual gCStream& Stream() = 0;
    virtual std::string Bytes() = 0;
    // Replaces the content with bytes and puts the position at the start.
    virtual void Load(const std::string& bytes) = 0;
};

class MemoryUnderTest : public StreamUnderTest {
public:
    gCStream& Stream() override { return mFile; }
    std::string Bytes() override { return std::string(reinterpret_cast<const char*>(mFile.GetData()), size_t(mFile.GetSize())); }
    void Load(const std::string& bytes) override
    {
        ASSERT_EQ(mFile.Reset(), eSuccess);
        ASSERT_EQ(mFile.Write(bytes.data(), int32_t(bytes.size())), eSuccess);
        ASSERT_EQ(mFile.Rewind(), eSuccess);
    }

private:
    gCMemFile mFile;
};

class FileUnderTest : public StreamUnderTest {
public:
    FileUnderTest() { EXPECT_EQ(mFile.OpenAt(mFolder / "stream.bin", gCFile::eAccessReadWrite), eSuccess); }
    gCStream& Stream() override { return mFile; }
    std::string Bytes() override { return TempFolder::ReadFile(mFolder / "stream.bin"); }
    void Load(const std::string& bytes) override
    {
        ASSERT_EQ(mFile.OpenAt(mFolder / "stream.bin", gCFile::eAccessWrite), eSuccess);
        ASSERT_EQ(mFile.Write(bytes.data(), int32_t(bytes.size())), eSuccess);
        ASSERT_EQ(mFile.OpenAt(mFolder / "stream.bin", gCFile::eAccessReadWrite), eSuccess);
    }

private:
    TempFolder mFolder;
    TestFile mFile;
};

class StreamContract : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        if (std::string(GetParam()) == "Memory")
            mUnder = std::make_unique<MemoryUnderTest>();
        else
            mUnder = std::make_unique<FileUnderTest>();
    }
    gCStream& S() { return mUnder->Stream(); }

    std::unique_ptr<StreamUnderTest> mUnder;
};

} // namespace

TEST_P(StreamContract, TypedValuesAreLittleEndian)
{
    ASSERT_EQ(S().WriteLong(1), eSuccess);
    ASSERT_EQ(S().WriteBOM(), eSuccess);
    ASSERT_EQ(S().WriteShort(-2), eSuccess);
    ASSERT_EQ(S().WriteULongLong(0x0102030405060708ull), eSuccess);
    ASSERT_EQ(S().WriteFloat(1.0f), eSuccess);
    ASSERT_EQ(S().WriteChar(-1), eSuccess);
    EXPECT_EQ(mUnder->Bytes(), std::string("\x01\x00\x00\x00\xFF\xFE\xFE\xFF"
                                           "\x08\x07\x06\x05\x04\x03\x02\x01"
                                           "\x00\x00\x80\x3F\xFF",
                                           21));
}

TEST_P(StreamContract, EveryTypedValueComesBackAsWritten)
{
    ASSERT_EQ(S().WriteLong(INT32_MIN), eSuccess);
    ASSERT_EQ(S().WriteChar(-128), eSuccess);
    ASSERT_EQ(S().WriteShort(-12345), eSuccess);
    ASSERT_EQ(S().WriteLongLong(INT64_MIN + 7), eSuccess);
    ASSERT_EQ(S().WriteUChar(200), eSuccess);
    ASSERT_EQ(S().WriteUShort(0xFFEE), eSuccess);
    ASSERT_EQ(S().WriteULong(0xDEADBEEF), eSuccess);
    ASSERT_EQ(S().WriteULongLong(UINT64_MAX - 1), eSuccess);
    ASSERT_EQ(S().WriteFloat(-3.25f), eSuccess);
    ASSERT_EQ(S().WriteDouble(std::nextafter(1.0, 2.0)), eSuccess);
    ASSERT_EQ(S().WriteInt(-7), eSuccess);
    EXPECT_EQ(S().GetLength(), 4 + 1 + 2 + 8 + 1 + 2 + 4 + 8 + 4 + 8 + 4);
    ASSERT_EQ(S().Rewind(), eSuccess);

    int32_t l = 0; int8_t c = 0; int16_t s = 0; int64_t ll = 0; uint8_t uc = 0; uint16_t us = 0;
    uint32_t ul = 0; uint64_t ull = 0; float f = 0; double d = 0; int i = 0;
    EXPECT_EQ(S().ReadLong(l), eSuccess);
    EXPECT_EQ(S().ReadChar(c), eSuccess);
    EXPECT_EQ(S().ReadShort(s), eSuccess);
    EXPECT_EQ(S().ReadLongLong(ll), eSuccess);
    EXPECT_EQ(S().ReadUChar(uc), eSuccess);
    EXPECT_EQ(S().ReadUShort(us), eSuccess);
    EXPECT_EQ(S().ReadULong(ul), eSuccess);
    EXPECT_EQ(S().ReadULongLong(ull), eSuccess);
    EXPECT_EQ(S().ReadFloat(f), eSuccess);
    EXPECT_EQ(S().ReadDouble(d), eSuccess);
    EXPECT_EQ(S().ReadInt(i), eSuccess);
    EXPECT_EQ(l, INT32_MIN);
    EXPECT_EQ(c, -128);
    EXPECT_EQ(s, -12345);
    EXPECT_EQ(ll, INT64_MIN + 7);
    EXPECT_EQ(uc, 200);
    EXPECT_EQ(us, 0xFFEE);
    EXPECT_EQ(ul, 0xDEADBEEFu);
    EXPECT_EQ(ull, UINT64_MAX - 1);
    EXPECT_EQ(f, -3.25f);
    EXPECT_EQ(d, std::nextafter(1.0, 2.0));
    EXPECT_EQ(i, -7);
    EXPECT_TRUE(S().IsEOF());
}

TEST_P(StreamContract, TypedReadAtTheEndFailsAndKeepsTheValue)
{
    mUnder->Load("\x01\x02\x03\x04");
    int32_t value = 0;
    ASSERT_EQ(S().ReadLong(value), eSuccess);
    value = 77;
    EXPECT_EQ(S().ReadLong(value), eStreamError);
    EXPECT_EQ(value, 77);
    EXPECT_EQ(S().GetPos(), 4);
}

TEST_P(StreamContract, TypedReadWithTooFewBytesLeftFailsAndKeepsTheValue)
{
    mUnder->Load("\x01\x02\x03");
    int32_t value = 77;
    EXPECT_EQ(S().ReadLong(value), eStreamError);
    EXPECT_EQ(value, 77);
    double wide = 1.5;
    ASSERT_EQ(S().Rewind(), eSuccess);
    EXPECT_EQ(S().ReadDouble(wide), eStreamError);
    EXPECT_EQ(wide, 1.5);
}

TEST_P(StreamContract, NewlineIsAppendedToTheCallersStringAsLfCr)
{
    gCString text(u"ab");
    ASSERT_EQ(S().WriteText(text, 1), eSuccess);
    EXPECT_EQ(Utf8(text), "ab\n\r");
    std::string bytes = mUnder->Bytes();
    EXPECT_EQ(bytes.substr(0, 4), "ab\n\r");

    gCString wide(u"c");
    ASSERT_EQ(S().WriteUnicodeText(wide, 1), eSuccess);
    EXPECT_EQ(Utf8(wide), "c\n\r");
    EXPECT_NE(mUnder->Bytes().find(std::string("c\0\n\0\r\0", 6)), std::string::npos);
}

TEST_P(StreamContract, EightBitTextSwitchReadsAndWritesBytes)
{
    mUnder->Load(std::string("caf\x8E\0", 5));
    S().SetEightBitText(1);
    gCString line;
    ASSERT_EQ(S().ReadUnicodeLine(line), eSuccess);
    EXPECT_EQ(Utf8(line), "caf\xC3\xA9");
    ASSERT_EQ(S().Rewind(), eSuccess);
    gCString viaEightBit;
    ASSERT_EQ(S().ReadLine(viaEightBit), eSuccess);
    EXPECT_EQ(Utf8(viaEightBit), Utf8(line));

    // Writing through the UTF-16 operation leaves the caller's string as it was.
    mUnder->Load("");
    gCString text(u"x");
    ASSERT_EQ(S().WriteUnicodeText(text, 1), eSuccess);
    EXPECT_EQ(Utf8(text), "x");
    EXPECT_EQ(mUnder->Bytes().substr(0, 3), "x\n\r");
}

TEST_P(StreamContract, BigEndianTextIsSwappedUnitByUnit)
{
    // A big-endian mark, then y with diaeresis (U+00FF), katakana U+30FF and "A": the units whose
    // low byte is 0xFF must come out right too.
    std::string bytes = Utf16Bytes(u"\uFEFF\u00FF\u30FFA", true) + std::string("\0\0", 2);
    mUnder->Load(bytes);
    gCString text;
    ASSERT_EQ(S().ReadUnicodeString(text), eSuccess);
    EXPECT_EQ(text.GetLength(), 3);
    EXPECT_EQ(text[0], u'\u00FF');
    EXPECT_EQ(text[1], u'\u30FF');
    EXPECT_EQ(text[2], u'A');
    EXPECT_EQ(S().IsSwapping(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Streams, StreamContract, ::testing::Values("Memory", "File"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

TEST(StreamContract, NothingBehindTheStreamIsAnInvalidFile)
{
    TestFile closed;
    CMemBlock empty(0);
    gCMemFile noStorage(&empty);
    for (gCStream* stream : {static_cast<gCStream*>(&closed), static_cast<gCStream*>(&noStorage)}) {
        int32_t value = 5;
        EXPECT_EQ(stream->ReadLong(value), eInvalidFile);
        EXPECT_EQ(value, 5);
        EXPECT_EQ(stream->WriteLong(1), eInvalidFile);
        gCString text(u"t");
        EXPECT_EQ(stream->ReadLine(text), eInvalidFile);
        EXPECT_EQ(stream->WriteText(text, 0), eInvalidFile);
        EXPECT_EQ(stream->WriteUnicodeText(text, 0), eInvalidFile);
        char byte;
        EXPECT_EQ(stream->Read(&byte, 1), eInvalidFile);
        EXPECT_EQ(stream->Write(&byte, 1), eInvalidFile);
        EXPECT_EQ(stream->Rewind(), eInvalidFile);
        EXPECT_NE(stream->IsEOF(), 0);
        uint32_t position = 9;
        EXPECT_EQ(stream->GetPos(position), eInvalidFile);
    }
}
