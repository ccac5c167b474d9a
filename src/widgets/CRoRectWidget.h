// An image widget that paints its own image: a filled rectangle with an optional border of
// fractional width, an optional title band in the border colour, and rounded, anti-aliased
// corners that fade to transparent.
//
// The picture is laid in this order (B the border width, T the title band, R the corner radius;
// a band's whole rows take the border colour and its last row is mixed by its fraction):
//
//          0                                        maxX
//        0 +-------------------------------------------+  rows 0 .. n-1: the top band, T or
//          |################ title band ###############|  B deep, whichever is larger
//        n |~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~|  row n: its fraction
//          |##~                                     ~##|  sides, rows n .. m: c = trunc(B)
//          |##~                 fill                ~##|  whole columns each, column c
//          |##~                                     ~##|  mixed by the fraction of B
//        m |~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~|  row m: the bottom's fraction
//     maxY +-------------------------------------------+  rows m+1 .. maxY: the bottom border
//
// Then each selected corner is redrawn over its square of N + 1 pixels, by each pixel's distance
// d from the corner centre R in from both edges (the top-left corner; the others mirror it):
//
//     (0, 0)
//       x  x  x  x  .  #  #  #  #     x  d > R + 1: cleared
//       x  x  .  #  #  #  #  #  #     .  R < d <= R + 1: faded by R + 1 - d
//       x  .  #  #  #  ~  ~  ~  ~     #  R - B + 1 < d <= R: the border (when 0 < B < R)
//       x  #  #  #  ~  o  o  o  o     ~  R - B <= d <= R - B + 1: the border mixed into the inside
//       .  #  #  ~  o  o  o  o  o     o  d < R - B: the inside, the colour of the pixel's row
//       #  #  #  ~  o  o  o  o  +        (the title band's where it reaches, else the fill)
//                                 +  the centre (R, R)
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// GetBorderWidth, GetTitleBarHeight, GetBorderColour and the corners' getter and setter.
#pragma once

#include "core/FourCharCode.h"
#include "widgets/CImWidget.h"
#include "widgets/CreateLoadedWidget.h"

class CRoRectWidget : public CLoadedWidgetT<CRoRectWidget, CImWidget> {
public:
    static constexpr uint32_t kTypeCode = FourCharCode("rrwg");

    enum : uint32_t { kTopLeft = 1, kTopRight = 2, kBottomLeft = 4, kBottomRight = 8, kAllCorners = 15 };

    CRoRectWidget() = default;
    ~CRoRectWidget() override = default;

    uint32_t GetTypeCode() const override { return kTypeCode; }
    eResultCode LoadWidgetDataBlock(gCStream* stream) override;
    // The image is always generated: the image setters leave it alone.
    eResultCode SetImage(CImage*, bool, bool) override { return eSuccess; }
    eResultCode SetImageList(gCImageList*) override { return eSuccess; }
    eResultCode SetImageListIndex(int32_t, bool, bool) override { return eSuccess; }
    eResultCode NextImage(bool, bool) override { return eSuccess; }
    eResultCode FillImage() override;

    virtual float GetRadius() const { return mRadius; }
    virtual eResultCode SetRadius(float radius, bool rebuild, bool update);
    virtual float GetBorderWidth() const { return mBorderWidth; }
    virtual eResultCode SetBorderWidth(float width, bool rebuild, bool update);
    virtual float GetTitleBarHeight() const { return mTitleBarHeight; }
    virtual eResultCode SetTitleBarHeight(float height, bool rebuild, bool update);
    virtual uint32_t GetBorderColour() const { return mBorderColour; }
    virtual eResultCode SetBorderColour(uint32_t colour, bool rebuild, bool update);
    virtual uint32_t GetCorners() const { return mCorners; }
    virtual eResultCode SetCorners(uint32_t mask, bool rebuild, bool update);
    virtual eResultCode AddCorners(uint32_t mask, bool rebuild, bool update);
    virtual eResultCode RemoveCorners(uint32_t mask, bool rebuild, bool update);
    virtual eResultCode SetFillColour(uint32_t colour, bool rebuild, bool update);

    eResultCode RebuildImage(bool rebuild, bool update);
    // Not-a-number sizes have no picture to give and are refused; the value stays as it was.
    eResultCode SetSizeValue(float& field, float value, bool rebuild, bool update);

protected:
    eResultCode ParseWidgetChunk(uint32_t tag, gCStream* stream, CWidgetDataHolder& holder);

    float mRadius = 20.0f;
    float mBorderWidth = 0.0f;
    float mTitleBarHeight = 0.0f;
    uint32_t mBorderColour = 0xFF000000u;
    uint32_t mCorners = kAllCorners;
};

// Mixes two colours by a coverage 0..255 (0 gives base, 255 gives other), weighting each
// colour by its own alpha.
uint32_t MixPixel(uint32_t base, uint32_t other, int32_t coverage);
