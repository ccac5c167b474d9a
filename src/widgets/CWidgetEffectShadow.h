// A soft drop shadow of the owner: its shape blurred by a radius, shifted by an offset and painted
// in the shadow colour. A rectangular owner is shadowed through two separable falloff tables, a
// shaped owner through a blurred copy of its shape.
//
// A shaped owner's shadow, in the owner's positions (g the blur margin, o the offset):
//
//   -g,-g + - - - - - - - - - - - - - - +                    the work image: the owner's
//         :                             :                    shape (its alpha) grown by g
//         :   +---------------------+   :                    on every side, then blurred
//         :   | owner 0,0           |   :
//         :   |                     |   :                    the shadow: the work image
//         :   |         ............|...:..............      moved by o (its rect, held
//         :   |         . x x x x x |   :             .      to the owner when clipped
//         :   |         . x x x x x |   :             .      to its rect)
//         :   +---------------------+ w,h             .
//         :             .               :             .      x: cut out when clipped to
//         + - - - - - - - - - - - - - - + w+g, h+g    .      the shape (the owner's own
//                       .                             .      shape moved back by o)
//                       .        the shadow           .
//                       .                             .
//                       ............................... +o
//
// Of the work image only the part that what can show samples is built, with room for the blur's
// reach (2g + 2), unless the shape is kept for a layer shadow: then all of it.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// AddLayerId, RemoveLayerId, GetShapeMask and SetLayerMode.
#pragma once

#include "core/FourCharCode.h"
#include "core/gCArray.h"
#include "core/gCPoint.h"
#include "widgets/CWidgetEffectSoftEdge.h"

class CImage8;
class CImNav;
class CRLE8;

class CWidgetEffectShadow : public CWidgetEffectSoftEdge {
public:
    static constexpr uint32_t kTypeCode = FourCharCode("shfx");
    // The code layer shadows answer to; counted while any is alive.
    static constexpr uint32_t kLayerShadowTypeCode = FourCharCode("lsfx");

    CWidgetEffectShadow();
    ~CWidgetEffectShadow() override;

    uint32_t GetTypeCode() const override { return kTypeCode; }
    eResultCode Draw(const gCRect& area, CImage* target, uint32_t alpha) override;
    eResultCode Refresh() override;
    eResultCode RefreshWithMask(CImage* shape) override;
    eResultCode OnDescendantChanged(CWidget* source, const gCRect& area) override;

    virtual eResultCode DrawShadow(const gCRect& area, CImage* target, uint32_t alpha, CImage8* layer);
    virtual eResultCode AddLayerId(uint32_t id, bool update);
    virtual void RemoveLayerId(uint32_t id, bool update);
    virtual int32_t GetLayerIdCount() const { return mLayerIds.GetSize(); }
    virtual uint32_t GetLayerId(int32_t index) const { return mLayerIds[index]; }
    virtual void SetMarkedPass(int32_t pass) { mMarkedPass = pass; }
    virtual eResultCode BuildFalloffTables(int32_t width, int32_t height);

    eResultCode SetOffset(const gCPoint& offset, bool update);
    bool GetClipToRect() const { return mClipToRect != 0; }
    bool GetClipToShape() const { return mClipToShape != 0; }
    void SetClipToRect(bool on) { mClipToRect = on ? 1 : 0; }
    void SetClipToShape(bool on) { mClipToShape = on ? 1 : 0; }
    int32_t GetMarkedPass() const { return mMarkedPass; }
    // A shadow in layer mode draws nothing itself: its owner is cast by an ancestor's layer
    // shadow, which it tells of its owner's changes.
    void SetLayerMode(bool on) { mLayerMode = on ? 1 : 0; }
    const CRLE8* GetBlurredMask() const { return mBlurredMask; }
    const gCArray<float>& GetXFalloff() const { return mXFalloff; }
    const gCArray<float>& GetYFalloff() const { return mYFalloff; }
    CRLE8* GetShapeMask();

    // Layer shadows alive in the process; the change notices do nothing while there are none.
    static int32_t GetLayerShadowCount() { return sLayerShadowCount; }

protected:
    bool KeepsShapeMask() const { return mLayerMode != 0 || mLayerIds.GetSize() > 0; }
    // Finishes the rect from the blurred margin: moved by the offset, clipped to the owner.
    void PlaceRect(int32_t w, int32_t h);
    // Paints one piece of a rectangular owner's shadow from the falloff tables.
    void DrawFromTables(CImNav& destination, const gCRect& local, uint32_t k, const CImage8* layer);
    void DrawFromMask(CImNav& destination, const gCRect& local, uint32_t k, const CImage8* layer);
    // Rebuilds a blurred mask that holds only part of the shadow when what can show has changed.
    eResultCode KeepMaskCurrent();
    // Keeps the owner's unblurred shape from the whole work image for the layer shadows and tells
    // them of the change, or drops it when no layer shadow needs it.
    eResultCode KeepShapeFromWork(CImage& work, int32_t g, int32_t w, int32_t h);

    CRLE8* mBlurredMask = nullptr;
    // Where the blurred mask lies in the whole work image, and what it was built for.
    gCPoint mMaskOrigin;
    gCRect mMaskVisible;
    gCPoint mMaskOffset;
    uint32_t mMaskPartial = 0;
    int32_t mClipToRect = 0;
    int32_t mClipToShape = 0;
    gCArray<float> mXFalloff;
    gCArray<float> mYFalloff;
    int32_t mLayerMode = 0;
    int32_t mMarkedPass = -1;
    CRLE8* mShapeMask = nullptr;
    gCArray<uint32_t> mLayerIds;

    static int32_t sLayerShadowCount;
};
