// For its lifetime, the alpha-correct pixel routines are the ones widgets paint and blend with;
// whatever was installed before comes back when it ends, on every path out of a drawing.
#pragma once

#include "imaging/PixelCompositing.h"

class CAlphaPixelHookScope {
public:
    explicit CAlphaPixelHookScope(bool active)
        : mActive(active), mSavedPaint(gPaintPixelHook), mSavedBlend(gBlendPixelHook)
    {
        if (mActive) {
            gPaintPixelHook = PaintPixelAlphaRoutine;
            gBlendPixelHook = BlendPixelAlphaRoutine;
        }
    }
    ~CAlphaPixelHookScope()
    {
        if (mActive) {
            gPaintPixelHook = mSavedPaint;
            gBlendPixelHook = mSavedBlend;
        }
    }
    CAlphaPixelHookScope(const CAlphaPixelHookScope&) = delete;
    CAlphaPixelHookScope& operator=(const CAlphaPixelHookScope&) = delete;

private:
    bool mActive;
    tPaintPixelHook mSavedPaint;
    tBlendPixelHook mSavedBlend;
};
