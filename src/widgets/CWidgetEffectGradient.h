// Fills the owner's area with a linear, radial or angular colour gradient, combined with what is
// already drawn by one of seven blend modes. A shaped owner gets the gradient precomputed into a
// cache whose alpha follows the shape.
#pragma once

#include "core/FourCharCode.h"
#include "imaging/CGradient.h"
#include "widgets/CWidgetEffectBase.h"

class CWidgetEffectGradient : public CWidgetEffectBase {
public:
    static constexpr uint32_t kTypeCode = FourCharCode("grfx");
    enum eGradientType : int32_t { eLinear = 0, eRadial = 1, eAngular = 2 };

    CWidgetEffectGradient();
    ~CWidgetEffectGradient() override;

    uint32_t GetTypeCode() const override { return kTypeCode; }
    eResultCode Draw(const gCRect& area, CImage* target, uint32_t alpha) override;
    eResultCode Refresh() override;
    eResultCode RefreshWithMask(CImage* shape) override;
    gCRect ShapeRead(int32_t width, int32_t height) override;

    CGradient& GetGradient() { return mGradient; }
    float GetAngle() const { return mAngle; }
    void SetAngle(float angle) { mAngle = angle; }
    int32_t GetGradientType() const { return mType; }
    void SetGradientType(int32_t type) { mType = type; }
    float GetCentreX() const { return mCentreX; }
    float GetCentreY() const { return mCentreY; }
    void SetCentre(float x, float y) { mCentreX = x; mCentreY = y; }
    int32_t GetBlendMode() const { return mBlendMode; }
    void SetBlendMode(int32_t mode) { mBlendMode = mode; }
    const CImage* GetCache() const { return mCache; }

private:
    // Everything one pass of colour lookups needs, fixed for the rect's size.
    struct sRamp {
        int32_t dx = 0, dy = 0, start = 0; // linear, 16.16
        double scale = 0.0;                // radial
        int32_t ox = 0, oy = 0;            // radial and angular centre
        float a0 = 0.0f;                   // angular start
    };
    sRamp MakeRamp(int32_t w, int32_t h) const;
    // One row of colours from column `left` on; false when the type draws nothing.
    bool FillRow(const sRamp& ramp, int32_t w, int32_t h, int32_t left, int32_t row, int32_t count,
                 CPixel* out);
    void DeleteCache();

    CImage* mCache = nullptr;
    // Set while the owner is shaped: drawing goes through the cache, rebuilt when what can show
    // changes.
    uint32_t mShaped = 0;
    gCRect mCacheArea;
    CGradient mGradient;
    float mAngle = 0.0f;
    int32_t mType = eLinear;
    float mCentreX = 0.5f;
    float mCentreY = 0.5f;
    int32_t mBlendMode = 0;
};
