// Makes the owner look cut into the surface: a soft inner edge where the owner's shape, blurred
// and shifted, no longer covers it. The coverage is rebuilt whenever the geometry changes and
// drawing only reads it.
//
// The mask covers A, the part of the owner that can show (owner-local positions). Each pixel p of
// A samples the owner's shape, blurred with margin g and shifted by the offset o, at p - o: the
// work image that is blurred spans only what those samples read, with room for the blur's reach:
//
//   -g,-g + - - - - - - - - - - - - - - - - - - - - - - - - - - +
//         :   +---------------------------------------------+   :  the shape grown by g: all
//         :   | owner 0,0                                   |   :  that the blur spreads into
//         :   |   +-------------------------+               |   :
//         :   |   | work span: A - o,       |               |   :  the work span: A - o grown
//         :   |   | grown by 2g + 2         |               |   :  by 2g + 2, held inside the
//         :   |   |           +-------------------------+   |   :  grown shape; the shape is
//         :   |   |           | A: the mask |           |   |   :  read into it and blurred
//         :   |   |           |             |           |   |   :
//         :   |   +-----------|-------------+           |   |   :  A: shape(p) x (1 - the
//         :   |               |                         |   |   :  blurred shape at p - o),
//         :   |               +-------------------------+   |   :  or 255 where p - o lies
//         :   +---------------------------------------------+ w,h  beyond the grown shape
//         + - - - - - - - - - - - - - - - - - - - - - - - - - - + w+g, h+g
//
// A shaped owner keeps only the part of its shape these read, and hands it again when an offset
// or what can show reads beyond it.
#pragma once

#include "core/FourCharCode.h"
#include "core/gCPoint.h"
#include "widgets/CWidgetEffectSoftEdge.h"

class CRLE8;

class CWidgetEffectCutout : public CWidgetEffectSoftEdge {
public:
    static constexpr uint32_t kTypeCode = FourCharCode("ctfx");

    CWidgetEffectCutout() : CWidgetEffectSoftEdge(1.0f, gCPoint{1, 1}) {}
    ~CWidgetEffectCutout() override;

    uint32_t GetTypeCode() const override { return kTypeCode; }
    eResultCode Draw(const gCRect& area, CImage* target, uint32_t alpha) override;
    eResultCode Refresh() override;
    eResultCode RefreshWithMask(CImage* shape) override;
    gCRect ShapeRead(int32_t width, int32_t height) override;

    eResultCode SetOffset(const gCPoint& offset, bool update);
    eResultCode BuildCutoutMask();

    const CRLE8* GetCutoutMask() const { return mCutoutMask; }
    // The part of rect the cutout mask covers (owner-local): what of the owner can show.
    const gCRect& GetMaskArea() const { return mMaskArea; }

private:
    gCRect ShapeNeeded() const;
    // Whether a shaped owner's kept part of its shape no longer covers what the mask reads.
    bool KeptShapeFallsShort() const;
    // Has the owner hand its shape again (which rebuilds the mask).
    eResultCode FetchShapeAgain();

    CRLE8* mCutoutMask = nullptr;
    CRLE8* mShapeMask = nullptr;
    gCRect mMaskArea;
    // Set for a plain owner: its shape is its whole rect and no shape mask is held.
    uint32_t mWholeRectShape = 0;
    // The part of the owner's shape the shape mask holds (owner-local).
    gCRect mShapeArea;
    gCRect mShapeBounds;
    uint32_t mRefetching = 0;
};
