// The byte form of the memory block: the storage of memory streams.
#pragma once

#include "core/CMemBlockT.h"

class CMemBlock : public CMemBlockT<unsigned char> {
public:
    using CMemBlockT<unsigned char>::CMemBlockT;
};
