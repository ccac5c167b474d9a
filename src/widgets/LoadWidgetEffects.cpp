#include "widgets/LoadWidgetEffects.h"

#include "FileIO/gCStream.h"
#include "app/ReportError.h"
#include "core/eResultCode.h"
#include "widgets/BlockValues.h"
#include "widgets/CWidget.h"
#include "widgets/CWidgetEffectBorder.h"
#include "widgets/CWidgetEffectCutout.h"
#include "widgets/CWidgetEffectGlow.h"
#include "widgets/CWidgetEffectGradient.h"
#include "widgets/CWidgetEffectShadow.h"
#include "widgets/CWidgetEffectTexture.h"

namespace {

// Reads the chunk's fields in order; the first failed read shows its field's text.
class CChunkReader {
public:
    explicit CChunkReader(gCStream* stream) : mStream(stream) {}

    bool Long(int32_t& value, const char* message)
    {
        if (!mStream || mFailed)
            return !mFailed;
        return Check(mStream->ReadLong(value), message);
    }
    bool Float(float& value, const char* message)
    {
        if (!mStream || mFailed)
            return !mFailed;
        return Check(mStream->ReadFloat(value), message);
    }
    // A value the effect refuses counts as a damaged chunk, with the field's text.
    bool Refuse(const char* message) { return Check(eResourceReadError, message); }

private:
    bool Check(eResultCode result, const char* message)
    {
        if (result == eSuccess)
            return true;
        ReportError(result, message);
        mFailed = true;
        return false;
    }

    gCStream* mStream;
    bool mFailed = false;
};

struct sPlacement {
    int32_t layer = 0;
    int32_t overlay = 0;
};

uint32_t WithColourOf(uint32_t colour, int32_t value)
{
    return (colour & 0xFF000000u) | (uint32_t(value) & 0x00FFFFFFu);
}

bool ReadGradient(CWidgetEffectGradient* e, CChunkReader& in, sPlacement& at)
{
    float angle = 0.0f, cx = 0.5f, cy = 0.5f;
    int32_t blend = e->GetBlendMode(), type = e->GetGradientType(), count = 0;
    angle = e->GetAngle();
    cx = e->GetCentreX();
    cy = e->GetCentreY();
    if (!in.Long(at.layer, "Gradient layer."))
        return false;
    if (!in.Float(angle, "Gradient Effect angle."))
        return false;
    if (!ClampBlockFloat(angle, kMaxBlockTurns))
        return in.Refuse("Gradient Effect angle.");
    e->SetAngle(angle);
    if (!in.Long(blend, "Gradient Effect blend."))
        return false;
    e->SetBlendMode(blend);
    if (!in.Long(type, "Gradient Effect type."))
        return false;
    e->SetGradientType(type);
    if (!in.Float(cx, "Gradient Effect centre x."))
        return false;
    if (!ClampBlockFloat(cx, kMaxBlockCentre))
        return in.Refuse("Gradient Effect centre x.");
    e->SetCentre(cx, cy);
    if (!in.Float(cy, "Gradient Effect centre y."))
        return false;
    if (!ClampBlockFloat(cy, kMaxBlockCentre))
        return in.Refuse("Gradient Effect centre y.");
    e->SetCentre(cx, cy);
    if (!in.Long(count, "Gradient Effect Num Points."))
        return false;
    // Each point is read before the next; a count beyond the chunk ends in a failed read.
    for (int32_t i = 0; i < count; ++i) {
        int32_t colour = 0;
        float location = 0.0f;
        if (!in.Long(colour, "Gradient Effect Point colour."))
            return false;
        if (!in.Float(location, "Gradient Effect Point loc."))
            return false;
        CPixel pixel = uint32_t(colour);
        (void)e->GetGradient().AddGradientPoint(&pixel, location);
    }
    int32_t opacity = e->GetOpacity();
    if (!in.Long(opacity, "Gradient Opacity."))
        return false;
    (void)e->SetOpacity(ClampBlockOpacity(opacity), false);
    return in.Long(at.overlay, "Gradient Overlay.");
}

bool ReadBorder(CWidgetEffectBorder* e, CChunkReader& in, sPlacement& at)
{
    if (!in.Long(at.layer, "Border layer."))
        return false;
    struct sColourField {
        uint32_t side;
        const char* message;
    };
    static constexpr sColourField kColours[] = {
        {CWidgetEffectBorder::eTop, "Border top colour."},
        {CWidgetEffectBorder::eLeft, "Border left colour."},
        {CWidgetEffectBorder::eRight, "Border right colour."},
        {CWidgetEffectBorder::eBottom, "Border bottom colour."},
    };
    for (const sColourField& field : kColours) {
        int32_t value = int32_t(e->GetSideColour(CWidgetEffectBorder::eSide(field.side)));
        if (!in.Long(value, field.message))
            return false;
        uint32_t colour = uint32_t(value);
        (void)e->SetSideColour(field.side, &colour, false);
    }
    static constexpr sColourField kEdges[] = {
        {CWidgetEffectBorder::eTop, "Border top edge active."},
        {CWidgetEffectBorder::eLeft, "Border left edge active."},
        {CWidgetEffectBorder::eRight, "Border right edge active."},
        {CWidgetEffectBorder::eBottom, "Border bottom edge active."},
    };
    uint32_t mask = 0;
    for (const sColourField& field : kEdges) {
        int32_t active = 0;
        if (!in.Long(active, field.message))
            return false;
        if (active == 1)
            mask |= field.side;
    }
    int32_t style = 0;
    if (!in.Long(style, "Border edge style."))
        return false;
    static constexpr uint32_t kPatterns[] = {0xFFFFFFFFu, 0x55555555u, 0xCCCCCCCCu, 0xF0F0F0F0u, 0xFCCCFCCCu};
    uint32_t pattern = style >= 0 && style < 5 ? kPatterns[style] : 0xFFFFFFFFu;
    (void)e->SetActiveSides(mask, pattern, false);
    float width = e->GetWidth();
    if (!in.Float(width, "Border Width."))
        return false;
    (void)e->SetWidth(width, false);
    int32_t opacity = e->GetOpacity();
    if (!in.Long(opacity, "Border Opacity."))
        return false;
    (void)e->SetOpacity(ClampBlockOpacity(opacity), false);
    return in.Long(at.overlay, "Border Overlay.");
}

bool ReadCutout(CWidgetEffectCutout* e, CChunkReader& in, sPlacement& at)
{
    if (!in.Long(at.layer, "Cutout layer."))
        return false;
    int32_t colour = 0;
    if (!in.Long(colour, "Cutout colour."))
        return false;
    e->SetColour(WithColourOf(e->GetColour(), colour));
    float radius = e->GetRadius();
    if (!in.Float(radius, "Cutout Radius."))
        return false;
    if (e->SetRadius(radius) != eSuccess)
        return in.Refuse("Cutout Radius.");
    gCPoint offset = e->GetOffset();
    if (!in.Long(offset.x, "Cutout XOff.") || !in.Long(offset.y, "Cutout YOff."))
        return false;
    (void)e->SetOffset(offset, false);
    int32_t opacity = e->GetOpacity();
    if (!in.Long(opacity, "Cutout Opacity."))
        return false;
    (void)e->SetOpacity(ClampBlockOpacity(opacity), false);
    return in.Long(at.overlay, "Cutout Overlay.");
}

struct sShadowTexts {
    const char* layer;
    const char* colour;
    const char* radius;
    const char* xOffset;
    const char* yOffset;
    const char* opacity;
    const char* clip;
    const char* overlay;
};

constexpr sShadowTexts kShadowTexts = {"Shadow layer.", "Shadow colour.", "Shadow Radius.",
                                       "Shadow XOff.", "Shadow YOff.", "Shadow Opacity.",
                                       "Shadow Clip to Widget.", "Shadow Overlay."};
constexpr sShadowTexts kGlowTexts = {"Glow layer.", "Glow colour.", "Glow Radius.",
                                     "Glow XOff.", "Glow YOff.", "Glow Opacity.",
                                     "Glow Clip to Widget.", "Glow Overlay."};

bool ReadShadow(CWidgetEffectShadow* e, CChunkReader& in, sPlacement& at, const sShadowTexts& text)
{
    if (!in.Long(at.layer, text.layer))
        return false;
    int32_t colour = 0;
    if (!in.Long(colour, text.colour))
        return false;
    e->SetColour(WithColourOf(e->GetColour(), colour));
    float radius = e->GetRadius();
    if (!in.Float(radius, text.radius))
        return false;
    if (e->SetRadius(radius) != eSuccess)
        return in.Refuse(text.radius);
    gCPoint offset = e->GetOffset();
    if (!in.Long(offset.x, text.xOffset) || !in.Long(offset.y, text.yOffset))
        return false;
    (void)e->SetOffset(offset, false);
    int32_t opacity = e->GetOpacity();
    if (!in.Long(opacity, text.opacity))
        return false;
    (void)e->SetOpacity(ClampBlockOpacity(opacity), false);
    int32_t clip = -1;
    if (!in.Long(clip, text.clip))
        return false;
    if (clip == 0 || clip == 1 || clip == 2) {
        e->SetClipToRect(clip == 1);
        e->SetClipToShape(clip == 2);
    }
    return in.Long(at.overlay, text.overlay);
}

eResultCode Attach(CWidget* widget, CWidgetEffectBase* effect, const sPlacement& at)
{
    if (at.overlay == 0)
        return widget->AttachUnderEffect(effect, at.layer, false);
    if (at.overlay == 1)
        return widget->AttachOverEffect(effect, at.layer, false);
    return widget->AttachMiddleEffect(effect, at.layer, false);
}

// Takes the effect back out after a failed attach: when the widget stored it, the widget deletes
// it; otherwise (an index outside the lists) it is still ours.
void Discard(CWidget* widget, CWidgetEffectBase* effect, const sPlacement& at)
{
    if (at.overlay == 0 && widget->GetUnderEffect(at.layer) == effect)
        widget->RemoveUnderEffect(at.layer);
    else if (at.overlay == 1 && widget->GetOverEffect(at.layer) == effect)
        widget->RemoveOverEffect(at.layer);
    else if (at.overlay != 0 && at.overlay != 1 && widget->GetMiddleEffect(at.layer) == effect)
        widget->RemoveMiddleEffect(at.layer);
    else
        delete effect;
}

template <typename Effect>
Effect* Make(const char* failure)
{
    auto* effect = new Effect();
    if (!effect)
        ReportError(eCreateFailed, failure);
    return effect;
}

} // namespace

CWidgetEffectBase* LoadWidgetEffects(uint32_t tag, CWidget* widget, gCStream* stream)
{
    CChunkReader in(stream);
    sPlacement at;
    CWidgetEffectBase* effect = nullptr;
    bool read = false;
    switch (tag) {
    case kGradientEffectTag:
        if (auto* e = Make<CWidgetEffectGradient>("Widget gradient effect.")) {
            effect = e;
            read = ReadGradient(e, in, at);
        }
        break;
    case kBorderEffectTag:
        if (auto* e = Make<CWidgetEffectBorder>("Widget border effect.")) {
            effect = e;
            read = ReadBorder(e, in, at);
        }
        break;
    case kCutoutEffectTag:
        if (auto* e = Make<CWidgetEffectCutout>("Widget cutout effect.")) {
            effect = e;
            read = ReadCutout(e, in, at);
        }
        break;
    case kShadowEffectTag:
        if (auto* e = Make<CWidgetEffectShadow>("Widget shadow effect.")) {
            effect = e;
            read = ReadShadow(e, in, at, kShadowTexts);
        }
        break;
    case kGlowEffectTag:
        if (auto* e = Make<CWidgetEffectGlow>("Widget Glow effect.")) {
            effect = e;
            read = ReadShadow(e, in, at, kGlowTexts);
        }
        break;
    case kTextureEffectTag:
        effect = Make<CWidgetEffectTexture>("Widget texture effect.");
        read = true;
        break;
    default:
        ReportError(eCreateFailed, "Unrecognised type in widget constructor.");
        return nullptr;
    }
    if (!effect)
        return nullptr;
    if (!read) {
        delete effect;
        return nullptr;
    }
    if (!widget)
        return effect;
    if (eResultCode result = Attach(widget, effect, at); result != eSuccess) {
        ReportError(result, "Shadow add to parent failed.");
        Discard(widget, effect, at);
        return nullptr;
    }
    return effect;
}
