// A colour gradient: ordered colour stops over the positions 0.0 to 1.0 and a lazily rebuilt
// table of 4096 samples that fills and lookups read. Gradients load from the application's
// resource file ('grad' chunks) and read and write a versioned stream form.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// AddGradientPointAtFraction, AddPointAt, SetColourAtFraction and SetAlphaAt.
#pragma once

#include "core/FourCharCode.h"
#include "core/eResultCode.h"
#include "core/gCArray.h"
#include "imaging/CPixel.h"
#include "resources/gCResourceObject.h"

#include <cstdint>

class CImage;
class CResourceDirectory;
class gCFile;
class gCStream;

inline constexpr uint32_t kGradientTypeCode = FourCharCode("grad");

struct CGradientPoint {
    CPixel colour;
    float position;
};

class CGradient : public gCResourceObject {
public:
    static constexpr int32_t kTableSize = 4096;

    enum eInterpolation : int32_t { eSmoothstep = -1, eLinear = 0, eCubic = 1 };

    CGradient(const CPixel* start, const CPixel* end);
    ~CGradient() override = default;

    CGradient(const CGradient&) = delete;
    CGradient& operator=(const CGradient& other);

    // A new gradient from opaque black to opaque white with the resource's stops added; null
    // when loading fails. The caller owns it: these gradients are not pooled.
    static CGradient* CreateFromId(uint32_t id, gCFile* file, CResourceDirectory* directory);
    static CGradient* CreateFromName(const gCString& name, gCFile* file, CResourceDirectory* directory);

    // The resource's stops are added to the existing ones.
    eResultCode LoadFromId(uint32_t id, gCFile* file, CResourceDirectory* directory) override;
    eResultCode LoadFromName(const gCString& name, gCFile* file, CResourceDirectory* directory) override;

    // The payload of a gradient resource: i32 count, then per stop i32 colour and f32 position.
    virtual eResultCode Read(gCStream& stream);
    // The versioned form: 'grad', version 1, grey, interpolation, count, then position and colour.
    virtual eResultCode ReadVersioned(gCStream& stream);
    virtual eResultCode Write(gCStream& stream);

    int32_t AddGradientPoint(const CPixel* colour, float position);
    int32_t AddGradientPointAtFraction(const CPixel* colour, int32_t numerator, int32_t denominator);
    int32_t AddPointAt(float position);
    int32_t SetColourAt(const CPixel* colour, float position);
    int32_t SetColourAtFraction(const CPixel* colour, int32_t numerator, int32_t denominator);
    int32_t SetAlphaAt(uint32_t alpha, float position);

    CPixel GetColour(int32_t value, int32_t range);
    // index in 24.8 fixed point over the table, 0 .. 4095 x 256.
    CPixel GetInterpolatedColour(int32_t index);
    eResultCode RenderToImage(CImage* image, int32_t vertical, int32_t checkerboard);
    void BuildTable();

    int32_t GetPointCount() const { return mPoints.GetSize(); }
    const CGradientPoint& GetPoint(int32_t index) const { return mPoints[index]; }
    int32_t IsGrey() const { return mGrey; }
    void SetGrey(int32_t grey) { mGrey = grey; mDirty = 1; }
    void SetInterpolation(int32_t interpolation) { mInterpolation = interpolation; mDirty = 1; }
    int32_t IsDirty() const { return mDirty; }
    // A table entry as the last rebuild left it (entry 4096 is always 0).
    uint32_t GetEntry(int32_t index) const { return mTable[index]; }

private:
    void Fill(int32_t from, int32_t to, uint32_t start, uint32_t end, uint32_t after);
    uint32_t TableColour(CPixel colour) const;
    int32_t CurrentColourAt(float position, CPixel* colour);

    uint32_t mTable[kTableSize + 1] = {};
    gCArray<CGradientPoint> mPoints;
    int32_t mDirty = 1;
    int32_t mGrey = 0;
    int32_t mInterpolation = eLinear;
};
