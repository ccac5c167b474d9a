#include "core/DeleteGuard.h"
#include "core/eResultCode.h"
#include "core/gCBaseObject.h"
#include "core/gCMemory.h"
#include "core/gCRect.h"
#include "support/AllocationFailure.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(MemoryHooks, ZeroSizedRequestsGiveFreeableBlocks)
{
    void* block = MemAllocate(0);
    ASSERT_NE(block, nullptr);
    MemFree(block);

    void* grown = MemReallocate(nullptr, 0);
    ASSERT_NE(grown, nullptr);
    grown = MemReallocate(grown, 64);
    ASSERT_NE(grown, nullptr);
    MemFree(grown);
    MemFree(nullptr);
}

TEST(MemoryHooks, FailureHookFailsOnlyTheChosenAllocation)
{
    AllocationFailure failure(2);
    void* first = MemAllocate(8);
    void* second = MemAllocate(8);
    void* third = MemAllocate(8);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(second, nullptr);
    EXPECT_NE(third, nullptr);
    EXPECT_EQ(failure.Count(), 3);
    MemFree(first);
    MemFree(third);
}

namespace {

int sDestroyed = 0;

class Counted : public gCBaseObject {
public:
    ~Counted() override { ++sDestroyed; }
};

} // namespace

TEST(MemoryHooks, ObjectsThatCannotBeAllocatedComeBackNull)
{
    AllocationFailure failure(1);
    Counted* object = new Counted;
    EXPECT_EQ(object, nullptr);
}

TEST(DeleteGuard, DeletesAnArmedObjectOnceAndClearsTheVariable)
{
    sDestroyed = 0;
    Counted* object = new Counted;
    {
        DeleteGuard<Counted> guard(&object);
    }
    EXPECT_EQ(sDestroyed, 1);
    EXPECT_EQ(object, nullptr);

    Counted* handedOn = new Counted;
    Counted* keeper = handedOn;
    {
        DeleteGuard<Counted> guard(&handedOn);
        handedOn = nullptr;
    }
    EXPECT_EQ(sDestroyed, 1);
    delete keeper;
    EXPECT_EQ(sDestroyed, 2);
}

TEST(Geometry, RectangleOffsetAndSize)
{
    gCRect rect;
    rect.Set(10, 20, 110, 70);
    rect += gCPoint{5, -5};
    EXPECT_EQ(rect, (gCRect{15, 15, 115, 65}));
    EXPECT_EQ(rect.GetSize(), (gCPoint{100, 50}));
    EXPECT_EQ((rect - gCPoint{15, 15}), (gCRect{0, 0, 100, 50}));
    EXPECT_EQ((gCPoint{3, 4} != gCPoint{3, 5}), 1);
    EXPECT_EQ((gCPoint{3, 4} != gCPoint{3, 4}), 0);
}

TEST(ResultCodes, MessagesAreIndexedByCode)
{
    EXPECT_STREQ(GetResultMessage(eSuccess), "Success!");
    EXPECT_STREQ(GetResultMessage(eNoMemory), "Not enough memory to perform action.");
    EXPECT_STREQ(GetResultMessage(eInvalidFile), "The file being accessed is invalid.");
    EXPECT_STREQ(GetResultMessage(eKeyNotFound),
                 "An action that required a valid key to be found failed due to no key of that value "
                 "being present in the dictionary.");
    // The one message that spans two lines.
    EXPECT_NE(std::strchr(GetResultMessage(eBadTaste), '\n'), nullptr);
    EXPECT_STREQ(GetResultMessage(32), "Generic Failure.");
    EXPECT_STREQ(GetResultMessage(-9874), "Generic Failure.");
}
