// The suffix sort of all processors gives the order of the sort of one processor, whatever the
// shape of the input and however the jobs run, and leaves the shapes that would make it slow.
#include "updater/codec/CodecTestSupport.h"

#include "updater/codec/CPNUCompressor.h"
#include "updater/codec/encode/CPNUSuffixSorter.h"

#include <divsufsort.h>
#include <gtest/gtest.h>

#include <random>

namespace {

struct sShape {
    const char* name;
    Bytes bytes;
    bool served; // sorted here rather than left to the other sort
};

Bytes Periodic(size_t count, size_t period)
{
    const Bytes unit = RandomBytes(period, uint32_t(period));
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = unit[i % period];
    return bytes;
}

// Random bytes with runs of one value and copies of earlier stretches put in.
Bytes WithRunsAndCopies(size_t count, std::initializer_list<size_t> runs, bool runAtEnd)
{
    std::mt19937 generator(11);
    Bytes bytes = RandomBytes(count, 5);
    for (size_t run : runs) {
        const size_t at = generator() % (bytes.size() - run);
        std::fill(bytes.begin() + ptrdiff_t(at), bytes.begin() + ptrdiff_t(at + run), uint8_t(generator() % 2));
        const size_t from = generator() % (bytes.size() - 2 * run);
        const size_t to = generator() % (bytes.size() - 2 * run);
        std::copy_n(bytes.begin() + ptrdiff_t(from), 2 * run, bytes.begin() + ptrdiff_t(to));
    }
    if (runAtEnd)
        bytes.insert(bytes.end(), 3000, 0);
    return bytes;
}

std::vector<sShape> Shapes()
{
    std::vector<sShape> shapes;
    shapes.push_back({"system library", SystemLibraryBytes(700000), true});
    shapes.push_back({"random", RandomBytes(300000, 1), true});
    shapes.push_back({"runs and copies", WithRunsAndCopies(800000, {40, 99, 100, 700, 3000, 9000}, false), true});
    shapes.push_back({"ends in a run", WithRunsAndCopies(300000, {3, 97, 98, 196}, true), true});
    shapes.push_back({"one byte", Bytes(1, 7), false});
    shapes.push_back({"a few bytes", Bytes{0, 0, 0, 1, 0, 0, 0}, false});
    shapes.push_back({"all equal", Bytes(300000, 0), false});
    shapes.push_back({"period 3", Periodic(300000, 3), false});
    shapes.push_back({"period 1000", Periodic(300000, 1000), false});
    return shapes;
}

void ExpectSameOrder(const sShape& shape)
{
    const Bytes& in = shape.bytes;
    ASSERT_FALSE(in.empty()) << shape.name;
    std::vector<int32_t> expected(in.size());
    ASSERT_EQ(divsufsort(in.data(), expected.data(), int32_t(in.size())), 0);
    std::vector<int32_t> suffixes(in.size());
    std::vector<uint32_t> ranks(in.size());
    Bytes marks(in.size());
    const bool served = CPNUSuffixSorter::Sort(in.data(), in.size(), suffixes.data(), ranks.data(), marks.data());
    if (shape.served) {
        EXPECT_TRUE(served) << shape.name;
    }
    if (served) {
        EXPECT_EQ(suffixes, expected) << shape.name;
    }
}

TEST(SuffixSorter, GivesTheOrderOfTheSortOfOneProcessor)
{
    for (const sShape& shape : Shapes())
        ExpectSameOrder(shape);
}

TEST(SuffixSorter, GivesTheSameOrderWhenJobsRunOneByOneBackward)
{
    BackwardWorkers backward;
    plat::SetWorkers(&backward);
    for (const sShape& shape : Shapes())
        ExpectSameOrder(shape);
    plat::SetWorkers(nullptr);
}

TEST(SuffixSorter, LeavesLongRunsAndPeriodicInputToTheOtherSort)
{
    for (const sShape& shape : Shapes()) {
        if (shape.bytes.size() < 1000 || shape.served)
            continue;
        std::vector<int32_t> suffixes(shape.bytes.size());
        std::vector<uint32_t> ranks(shape.bytes.size());
        Bytes marks(shape.bytes.size());
        EXPECT_FALSE(CPNUSuffixSorter::Sort(shape.bytes.data(), shape.bytes.size(), suffixes.data(), ranks.data(),
                                            marks.data()))
            << shape.name;
    }
}

// Runs the jobs in order on the calling thread, as one processor would.
class OneWorker final : public plat::Workers {
public:
    uint32_t Count() const override { return 1; }
    void Run(uint32_t jobs, plat::tJob job, void* context) override
    {
        for (uint32_t i = 0; i < jobs; ++i)
            job(context, i);
    }
};

Bytes Frame8(const Bytes& in)
{
    Bytes frame(CPNUCompressor::EncodeBound(in.size()));
    uint64_t length = 0;
    EXPECT_EQ(CPNUCompressor::EncodeFrame(8, in.data(), in.size(), frame.data(), frame.size(), length), eSuccess);
    frame.resize(length);
    return frame;
}

TEST(SuffixSorter, TheEncoderGivesTheSameBytesWhicheverSortRuns)
{
    const Bytes in = WithRunsAndCopies(1200000, {40, 99, 100, 700, 3000, 9000}, true);
    OneWorker one;
    plat::SetWorkers(&one);
    const Bytes alone = Frame8(in);
    BackwardWorkers backward(8);
    plat::SetWorkers(&backward);
    const Bytes shared = Frame8(in);
    plat::SetWorkers(nullptr);
    EXPECT_EQ(shared, alone);
    EXPECT_EQ(Frame8(in), alone);
}

} // namespace
