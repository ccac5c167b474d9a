// The frame of the operations that read one image into another (copy, resize, stretch, tile):
// both are locked, a compressed source is handed on unlocked for its run-length form to be read,
// and a compressed destination is opened up for the work and compressed again after it.
#pragma once

#include "core/eResultCode.h"
#include "core/gCRect.h"
#include "imaging/CImageBase.h"

// Locks area (the whole image when null) of destination and of source, the source first, and
// runs work(out, in); eNoMemory when either cannot be locked.
template <typename Nav, typename Work>
eResultCode OnLockedPair(CImageBase* destination, CImageBase* source, const gCRect* area, Work work)
{
    Nav in(source, area);
    if (!in.IsLocked())
        return eNoMemory;
    Nav out(destination, area);
    if (!out.IsLocked())
        return eNoMemory;
    return work(out, in);
}

// Runs operation(out, source, in) over area (the whole images when null): in is null when the
// source is compressed. A compressed destination is compressed again after a successful
// operation.
template <typename Nav, typename Operation>
eResultCode OnImagePair(CImageBase* destination, CImageBase* source, const gCRect* area, Operation operation)
{
    if (!destination || !source)
        return eBadParameter;
    bool recompress = false;
    if (destination->IsCompressed()) {
        PNU_TRY(destination->Decompress());
        recompress = true;
    }
    eResultCode result;
    {
        Nav out(destination, area);
        if (!out.IsLocked())
            return eNoMemory;
        if (source->IsCompressed()) {
            result = operation(out, source, static_cast<Nav*>(nullptr));
        } else {
            Nav in(source, area);
            if (!in.IsLocked())
                return eNoMemory;
            result = operation(out, source, &in);
        }
    }
    if (result == eSuccess && recompress)
        return destination->Compress();
    return result;
}
