// An owned raw memory block from the hooks, sized in bytes whatever its element type.
#pragma once

#include "core/gCBaseObject.h"
#include "core/gCMemory.h"

#include <cstdint>
#include <cstring>

template <typename T>
class CMemBlockT : public gCBaseObject {
public:
    // A block whose allocation fails is empty (size 0, data null); callers check GetData.
    explicit CMemBlockT(uint32_t size = 0, int32_t zeroFill = 0)
    {
        if (size == 0)
            return;
        mData = static_cast<T*>(MemAllocate(size));
        if (mData == nullptr)
            return;
        mSize = size;
        if (zeroFill)
            Clear();
    }
    ~CMemBlockT() override { MemFree(mData); }

    CMemBlockT(const CMemBlockT&) = delete;
    CMemBlockT& operator=(const CMemBlockT&) = delete;

    // True on success. On failure the block keeps its old size and content. The zero fill covers
    // the whole block, the old content included, not only the part that was added.
    bool SetSize(uint32_t newSize, int32_t zeroFill = 0)
    {
        if (newSize == 0) {
            MemFree(mData);
            mData = nullptr;
            mSize = 0;
            return true;
        }
        T* resized = static_cast<T*>(MemReallocate(mData, newSize));
        if (resized == nullptr)
            return false;
        mData = resized;
        mSize = newSize;
        if (zeroFill)
            Clear();
        return true;
    }

    void Clear()
    {
        if (mData != nullptr)
            std::memset(static_cast<void*>(mData), 0, mSize);
    }

    void CopyFrom(const void* source, uint32_t count)
    {
        uint32_t bytes = count < mSize ? count : mSize;
        if (bytes > 0)
            std::memcpy(static_cast<void*>(mData), source, bytes);
    }

    uint32_t GetSize() const { return mSize; }
    T* GetData() { return mData; }
    const T* GetData() const { return mData; }

private:
    uint32_t mSize = 0;
    T* mData = nullptr;
};
