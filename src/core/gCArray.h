// The toolkit's growable sequence: contiguous elements in memory from the hooks, growing by a step
// that adapts to the size, with every failure reported by value and the array left as it was.
#pragma once

#include "core/eResultCode.h"
#include "core/gCMemory.h"

#include <cassert>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

template <typename T>
class gCArray {
public:
    gCArray() = default;
    ~gCArray() { RemoveAll(); }

    // Arrays own their elements; copying one would free the same buffer twice.
    gCArray(const gCArray&) = delete;
    gCArray& operator=(const gCArray&) = delete;

    // Arrays created on their own come from the hooks, and come back null when memory runs out.
    static void* operator new(size_t size) noexcept { return MemAllocate(size); }
    static void* operator new(size_t, void* place) noexcept { return place; }
    static void operator delete(void* block) noexcept { MemFree(block); }
    static void* operator new[](size_t) = delete;
    static void operator delete[](void*) = delete;

    eResultCode SetSize(int32_t newSize, int32_t growBy = -1);
    void RemoveAll();
    void RemoveAt(int32_t index, int32_t count = 1);
    eResultCode InsertAt(int32_t index, const T& value);
    eResultCode Add(const T& value);
    eResultCode Copy(const gCArray& other);
    eResultCode Append(const gCArray& other);

    int32_t GetSize() const { return mSize; }
    int32_t GetCapacity() const { return mCapacity; }
    int32_t GetGrowBy() const { return mGrowBy; }
    T* GetData() { return mData; }
    const T* GetData() const { return mData; }

    // Direct access, as the callers expect: the index is the caller's to get right.
    T& operator[](int32_t index)
    {
        assert(index >= 0 && index < mSize);
        return mData[index];
    }
    const T& operator[](int32_t index) const
    {
        assert(index >= 0 && index < mSize);
        return mData[index];
    }

    T* begin() { return mData; }
    T* end() { return mData + mSize; }
    const T* begin() const { return mData; }
    const T* end() const { return mData + mSize; }

    // clamp(size / 4, 8, 2048): large arrays grow in bounded steps, small ones not element by element.
    static int32_t AutomaticStep(int32_t size)
    {
        int32_t step = size / 4;
        if (step < 8)
            return 8;
        if (step > 2048)
            return 2048;
        return step;
    }

private:
    // Types that can be moved by copying their bytes are reallocated in place; the others are
    // moved into a fresh buffer element by element, so their own copy rules are kept.
    static constexpr bool kBytewise = std::is_trivially_copyable_v<T>;

    static void Construct(T* first, T* last)
    {
        for (; first != last; ++first)
            new (first) T();
    }
    static void Destroy(T* first, T* last)
    {
        if constexpr (!std::is_trivially_destructible_v<T>) {
            for (; first != last; ++first)
                first->~T();
        }
    }
    eResultCode Reserve(int32_t newCapacity);
    // The index of `value` when it is one of this array's own elements, else -1. A value taken from
    // the array itself must survive the buffer moving or the elements shifting under it.
    int32_t IndexOfOwnElement(const T& value) const
    {
        const T* address = &value;
        if (mData == nullptr || address < mData || address >= mData + mSize)
            return -1;
        return int32_t(address - mData);
    }

    T* mData = nullptr;
    int32_t mSize = 0;
    int32_t mCapacity = 0;
    int32_t mGrowBy = -1;
};

template <typename T>
eResultCode gCArray<T>::Reserve(int32_t newCapacity)
{
    size_t bytes = size_t(newCapacity) * sizeof(T);
    if constexpr (kBytewise) {
        T* grown = static_cast<T*>(mData == nullptr ? MemAllocate(bytes) : MemReallocate(mData, bytes));
        if (grown == nullptr)
            return eNoMemory;
        mData = grown;
    } else {
        T* grown = static_cast<T*>(MemAllocate(bytes));
        if (grown == nullptr)
            return eNoMemory;
        for (int32_t i = 0; i < mSize; ++i) {
            new (grown + i) T(std::move(mData[i]));
            mData[i].~T();
        }
        MemFree(mData);
        mData = grown;
    }
    mCapacity = newCapacity;
    return eSuccess;
}

template <typename T>
eResultCode gCArray<T>::SetSize(int32_t newSize, int32_t growBy)
{
    if (newSize < 0)
        return eBadParameter;
    if (growBy >= 0)
        mGrowBy = growBy;
    if (newSize == mSize)
        return eSuccess;
    if (newSize == 0) {
        RemoveAll();
        return eSuccess;
    }
    if (mData == nullptr) {
        // The first allocation is exact: arrays filled once to a known size waste nothing.
        PNU_TRY(Reserve(newSize));
    } else if (newSize > mCapacity) {
        int64_t step = mGrowBy == -1 ? AutomaticStep(mSize) : mGrowBy;
        int64_t newCapacity = int64_t(mSize) + step;
        if (newSize > newCapacity)
            newCapacity = int64_t(newSize) + step;
        if (newCapacity > INT32_MAX)
            newCapacity = INT32_MAX;
        PNU_TRY(Reserve(int32_t(newCapacity)));
    }
    if (newSize > mSize)
        Construct(mData + mSize, mData + newSize);
    else
        Destroy(mData + newSize, mData + mSize);
    mSize = newSize;
    return eSuccess;
}

template <typename T>
void gCArray<T>::RemoveAll()
{
    Destroy(mData, mData + mSize);
    MemFree(mData);
    mData = nullptr;
    mSize = 0;
    mCapacity = 0;
}

template <typename T>
void gCArray<T>::RemoveAt(int32_t index, int32_t count)
{
    assert(index >= 0 && count >= 0 && int64_t(index) + count <= mSize);
    if (count <= 0)
        return;
    if constexpr (kBytewise) {
        std::memmove(mData + index, mData + index + count, size_t(mSize - index - count) * sizeof(T));
    } else {
        for (int32_t i = index; i + count < mSize; ++i)
            mData[i] = std::move(mData[i + count]);
        Destroy(mData + mSize - count, mData + mSize);
    }
    mSize -= count;
}

template <typename T>
eResultCode gCArray<T>::InsertAt(int32_t index, const T& value)
{
    assert(index >= 0);
    int32_t own = IndexOfOwnElement(value);
    if (index >= mSize) {
        PNU_TRY(SetSize(index + 1, -1));
        mData[index] = own >= 0 ? mData[own] : value;
        return eSuccess;
    }
    PNU_TRY(SetSize(mSize + 1, -1));
    if constexpr (kBytewise) {
        std::memmove(mData + index + 1, mData + index, size_t(mSize - 1 - index) * sizeof(T));
    } else {
        for (int32_t i = mSize - 1; i > index; --i)
            mData[i] = std::move(mData[i - 1]);
    }
    // The element at index now holds a moved-from or stale copy; it starts again as a new element.
    Destroy(mData + index, mData + index + 1);
    Construct(mData + index, mData + index + 1);
    if (own >= index)
        ++own;
    mData[index] = own >= 0 ? mData[own] : value;
    return eSuccess;
}

template <typename T>
eResultCode gCArray<T>::Add(const T& value)
{
    // Appending within the capacity is the common case and needs none of the growth rules.
    if (mSize < mCapacity) {
        new (mData + mSize) T(value);
        ++mSize;
        return eSuccess;
    }
    int32_t own = IndexOfOwnElement(value);
    PNU_TRY(SetSize(mSize + 1, -1));
    mData[mSize - 1] = own >= 0 ? mData[own] : value;
    return eSuccess;
}

template <typename T>
eResultCode gCArray<T>::Copy(const gCArray& other)
{
    if (&other == this)
        return eSuccess;
    PNU_TRY(SetSize(other.mSize, -1));
    for (int32_t i = 0; i < mSize; ++i) {
        // An element whose copy runs out of memory ends up new (empty), never with its old value.
        if constexpr (!kBytewise)
            mData[i] = T();
        mData[i] = other.mData[i];
    }
    return eSuccess;
}

template <typename T>
eResultCode gCArray<T>::Append(const gCArray& other)
{
    int32_t oldSize = mSize;
    int32_t count = other.mSize;
    if (int64_t(oldSize) + count > INT32_MAX)
        return eNoMemory;
    PNU_TRY(SetSize(oldSize + count, -1));
    // Reading through other.mData after growing also serves an array appended to itself.
    for (int32_t i = 0; i < count; ++i)
        mData[oldSize + i] = other.mData[i];
    return eSuccess;
}
