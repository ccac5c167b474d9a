// The method-8 decoder copies in fixed-size steps where the output has room past a token: every
// token shape near those steps and near the end of the output decodes as a byte-by-byte reading
// of the format gives it, into a block of exactly its length, and a cut payload still fails.
#include "updater/codec/CodecTestSupport.h"

#include "updater/codec/CPNUHashChainLZ.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

struct sTokens {
    RepeatPayload payload;
    Bytes expected;
};

// Literal runs of 1 to 40 bytes (the escape among them), matches of 1 to 70 bytes from up to 100
// bytes farther back than their length, and now and then one overlapping itself, until `size`.
sTokens RandomTokens(uint32_t seed, size_t size)
{
    std::mt19937 generator(seed);
    const uint8_t escape = uint8_t(generator());
    sTokens tokens{RepeatPayload(escape), {}};
    Bytes& out = tokens.expected;
    while (out.size() < size) {
        const size_t done = out.size();
        const uint64_t length = 1 + generator() % 70;
        if (generator() % 2 == 0 && done >= length) {
            const bool overlapping = generator() % 16 == 0;
            const uint64_t distance = overlapping ? 1 + generator() % length
                                                  : std::min<uint64_t>(done, length + generator() % 100);
            tokens.payload.Match(length, distance);
            for (uint64_t i = 0; i < length; ++i)
                out.push_back(out[out.size() - distance]);
        } else {
            Bytes run(1 + generator() % 40);
            for (uint8_t& byte : run)
                byte = generator() % 3 == 0 ? escape : uint8_t(generator());
            tokens.payload.Literals(run);
            out.insert(out.end(), run.begin(), run.end());
        }
    }
    return tokens;
}

eResultCode Decode(const Bytes& payload, size_t length, Bytes& out)
{
    return CPNUHashChainLZ::Decode(payload.data(), length, out.data(), out.size());
}

TEST(CodecDecodeSteps, EveryTokenShapeDecodesIntoABlockOfExactlyItsLength)
{
    for (uint32_t seed = 0; seed < 400; ++seed) {
        const sTokens tokens = RandomTokens(seed, seed < 300 ? seed % 100 + 1 : 20000);
        const Bytes& payload = tokens.payload.Payload();
        Bytes out(tokens.expected.size());
        ASSERT_EQ(Decode(payload, payload.size(), out), eSuccess) << seed;
        ASSERT_EQ(out, tokens.expected) << seed;
    }
}

TEST(CodecDecodeSteps, CutPayloadsAndWrongLengthsFail)
{
    for (uint32_t seed = 0; seed < 60; ++seed) {
        const sTokens tokens = RandomTokens(seed, 200);
        const Bytes& payload = tokens.payload.Payload();
        for (size_t length = 1; length < payload.size(); ++length) {
            Bytes out(tokens.expected.size());
            EXPECT_EQ(Decode(payload, length, out), eInvalidFile) << seed << " " << length;
        }
        for (size_t size : {tokens.expected.size() - 1, tokens.expected.size() + 1, tokens.expected.size() + 40}) {
            Bytes out(size);
            EXPECT_EQ(Decode(payload, payload.size(), out), eInvalidFile) << seed << " " << size;
        }
    }
}

TEST(CodecDecodeSteps, DecodingInPartsGivesTheSameBytes)
{
    for (uint32_t seed = 0; seed < 40; ++seed) {
        const sTokens tokens = RandomTokens(seed, 3000);
        const Bytes& payload = tokens.payload.Payload();
        for (uint64_t part : {1, 7, 16, 17, 100}) {
            Bytes out(tokens.expected.size());
            uint64_t p = 1;
            uint64_t o = 0;
            while (p < payload.size()) {
                const uint64_t stop = std::min<uint64_t>(p + part, payload.size());
                ASSERT_EQ(CPNUHashChainLZ::DecodePart(payload[0], payload.data(), payload.size(), stop, p, out.data(),
                                                      out.size(), o),
                          eSuccess);
            }
            EXPECT_EQ(o, out.size()) << seed << " " << part;
            EXPECT_EQ(out, tokens.expected) << seed << " " << part;
        }
    }
}

TEST(CodecDecodeSteps, AnOutputGrownAtAnyTokenGivesTheSameBytes)
{
    // Each growth falls on another token shape; a block begins with 64 KB.
    for (uint32_t seed = 0; seed < 40; ++seed) {
        const sTokens tokens = RandomTokens(seed, 300000);
        const Bytes& payload = tokens.payload.Payload();
        CMemBlockT<unsigned char> out;
        uint64_t p = 1;
        uint64_t o = 0;
        ASSERT_EQ(CPNUHashChainLZ::DecodePartGrowing(payload[0], payload.data(), payload.size(), payload.size(), p,
                                                     out, tokens.expected.size(), o),
                  eSuccess);
        ASSERT_EQ(o, tokens.expected.size()) << seed;
        EXPECT_TRUE(Bytes(out.GetData(), out.GetData() + o) == tokens.expected) << seed;
    }
}

} // namespace
