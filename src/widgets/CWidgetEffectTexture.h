// Blends a cached picture of the owner's size over what is drawn, by one of the seven blend
// modes. The cache is sized to the owner's shape; nothing here paints a texture into it, so it
// stays transparent.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not read it: the
// texture picture and the second mode, which the effect's chunk leaves at their defaults (an
// empty picture, mode 1) and the effect only stores.
#pragma once

#include "core/FourCharCode.h"
#include "imaging/CImage.h"
#include "widgets/CWidgetEffectBase.h"

class CWidgetEffectTexture : public CWidgetEffectBase {
public:
    static constexpr uint32_t kTypeCode = FourCharCode("txtr");

    CWidgetEffectTexture() = default;
    ~CWidgetEffectTexture() override;

    uint32_t GetTypeCode() const override { return kTypeCode; }
    eResultCode Draw(const gCRect& area, CImage* target, uint32_t alpha) override;
    eResultCode Refresh() override;
    eResultCode RefreshWithMask(CImage* shape) override;
    // Its cache takes nothing from the shape.
    gCRect ShapeRead(int32_t, int32_t) override { return gCRect(); }

    const CImage* GetCache() const { return mCache; }
    int32_t GetBlendMode() const { return mBlendMode; }
    void SetBlendMode(int32_t mode) { mBlendMode = mode; }
    CImage& GetTexture() { return mTexture; }
    int32_t GetSecondMode() const { return mSecondMode; }
    void SetSecondMode(int32_t mode) { mSecondMode = mode; }

private:
    CImage* mCache = nullptr;
    CImage mTexture;
    int32_t mBlendMode = 1;
    int32_t mSecondMode = 1;
};
