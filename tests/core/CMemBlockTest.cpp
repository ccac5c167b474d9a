#include "core/CMemBlock.h"
#include "support/AllocationFailure.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

bool AllZero(const CMemBlock& block)
{
    return std::all_of(block.GetData(), block.GetData() + block.GetSize(), [](unsigned char b) { return b == 0; });
}

} // namespace

TEST(MemBlock, ConstructionAllocatesTheSizeInBytes)
{
    CMemBlock zeroed(100, 1);
    ASSERT_NE(zeroed.GetData(), nullptr);
    EXPECT_EQ(zeroed.GetSize(), 100u);
    EXPECT_TRUE(AllZero(zeroed));

    CMemBlockT<float> floats(12);
    EXPECT_EQ(floats.GetSize(), 12u); // bytes, not elements

    CMemBlock empty;
    EXPECT_EQ(empty.GetData(), nullptr);
    EXPECT_EQ(empty.GetSize(), 0u);
}

TEST(MemBlock, FailedConstructionGivesAnEmptyBlock)
{
    AllocationFailure failure(1);
    CMemBlock block(64, 1);
    EXPECT_EQ(block.GetData(), nullptr);
    EXPECT_EQ(block.GetSize(), 0u);
}

TEST(MemBlock, ResizingKeepsOrZeroesTheWholeBlock)
{
    struct Case {
        uint32_t newSize;
        int32_t zeroFill;
        bool expectZero;
    };
    // With the fill flag the old content is cleared too, not only the part that was added.
    const Case cases[] = {{64, 0, false}, {64, 1, true}, {8, 0, false}, {8, 1, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.newSize << "," << c.zeroFill);
        CMemBlock block(16);
        std::fill(block.GetData(), block.GetData() + 16, 0xAB);
        ASSERT_TRUE(block.SetSize(c.newSize, c.zeroFill));
        EXPECT_EQ(block.GetSize(), c.newSize);
        if (c.expectZero)
            EXPECT_TRUE(AllZero(block));
        else
            EXPECT_EQ(block.GetData()[7], 0xAB);
    }
}

TEST(MemBlock, SizeZeroFreesTheData)
{
    CMemBlock block(16);
    EXPECT_TRUE(block.SetSize(0));
    EXPECT_EQ(block.GetData(), nullptr);
    EXPECT_EQ(block.GetSize(), 0u);
    block.Clear(); // harmless without data
    EXPECT_TRUE(block.SetSize(4, 1));
    EXPECT_TRUE(AllZero(block));
}

TEST(MemBlock, FailedResizeLeavesTheBlockUnchanged)
{
    CMemBlock block(16);
    std::fill(block.GetData(), block.GetData() + 16, 0x5A);
    const unsigned char* data = block.GetData();
    AllocationFailure failure(1);
    EXPECT_FALSE(block.SetSize(1 << 20, 1));
    EXPECT_EQ(block.GetData(), data);
    EXPECT_EQ(block.GetSize(), 16u);
    EXPECT_EQ(block.GetData()[15], 0x5A);
}

TEST(MemBlock, CopyFromNeverWritesPastTheBlock)
{
    const unsigned char source[32] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    CMemBlock block(8, 1);
    block.CopyFrom(source, sizeof source); // the sanitizers catch an overrun
    EXPECT_EQ(block.GetData()[7], 8);

    CMemBlock larger(16, 1);
    larger.CopyFrom(source, 3);
    EXPECT_EQ(larger.GetData()[2], 3);
    EXPECT_EQ(larger.GetData()[3], 0);
}

TEST(MemBlock, HeapBlocksComeFromTheHooks)
{
    CMemBlock* block = new CMemBlock(32);
    ASSERT_NE(block, nullptr);
    delete block;
    AllocationFailure failure(1);
    EXPECT_EQ(new CMemBlock(32), nullptr);
}
