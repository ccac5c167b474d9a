// Damaged frames and payloads make the decoders fail with 17; nothing reads or writes out of
// bounds (the sanitizer build runs the same cases).
#include "updater/codec/CodecTestSupport.h"

#include "platform/SystemMemory.h"
#include "support/AllocationFailure.h"
#include "updater/codec/CPNUCompressor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

struct sDamage {
    const char* name;
    uint32_t method;
    uint32_t rawLength;
    Bytes payload;
};

// Bits given as text ("0110..."), padded with zero bits to whole bytes.
Bytes Bits(const std::string& bits)
{
    Bytes bytes((bits.size() + 7) / 8, 0);
    for (size_t i = 0; i < bits.size(); ++i) {
        if (bits[i] == '1')
            bytes[i / 8] |= uint8_t(0x80 >> (i % 8));
    }
    return bytes;
}

std::string Symbol(uint32_t value)
{
    std::string bits;
    for (int b = 7; b >= 0; --b)
        bits += (value >> b) & 1 ? '1' : '0';
    return bits;
}

// A full code tree of the given depth, leaves numbered from 0 in tree order.
std::string FullTree(uint32_t depth, uint32_t level, uint32_t& next)
{
    if (level == depth)
        return "1" + Symbol(next++ & 0xFF);
    std::string left = FullTree(depth, level + 1, next);
    std::string right = FullTree(depth, level + 1, next);
    return "01" + left + "1" + right;
}

std::string RightSpine(uint32_t depth)
{
    // Inner nodes without left children, each continuing to the right.
    std::string bits = "0";
    for (uint32_t i = 0; i < depth; ++i)
        bits += "010";
    return bits + "01" + "1" + Symbol('a');
}

std::vector<sDamage> Damages()
{
    uint32_t leaves = 0;
    const std::string tree512 = FullTree(9, 0, leaves);
    return {
        {"RleCutEscape", 0, 1, {0x00, 0x00}},
        {"RleCutShortRun", 0, 6, {0x00, 0x00, 0x05}},
        {"RleCutLongRun", 0, 300, {0x00, 0x00, 0x81, 0x2B}},
        {"RleRunPastRawLength", 0, 3, {0x00, 0x00, 0x05, 0x61}},
        {"RleLiteralPastRawLength", 0, 1, {0x00, 0x61, 0x62}},
        {"RleOutputShort", 0, 3, {0x00, 0x61}},
        {"RleNoPayload", 0, 1, {}},
        {"SfRootIsLeaf", 1, 1, Bits("1" + Symbol('a') + "0")},
        {"SfDeeperThan32", 1, 1, Bits(RightSpine(40))},
        {"SfMoreThan256Leaves", 1, 1, Bits(tree512 + "000000000")},
        {"SfCodeWithoutLeaf", 1, 4, {0x6C, 0x28}},
        {"SfBytesLeftOver", 1, 4, {0x6C, 0x20, 0x00}},
        {"SfCutInTree", 1, 3, {0x6C}},
        {"SfCutInCodes", 1, 30, {0x6C, 0x3B, 0x11}},
        {"SfNoPayload", 1, 1, {}},
        {"ElementsParameterAbove32", 2, 2, {33, 0x00, 0x00}},
        {"ElementsRunawayUnary", 2, 1, {0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"ElementsValueWiderThanByte", 2, 1, {0x08, 0x80, 0x00}},
        {"ElementsValueWiderThan16Bits", 3, 2, {0x10, 0x80, 0x00, 0x00}},
        {"ElementsRawTooShort", 2, 2, {0x00, 0x01}},
        {"ElementsRawTooLong", 2, 2, {0x00, 0x01, 0x02, 0x03}},
        {"ElementsCodesCut", 2, 4, {0x03, 0x55}},
        {"ElementsBytesLeftOver", 2, 2, {0x03, 0x55, 0x00}},
        {"ElementsNoPayload", 4, 4, {}},
        {"LzZeroDistance", 8, 8, {0x00, 0x61, 0x62, 0x63, 0x64, 0x00, 0x04, 0x00}},
        {"LzDistanceBeforeStart", 8, 5, {0x00, 0x61, 0x00, 0x04, 0x05}},
        {"LzRunawayVarint", 8, 6, {0x00, 0x61, 0x00, 0x80, 0x80, 0x80, 0x80, 0x80, 0x05, 0x01}},
        {"LzVarintAbove32Bits", 8, 6, {0x00, 0x61, 0x00, 0x9F, 0xFF, 0xFF, 0xFF, 0x7F, 0x01}},
        {"LzMatchPastRawLength", 8, 8, {0x00, 0x61, 0x62, 0x63, 0x64, 0x00, 0x08, 0x04}},
        {"LzCutAfterEscape", 8, 2, {0x00, 0x61, 0x00}},
        {"LzCutInDistance", 8, 8, {0x00, 0x61, 0x62, 0x63, 0x64, 0x00, 0x04, 0x84}},
        {"LzLiteralPastRawLength", 8, 1, {0x00, 0x61, 0x62}},
        {"LzOutputShort", 8, 4, {0x00, 0x61}},
        {"LzNoPayload", 8, 1, {}},
    };
}

// Listed by its name: gtest would print the row's bytes, its vectors' addresses among them.
void PrintTo(const sDamage& damage, std::ostream* out) { *out << damage.name; }

class DamagedPayload : public testing::TestWithParam<sDamage> {};

TEST_P(DamagedPayload, FailsWithInvalidFile)
{
    const sDamage& damage = GetParam();
    Bytes decoded;
    EXPECT_EQ(DecodeBytes(damage.method, Frame(damage.rawLength, damage.payload), decoded), eInvalidFile);
}

INSTANTIATE_TEST_SUITE_P(Codec, DamagedPayload, testing::ValuesIn(Damages()),
                         [](const testing::TestParamInfo<sDamage>& info) { return std::string(info.param.name); });

TEST(CodecDamage, FullTreeOf256LeavesIsAccepted)
{
    // The counterpart of the 512-leaf refusal: 256 leaves of 8-bit codes, leaf i coding byte i.
    uint32_t leaves = 0;
    const std::string tree = FullTree(8, 0, leaves);
    std::string bits = tree;
    const Bytes message = BytesOf("tree");
    for (uint8_t byte : message)
        bits += Symbol(byte);
    Bytes decoded;
    ASSERT_EQ(DecodeBytes(1, Frame(uint32_t(message.size()), Bits(bits)), decoded), eSuccess);
    EXPECT_EQ(decoded, message);
}

TEST(CodecDamage, FramesShorterThanTheLengthWordFail)
{
    for (uint32_t method = 0; method < CPNUCompressor::kMethodCount; ++method) {
        for (const Bytes& frame : {Bytes{}, Bytes{0}, Bytes{0, 0, 0}}) {
            Bytes decoded;
            EXPECT_EQ(DecodeBytes(method, frame, decoded), eInvalidFile) << method;
        }
    }
}

TEST(CodecDamage, RawLengthBeyondTheAvailableMemoryIsRefusedBeforeAllocating)
{
    plat::FixedSystemMemory machine(64 << 20);
    plat::SetSystemMemory(&machine);
    for (uint32_t rawLength : {(64u << 20) + 1, 0xFFFFFFFFu}) {
        CMemBlockT<unsigned char> frame(8);
        memcpy(frame.GetData(), Frame(rawLength, {0x00, 0x61, 0x62, 0x63}).data(), 8);
        CMemBlockT<unsigned char> decoded;
        CPNUCompressor codec;
        AllocationFailure counter(0);
        EXPECT_EQ(codec.CodecRun(0, 8, frame, decoded), eNoMemory) << rawLength;
        EXPECT_EQ(counter.Count(), 0);
        EXPECT_EQ(decoded.GetSize(), 0u);
    }
    plat::SetSystemMemory(nullptr);
}

TEST(CodecDamage, RawLengthAboveThePackageSizeIsDecoded)
{
    // Packages are capped, the archives inside are not: 110 MB from a payload of a few bytes.
    RepeatPayload payload(0xFF);
    payload.Literals(BytesOf("head"));
    payload.Repeat(Bytes(16, 0), 110000000);
    Bytes decoded;
    ASSERT_EQ(DecodeBytes(8, payload.Frame(), decoded), eSuccess);
    ASSERT_EQ(decoded.size(), 110000004u);
    EXPECT_EQ(Bytes(decoded.begin(), decoded.begin() + 4), BytesOf("head"));
    EXPECT_EQ(std::count(decoded.begin() + 4, decoded.end(), 0), 110000000);
}

struct sSample {
    const char* name;
    Bytes bytes;
};

std::vector<sSample> Samples()
{
    return {
        {"Text", Repeated(BytesOf("damage me, damage me not; "), 40)},
        {"Random", RandomBytes(1200, 11)},
        {"SharedObject", SystemLibraryBytes(3000)},
    };
}

TEST(CodecDamage, EveryTruncationFails)
{
    for (const sSample& sample : Samples()) {
        for (uint32_t method = 0; method < CPNUCompressor::kMethodCount; ++method) {
            Bytes frame;
            ASSERT_EQ(EncodeBytes(method, sample.bytes, frame), eSuccess);
            for (size_t length = 0; length < frame.size(); ++length) {
                Bytes decoded;
                EXPECT_EQ(DecodeBytes(method, Bytes(frame.begin(), frame.begin() + length), decoded), eInvalidFile)
                    << sample.name << " method " << method << " length " << length;
            }
        }
    }
}

TEST(CodecDamage, ByteCodedFramesWithAWrongRawLengthFail)
{
    for (const sSample& sample : Samples()) {
        for (uint32_t method : {0u, 8u}) {
            Bytes frame;
            ASSERT_EQ(EncodeBytes(method, sample.bytes, frame), eSuccess);
            for (int32_t delta : {-1, 1, 1000}) {
                Bytes wrong = frame;
                const uint32_t n = uint32_t(int64_t(sample.bytes.size()) + delta);
                wrong[0] = uint8_t(n >> 24);
                wrong[1] = uint8_t(n >> 16);
                wrong[2] = uint8_t(n >> 8);
                wrong[3] = uint8_t(n);
                Bytes decoded;
                EXPECT_EQ(DecodeBytes(method, wrong, decoded), eInvalidFile) << sample.name << " " << delta;
            }
        }
    }
}

TEST(CodecDamage, CorruptedBytesAtEveryPositionStayInBounds)
{
    // A corrupted literal cannot be told from a real one; what matters is that every outcome is
    // either 17 or a block of exactly the announced length, and most structural hits are caught.
    for (const sSample& sample : Samples()) {
        for (uint32_t method = 0; method < CPNUCompressor::kMethodCount; ++method) {
            Bytes frame;
            ASSERT_EQ(EncodeBytes(method, sample.bytes, frame), eSuccess);
            for (size_t position = 4; position < frame.size(); ++position) {
                for (uint8_t change : {uint8_t(0x01), uint8_t(0x80), uint8_t(0xFF)}) {
                    Bytes damaged = frame;
                    damaged[position] ^= change;
                    Bytes decoded;
                    const eResultCode result = DecodeBytes(method, damaged, decoded);
                    ASSERT_TRUE(result == eSuccess || result == eInvalidFile) << result;
                    if (result == eSuccess) {
                        EXPECT_EQ(decoded.size(), sample.bytes.size());
                    }
                }
            }
        }
    }
}

} // namespace
