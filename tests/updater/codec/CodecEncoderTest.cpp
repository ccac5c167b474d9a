// The encoders: the method-8 search gives the plain full walk's bytes, and no encoder writes past
// its output block.
#include "updater/codec/CodecTestSupport.h"
#include "updater/codec/PlainHashChainReference.h"

#include "updater/codec/CPNUCompressor.h"
#include "updater/codec/CPNUHashChainLZ.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

// Inputs that stress the search: few byte values, runs of every length next to each other,
// copies from near and far, overlapping repeats.
Bytes StressInput(std::mt19937& generator, size_t length, uint32_t alphabet)
{
    Bytes d;
    while (d.size() < length) {
        const uint32_t kind = generator() % 3;
        if (kind == 2 && d.size() > 8) {
            const size_t distance = 1 + generator() % d.size();
            const size_t start = d.size() - distance;
            const size_t count = 1 + generator() % 40;
            for (size_t k = 0; k < count; ++k)
                d.push_back(d[start + k]);
        } else {
            const uint8_t value = uint8_t(generator() % alphabet);
            const size_t count = kind == 0 ? 1 + generator() % 60 : 1 + generator() % 4;
            d.insert(d.end(), count, value);
        }
    }
    d.resize(length);
    return d;
}

Bytes Payload(const Bytes& input, bool withWorkArea)
{
    Bytes out(CPNUCompressor::EncodeBound(input.size()));
    std::vector<uint8_t> work(withWorkArea ? CPNUHashChainLZ::WorkAreaSize(input.size()) : 0);
    uint64_t length = 0;
    EXPECT_EQ(CPNUHashChainLZ::Encode(input.data(), input.size(), out.data(), out.size(),
                                      withWorkArea ? work.data() : nullptr, length),
              eSuccess);
    out.resize(length);
    return out;
}

TEST(HashChainSearch, GivesThePlainWalksBytesOnStressInputs)
{
    std::mt19937 generator(2024);
    for (int round = 0; round < 3000; ++round) {
        const size_t length = generator() % (round % 10 == 0 ? 6000 : 400);
        const uint32_t alphabet = round % 3 == 0 ? 256 : 2 + round % 5;
        const Bytes input = StressInput(generator, length, alphabet);
        const Bytes expected = PlainHashChainPayload(input);
        ASSERT_EQ(Payload(input, true), expected) << "round " << round;
        ASSERT_EQ(Payload(input, false), expected) << "window search, round " << round;
    }
}

TEST(HashChainSearch, GivesThePlainWalksBytesOnRealData)
{
    for (size_t length : {size_t(1000), size_t(50000), size_t(200000)}) {
        const Bytes input = SystemLibraryBytes(length);
        ASSERT_FALSE(input.empty());
        EXPECT_EQ(Payload(input, true), PlainHashChainPayload(input)) << length;
    }
    const Bytes text = Repeated(BytesOf("abcabcabd aaaa bbbbbbbb abcabcabd "), 3000);
    EXPECT_EQ(Payload(text, true), PlainHashChainPayload(text));
}

TEST(HashChainSearch, GivesThePlainWalksBytesForFarSourcesAndLongRuns)
{
    // Sources of 6 and 7 bytes more than 2 MB back, where the search of recent positions ends;
    // neighbours sharing hundreds of bytes; runs far longer than any other.
    Bytes far = RandomBytes(2200000, 12);
    const Bytes seven = BytesOf("Seven!!");
    const Bytes six = BytesOf("Six!!!");
    std::copy(seven.begin(), seven.end(), far.begin() + 1000);
    std::copy(seven.begin(), seven.end(), far.end() - 900);
    std::copy(six.begin(), six.end(), far.begin() + 3000);
    std::copy(six.begin(), six.end(), far.end() - 500);
    Bytes runs(9000, 0);
    const Bytes text = Repeated(BytesOf("a block that repeats, "), 40);
    runs.insert(runs.end(), text.begin(), text.end());
    runs.insert(runs.end(), 12000, 0);
    runs.insert(runs.end(), text.begin(), text.end());
    runs.insert(runs.end(), 700, 0xFF);
    for (const Bytes& input : {far, runs})
        EXPECT_EQ(Payload(input, true), PlainHashChainPayload(input)) << input.size();
}

TEST(HashChainSearch, WindowSearchNeverReachesFartherThanItsWindow)
{
    // A block repeated 150000 bytes later: the full search copies it, the window search cannot.
    const Bytes block = RandomBytes(2000, 5);
    Bytes input = block;
    const Bytes filler = RandomBytes(148000, 6);
    input.insert(input.end(), filler.begin(), filler.end());
    input.insert(input.end(), block.begin(), block.end());
    const Bytes full = Payload(input, true);
    const Bytes window = Payload(input, false);
    EXPECT_LT(full.size() + 1000, window.size());
    Bytes decoded(input.size());
    ASSERT_EQ(CPNUHashChainLZ::Decode(window.data(), window.size(), decoded.data(), decoded.size()), eSuccess);
    EXPECT_EQ(decoded, input);
}

TEST(CodecEncoders, NeverWritePastTheirOutputBlock)
{
    // Whatever the capacity, an encoder either fits or fails with 1; the bytes after the block
    // keep their guard value.
    constexpr uint8_t kGuard = 0xA5;
    Bytes alternating;
    for (int i = 0; i < 3000; ++i)
        alternating.push_back(i % 2 ? 0xFF : 0x00);
    const Bytes inputs[] = {RandomBytes(3000, 8), alternating, SystemLibraryBytes(3000)};
    for (const Bytes& input : inputs) {
        for (uint32_t method = 0; method < CPNUCompressor::kMethodCount; ++method) {
            const uint64_t bound = CPNUCompressor::EncodeBound(input.size());
            for (uint64_t capacity : {uint64_t(4), uint64_t(5), uint64_t(100), input.size() / 2, input.size(),
                                      input.size() + 4, input.size() + 5, bound}) {
                Bytes out(capacity + 64, kGuard);
                uint64_t length = 0;
                const eResultCode result =
                    CPNUCompressor::EncodeFrame(method, input.data(), input.size(), out.data(), capacity, length);
                ASSERT_TRUE(result == eSuccess || result == eGenericFailure) << method << " " << capacity;
                if (result == eSuccess) {
                    EXPECT_LE(length, capacity);
                }
                for (uint64_t i = capacity; i < out.size(); ++i)
                    ASSERT_EQ(out[i], kGuard) << "method " << method << " capacity " << capacity << " at " << i;
            }
        }
    }
}

TEST(CodecEncoders, ElementCodingThatWouldGrowIsStoredRaw)
{
    // Alternating 0x00 / 0xFF codes to nearly one and a half times its size; the payload is the
    // raw form of n + 1 bytes instead.
    Bytes alternating;
    for (int i = 0; i < 100000; ++i)
        alternating.push_back(i % 2 ? 0xFF : 0x00);
    Bytes frame;
    ASSERT_EQ(EncodeBytes(2, alternating, frame), eSuccess);
    ASSERT_EQ(frame.size(), 4u + 1 + alternating.size());
    EXPECT_EQ(frame[4], 0x00);
}

} // namespace
