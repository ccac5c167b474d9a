#include "core/gCDictionary.h"
#include "support/AllocationFailure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

int sCalls = 0;

// Integer keys: element - key is positive when the key sorts before the element.
int32_t CompareNumbers(int32_t key, int32_t element, intptr_t userValue)
{
    ++sCalls;
    EXPECT_EQ(userValue, 1234);
    return element - key;
}

class Dictionary : public testing::Test {
protected:
    void SetUp() override
    {
        sCalls = 0;
        mDictionary.SetCompareFunction(CompareNumbers, 1234);
    }
    void AddAll(std::initializer_list<int32_t> keys)
    {
        for (int32_t key : keys)
            ASSERT_EQ(mDictionary.AddKey(key), eSuccess) << key;
    }
    std::vector<int32_t> Keys() const { return {mDictionary.begin(), mDictionary.end()}; }

    gCDictionary<int32_t> mDictionary;
};

} // namespace

TEST_F(Dictionary, KeepsKeysSortedAndFindsThem)
{
    AddAll({5, 1, 3});
    EXPECT_EQ(Keys(), (std::vector<int32_t>{1, 3, 5}));
    EXPECT_EQ(mDictionary.GetIndexOfElement(3), 1);
    EXPECT_EQ(mDictionary.GetIndexOfElement(4), -1);
    EXPECT_EQ(mDictionary.AddKey(3), eDuplicateKey);
    EXPECT_EQ(mDictionary.GetSize(), 3);
}

TEST_F(Dictionary, InsertsEveryKeyInItsPlace)
{
    // Orders that reach each branch of the insertion: before the first, after the last, and the
    // bisection on both sides, with sizes odd and even.
    const std::vector<std::vector<int32_t>> orders = {
        {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
        {10, 9, 8, 7, 6, 5, 4, 3, 2, 1},
        {1, 10, 5, 3, 8, 2, 9, 4, 7, 6},
        {50, 10, 90, 30, 70, 20, 80, 40, 60, 25, 35, 45, 55, 65, 75, 85, 15, 5, 95},
    };
    for (const std::vector<int32_t>& order : orders) {
        gCDictionary<int32_t> dictionary;
        dictionary.SetCompareFunction(CompareNumbers, 1234);
        for (int32_t key : order)
            ASSERT_EQ(dictionary.AddKey(key), eSuccess);
        std::vector<int32_t> sorted = order;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(std::vector<int32_t>(dictionary.begin(), dictionary.end()), sorted);
        for (int32_t i = 0; i < int32_t(sorted.size()); ++i) {
            EXPECT_EQ(dictionary.GetIndexOfElement(sorted[i]), i);
            EXPECT_EQ(dictionary.GetIndexOfElement(sorted[i] + 1000), -1);
            EXPECT_EQ(dictionary.GetIndexOfElement(sorted[i] - 1000), -1);
            if (i + 1 < int32_t(sorted.size()) && sorted[i + 1] - sorted[i] > 1) {
                EXPECT_EQ(dictionary.GetIndexOfElement(sorted[i] + 1), -1);
            }
            EXPECT_EQ(dictionary.AddKey(sorted[i]), eDuplicateKey);
        }
    }
}

TEST_F(Dictionary, DuplicatesGoBesideTheirEqualWhenAllowed)
{
    struct Case {
        std::vector<int32_t> start;
        int32_t key;
        int32_t expectedIndex;
    };
    // Equal to the first: index 0; equal to the last: appended; one element: appended.
    const Case cases[] = {
        {{1, 5, 9}, 1, 0},
        {{1, 5, 9}, 9, 3},
        {{1, 9}, 1, 0},
        {{1, 9}, 9, 2},
        {{4}, 4, 1},
        {{1, 3, 5, 7, 9}, 5, 2},
    };
    for (const Case& c : cases) {
        gCDictionary<int32_t> dictionary;
        dictionary.SetCompareFunction(CompareNumbers, 1234);
        dictionary.SetAllowDuplicates(1);
        for (int32_t key : c.start)
            ASSERT_EQ(dictionary.AddKey(key), eSuccess);
        ASSERT_EQ(dictionary.AddKey(c.key), eSuccess);
        EXPECT_EQ(dictionary.GetSize(), int32_t(c.start.size()) + 1);
        EXPECT_EQ(dictionary[c.expectedIndex], c.key);
        for (int32_t i = 0; i + 1 < dictionary.GetSize(); ++i)
            EXPECT_LE(dictionary[i], dictionary[i + 1]);
    }
}

TEST_F(Dictionary, EmptyDictionaryFindsNothing)
{
    EXPECT_EQ(mDictionary.GetIndexOfElement(7), -1);
    EXPECT_EQ(mDictionary.RemoveKey(7), eKeyNotFound);
    EXPECT_EQ(sCalls, 0);
}

TEST_F(Dictionary, RemovesByKey)
{
    AddAll({2, 4, 6, 8});
    EXPECT_EQ(mDictionary.RemoveKey(5), eKeyNotFound);
    EXPECT_EQ(mDictionary.RemoveKey(4), eSuccess);
    EXPECT_EQ(Keys(), (std::vector<int32_t>{2, 6, 8}));
    EXPECT_EQ(mDictionary.RemoveKey(8), eSuccess);
    EXPECT_EQ(mDictionary.RemoveKey(2), eSuccess);
    EXPECT_EQ(mDictionary.RemoveKey(6), eSuccess);
    EXPECT_EQ(mDictionary.GetSize(), 0);
}

TEST_F(Dictionary, CallsTheComparisonSparingly)
{
    struct Case {
        std::vector<int32_t> keys;
        int32_t lookup;
        int expectedCalls;
    };
    const Case cases[] = {
        {{10, 20}, 15, 3},  // between the two: first, last, then the middle once
        {{10, 20}, 5, 2},   // outside the range
        {{10, 20}, 25, 2},
        {{10}, 10, 1},
        {{10, 20, 30}, 10, 1},
        {{10, 20, 30}, 30, 2},
    };
    for (const Case& c : cases) {
        gCDictionary<int32_t> dictionary;
        dictionary.SetCompareFunction(CompareNumbers, 1234);
        for (int32_t key : c.keys)
            ASSERT_EQ(dictionary.AddKey(key), eSuccess);
        sCalls = 0;
        (void)dictionary.GetIndexOfElement(c.lookup);
        EXPECT_EQ(sCalls, c.expectedCalls) << c.lookup;
    }

    // Lookups in a large dictionary stay logarithmic.
    for (int32_t key = 0; key < 1000; ++key)
        ASSERT_EQ(mDictionary.AddKey(key * 2), eSuccess);
    sCalls = 0;
    EXPECT_EQ(mDictionary.GetIndexOfElement(777 * 2), 777);
    EXPECT_LE(sCalls, 14);
}

namespace {

std::vector<std::string> sAlerts;

void RecordAlert(const char* mainText, const char* explanation)
{
    sAlerts.push_back(std::string(mainText) + "|" + explanation);
}

} // namespace

TEST(DictionaryWithoutComparison, AlertsOncePerCallAndAddsNothing)
{
    tPlainAlertHook saved = gPlainAlertHook;
    gPlainAlertHook = RecordAlert;
    sAlerts.clear();
    gCDictionary<int32_t> dictionary;
    // Refusing the key is a failure, so it is reported as one.
    EXPECT_EQ(dictionary.AddKey(1), eBadParameter);
    EXPECT_EQ(dictionary.AddKey(2), eBadParameter);
    gPlainAlertHook = saved;
    EXPECT_EQ(dictionary.GetSize(), 0);
    ASSERT_EQ(sAlerts.size(), 2u);
    EXPECT_EQ(sAlerts[0], "Message|gCDictionary::AddKey() called without a valid key return function set");
    EXPECT_EQ(dictionary.GetIndexOfElement(1), -1);
}

TEST(DictionaryOutOfMemory, FailedInsertionLeavesTheDictionaryUnchanged)
{
    // Keys placed by each path of the insertion: empty, before, after, and inside.
    const std::vector<int32_t> starts[] = {{}, {10}, {10, 20, 30}};
    for (const std::vector<int32_t>& start : starts) {
        for (int32_t key : {5, 15, 25, 35}) {
            gCDictionary<int32_t> dictionary;
            dictionary.SetCompareFunction(CompareNumbers, 1234);
            ASSERT_EQ(dictionary.SetSize(int32_t(start.size()), 0), eSuccess); // full: must grow
            for (size_t i = 0; i < start.size(); ++i)
                dictionary[int32_t(i)] = start[i];
            AllocationFailure failure(1);
            EXPECT_EQ(dictionary.AddKey(key), eNoMemory);
            EXPECT_EQ(std::vector<int32_t>(dictionary.begin(), dictionary.end()), start);
        }
    }
}

TEST(DictionaryOfPointers, OwnerPassesItselfAsUserValue)
{
    struct Pair {
        int32_t left;
        int32_t right;
    };
    struct Owner {
        int32_t comparisons = 0;
    } owner;
    auto compare = [](Pair* key, Pair* element, intptr_t userValue) -> int32_t {
        ++reinterpret_cast<Owner*>(userValue)->comparisons;
        if (key->left != element->left)
            return element->left - key->left;
        return element->right - key->right;
    };
    Pair pairs[] = {{3, 1}, {1, 2}, {1, 1}, {2, 9}};
    gCDictionary<Pair*>* dictionary = new gCDictionary<Pair*>;
    ASSERT_NE(dictionary, nullptr);
    dictionary->SetCompareFunction(compare, reinterpret_cast<intptr_t>(&owner));
    for (Pair& pair : pairs)
        ASSERT_EQ(dictionary->AddKey(&pair), eSuccess);
    Pair probe{1, 2};
    EXPECT_EQ(dictionary->GetIndexOfElement(&probe), 1);
    EXPECT_EQ((*dictionary)[0], &pairs[2]);
    EXPECT_GT(owner.comparisons, 0);
    delete dictionary; // the pairs are not owned and stay untouched
    EXPECT_EQ(pairs[0].left, 3);
}
