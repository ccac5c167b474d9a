// Base of the drawing objects a widget carries in its three effect lists (under the content,
// between content and children, over the children). The widget owns its effects, draws each one
// over the part of the effect's rect that its covered region leaves free, and widens its bounds by
// the effect's rect.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// SetOpacityValue.
#pragma once

#include "core/FourCharCode.h"
#include "core/eResultCode.h"
#include "core/gCBaseObject.h"
#include "core/gCRect.h"
#include "widgets/CRegion.h"

#include <cstdint>

class CImage;
class CWidget;

class CWidgetEffectBase : public gCBaseObject {
public:
    static constexpr uint32_t kTypeCode = FourCharCode("wgfx");

    CWidgetEffectBase() = default;
    ~CWidgetEffectBase() override = default;
    CWidgetEffectBase(const CWidgetEffectBase&) = delete;
    CWidgetEffectBase& operator=(const CWidgetEffectBase&) = delete;

    virtual uint32_t GetTypeCode() const { return kTypeCode; }
    // Paints the part `area` (owner-local) at `alpha`.
    virtual eResultCode Draw(const gCRect& area, CImage* target, uint32_t alpha) = 0;
    virtual eResultCode DrawLayer(const gCRect&, CImage*, uint32_t) { return eSuccess; }
    // Recomputes the rect and any cache from the owner.
    virtual eResultCode Refresh() = 0;
    virtual eResultCode RefreshWithMask(CImage* shape) = 0;
    // The part of an owner's shape (width x height) that RefreshWithMask reads next: an owner
    // that has to decode its shape decodes that part only and leaves the rest 0.
    virtual gCRect ShapeRead(int32_t width, int32_t height) { return gCRect{0, 0, width, height}; }
    virtual eResultCode OnDescendantChanged(CWidget*, const gCRect&) { return eSuccess; }
    virtual void SetUserValue(uint32_t value) { mUserValue = value; }
    virtual uint32_t GetUserValue() const { return mUserValue; }
    virtual eResultCode SetOpacityValue(int32_t opacity, bool update) { return SetOpacity(opacity, update); }
    virtual eResultCode SetOpacity(int32_t opacity, bool update);
    virtual int32_t GetOpacity() const { return mOpacity; }

    // The covered region: rectangles of the rect the effect leaves untouched.
    void ClearRegion(bool update);
    eResultCode AddRect(const gCRect& rect, bool update);
    eResultCode SubtractRect(const gCRect& rect, bool update);

    CWidget* GetOwner() const { return mOwner; }
    void SetOwner(CWidget* owner) { mOwner = owner; }
    const gCRect& GetRect() const { return mRect; }
    const CRegion& GetCoveredRegion() const { return mCovered; }

protected:
    // Dirties the owner over r (owner-local), clipped to the owner's bounds.
    void InvalidateOwnerArea(const gCRect& rect, bool update);
    // The part of `area` (owner-local) that can show: clipped by each of the owner's ancestors up
    // to the root (the window). Caches built from it cost what can be seen, not what a data block
    // declares.
    gCRect VisibleOwnerArea(const gCRect& area) const;
    // Sets the rect to the owner's bounds; false (the rect kept) without an owner or when the
    // owner is empty.
    bool SetRectFromOwner();
    // For a refresh over the owner's shape: without a shape or an owner, or for an opaque owner,
    // it is a plain Refresh; else it sets the rect from the owner, checks the work image fits and
    // makes the cache image. `ready` is true only when the shaped cache is to be built.
    eResultCode PrepareShapeCache(CImage* shape, CImage*& cache, bool& ready);
    // The refresh over the owner's shape: build() runs once PrepareShapeCache finds the shaped
    // cache is to be built.
    template <typename Build>
    eResultCode RefreshOverShape(CImage* shape, CImage*& cache, Build build)
    {
        bool ready = false;
        const eResultCode prepared = PrepareShapeCache(shape, cache, ready);
        if (!ready)
            return prepared;
        return build();
    }

    CWidget* mOwner = nullptr;
    gCRect mRect;
    int32_t mOpacity = 255;
    CRegion mCovered;
    uint32_t mUserValue = 0;
};
