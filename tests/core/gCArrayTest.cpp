#include "core/gCArray.h"
#include "support/AllocationFailure.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// An element that owns memory from the hooks, like the toolkit's strings: it must be constructed,
// copied and destroyed through its own operations, never duplicated bytewise.
class OwnedText {
public:
    OwnedText() { ++sLive; }
    OwnedText(const char* text) : OwnedText() { Set(text); }
    OwnedText(const OwnedText& other) : OwnedText() { Set(other.mText); }
    OwnedText(OwnedText&& other) noexcept : OwnedText() { std::swap(mText, other.mText); }
    OwnedText& operator=(const OwnedText& other)
    {
        if (this != &other)
            Set(other.mText);
        return *this;
    }
    OwnedText& operator=(OwnedText&& other) noexcept
    {
        std::swap(mText, other.mText);
        return *this;
    }
    ~OwnedText()
    {
        --sLive;
        MemFree(mText);
    }

    // Like the strings, a copy that runs out of memory leaves the empty text.
    void Set(const char* text)
    {
        MemFree(mText);
        mText = nullptr;
        if (text == nullptr)
            return;
        size_t bytes = std::strlen(text) + 1;
        mText = static_cast<char*>(MemAllocate(bytes));
        if (mText != nullptr)
            std::memcpy(mText, text, bytes);
    }
    std::string Get() const { return mText ? mText : ""; }
    bool IsNull() const { return mText == nullptr; }

    static inline int sLive = 0;

private:
    char* mText = nullptr;
};

std::vector<int32_t> Contents(const gCArray<int32_t>& array)
{
    return std::vector<int32_t>(array.begin(), array.end());
}

std::vector<std::string> Contents(const gCArray<OwnedText>& array)
{
    std::vector<std::string> texts;
    for (const OwnedText& text : array)
        texts.push_back(text.Get());
    return texts;
}

void Fill(gCArray<int32_t>& array, int32_t count)
{
    for (int32_t i = 0; i < count; ++i)
        ASSERT_EQ(array.Add(i), eSuccess);
}

void Fill(gCArray<OwnedText>& array, std::initializer_list<const char*> texts)
{
    for (const char* text : texts)
        ASSERT_EQ(array.Add(OwnedText(text)), eSuccess);
}

struct GrowthCase {
    const char* name;
    int32_t startSize;
    int32_t growBy;
    int32_t newSize;
    int32_t expectedCapacity;
};

void PrintTo(const GrowthCase& c, std::ostream* out) { *out << c.name; }

class ArrayGrowth : public testing::TestWithParam<GrowthCase> {};

} // namespace

TEST_P(ArrayGrowth, CapacityFollowsTheStepRule)
{
    const GrowthCase& c = GetParam();
    gCArray<int32_t> array;
    if (c.startSize > 0) {
        ASSERT_EQ(array.SetSize(c.startSize), eSuccess);
        ASSERT_EQ(array.GetCapacity(), c.startSize);
    }
    ASSERT_EQ(array.SetSize(c.newSize, c.growBy), eSuccess);
    EXPECT_EQ(array.GetSize(), c.newSize);
    EXPECT_EQ(array.GetCapacity(), c.expectedCapacity);
}

INSTANTIATE_TEST_SUITE_P(Steps, ArrayGrowth,
                         testing::Values(GrowthCase{"FirstAllocationIsExact", 0, -1, 7, 7},
                                         GrowthCase{"StepRaisedTo8", 5, -1, 6, 13},
                                         GrowthCase{"StepIsAQuarterOfTheSize", 40, -1, 41, 50},
                                         GrowthCase{"StepIsAQuarterOfALargerSize", 100, -1, 101, 125},
                                         GrowthCase{"StepCutTo2048", 10000, -1, 10001, 12048},
                                         GrowthCase{"PastSizePlusStepAddsTheStepToTheNewSize", 20, -1, 100, 108},
                                         GrowthCase{"StepZeroGrowsExactly", 10, 0, 11, 11},
                                         GrowthCase{"AGivenStepIsUsed", 10, 3, 11, 13}),
                         [](const testing::TestParamInfo<GrowthCase>& info) { return std::string(info.param.name); });

TEST(Array, AddGrowsByTheAutomaticStep)
{
    gCArray<int32_t> array;
    ASSERT_EQ(array.SetSize(5), eSuccess);
    ASSERT_EQ(array.Add(42), eSuccess);
    EXPECT_EQ(array.GetCapacity(), 13);
    EXPECT_EQ(array[5], 42);
    // Within the capacity nothing moves.
    const int32_t* buffer = array.GetData();
    for (int32_t i = 0; i < 7; ++i)
        ASSERT_EQ(array.Add(i), eSuccess);
    EXPECT_EQ(array.GetData(), buffer);
    EXPECT_EQ(array.GetCapacity(), 13);
}

TEST(Array, StoredStepIsKeptUntilChanged)
{
    gCArray<int32_t> array;
    ASSERT_EQ(array.SetSize(10, 0), eSuccess);
    ASSERT_EQ(array.Add(1), eSuccess);
    EXPECT_EQ(array.GetCapacity(), 11);
    EXPECT_EQ(array.GetGrowBy(), 0);
    ASSERT_EQ(array.SetSize(12, -5), eSuccess); // a negative step leaves the stored one
    EXPECT_EQ(array.GetCapacity(), 12);
    array.RemoveAll();
    EXPECT_EQ(array.GetGrowBy(), 0);
}

TEST(Array, SizeZeroFreesTheBufferAndTheNextAllocationIsExact)
{
    gCArray<int32_t> array;
    Fill(array, 20);
    ASSERT_EQ(array.SetSize(0), eSuccess);
    EXPECT_EQ(array.GetData(), nullptr);
    EXPECT_EQ(array.GetCapacity(), 0);
    EXPECT_EQ(array.GetSize(), 0);
    ASSERT_EQ(array.SetSize(3), eSuccess);
    EXPECT_EQ(array.GetCapacity(), 3);
}

TEST(Array, ShrinkingKeepsTheBuffer)
{
    gCArray<int32_t> array;
    Fill(array, 20);
    const int32_t* buffer = array.GetData();
    int32_t capacity = array.GetCapacity();
    ASSERT_EQ(array.SetSize(4), eSuccess);
    EXPECT_EQ(array.GetData(), buffer);
    EXPECT_EQ(array.GetCapacity(), capacity);
    EXPECT_EQ(Contents(array), (std::vector<int32_t>{0, 1, 2, 3}));
}

TEST(Array, NegativeSizeIsRefused)
{
    gCArray<int32_t> array;
    Fill(array, 3);
    EXPECT_EQ(array.SetSize(-1), eBadParameter);
    EXPECT_EQ(Contents(array), (std::vector<int32_t>{0, 1, 2}));
}

TEST(Array, InsertAtPlacesTheValue)
{
    struct Case {
        int32_t index;
        std::vector<int32_t> expected;
    };
    // Elements added past the end start as new (zero) elements.
    const Case cases[] = {
        {0, {99, 10, 11, 12}},
        {1, {10, 99, 11, 12}},
        {2, {10, 11, 99, 12}},
        {3, {10, 11, 12, 99}},
        {7, {10, 11, 12, 0, 0, 0, 0, 99}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        gCArray<int32_t> array;
        for (int32_t value : {10, 11, 12})
            ASSERT_EQ(array.Add(value), eSuccess);
        ASSERT_EQ(array.InsertAt(c.index, 99), eSuccess);
        EXPECT_EQ(Contents(array), c.expected);
    }
}

TEST(Array, RemoveAtClosesTheGap)
{
    struct Case {
        int32_t index;
        int32_t count;
        std::vector<int32_t> expected;
    };
    const Case cases[] = {
        {0, 1, {1, 2, 3, 4}},
        {4, 1, {0, 1, 2, 3}},
        {1, 3, {0, 4}},
        {0, 5, {}},
        {2, 0, {0, 1, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.index << "," << c.count);
        gCArray<int32_t> array;
        Fill(array, 5);
        int32_t capacity = array.GetCapacity();
        array.RemoveAt(c.index, c.count);
        EXPECT_EQ(Contents(array), c.expected);
        EXPECT_EQ(array.GetCapacity(), capacity);
    }
}

TEST(Array, ValuesTakenFromTheArrayItselfSurviveGrowth)
{
    gCArray<OwnedText> texts;
    ASSERT_EQ(texts.SetSize(0, 0), eSuccess); // grow exactly, so every insertion moves the buffer
    Fill(texts, {"a", "b", "c"});
    ASSERT_EQ(texts.Add(texts[0]), eSuccess);
    ASSERT_EQ(texts.InsertAt(0, texts[2]), eSuccess);
    ASSERT_EQ(texts.InsertAt(2, texts[1]), eSuccess);
    ASSERT_EQ(texts.InsertAt(9, texts[3]), eSuccess);
    EXPECT_EQ(Contents(texts), (std::vector<std::string>{"c", "a", "a", "b", "c", "a", "", "", "", "b"}));

    gCArray<int32_t> numbers;
    ASSERT_EQ(numbers.SetSize(0, 0), eSuccess);
    Fill(numbers, 3);
    ASSERT_EQ(numbers.InsertAt(1, numbers[2]), eSuccess);
    ASSERT_EQ(numbers.Add(numbers[0]), eSuccess);
    EXPECT_EQ(Contents(numbers), (std::vector<int32_t>{0, 2, 1, 2, 0}));
}

TEST(ArrayOfOwningElements, ElementsAreConstructedAndDestroyed)
{
    OwnedText::sLive = 0;
    {
        gCArray<OwnedText> texts;
        ASSERT_EQ(texts.SetSize(4), eSuccess);
        EXPECT_EQ(OwnedText::sLive, 4);
        for (const OwnedText& text : texts)
            EXPECT_TRUE(text.IsNull());
        texts[0].Set("zero");
        texts[3].Set("three");
        // Growth moves the elements through their own operations.
        for (int i = 0; i < 40; ++i)
            ASSERT_EQ(texts.Add(OwnedText("more")), eSuccess);
        EXPECT_EQ(texts[0].Get(), "zero");
        EXPECT_EQ(texts[3].Get(), "three");
        EXPECT_EQ(OwnedText::sLive, 44);

        int32_t capacity = texts.GetCapacity();
        ASSERT_EQ(texts.SetSize(1), eSuccess);
        EXPECT_EQ(OwnedText::sLive, 1);
        EXPECT_EQ(texts.GetCapacity(), capacity);

        ASSERT_EQ(texts.InsertAt(0, OwnedText("first")), eSuccess);
        texts.RemoveAt(1, 1);
        EXPECT_EQ(Contents(texts), (std::vector<std::string>{"first"}));
        EXPECT_EQ(OwnedText::sLive, 1);
    }
    EXPECT_EQ(OwnedText::sLive, 0); // the leak checker sees any text not freed
}

TEST(ArrayOfOwningElements, CopyAndAppendAssignEachElement)
{
    gCArray<OwnedText> source;
    Fill(source, {"x", "y"});
    gCArray<OwnedText> target;
    Fill(target, {"old", "old", "old"});
    ASSERT_EQ(target.Copy(source), eSuccess);
    EXPECT_EQ(Contents(target), (std::vector<std::string>{"x", "y"}));
    ASSERT_EQ(target.Append(source), eSuccess);
    ASSERT_EQ(target.Append(target), eSuccess);
    EXPECT_EQ(Contents(target), (std::vector<std::string>{"x", "y", "x", "y", "x", "y", "x", "y"}));
    ASSERT_EQ(target.Copy(target), eSuccess);
    EXPECT_EQ(target.GetSize(), 8);
}

// Every allocation an operation makes is made to fail in turn: each failure must report 5 and
// leave the array exactly as it was, buffer included. The array is prepared before the failures
// are armed, so only the operation itself is judged.
template <typename Element, typename Prepare, typename Operation, typename Snapshot>
void CheckEveryFailure(Prepare prepare, Operation operation, Snapshot snapshot)
{
    for (int64_t k = 1;; ++k) {
        SCOPED_TRACE(k);
        gCArray<Element> array;
        prepare(array);
        auto before = snapshot(array);
        const Element* buffer = array.GetData();
        int32_t capacity = array.GetCapacity();
        eResultCode result;
        bool failed;
        {
            AllocationFailure failure(k);
            result = operation(array);
            failed = failure.Count() >= k;
        }
        if (!failed) {
            EXPECT_EQ(result, eSuccess);
            ASSERT_GT(k, 1) << "the operation allocated nothing";
            return;
        }
        if (result != eSuccess) {
            EXPECT_EQ(result, eNoMemory);
            EXPECT_EQ(snapshot(array), before);
            EXPECT_EQ(array.GetData(), buffer);
            EXPECT_EQ(array.GetCapacity(), capacity);
        }
    }
}

TEST(ArrayOutOfMemory, FailedGrowthLeavesTheArrayUnchanged)
{
    gCArray<int32_t> numbers;
    Fill(numbers, 13);
    ASSERT_EQ(numbers.SetSize(numbers.GetCapacity()), eSuccess);
    std::vector<int32_t> before = Contents(numbers);
    int32_t capacity = numbers.GetCapacity();
    AllocationFailure failure(1, true);
    EXPECT_EQ(numbers.SetSize(capacity + 1), eNoMemory);
    EXPECT_EQ(numbers.Add(7), eNoMemory);
    EXPECT_EQ(numbers.InsertAt(0, 7), eNoMemory);
    EXPECT_EQ(numbers.InsertAt(40, 7), eNoMemory);
    EXPECT_EQ(numbers.Append(numbers), eNoMemory);
    EXPECT_EQ(Contents(numbers), before);
    EXPECT_EQ(numbers.GetCapacity(), capacity);

    gCArray<int32_t> empty;
    EXPECT_EQ(empty.Add(1), eNoMemory);
    EXPECT_EQ(empty.GetData(), nullptr);
    EXPECT_EQ(empty.GetSize(), 0);
}

TEST(ArrayOutOfMemory, EachAllocationOfEachOperationCanFail)
{
    auto numbers = [](gCArray<int32_t>& a) { return Contents(a); };
    auto texts = [](gCArray<OwnedText>& a) { return Contents(a); };
    // Full arrays, so that every operation below has to grow the buffer.
    auto threeNumbers = [](gCArray<int32_t>& a) {
        ASSERT_EQ(a.SetSize(3), eSuccess);
        for (int32_t i = 0; i < 3; ++i)
            a[i] = i;
    };
    auto threeTexts = [](gCArray<OwnedText>& a) {
        ASSERT_EQ(a.SetSize(3), eSuccess);
        a[0].Set("a");
        a[1].Set("b");
        a[2].Set("c");
    };
    auto none = [](auto&) {};

    CheckEveryFailure<int32_t>(none, [](auto& a) { return a.SetSize(5); }, numbers);
    CheckEveryFailure<int32_t>(threeNumbers, [](auto& a) { return a.SetSize(30); }, numbers);
    CheckEveryFailure<int32_t>(none, [](auto& a) { return a.Add(1); }, numbers);
    CheckEveryFailure<int32_t>(threeNumbers, [](auto& a) { return a.InsertAt(1, 9); }, numbers);
    CheckEveryFailure<int32_t>(threeNumbers, [](auto& a) { return a.InsertAt(12, 9); }, numbers);
    CheckEveryFailure<OwnedText>(threeTexts, [](auto& a) { return a.SetSize(30); }, texts);
    CheckEveryFailure<OwnedText>(threeTexts, [](auto& a) { return a.Add(OwnedText("d")); }, texts);
    CheckEveryFailure<OwnedText>(threeTexts, [](auto& a) { return a.InsertAt(0, a[2]); }, texts);
    CheckEveryFailure<OwnedText>(threeTexts, [](auto& a) { return a.Append(a); }, texts);
}
