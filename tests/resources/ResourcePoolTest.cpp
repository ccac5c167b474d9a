#include "support/AllocationFailure.h"
#include "support/ResourceFixtures.h"

#include "resources/CResourcePool.h"
#include "resources/ResourceCreation.h"
#include "resources/gCResourceObject.h"

#include <gtest/gtest.h>

namespace {

int gDeleted = 0;

class Named : public gCResourceObject {
public:
    Named(uint32_t id = 0, const char16_t* name = u"")
    {
        mId = id;
        mName = name;
    }
    ~Named() override { gDeleted++; }
};

} // namespace

TEST(ResourcePool, FindsTheFirstAddedByIdOrName)
{
    CResourcePool pool;
    EXPECT_EQ(pool.FindById(1), nullptr);
    auto* first = new Named(1, u"Same");
    auto* second = new Named(1, u"Same");
    ASSERT_EQ(pool.Add(first), eSuccess);
    ASSERT_EQ(pool.Add(second), eSuccess);
    EXPECT_EQ(first->IsInPool(), 1u);
    EXPECT_EQ(pool.FindById(1), first);
    EXPECT_EQ(pool.FindByName(gCString(u"Same")), first);
    EXPECT_EQ(pool.FindByName(gCString(u"same")), nullptr);
    EXPECT_EQ(pool.FindByName(gCString(u"")), nullptr);
}

TEST(ResourcePool, RemoveAllAndDestructionDeleteEveryObject)
{
    gDeleted = 0;
    {
        CResourcePool pool;
        for (uint32_t i = 0; i < 20; ++i)
            ASSERT_EQ(pool.Add(new Named(i)), eSuccess);
        pool.RemoveAll();
        EXPECT_EQ(gDeleted, 20);
        EXPECT_EQ(pool.GetCount(), 0);
        ASSERT_EQ(pool.Add(new Named(1)), eSuccess);
    }
    EXPECT_EQ(gDeleted, 21);
}

TEST(ResourcePool, FailedAddLeavesTheObjectWithTheCaller)
{
    CResourcePool pool;
    Named object(3);
    {
        AllocationFailure failure(1);
        EXPECT_EQ(pool.Add(&object), eNoMemory);
    }
    EXPECT_EQ(object.IsInPool(), 0u);
    EXPECT_EQ(pool.GetCount(), 0);
}

TEST(ResourcePool, SearchInAllPoolsSkipsTheFontPool)
{
    ScopedResourceContext scope;
    CResourceContext& context = scope.context;
    ASSERT_EQ(context.pools[eFontPool].Add(new Named(7, u"Font")), eSuccess);
    ASSERT_EQ(context.pools[3].Add(new Named(8, u"Other")), eSuccess);
    EXPECT_EQ(context.FindPoolResourceById(eAllPools, 7), nullptr);
    EXPECT_EQ(context.FindPoolResourceByName(eAllPools, gCString(u"Font")), nullptr);
    EXPECT_NE(context.FindPoolResourceById(eFontPool, 7), nullptr);
    EXPECT_NE(context.FindPoolResourceById(eAllPools, 8), nullptr);
    EXPECT_NE(context.FindPoolResourceByName(eAllPools, gCString(u"Other")), nullptr);
    EXPECT_EQ(context.FindPoolResourceById(6, 8), nullptr);
}

TEST(ResourcePool, FindOrLoadHandsOutOnlyObjectsOfTheWantedClass)
{
    ScopedResourceContext scope;
    ASSERT_EQ(scope.context.pools[eImagePool].Add(new Named(4)), eSuccess);
    class Other : public gCResourceObject {};
    EXPECT_EQ(FindOrLoadResourceById<Other>(eImagePool, 4, nullptr, nullptr), nullptr);
    EXPECT_NE(FindOrLoadResourceById<Named>(eImagePool, 4, nullptr, nullptr), nullptr);
    // Not in the pool and nothing to load it from.
    EXPECT_EQ(FindOrLoadResourceById<Named>(eImagePool, 5, nullptr, nullptr), nullptr);
}
