#include "imaging/Blur.h"

#include "imaging/CImNav.h"
#include "imaging/CImage.h"

#include <cmath>

namespace {

enum class eDirection { eBoth, eHorizontal, eVertical };

struct sWeight {
    uint32_t lane;
    float word;
};

// What a word holds. Unpack splits it into the values filtered, Pack puts them back.
struct sOneLane {
    static constexpr int kValues = 1;
    static constexpr bool kTwoLanes = false;
    static constexpr bool kWord = false;
    int shift;
    void Unpack(uint32_t word, uint32_t* values) const { values[0] = (word >> shift) & 0xFFFFu; }
    uint32_t Pack(uint32_t old, const uint32_t* values) const
    {
        return (old & ~(0xFFFFu << shift)) | (values[0] << shift);
    }
};

struct sTwoLanes {
    static constexpr int kValues = 2;
    static constexpr bool kTwoLanes = true;
    static constexpr bool kWord = false;
    void Unpack(uint32_t word, uint32_t* values) const
    {
        values[0] = word & 0xFFFFu;
        values[1] = word >> 16;
    }
    uint32_t Pack(uint32_t, const uint32_t* values) const { return values[0] | (values[1] << 16); }
};

struct sWords {
    static constexpr int kValues = 1;
    static constexpr bool kTwoLanes = false;
    static constexpr bool kWord = true;
    void Unpack(uint32_t word, uint32_t* values) const { values[0] = word; }
    uint32_t Pack(uint32_t, const uint32_t* values) const { return values[0]; }
};

template <typename Form>
inline uint32_t TopLevelValue(uint32_t left, uint32_t centre, uint32_t right, const sWeight& weight)
{
    if constexpr (Form::kWord) {
        // The word form's top level is in single precision and rounds half away from zero.
        float w = weight.word;
        float x = float(left + right) * w + float(centre) * (w * -2.0f + 1.0f);
        return x > 0.0f ? uint32_t(int64_t(x + 0.5f)) : uint32_t(int64_t(x - 0.5f));
    } else {
        uint32_t w = weight.lane;
        return ((left + right) * w + centre * (0x10000u - 2u * w)) >> 16;
    }
}

// One level at stride t over K parallel lines: line j starts at first + j and its values are
// step words apart. The walk goes through the residue classes of t in increasing order and
// carries the left neighbour's value from before the level, so it needs no copy of the line.
template <bool Top, typename Form, bool Horizontal, int K>
void FilterLevel(const Form& form, uint32_t* first, ptrdiff_t step, int32_t n, int32_t t, const sWeight& weight,
                 const uint32_t (&e0)[K][Form::kValues], const uint32_t (&e1)[K][Form::kValues])
{
    constexpr int V = Form::kValues;
    const ptrdiff_t jump = ptrdiff_t(t) * step;
    for (int32_t r = 0; r < t; ++r) {
        uint32_t left[K][V], centre[K][V], right[K][V];
        uint32_t* p = first + ptrdiff_t(r) * step;
        for (int j = 0; j < K; ++j) {
            form.Unpack(p[j], centre[j]);
            for (int v = 0; v < V; ++v)
                left[j][v] = e0[j][v];
        }
        for (int32_t k = r; k < n; k += t, p += jump) {
            // Only the last position of a residue class has its right neighbour beyond the line.
            if (k + t <= n - 1) {
                for (int j = 0; j < K; ++j)
                    form.Unpack(p[jump + j], right[j]);
            } else {
                for (int j = 0; j < K; ++j)
                    for (int v = 0; v < V; ++v)
                        right[j][v] = e1[j][v];
            }
            uint32_t rounding = 0;
            if constexpr (Horizontal)
                rounding = (Form::kTwoLanes && k < t) ? 0u : 2u;
            for (int j = 0; j < K; ++j) {
                uint32_t result[V];
                for (int v = 0; v < V; ++v) {
                    if constexpr (Top)
                        result[v] = TopLevelValue<Form>(left[j][v], centre[j][v], right[j][v], weight);
                    else
                        result[v] = (left[j][v] + 2u * centre[j][v] + right[j][v] + rounding) >> 2;
                }
                p[j] = form.Pack(p[j], result);
                for (int v = 0; v < V; ++v) {
                    left[j][v] = centre[j][v];
                    centre[j][v] = right[j][v];
                }
            }
        }
    }
}

// Filters K parallel lines of n values in place, every level in turn.
template <typename Form, bool Horizontal, int K>
void FilterLines(const Form& form, uint32_t* first, ptrdiff_t step, int32_t n, uint32_t stride,
                 sWeight weight)
{
    constexpr int V = Form::kValues;
    uint32_t e0[K][V], e1[K][V];
    for (int j = 0; j < K; ++j) {
        form.Unpack(first[j], e0[j]);
        form.Unpack(first[j + (n - 1) * step], e1[j]);
    }
    uint32_t s = stride;
    if (s > uint32_t(n)) {
        while (s > uint32_t(n))
            s >>= 1;
        weight = {0x4000u, 0.25f};
    }
    // A lane-form top level of weight 0 maps every value to itself; the word form still rounds
    // through single precision, so it always runs.
    if (Form::kWord || weight.lane != 0)
        FilterLevel<true, Form, Horizontal, K>(form, first, step, n, int32_t(s), weight, e0, e1);
    for (uint32_t t = s / 2; t >= 1; t /= 2)
        FilterLevel<false, Form, Horizontal, K>(form, first, step, n, int32_t(t), weight, e0, e1);
}

template <typename Form>
void HorizontalPass(const Form& form, CImNav& area, uint32_t stride, sWeight weight)
{
    int32_t width = area.GetWidth();
    if (width < 2)
        return;
    for (int32_t y = 0; y < area.GetHeight(); ++y)
        FilterLines<Form, true, 1>(form, area.Row(y), 1, width, stride, weight);
}

// Four neighbouring columns are swept together so that every row access touches adjacent words.
template <typename Form>
void VerticalPass(const Form& form, CImNav& area, uint32_t stride, sWeight weight)
{
    int32_t height = area.GetHeight();
    int32_t width = area.GetWidth();
    if (height < 2 || width < 1)
        return;
    ptrdiff_t step = area.GetRowStride();
    CPixel* row = area.Row(0);
    int32_t x = 0;
    for (; x + 4 <= width; x += 4)
        FilterLines<Form, false, 4>(form, row + x, step, height, stride, weight);
    for (; x < width; ++x)
        FilterLines<Form, false, 1>(form, row + x, step, height, stride, weight);
}

template <typename Form>
int32_t RunBlur(const Form& form, CImNav& area, float radius, eDirection direction)
{
    sBlurPlan plan = PlanBlur(radius);
    if (!plan.valid)
        return 1;
    if (!area.IsLocked())
        return 1;
    uint32_t stride = 1u << plan.exponent;
    sWeight weight{plan.weight, plan.wordWeight};
    if (direction != eDirection::eVertical)
        HorizontalPass(form, area, stride, weight);
    if (direction != eDirection::eHorizontal)
        VerticalPass(form, area, stride, weight);
    return 1;
}

int32_t OneLane(CImNav& area, float radius, int32_t lane, eDirection direction)
{
    if (!(radius >= 1e-6f))
        return 1;
    if (!area.IsLocked())
        return 0;
    return RunBlur(sOneLane{lane == 0 ? 0 : 16}, area, radius, direction);
}

// Runs worker over rect of image (the whole image when null); 0 when it cannot be locked.
template <typename... Extra>
int32_t OnImage(CImage* image, const gCRect* rect, int32_t (*worker)(CImNav&, float, Extra...), float radius,
                Extra... extra)
{
    CImNav area(image, rect);
    if (!area.IsLocked())
        return 0;
    return worker(area, radius, extra...);
}

int32_t Words(CImage* image, float radius, eDirection direction)
{
    if (!(radius >= 1e-6f))
        return 1;
    CImNav area(image, nullptr);
    if (!area.IsLocked())
        return 0;
    return RunBlur(sWords{}, area, radius, direction);
}

// The colour members carry blue and red, then green and alpha, as byte x 257 in the lanes of a
// temporary image, so that two or three lane runs blur all channels.
int32_t Colour(CImNav& area, float radius, bool withAlpha, int32_t (*lanes)(CImNav&, float),
               int32_t (*oneLane)(CImNav&, float, int32_t))
{
    CImage temporary(area.GetWidth(), area.GetHeight());
    if (!temporary.IsCreated())
        return 0;
    CImNav scratch(&temporary, nullptr);
    if (!area.IsLocked() || !scratch.IsLocked())
        return 0;
    int32_t width = area.GetWidth();
    int32_t height = area.GetHeight();
    for (int32_t y = 0; y < height; ++y) {
        const CPixel* p = area.Row(y);
        CPixel* q = scratch.Row(y);
        for (int32_t x = 0; x < width; ++x) {
            uint32_t a = p[x] & 0x00FF00FFu;
            q[x] = a | (a << 8);
        }
    }
    {
        CImNav pass(&temporary, nullptr);
        if (!lanes(pass, radius))
            return 0;
    }
    for (int32_t y = 0; y < height; ++y) {
        CPixel* p = area.Row(y);
        CPixel* q = scratch.Row(y);
        for (int32_t x = 0; x < width; ++x) {
            uint32_t g = p[x] & 0xFF00FF00u;
            p[x] = g | ((q[x] & 0xFF00FF00u) >> 8);
            q[x] = g | (g >> 8);
        }
    }
    CImNav pass(&temporary, nullptr);
    if (withAlpha) {
        if (!lanes(pass, radius))
            return 0;
        for (int32_t y = 0; y < height; ++y) {
            CPixel* p = area.Row(y);
            const CPixel* q = scratch.Row(y);
            for (int32_t x = 0; x < width; ++x)
                p[x] = (p[x] & 0x00FF00FFu) | (q[x] & 0xFF00FF00u);
        }
    } else {
        if (!oneLane(pass, radius, 0))
            return 0;
        for (int32_t y = 0; y < height; ++y) {
            CPixel* p = area.Row(y);
            const CPixel* q = scratch.Row(y);
            for (int32_t x = 0; x < width; ++x)
                p[x] = (p[x] & 0xFFFF00FFu) | (q[x] & 0x0000FF00u);
        }
    }
    return 1;
}

template <bool HighToLow>
eResultCode CopyLane(CImageBase* image)
{
    if (!image || image->IsCompressed())
        return eNoMemory;
    void* pixels = nullptr;
    if (image->Lock(&pixels) != eSuccess || !pixels)
        return eNoMemory;
    auto* first = static_cast<uint32_t*>(pixels);
    for (int32_t y = 0; y < image->GetHeight(); ++y) {
        uint32_t* row = first + ptrdiff_t(y) * image->GetRowStride();
        for (int32_t x = 0; x < image->GetWidth(); ++x) {
            uint32_t word = row[x];
            row[x] = HighToLow ? (word & 0xFFFF0000u) | (word >> 16) : (word & 0x0000FFFFu) | (word << 16);
        }
    }
    return image->Unlock();
}

} // namespace

sBlurPlan PlanBlur(float radius)
{
    sBlurPlan plan;
    // A radius that is not a number does nothing, like a radius of 0.
    if (!(radius >= 1e-6f))
        return plan;
    if (radius < 1.0f)
        radius = radius * 0.5f + 0.5f;
    float levels = logf(radius) / 0.6931472f + 1.0f;
    plan.valid = 1;
    // Beyond 2^30 every line is shorter than the stride, so larger exponents change nothing
    // (and would shift past the word).
    if (!(levels < 31.0f)) {
        plan.exponent = 30;
        return plan;
    }
    plan.exponent = int32_t(levels);
    float fraction = levels - float(plan.exponent);
    plan.fraction = uint32_t(int32_t(double(fraction) * 65536.0));
    plan.weight = plan.fraction >> 2;
    plan.wordWeight = fraction * 0.25f;
    return plan;
}

int32_t BlurNav(CImNav& area, float radius, int32_t lane)
{
    return OneLane(area, radius, lane, eDirection::eBoth);
}

int32_t BlurNavHorizontal(CImNav& area, float radius, int32_t lane)
{
    return OneLane(area, radius, lane, eDirection::eHorizontal);
}

int32_t BlurNavVertical(CImNav& area, float radius, int32_t lane)
{
    return OneLane(area, radius, lane, eDirection::eVertical);
}

int32_t BlurNavLanes(CImNav& area, float radius)
{
    return RunBlur(sTwoLanes{}, area, radius, eDirection::eBoth);
}

int32_t BlurNavLanesHorizontal(CImNav& area, float radius)
{
    return RunBlur(sTwoLanes{}, area, radius, eDirection::eHorizontal);
}

int32_t BlurNavLanesVertical(CImNav& area, float radius)
{
    return RunBlur(sTwoLanes{}, area, radius, eDirection::eVertical);
}

int32_t BlurImage(CImage* image, float radius, int32_t lane) { return OnImage(image, nullptr, BlurNav, radius, lane); }
int32_t BlurImageLanes(CImage* image, float radius) { return OnImage(image, nullptr, BlurNavLanes, radius); }
int32_t BlurImageHorizontal(CImage* image, float radius, int32_t lane)
{
    return OnImage(image, nullptr, BlurNavHorizontal, radius, lane);
}
int32_t BlurImageLanesHorizontal(CImage* image, float radius)
{
    return OnImage(image, nullptr, BlurNavLanesHorizontal, radius);
}
int32_t BlurImageVertical(CImage* image, float radius, int32_t lane)
{
    return OnImage(image, nullptr, BlurNavVertical, radius, lane);
}
int32_t BlurImageLanesVertical(CImage* image, float radius)
{
    return OnImage(image, nullptr, BlurNavLanesVertical, radius);
}

int32_t BlurImageWords(CImage* image, float radius) { return Words(image, radius, eDirection::eBoth); }
int32_t BlurImageWordsHorizontal(CImage* image, float radius)
{
    return Words(image, radius, eDirection::eHorizontal);
}
int32_t BlurImageWordsVertical(CImage* image, float radius)
{
    return Words(image, radius, eDirection::eVertical);
}

int32_t BlurNavColour(CImNav& area, float radius)
{
    return Colour(area, radius, false, BlurNavLanes, BlurNav);
}
int32_t BlurNavColourAlpha(CImNav& area, float radius)
{
    return Colour(area, radius, true, BlurNavLanes, BlurNav);
}
int32_t BlurNavColourHorizontal(CImNav& area, float radius)
{
    return Colour(area, radius, false, BlurNavLanesHorizontal, BlurNavHorizontal);
}
int32_t BlurNavColourAlphaHorizontal(CImNav& area, float radius)
{
    return Colour(area, radius, true, BlurNavLanesHorizontal, BlurNavHorizontal);
}
int32_t BlurNavColourVertical(CImNav& area, float radius)
{
    return Colour(area, radius, false, BlurNavLanesVertical, BlurNavVertical);
}
int32_t BlurNavColourAlphaVertical(CImNav& area, float radius)
{
    return Colour(area, radius, true, BlurNavLanesVertical, BlurNavVertical);
}

int32_t BlurImageColour(CImage* image, float radius, const gCRect* area)
{
    return OnImage(image, area, BlurNavColour, radius);
}
int32_t BlurImageColourAlpha(CImage* image, float radius, const gCRect* area)
{
    return OnImage(image, area, BlurNavColourAlpha, radius);
}
int32_t BlurImageColourHorizontal(CImage* image, float radius, const gCRect* area)
{
    return OnImage(image, area, BlurNavColourHorizontal, radius);
}
int32_t BlurImageColourAlphaHorizontal(CImage* image, float radius, const gCRect* area)
{
    return OnImage(image, area, BlurNavColourAlphaHorizontal, radius);
}
int32_t BlurImageColourVertical(CImage* image, float radius, const gCRect* area)
{
    return OnImage(image, area, BlurNavColourVertical, radius);
}
int32_t BlurImageColourAlphaVertical(CImage* image, float radius, const gCRect* area)
{
    return OnImage(image, area, BlurNavColourAlphaVertical, radius);
}

eResultCode CopyHighLaneToLow(CImageBase* image) { return CopyLane<true>(image); }
eResultCode CopyLowLaneToHigh(CImageBase* image) { return CopyLane<false>(image); }
