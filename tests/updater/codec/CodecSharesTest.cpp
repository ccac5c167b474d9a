// A large input coded in stretches at once gives the bytes of one coding from the start, however
// the stretches fall, in whatever order they run, and when their rooms cannot be had.
#include "updater/codec/CodecTestSupport.h"
#include "support/AllocationFailure.h"

#include "platform/WorkerThreads.h"
#include "updater/codec/CPNUCompressor.h"
#include "updater/codec/CPNUHashChainLZ.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>

namespace {

using sShares = CPNUHashChainLZ::sShares;

eResultCode Code(const Bytes& input, const sShares& shares, Bytes& out, uint64_t capacity)
{
    out.assign(capacity, 0);
    std::vector<uint8_t> work(CPNUHashChainLZ::WorkAreaSize(input.size(), shares));
    uint64_t length = 0;
    const eResultCode result = CPNUHashChainLZ::Encode(input.data(), input.size(), out.data(), out.size(),
                                                       work.data(), shares, length);
    out.resize(length);
    return result;
}

Bytes Coded(const Bytes& input, const sShares& shares)
{
    Bytes out;
    EXPECT_EQ(Code(input, shares, out, CPNUCompressor::EncodeBound(input.size())), eSuccess);
    return out;
}

// Copies from near and far that cross every stretch boundary, runs longer than a stretch,
// a period that keeps codings from different starts out of step.
std::vector<Bytes> Inputs()
{
    std::vector<Bytes> inputs;
    inputs.push_back(SystemLibraryBytes(600000));
    Bytes copies = RandomBytes(60000, 3);
    std::mt19937 generator(7);
    while (copies.size() < 400000) {
        const size_t start = generator() % copies.size();
        const size_t count = std::min<size_t>(4 + generator() % 3000, copies.size() - start);
        copies.insert(copies.end(), copies.begin() + ptrdiff_t(start), copies.begin() + ptrdiff_t(start + count));
        copies.insert(copies.end(), generator() % 20, uint8_t(generator()));
    }
    inputs.push_back(copies);
    inputs.push_back(Repeated(BytesOf("abcab"), 40000));
    Bytes runs(150000, 0);
    runs.insert(runs.end(), 5, 1);
    runs.insert(runs.end(), 90000, 0);
    inputs.push_back(runs);
    return inputs;
}

TEST(HashChainShares, GiveTheBytesOfOneCodingFromTheStart)
{
    BackwardWorkers backward;
    for (const Bytes& input : Inputs()) {
        const Bytes expected = Coded(input, {});
        // Stretches joined where they meet, or after their overhang, or found again.
        for (const sShares shares : {sShares{2, 2, 4096, 64}, sShares{3, 7, 4096, 64}, sShares{8, 8, 1, 64},
                                     sShares{3, 11, 2, 1}, sShares{4, 9, 1, 0}, sShares{0, 3, 4096, 64}})
            EXPECT_EQ(Coded(input, shares), expected)
                << input.size() << " bytes in " << shares.stretches << ", marks " << shares.marks;
        plat::SetWorkers(&backward);
        EXPECT_EQ(Coded(input, {2, 5, 4096, 64}), expected) << input.size() << " bytes, backward";
        plat::SetWorkers(nullptr);
    }
}

TEST(HashChainShares, FallBackToOneCodingWhenTheirRoomsCannotBeHeld)
{
    const Bytes input = SystemLibraryBytes(300000);
    const Bytes expected = Coded(input, {});
    ForEachAllocationFailure([&] { EXPECT_EQ(Coded(input, {2, 4, 64, 8}), expected); }, [](bool) {});
}

TEST(HashChainShares, OutputThatDoesNotFitIsReported)
{
    const Bytes input = SystemLibraryBytes(300000);
    const uint64_t needed = Coded(input, {}).size();
    for (uint64_t capacity : {uint64_t(10), needed / 4, needed - 1}) {
        Bytes out;
        EXPECT_EQ(Code(input, {2, 4, 4096, 64}, out, capacity), eGenericFailure) << capacity;
    }
}

TEST(Workers, RunEveryJobOnceAndReturnWhenAllHaveEnded)
{
    std::atomic<uint32_t> runs[1000] = {};
    plat::GetWorkers().Run(1000, [](void* context, uint32_t i) { static_cast<std::atomic<uint32_t>*>(context)[i]++; },
                           runs);
    for (const std::atomic<uint32_t>& count : runs)
        ASSERT_EQ(count.load(), 1u);
    EXPECT_GE(plat::GetWorkers().Count(), 1u);
}

} // namespace
