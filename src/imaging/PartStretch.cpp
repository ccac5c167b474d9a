#include "imaging/PartStretch.h"

#include "imaging/CImNav.h"
#include "imaging/CImage.h"
#include "imaging/ImageCopy.h"
#include "imaging/Resample.h"

#include <algorithm>

namespace {

enum class ePiece { eCopy, eStretchReduce, eStretch, eTile };

struct sPiece {
    gCRect destination;
    gCRect source;
    ePiece operation;
    bool skipWhenNegative;
};

bool HasNegative(const gCRect& r)
{
    return r.left < 0 || r.top < 0 || r.right < 0 || r.bottom < 0;
}

// Runs the pieces in order; lockFailure is the result when a navigator cannot lock.
template <size_t N>
eResultCode RunPieces(CImage* destination, CImage* source, const sPiece (&pieces)[N], eResultCode lockFailure)
{
    for (const sPiece& piece : pieces) {
        if (piece.skipWhenNegative && HasNegative(piece.destination))
            continue;
        CImNav out(destination, &piece.destination);
        CImNav in(source, &piece.source);
        if (lockFailure != eBadParameter && (!out.IsLocked() || !in.IsLocked()))
            return lockFailure;
        eResultCode result = eSuccess;
        switch (piece.operation) {
        case ePiece::eCopy: result = CopyImagePixels(out, in); break;
        case ePiece::eStretchReduce: result = StretchImagePixels(out, in, 1); break;
        case ePiece::eStretch: result = StretchImagePixels(out, in, 0); break;
        case ePiece::eTile: result = TileImage(out, in, 0); break;
        }
        if (result != eSuccess)
            return result;
    }
    return eSuccess;
}

} // namespace

eResultCode StretchImageThreePart(CImage* destination, CImage* source, int32_t horizontal, int32_t tile)
{
    if (!destination || !source)
        return eBadParameter;
    int32_t W = destination->GetWidth(), H = destination->GetHeight();
    int32_t w = source->GetWidth(), h = source->GetHeight();
    ePiece middle = tile ? ePiece::eTile : ePiece::eStretchReduce;
    // Across the split the source rectangles take the destination's extent.
    if (horizontal == 0) {
        int32_t b = std::min(H / 2, h / 3);
        const sPiece pieces[] = {
            {{0, 0, W, b}, {0, 0, W, b}, ePiece::eStretchReduce, false},
            {{0, H - b, W, H}, {0, h - b, W, h}, ePiece::eStretchReduce, false},
            {{0, b, W, H - b}, {0, b, W, h - b}, middle, true},
        };
        return RunPieces(destination, source, pieces, eCreateFailed);
    }
    int32_t b = std::min(W / 2, w / 3);
    const sPiece pieces[] = {
        {{0, 0, b, H}, {0, 0, b, H}, ePiece::eStretchReduce, false},
        {{W - b, 0, W, H}, {w - b, 0, w, H}, ePiece::eStretchReduce, false},
        {{b, 0, W - b, H}, {b, 0, w - b, H}, middle, true},
    };
    return RunPieces(destination, source, pieces, eCreateFailed);
}

eResultCode StretchImageNinePart(CImage* destination, CImage* source, int32_t tile)
{
    if (!destination || !source)
        return eBadParameter;
    int32_t W = destination->GetWidth(), H = destination->GetHeight();
    int32_t w = source->GetWidth(), h = source->GetHeight();
    int32_t bx = std::min(w / 3, W / 2), by = std::min(h / 3, H / 2);
    ePiece fill = tile ? ePiece::eTile : ePiece::eStretch;
    const sPiece pieces[] = {
        {{0, 0, bx, by}, {0, 0, bx, by}, ePiece::eCopy, false},
        {{W - bx, 0, W, by}, {w - bx, 0, w, by}, ePiece::eCopy, false},
        {{0, H - by, bx, H}, {0, h - by, bx, h}, ePiece::eCopy, false},
        {{W - bx, H - by, W, H}, {w - bx, h - by, w, h}, ePiece::eCopy, false},
        {{bx, 0, W - bx, by}, {bx, 0, w - bx, by}, fill, true},
        {{bx, H - by, W - bx, H}, {bx, h - by, w - bx, h}, fill, true},
        {{W - bx, by, W, H - by}, {w - bx, by, w, h - by}, fill, true},
        {{0, by, bx, H - by}, {0, by, bx, h - by}, fill, true},
        {{bx, by, W - bx, H - by}, {w / 3, h / 3, w - w / 3, h - h / 3}, fill, true},
    };
    // A piece whose navigator cannot lock fails inside its operation with eBadParameter.
    return RunPieces(destination, source, pieces, eBadParameter);
}
