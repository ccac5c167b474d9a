#include "core/gCArray.h"
#include "core/gCString.h"
#include "support/AllocationFailure.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Texts(const gCArray<gCString>& array)
{
    std::vector<std::string> texts;
    for (const gCString& text : array)
        texts.push_back(text.IsNull() ? "<null>" : Utf8(text));
    return texts;
}

void Fill(gCArray<gCString>& array, std::initializer_list<const char*> texts)
{
    for (const char* text : texts)
        ASSERT_EQ(array.Add(gCString(text)), eSuccess);
}

int sFrees = 0;
tFreeHook sSavedFree = nullptr;

void CountingFree(void* block)
{
    if (block != nullptr)
        ++sFrees;
    sSavedFree(block);
}

} // namespace

TEST(ArrayOfStrings, NewElementsAreNullStrings)
{
    gCArray<gCString> strings;
    ASSERT_EQ(strings.SetSize(2), eSuccess);
    ASSERT_EQ(strings.InsertAt(4, gCString("four")), eSuccess);
    EXPECT_EQ(Texts(strings), (std::vector<std::string>{"<null>", "<null>", "<null>", "<null>", "four"}));
}

TEST(ArrayOfStrings, ShrinkingFreesTheRemovedTextsAndKeepsTheCapacity)
{
    gCArray<gCString> strings;
    Fill(strings, {"one", "two", "three"});
    int32_t capacity = strings.GetCapacity();
    sSavedFree = gFreeHook;
    gFreeHook = CountingFree;
    sFrees = 0;
    EXPECT_EQ(strings.SetSize(1), eSuccess);
    gFreeHook = sSavedFree;
    EXPECT_EQ(sFrees, 2);
    EXPECT_EQ(strings.GetCapacity(), capacity);
    EXPECT_EQ(Texts(strings), (std::vector<std::string>{"one"}));
}

TEST(ArrayOfStrings, GrowingInsertingAndRemovingKeepEveryText)
{
    gCArray<gCString> strings;
    for (int32_t i = 0; i < 100; ++i)
        ASSERT_EQ(strings.Add(gCString(i)), eSuccess);
    ASSERT_EQ(strings.InsertAt(0, strings[99]), eSuccess);
    strings.RemoveAt(1, 98);
    EXPECT_EQ(Texts(strings), (std::vector<std::string>{"99", "98", "99"}));
}

TEST(ArrayOfStrings, CopyAndAppendSurviveEachFailedAllocation)
{
    gCArray<gCString> source;
    Fill(source, {"alpha", "beta", "gamma"});
    const std::vector<std::string> start = {"old", "older"};

    // The array either stays as it was (5), or holds the copied texts with any text whose own
    // copy failed left empty.
    for (bool append : {false, true}) {
        for (int64_t k = 1;; ++k) {
            SCOPED_TRACE(testing::Message() << (append ? "Append " : "Copy ") << k);
            gCArray<gCString> target;
            Fill(target, {"old", "older"});
            eResultCode result;
            bool failed;
            {
                AllocationFailure failure(k);
                result = append ? target.Append(source) : target.Copy(source);
                failed = failure.Count() >= k;
            }
            std::vector<std::string> texts = Texts(target);
            if (result != eSuccess) {
                EXPECT_EQ(result, eNoMemory);
                EXPECT_EQ(texts, start);
            } else {
                std::vector<std::string> expected = append ? start : std::vector<std::string>{};
                for (const char* text : {"alpha", "beta", "gamma"})
                    expected.push_back(text);
                ASSERT_EQ(texts.size(), expected.size());
                for (size_t i = 0; i < texts.size(); ++i) {
                    if (failed && texts[i] == "<null>")
                        continue;
                    EXPECT_EQ(texts[i], expected[i]);
                }
            }
            if (!failed)
                break;
        }
    }
}
