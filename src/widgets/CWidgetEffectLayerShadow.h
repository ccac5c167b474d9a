// One shadow for a whole subtree: the coverage of the owner and its descendants is rendered into
// an 8-bit layer, reduced and blurred into a small image, and painted from it enlarged again, so
// the shadow follows whatever the subtree draws. Descendant shadows in layer mode report their
// owners' changes, which mark the layer areas the next layer pass renders again.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it: the
// downsample level's getter and setter, MergeIntoLayer and SetEnabled.
#pragma once

#include "widgets/CRegion.h"
#include "widgets/CWidgetEffectShadow.h"

class CImage8;

class CWidgetEffectLayerShadow : public CWidgetEffectShadow {
public:
    static constexpr uint32_t kTypeCode = kLayerShadowTypeCode;

    CWidgetEffectLayerShadow();
    ~CWidgetEffectLayerShadow() override;

    uint32_t GetTypeCode() const override { return kTypeCode; }
    eResultCode Draw(const gCRect& area, CImage* target, uint32_t alpha) override;
    eResultCode DrawLayer(const gCRect& area, CImage* target, uint32_t alpha) override;
    eResultCode Refresh() override;
    eResultCode RefreshWithMask(CImage*) override { return Refresh(); }
    eResultCode DrawShadow(const gCRect& area, CImage* target, uint32_t alpha, CImage8* layer) override;

    virtual CImage8* GetLayerImage() const { return mLayer; }
    // r in the owner's coordinates; grown by the blur margin and redrawn at the next layer pass.
    virtual eResultCode InvalidateLayerArea(const gCRect& r);
    virtual int32_t GetDownsampleLevel() const { return mDownsample; }
    virtual void SetDownsampleLevel(int32_t level);
    // Writes the coverage of source (addressed in root coordinates through its origin) into the
    // layer over area (root coordinates) grown by the blur margin; the larger value stays.
    virtual eResultCode MergeIntoLayer(CImage8* source, const gCRect& area);
    virtual void SetEnabled(int32_t value, bool update);
    // Writes the coverage of widget and its subtree over area (in widget's parent coordinates)
    // into the layer, whose origin maps those coordinates to layer pixels.
    virtual eResultCode RenderWidgetCoverage(CWidget* widget, const gCRect& area, CImage8* layer);
    virtual eResultCode RenderShadowCoverage(CWidget* widget, const gCRect& area, CImage8* layer);
    // The coverage of the whole tree below root (root included) over area, in root's parent
    // coordinates, into the layer at full strength; the drawing target and alpha play no part.
    virtual eResultCode RenderLayer(CWidget* root, const gCRect& area, CImage* target, CImage8* layer,
                                    uint32_t layerAlpha, uint32_t alpha);

    const CImage8* GetSmallImage() const { return mSmall; }
    const CRegion& GetDirtyRegion() const { return mDirty; }

protected:
    // The part of the small image that a change of the layer over `changed` (owner coordinates)
    // reaches: reduced again from the layer and blurred, everything else kept.
    eResultCode ReduceLayer(const gCRect& changed);
    int32_t Factor() const { return mDownsample + 1; }
    // Layer pixels lie this far right and down of the owner coordinates they hold: the blur
    // margin for the shadow's own layer, none when the layer is rendered for other shadows.
    int32_t LayerShift() const;
    // For a layer rendered for other shadows: drops the small image and clears the layer over
    // area (owner coordinates), giving what of area the layer holds (empty when nothing).
    eResultCode ClearLayerArea(const gCRect& area, gCRect& cleared);

    CImage8* mLayer = nullptr;
    CImage8* mSmall = nullptr;
    CRegion mDirty;
    int32_t mDownsample = 0;
    int32_t mRendering = 0;
    int32_t mEnabled = 1;
};
