// The byte form of the memory block: the storage of memory streams.
#pragma once

#include "core/CMemBlockT.h"

class CMemBlock : public CMemBlockT<unsigned char> {
public:
    using CMemBlockT<unsigned char>::CMemBlockT;
};

// The bytes before the block's first 0 byte, or all of them: the length a C string of them has.
inline uint32_t MacRomanTextLength(const CMemBlock& bytes)
{
    const void* end = bytes.GetSize() ? std::memchr(bytes.GetData(), 0, bytes.GetSize()) : nullptr;
    return end ? uint32_t(static_cast<const unsigned char*>(end) - bytes.GetData()) : bytes.GetSize();
}
