// Every method gives back what it was given, over inputs of every kind.
#include "updater/codec/CodecTestSupport.h"

#include "FileIO/gCMemFile.h"
#include "support/AllocationFailure.h"
#include "updater/codec/CPNUCompressor.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct sInput {
    const char* name;
    Bytes bytes;
};

std::vector<sInput> Inputs()
{
    Bytes alternating;
    for (int i = 0; i < 20000; ++i)
        alternating.push_back(i % 2 ? 0xFF : 0x00);
    Bytes ramp;
    for (int i = 0; i < 40000; ++i)
        ramp.push_back(uint8_t(i * 7 / 3));
    return {
        {"Empty", {}},
        {"OneByte", {0x42}},
        {"OneEscapeCandidate", {0x00}},
        {"FourBytes", {1, 2, 3, 4}},
        {"LongRun", Bytes(100000, 0xAB)},
        {"RunsOfEveryLength", [] { Bytes b; for (int k = 1; k < 300; ++k) b.insert(b.end(), k, uint8_t(k)); return b; }()},
        {"RepeatedText", Repeated(BytesOf("The quick brown fox jumps over the lazy dog. "), 2000)},
        {"Alternating", alternating},
        {"Ramp", ramp},
        {"Random", RandomBytes(65536, 3)},
        {"EveryValueEquallyOften", [] { Bytes b; for (int r = 0; r < 40; ++r) for (int v = 0; v < 256; ++v) b.push_back(uint8_t(v)); return b; }()},
        {"SharedObject", SystemLibraryBytes(600000)},
    };
}

struct sCase {
    uint32_t method;
    sInput input;
};

std::vector<sCase> Cases()
{
    std::vector<sCase> cases;
    for (const sInput& input : Inputs()) {
        for (uint32_t method = 0; method < CPNUCompressor::kMethodCount; ++method) {
            sInput trimmed = input;
            // Methods 2-7 take whole elements only; 4 bytes fits every element size.
            if (method >= 2 && method <= 7)
                trimmed.bytes.resize(trimmed.bytes.size() / 4 * 4);
            cases.push_back({method, trimmed});
        }
    }
    return cases;
}

std::string NameOf(const sCase& c)
{
    return std::string(c.input.name) + "Method" + std::to_string(c.method);
}

// Listed by its name: gtest would print the row's bytes, its vectors' addresses among them.
void PrintTo(const sCase& c, std::ostream* out) { *out << NameOf(c); }

class RoundTrip : public testing::TestWithParam<sCase> {};

TEST_P(RoundTrip, DecodesToTheInput)
{
    const sCase& c = GetParam();
    Bytes frame;
    ASSERT_EQ(EncodeBytes(c.method, c.input.bytes, frame), eSuccess);
    EXPECT_LE(frame.size(), CPNUCompressor::EncodeBound(c.input.bytes.size()));
    Bytes decoded;
    ASSERT_EQ(DecodeBytes(c.method, frame, decoded), eSuccess);
    EXPECT_TRUE(decoded == c.input.bytes);
}

INSTANTIATE_TEST_SUITE_P(Codec, RoundTrip, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<sCase>& info) { return NameOf(info.param); });

TEST(CodecRoundTrip, SignedElementsKeepTheirExtremes)
{
    // The most negative values fold to the widest codes and must unfold back to themselves.
    const Bytes extremes = {0x80, 0x7F, 0xFF, 0x00, 0x00, 0x80, 0xFF, 0x7F, 0x00, 0x00, 0x00, 0x80,
                            0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x00, 0x00};
    for (uint32_t method : {5u, 6u, 7u, 2u, 3u, 4u}) {
        for (size_t copies : {1u, 40u}) {
            const Bytes input = Repeated(extremes, copies);
            Bytes frame;
            ASSERT_EQ(EncodeBytes(method, input, frame), eSuccess) << method;
            Bytes decoded;
            ASSERT_EQ(DecodeBytes(method, frame, decoded), eSuccess) << method;
            EXPECT_EQ(decoded, input) << method;
        }
    }
}

TEST(CodecRoundTrip, ElementMethodsRefusePartialElements)
{
    struct sRefusal {
        uint32_t method;
        size_t length;
    };
    const sRefusal refusals[] = {{3, 1}, {3, 3}, {6, 5}, {4, 2}, {4, 7}, {7, 6}};
    for (const sRefusal& r : refusals) {
        Bytes frame = {9};
        EXPECT_EQ(EncodeBytes(r.method, RandomBytes(r.length, 4), frame), eBadParameter) << r.method;
        EXPECT_EQ(frame, Bytes()) << "the output block is left alone";
    }
}

TEST(CodecRoundTrip, HashChainWithoutWorkAreaGivesTheSameFrame)
{
    // The first allocation of the encode is the output block, the second the chain tables.
    const Bytes input = SystemLibraryBytes(60000);
    ASSERT_FALSE(input.empty());
    Bytes normal;
    ASSERT_EQ(EncodeBytes(8, input, normal), eSuccess);

    CMemBlockT<unsigned char> in(uint32_t(input.size()));
    memcpy(in.GetData(), input.data(), input.size());
    CMemBlockT<unsigned char> out;
    CPNUCompressor codec;
    {
        AllocationFailure failure(2);
        ASSERT_EQ(codec.CodecRun(1, 8, in, out), eSuccess);
        ASSERT_GE(failure.Count(), 2);
    }
    EXPECT_EQ(Bytes(out.GetData(), out.GetData() + out.GetSize()), normal);
}

TEST(CodecRoundTrip, ReportsAnOutputBlockThatCannotBeSized)
{
    CMemBlockT<unsigned char> raw(1000, 1);
    CMemBlockT<unsigned char> frame;
    CPNUCompressor codec;
    ASSERT_EQ(codec.CodecRun(1, 0, raw, frame), eSuccess);
    CMemBlockT<unsigned char> target;
    {
        AllocationFailure failure(1);
        EXPECT_EQ(codec.CodecRun(1, 0, raw, target), eNoMemory);
    }
    {
        AllocationFailure failure(1);
        EXPECT_EQ(codec.CodecRun(0, 0, frame, target), eNoMemory);
    }
}

TEST(CodecStreams, RunsOverTheWholeStreamFromItsStart)
{
    const Bytes input = Repeated(BytesOf("stream data "), 500);
    gCMemFile source;
    ASSERT_EQ(source.Write(input.data(), int32_t(input.size())), eSuccess);
    gCMemFile coded;
    CPNUCompressor codec;
    ASSERT_EQ(codec.CodecRunStreams(1, 8, source, coded), eSuccess);

    CMemBlockT<unsigned char> decoded;
    ASSERT_EQ(codec.CodecRunStream(0, 8, coded, decoded), eSuccess);
    EXPECT_EQ(Bytes(decoded.GetData(), decoded.GetData() + decoded.GetSize()), input);
}

} // namespace
