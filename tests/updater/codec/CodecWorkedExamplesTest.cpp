// The coded forms the format defines, byte for byte, in both directions.
#include "updater/codec/CodecTestSupport.h"

#include "updater/codec/encode/CPNUByteWriter.h"
#include "updater/codec/CPNUCompressor.h"

#include <gtest/gtest.h>

namespace {

struct sExample {
    const char* name;
    uint32_t method;
    Bytes input;
    Bytes payload;
};

Bytes Fill(size_t count, uint8_t value) { return Bytes(count, value); }

std::vector<sExample> Examples()
{
    return {
        {"RleRunOfFour", 0, BytesOf("aaaa"), {0x00, 0x00, 0x03, 0x61}},
        {"RleRunOf200", 0, Fill(200, 0x05), {0x00, 0x00, 0x80, 0xC7, 0x05}},
        {"RleRunSplitAtLongest", 0, Fill(33000, 0x05), {0x00, 0x00, 0xFF, 0xFF, 0x05, 0x00, 0x80, 0xE7, 0x05}},
        {"RleSingleByte", 0, BytesOf("X"), {0x00, 0x58}},
        {"RleSingleZeroUsesEscapeOne", 0, {0x00}, {0x01, 0x00}},
        {"RleThreeEqualAreLiterals", 0, BytesOf("bbbc"), {0x00, 0x62, 0x62, 0x62, 0x63}},
        // Every value three times: E = 0x00, and its run of three is written E 02.
        {"RleThreeEscapeBytes", 0,
         [] { Bytes in; for (int v = 1; v < 256; ++v) in.insert(in.end(), 3, uint8_t(v)); in.insert(in.end(), 3, 0); return in; }(),
         [] { Bytes p = {0x00}; for (int v = 1; v < 256; ++v) p.insert(p.end(), 3, uint8_t(v)); p.push_back(0x00); p.push_back(0x02); return p; }()},
        {"ShannonFanoTwoSymbols", 1, BytesOf("aab"), {0x6C, 0x3B, 0x11}},
        {"ShannonFanoOneSymbol", 1, BytesOf("aaaa"), {0x6C, 0x20}},
        {"ElementsUnsignedBytes", 2, {0x05, 0x05}, {0x03, 0x55}},
        {"ElementsSignedByte", 5, {0xFF}, {0x01, 0x40}},
        {"ElementsRawWhenCodingDoesNotPay", 2, {0xFF}, {0x00, 0xFF}},
        {"ElementsMostNegative32Bit", 7, {0x00, 0x00, 0x00, 0x80}, {0x00, 0xFF, 0xFF, 0xFF, 0xFF}},
        // Sixteen zero elements drive k to 0: every further zero costs one bit.
        {"ElementsParameterFallsToZero", 2, Fill(32, 0x00), {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
        {"LzSixByteMatch", 8, Repeated(BytesOf("abc"), 4), {0x00, 0x61, 0x62, 0x63, 0x61, 0x62, 0x63, 0x00, 0x06, 0x06}},
        {"LzTwoMatchesOfEight", 8, Repeated(BytesOf("abcdefgh"), 3),
         {0x00, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x00, 0x08, 0x08, 0x00, 0x08, 0x08}},
        {"LzFourBytesAreLiterals", 8, BytesOf("aaaa"), {0x00, 0x61, 0x61, 0x61, 0x61}},
        {"LzOneByte", 8, {0x00}, {0x01, 0x00}},
        // Every value equally often: E = 0x00, written 00 00.
        {"LzEveryValueOnce", 8, [] { Bytes all; for (int v = 0; v < 256; ++v) all.push_back(uint8_t(v)); return all; }(),
         [] { Bytes p = {0x00, 0x00, 0x00}; for (int v = 1; v < 256; ++v) p.push_back(uint8_t(v)); return p; }()},
    };
}

// Listed by its name: gtest would print the row's bytes, its vectors' addresses among them.
void PrintTo(const sExample& example, std::ostream* out) { *out << example.name; }

class WorkedExample : public testing::TestWithParam<sExample> {};

TEST_P(WorkedExample, EncodesToTheDefinedPayloadAndBack)
{
    const sExample& example = GetParam();
    Bytes frame;
    ASSERT_EQ(EncodeBytes(example.method, example.input, frame), eSuccess);
    EXPECT_EQ(frame, Frame(uint32_t(example.input.size()), example.payload));
    Bytes decoded;
    ASSERT_EQ(DecodeBytes(example.method, frame, decoded), eSuccess);
    EXPECT_EQ(decoded, example.input);
}

INSTANTIATE_TEST_SUITE_P(Codec, WorkedExample, testing::ValuesIn(Examples()),
                         [](const testing::TestParamInfo<sExample>& info) { return std::string(info.param.name); });

TEST(CodecFrame, EmptyInputIsTheBareLengthForEveryMethod)
{
    for (uint32_t method = 0; method < CPNUCompressor::kMethodCount; ++method) {
        Bytes frame;
        ASSERT_EQ(EncodeBytes(method, {}, frame), eSuccess) << method;
        EXPECT_EQ(frame, Bytes({0, 0, 0, 0})) << method;
        Bytes decoded = {1};
        ASSERT_EQ(DecodeBytes(method, frame, decoded), eSuccess) << method;
        EXPECT_TRUE(decoded.empty()) << method;
    }
}

TEST(CodecFrame, RawLengthIsBigEndian)
{
    Bytes frame;
    ASSERT_EQ(EncodeBytes(8, RandomBytes(300, 1), frame), eSuccess);
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + 4), Bytes({0x00, 0x00, 0x01, 0x2C}));
}

TEST(CodecFrame, UnknownMethodIsRefusedBothWays)
{
    Bytes frame;
    EXPECT_EQ(EncodeBytes(9, RandomBytes(100, 2), frame), eBadParameter);
    ASSERT_EQ(frame.size(), 492u);
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + 4), Bytes({0, 0, 0, 100}));
    Bytes decoded;
    EXPECT_EQ(DecodeBytes(9, Frame(0, {}), decoded), eBadParameter);
}

TEST(CodecFrame, EncodeBoundFollowsTheFormula)
{
    EXPECT_EQ(CPNUCompressor::EncodeBound(0), 388u);
    EXPECT_EQ(CPNUCompressor::EncodeBound(100), 492u);
    // No 32-bit wrap for large inputs.
    EXPECT_EQ(CPNUCompressor::EncodeBound(50000000), 52000388u);
}

TEST(CodecFrame, ShortElementTailDecodesAsZero)
{
    // A raw length of 3 with 16-bit elements: one element coded, the third byte left 0.
    Bytes frame;
    ASSERT_EQ(EncodeBytes(3, {0x34, 0x12}, frame), eSuccess);
    frame[3] = 3;
    Bytes decoded;
    ASSERT_EQ(DecodeBytes(3, frame, decoded), eSuccess);
    EXPECT_EQ(decoded, Bytes({0x34, 0x12, 0x00}));
}

TEST(CodecFrame, LongMatchCarriesTwoByteVarints)
{
    // 300 bytes repeated once: the repeat is one match of 300 at distance 300.
    const Bytes input = Repeated(RandomBytes(300, 7), 2);
    Bytes frame;
    ASSERT_EQ(EncodeBytes(8, input, frame), eSuccess);
    ASSERT_GE(frame.size(), 10u);
    const uint8_t escape = frame[4];
    EXPECT_EQ(Bytes(frame.end() - 5, frame.end()), Bytes({escape, 0x82, 0x2C, 0x82, 0x2C}));
}

TEST(CodecVarint, UsesTheFewestSevenBitGroups)
{
    struct sCase {
        uint32_t value;
        Bytes bytes;
    };
    const sCase cases[] = {
        {0, {0x00}},
        {127, {0x7F}},
        {128, {0x81, 0x00}},
        {300, {0x82, 0x2C}},
        {16384, {0x81, 0x80, 0x00}},
        {268435455, {0xFF, 0xFF, 0xFF, 0x7F}},
        {0xFFFFFFFFu, {0x8F, 0xFF, 0xFF, 0xFF, 0x7F}},
    };
    for (const sCase& c : cases) {
        uint8_t out[8] = {};
        CPNUByteWriter writer(out, sizeof out);
        writer.PutVarint(c.value);
        EXPECT_EQ(Bytes(out, out + writer.Length()), c.bytes) << c.value;
    }
}

} // namespace
