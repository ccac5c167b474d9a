#include "widgets/CCoWidget.h"
#include "widgets/CWidgetEffectBorder.h"
#include "widgets/CWidgetEffectCutout.h"
#include "widgets/CWidgetEffectGlow.h"
#include "widgets/CWidgetEffectGradient.h"
#include "widgets/CWidgetEffectShadow.h"
#include "widgets/CWidgetEffectTexture.h"
#include "widgets/LoadWidgetEffects.h"

#include "WidgetTestSupport.h"
#include "support/AllocationFailure.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

using Alerts = std::vector<std::string>;

uint32_t TagCode(const char* tag)
{
    return uint32_t(uint8_t(tag[0])) << 24 | uint32_t(uint8_t(tag[1])) << 16 | uint32_t(uint8_t(tag[2])) << 8 |
           uint32_t(uint8_t(tag[3]));
}

// One field of a chunk: its bytes and the text shown when it cannot be read.
struct sField {
    std::string bytes;
    std::string message;
};

std::string Join(const std::vector<sField>& fields, size_t count)
{
    std::string bytes;
    for (size_t i = 0; i < count && i < fields.size(); ++i)
        bytes += fields[i].bytes;
    return bytes;
}

std::vector<sField> GradientFields(int32_t overlay = 2)
{
    return {{I32(1), "Gradient layer."},        {F32(0.25f), "Gradient Effect angle."},
            {I32(3), "Gradient Effect blend."}, {I32(1), "Gradient Effect type."},
            {F32(0.25f), "Gradient Effect centre x."}, {F32(0.75f), "Gradient Effect centre y."},
            {I32(1), "Gradient Effect Num Points."}, {I32(int32_t(0xFF102030u)), "Gradient Effect Point colour."},
            {F32(0.5f), "Gradient Effect Point loc."}, {I32(128), "Gradient Opacity."},
            {I32(overlay), "Gradient Overlay."}};
}

std::vector<sField> BorderFields(int32_t style = 1, int32_t active = 1)
{
    return {{I32(2), "Border layer."},
            {I32(int32_t(0x11223344)), "Border top colour."},
            {I32(int32_t(0x55667788)), "Border left colour."},
            {I32(int32_t(0x99AABBCCu)), "Border right colour."},
            {I32(int32_t(0xDDEEFF00u)), "Border bottom colour."},
            {I32(1), "Border top edge active."},
            {I32(active), "Border left edge active."},
            {I32(active), "Border right edge active."},
            {I32(1), "Border bottom edge active."},
            {I32(style), "Border edge style."},
            {F32(2.5f), "Border Width."},
            {I32(77), "Border Opacity."},
            {I32(1), "Border Overlay."}};
}

std::vector<sField> CutoutFields()
{
    return {{I32(0), "Cutout layer."}, {I32(int32_t(0x00336699)), "Cutout colour."},
            {F32(2.0f), "Cutout Radius."}, {I32(-2), "Cutout XOff."}, {I32(3), "Cutout YOff."},
            {I32(180), "Cutout Opacity."}, {I32(0), "Cutout Overlay."}};
}

std::vector<sField> ShadowFields(const std::string& kind, int32_t clip = 2, float radius = 3.0f, int32_t layer = 3)
{
    return {{I32(layer), kind + " layer."}, {I32(int32_t(0x12345678)), kind + " colour."},
            {F32(radius), kind + " Radius."}, {I32(4), kind + " XOff."}, {I32(-5), kind + " YOff."},
            {I32(150), kind + " Opacity."}, {I32(clip), kind + " Clip to Widget."}, {I32(-1), kind + " Overlay."}};
}

class EffectChunks : public ::testing::Test {
protected:
    void SetUp() override
    {
        TakeAlertDetails();
        widget.SetVisible(true, false);
        ASSERT_EQ(widget.SetSize(20, 10, false), eSuccess);
    }
    void TearDown() override { TakeAlertDetails(); }

    CWidgetEffectBase* Load(const char* tag, const std::string& bytes, CWidget* target)
    {
        CBytesStream stream(bytes);
        return LoadWidgetEffects(TagCode(tag), target, &stream);
    }

    CPaintWidget widget;
};

TEST_F(EffectChunks, FieldsReachTheirEffectsAndLists)
{
    auto* g = dynamic_cast<CWidgetEffectGradient*>(Load("grdf", Join(GradientFields(), 99), &widget));
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(widget.GetMiddleEffect(1), g);
    EXPECT_EQ(g->GetAngle(), 0.25f);
    EXPECT_EQ(g->GetBlendMode(), 3);
    EXPECT_EQ(g->GetGradientType(), 1);
    EXPECT_EQ(g->GetCentreX(), 0.25f);
    EXPECT_EQ(g->GetCentreY(), 0.75f);
    EXPECT_EQ(g->GetOpacity(), 128);
    EXPECT_EQ(g->GetUserValue(), 1u);
    ASSERT_EQ(g->GetGradient().GetPointCount(), 3);
    EXPECT_EQ(g->GetGradient().GetPoint(1).colour, 0xFF102030u);

    auto* b = dynamic_cast<CWidgetEffectBorder*>(Load("brde", Join(BorderFields(), 99), &widget));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(widget.GetOverEffect(2), b);
    EXPECT_EQ(b->GetSideColour(CWidgetEffectBorder::eTop), 0x11223344u);
    EXPECT_EQ(b->GetSideColour(CWidgetEffectBorder::eLeft), 0x55667788u);
    EXPECT_EQ(b->GetSideColour(CWidgetEffectBorder::eRight), 0x99AABBCCu);
    EXPECT_EQ(b->GetSideColour(CWidgetEffectBorder::eBottom), 0xDDEEFF00u);
    for (auto side : {CWidgetEffectBorder::eTop, CWidgetEffectBorder::eLeft, CWidgetEffectBorder::eRight,
                      CWidgetEffectBorder::eBottom})
        EXPECT_EQ(b->GetSidePattern(side), 0x55555555u);
    EXPECT_EQ(b->GetWidth(), 2.5f);
    EXPECT_EQ(b->GetOpacity(), 77);

    auto* c = dynamic_cast<CWidgetEffectCutout*>(Load("ctot", Join(CutoutFields(), 99), &widget));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(widget.GetUnderEffect(0), c);
    EXPECT_EQ(c->GetColour(), 0xFF336699u);
    EXPECT_EQ(c->GetRadius(), 2.0f);
    EXPECT_EQ(c->GetOffset().x, -2);
    EXPECT_EQ(c->GetOffset().y, 3);
    EXPECT_EQ(c->GetOpacity(), 180);

    auto* s = dynamic_cast<CWidgetEffectShadow*>(Load("shad", Join(ShadowFields("Shadow"), 99), &widget));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->GetTypeCode(), CWidgetEffectShadow::kTypeCode);
    EXPECT_EQ(widget.GetMiddleEffect(3), s);
    EXPECT_EQ(s->GetColour(), 0xFF345678u);
    EXPECT_EQ(s->GetRadius(), 3.0f);
    EXPECT_EQ(s->GetOffset().x, 4);
    EXPECT_EQ(s->GetOffset().y, -5);
    EXPECT_EQ(s->GetOpacity(), 150);
    EXPECT_FALSE(s->GetClipToRect());
    EXPECT_TRUE(s->GetClipToShape());
    // The offset moved the rect the attach computed: g = 6 on a 20 x 10 widget.
    EXPECT_EQ(s->GetRect(), (gCRect{-6 + 4, -6 - 5, 26 + 4, 16 - 5}));

    auto* glow = dynamic_cast<CWidgetEffectGlow*>(Load("glow", Join(ShadowFields("Glow", 1, 3.0f, 0), 99), &widget));
    ASSERT_NE(glow, nullptr);
    EXPECT_EQ(widget.GetMiddleEffect(0), glow);
    EXPECT_EQ(glow->GetColour(), 0xFF345678u);
    EXPECT_TRUE(glow->GetClipToRect());
    EXPECT_FALSE(glow->GetClipToShape());

    auto* t = dynamic_cast<CWidgetEffectTexture*>(Load("txtr", "", &widget));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(widget.GetUnderEffect(0), t); // replaced the cut-out
    EXPECT_EQ(t->GetBlendMode(), 1);
    EXPECT_EQ(t->GetSecondMode(), 1);
    EXPECT_EQ(t->GetTexture().GetWidth() | t->GetTexture().GetHeight(), 0);
    EXPECT_EQ(TakeAlertDetails(), Alerts{});
}

TEST_F(EffectChunks, EdgeStylesMasksAndClipValues)
{
    struct sCase {
        int32_t style;
        int32_t active;
        uint32_t pattern;
        uint32_t sidePattern;
    };
    // Values other than exactly 1 leave the left and right bits clear, so those sides stay solid.
    const sCase cases[] = {{0, 1, 0xFFFFFFFFu, 0xFFFFFFFFu}, {2, 1, 0xCCCCCCCCu, 0xCCCCCCCCu},
                           {3, 2, 0xF0F0F0F0u, 0xFFFFFFFFu}, {4, -1, 0xFCCCFCCCu, 0xFFFFFFFFu},
                           {7, 1, 0xFFFFFFFFu, 0xFFFFFFFFu}, {-1, 0, 0xFFFFFFFFu, 0xFFFFFFFFu}};
    for (const sCase& c : cases) {
        SCOPED_TRACE(c.style);
        auto* b = dynamic_cast<CWidgetEffectBorder*>(Load("brde", Join(BorderFields(c.style, c.active), 99), nullptr));
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->GetOwner(), nullptr);
        EXPECT_EQ(b->GetSidePattern(CWidgetEffectBorder::eTop), c.pattern);
        EXPECT_EQ(b->GetSidePattern(CWidgetEffectBorder::eBottom), c.pattern);
        EXPECT_EQ(b->GetSidePattern(CWidgetEffectBorder::eLeft), c.sidePattern);
        EXPECT_EQ(b->GetSidePattern(CWidgetEffectBorder::eRight), c.sidePattern);
        delete b;
    }
    // A clip value outside 0..2 leaves both flags as they were (off).
    for (int32_t clip : {0, 3, -7}) {
        auto* s = dynamic_cast<CWidgetEffectShadow*>(Load("shad", Join(ShadowFields("Shadow", clip), 99), nullptr));
        ASSERT_NE(s, nullptr);
        EXPECT_FALSE(s->GetClipToRect());
        EXPECT_FALSE(s->GetClipToShape());
        delete s;
    }
    // No points keeps the two default points; the overlay picks the list.
    std::vector<sField> none = GradientFields(0);
    none[6].bytes = I32(0);
    none.erase(none.begin() + 7, none.begin() + 9);
    auto* g = dynamic_cast<CWidgetEffectGradient*>(Load("grdf", Join(none, 99), &widget));
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->GetGradient().GetPointCount(), 2);
    EXPECT_EQ(widget.GetUnderEffect(1), g);
    EXPECT_EQ(TakeAlertDetails(), Alerts{});
}

TEST_F(EffectChunks, WithoutAStreamTheDefaultsGoUnderAtZero)
{
    auto* s = dynamic_cast<CWidgetEffectShadow*>(LoadWidgetEffects(kShadowEffectTag, &widget, nullptr));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(widget.GetUnderEffect(0), s);
    EXPECT_EQ(s->GetColour(), 0xFF000000u);
    EXPECT_EQ(s->GetOpacity(), 200);
    EXPECT_EQ(s->GetRadius(), 7.0f);
    EXPECT_EQ(LoadWidgetEffects(FourCC("abcd"), &widget, nullptr), nullptr);
    EXPECT_EQ(TakeAlertDetails(), Alerts{"Unrecognised type in widget constructor."});
}

TEST_F(EffectChunks, TruncatedChunksNameTheFirstMissingField)
{
    struct sKind {
        const char* tag;
        std::vector<sField> fields;
    };
    const sKind kinds[] = {{"grdf", GradientFields()}, {"brde", BorderFields()}, {"ctot", CutoutFields()},
                           {"shad", ShadowFields("Shadow")}, {"glow", ShadowFields("Glow")}};
    for (const sKind& kind : kinds) {
        for (size_t have = 0; have < kind.fields.size(); ++have) {
            SCOPED_TRACE(testing::Message() << kind.tag << " with " << have << " fields");
            CPaintWidget target;
            // Half a field is as short as none.
            std::string bytes = Join(kind.fields, have) + "ab";
            EXPECT_EQ(Load(kind.tag, bytes, &target), nullptr);
            EXPECT_EQ(TakeAlertDetails(), Alerts{kind.fields[have].message});
            for (int32_t i = 0; i < CWidget::kEffectSlots; ++i) {
                EXPECT_EQ(target.GetUnderEffect(i), nullptr);
                EXPECT_EQ(target.GetMiddleEffect(i), nullptr);
                EXPECT_EQ(target.GetOverEffect(i), nullptr);
            }
        }
    }
}

TEST_F(EffectChunks, RefusedValuesAndFailedAttaches)
{
    // A layer outside the four entries is refused by the attach; the effect is freed once.
    for (int32_t layer : {4, -1, 1000000}) {
        EXPECT_EQ(Load("shad", Join(ShadowFields("Shadow", 0, 3.0f, layer), 99), &widget), nullptr);
        EXPECT_EQ(TakeAlertDetails(), Alerts{"Shadow add to parent failed."});
    }
    // A negative radius is refused as a damaged field.
    EXPECT_EQ(Load("shad", Join(ShadowFields("Shadow", 0, -1.0f), 99), &widget), nullptr);
    EXPECT_EQ(TakeAlertDetails(), Alerts{"Shadow Radius."});
    EXPECT_EQ(Load("glow", Join(ShadowFields("Glow", 0, -0.5f), 99), &widget), nullptr);
    EXPECT_EQ(TakeAlertDetails(), Alerts{"Glow Radius."});
    std::vector<sField> cut = CutoutFields();
    cut[2].bytes = F32(-3.0f);
    EXPECT_EQ(Load("ctot", Join(cut, 99), &widget), nullptr);
    EXPECT_EQ(TakeAlertDetails(), Alerts{"Cutout Radius."});

    // Running out of memory at every step: the effect is built, refused or removed through the
    // widget, never freed twice (the sanitizer build watches this).
    const std::string bytes = Join(CutoutFields(), 99);
    bool succeeded = false;
    for (int64_t n = 1; n < 200 && !succeeded; ++n) {
        CPaintWidget target;
        target.SetVisible(true, false);
        ASSERT_EQ(target.SetSize(16, 8, false), eSuccess);
        CWidgetEffectBase* effect = nullptr;
        CBytesStream stream(bytes);
        {
            AllocationFailure failure(n);
            effect = LoadWidgetEffects(kCutoutEffectTag, &target, &stream);
        }
        succeeded = effect != nullptr;
        if (!succeeded) {
            EXPECT_EQ(target.GetUnderEffect(0), nullptr);
            Alerts alerts = TakeAlertDetails();
            ASSERT_EQ(alerts.size(), 1u);
            EXPECT_TRUE(alerts[0] == "Widget cutout effect." || alerts[0] == "Shadow add to parent failed.") << alerts[0];
        }
    }
    EXPECT_TRUE(succeeded);
}

TEST_F(EffectChunks, CoWidgetBlocksCarryTheirEffects)
{
    CCoWidget w;
    std::string chunks = Tag("grdf") + Join(GradientFields(1), 99) + Tag("shad") + Join(ShadowFields("Shadow"), 99) +
             Tag("brde") + Join(BorderFields(), 99) + Tag("ctot") + Join(CutoutFields(), 99) + Tag("glow") +
             Join(ShadowFields("Glow", 0, 2.0f, 2), 99);
    CBytesStream stream(Block(chunks));
    ASSERT_EQ(w.LoadWidgetDataBlock(&stream), eSuccess);
    EXPECT_EQ(TakeAlertDetails(), Alerts{});
    EXPECT_EQ(w.GetOverEffect(1)->GetTypeCode(), CWidgetEffectGradient::kTypeCode);
    EXPECT_EQ(w.GetMiddleEffect(3)->GetTypeCode(), CWidgetEffectShadow::kTypeCode);
    EXPECT_EQ(w.GetOverEffect(2)->GetTypeCode(), CWidgetEffectBorder::kTypeCode);
    EXPECT_EQ(w.GetUnderEffect(0)->GetTypeCode(), CWidgetEffectCutout::kTypeCode);
    EXPECT_EQ(w.GetMiddleEffect(2)->GetTypeCode(), CWidgetEffectGlow::kTypeCode);

    struct sCase {
        const char* tag;
        std::string bytes;
        Alerts alerts;
    };
    const sCase damaged[] = {
        {"grdf", Join(GradientFields(), 3), {"Gradient Effect type.", "Widget gradient effect failed."}},
        {"brde", Join(BorderFields(), 10), {"Border Width.", "Widget border effect failed."}},
        {"ctot", Join(CutoutFields(), 1), {"Cutout colour.", "Widget cutout effect failed."}},
        {"shad", Join(ShadowFields("Shadow"), 7), {"Shadow Overlay.", "Widget shadow effect failed."}},
        {"glow", Join(ShadowFields("Glow", 0, 2.0f, 9), 99), {"Shadow add to parent failed.", "Widget glow effect failed."}},
    };
    for (const sCase& c : damaged) {
        SCOPED_TRACE(c.tag);
        CCoWidget broken;
        CBytesStream bad(Block(I32(int32_t(TagCode(c.tag))) + c.bytes));
        EXPECT_EQ(broken.LoadWidgetDataBlock(&bad), eResourceReadError);
        Alerts expected = c.alerts;
        expected.push_back("Error parsing widget data chunk type.");
        EXPECT_EQ(TakeAlertDetails(), expected);
    }
}

// The compiler writes each effect's fields as the loader reads them back.
TEST(EffectChunkScripts, CompiledEffectsLoadAsWritten)
{
    TempFolder folder;
    ScopedResourceContext context;
    std::string path = CompileResources(
        folder.Path(), "resources", "effects.mrs",
        "widget 'cowg' 3 \"Panel\" {\n"
        "  vsbl 1\n"
        "  grdf 1 0.125 2 2 0.25 0.75 2 0xFF102030 0.0 0x80FFFFFF 1.0 200 1\n"
        "  brde 0 0xA0FFFFFF 0xA0FFFFFF 0x80000000 0x80000000 1 1 0 1 3 1.5 255 0\n"
        "  ctot 2 0x00FF00 1.5 -1 2 128 5\n"
        "  shad 3 0x102030 4.0 2 3 90 1 -1\n"
        "  glow 0 0xFF8000 6.0 0 0 100 2 1\n"
        "}\n");
    ASSERT_FALSE(path.empty());
    ASSERT_EQ(context.UseResourceFile(path), eSuccess);
    CCoWidget* w = CCoWidget::CreateFromName(gCString(u"Panel"), nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(TakeAlertDetails(), Alerts{});

    auto* g = dynamic_cast<CWidgetEffectGradient*>(w->GetOverEffect(1));
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->GetAngle(), 0.125f);
    EXPECT_EQ(g->GetBlendMode(), 2);
    EXPECT_EQ(g->GetGradientType(), 2);
    EXPECT_EQ(g->GetCentreX(), 0.25f);
    EXPECT_EQ(g->GetCentreY(), 0.75f);
    EXPECT_EQ(g->GetOpacity(), 200);
    ASSERT_EQ(g->GetGradient().GetPointCount(), 2);
    EXPECT_EQ(g->GetGradient().GetPoint(0).colour, 0xFF102030u);
    EXPECT_EQ(g->GetGradient().GetPoint(1).colour, 0x80FFFFFFu);

    auto* b = dynamic_cast<CWidgetEffectBorder*>(w->GetUnderEffect(0));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->GetSidePattern(CWidgetEffectBorder::eTop), 0xF0F0F0F0u);
    EXPECT_EQ(b->GetSidePattern(CWidgetEffectBorder::eRight), 0xFFFFFFFFu);
    EXPECT_EQ(b->GetWidth(), 1.5f);

    auto* c = dynamic_cast<CWidgetEffectCutout*>(w->GetMiddleEffect(2));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->GetColour(), 0xFF00FF00u);
    EXPECT_EQ(c->GetRadius(), 1.5f);
    EXPECT_EQ(c->GetOffset().x, -1);
    EXPECT_EQ(c->GetOpacity(), 128);

    auto* s = dynamic_cast<CWidgetEffectShadow*>(w->GetMiddleEffect(3));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->GetColour(), 0xFF102030u);
    EXPECT_EQ(s->GetOffset().y, 3);
    EXPECT_TRUE(s->GetClipToRect());
    EXPECT_EQ(s->GetOpacity(), 90);

    auto* glow = dynamic_cast<CWidgetEffectGlow*>(w->GetOverEffect(0));
    ASSERT_NE(glow, nullptr);
    EXPECT_EQ(glow->GetColour(), 0xFFFF8000u);
    EXPECT_EQ(glow->GetRadius(), 6.0f);
    EXPECT_TRUE(glow->GetClipToShape());
    delete w;
}

} // namespace

namespace {

// Values the drawing arithmetic would overflow on are brought into range as the chunk is read;
// values that are not numbers are refused as damaged fields.
TEST_F(EffectChunks, ValuesAreClampedOrRefusedAsTheChunkIsRead)
{
    for (int32_t opacity : {INT32_MAX, 256, -1, INT32_MIN}) {
        SCOPED_TRACE(opacity);
        const int32_t expected = opacity > 0 ? 255 : 0;
        std::vector<sField> g = GradientFields();
        g[9].bytes = I32(opacity);
        std::vector<sField> b = BorderFields();
        b[11].bytes = I32(opacity);
        std::vector<sField> c = CutoutFields();
        c[5].bytes = I32(opacity);
        std::vector<sField> s = ShadowFields("Shadow");
        s[5].bytes = I32(opacity);
        for (auto [tag, fields] : {std::pair{"grdf", g}, {"brde", b}, {"ctot", c}, {"shad", s}}) {
            CWidgetEffectBase* effect = Load(tag, Join(fields, 99), nullptr);
            ASSERT_NE(effect, nullptr) << tag;
            EXPECT_EQ(effect->GetOpacity(), expected) << tag;
            delete effect;
        }
    }
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    struct sCase {
        size_t field;
        float value;
        const char* refused; // null: kept, clamped
        float angle, centreX, centreY;
    };
    const sCase cases[] = {
        {1, nan, "Gradient Effect angle.", 0, 0, 0},
        {1, -inf, "Gradient Effect angle.", 0, 0, 0},
        {4, inf, "Gradient Effect centre x.", 0, 0, 0},
        {5, nan, "Gradient Effect centre y.", 0, 0, 0},
        {1, 1.0e30f, nullptr, 1024.0f, 0.25f, 0.75f},
        {4, -2147483648.0f, nullptr, 0.25f, -64.0f, 0.75f},
        {5, 7.25e24f, nullptr, 0.25f, 0.25f, 64.0f},
    };
    for (const sCase& c : cases) {
        SCOPED_TRACE(c.field);
        std::vector<sField> fields = GradientFields();
        fields[c.field].bytes = F32(c.value);
        auto* g = dynamic_cast<CWidgetEffectGradient*>(Load("grdf", Join(fields, 99), nullptr));
        if (c.refused) {
            EXPECT_EQ(g, nullptr);
            EXPECT_EQ(TakeAlertDetails(), Alerts{c.refused});
            continue;
        }
        ASSERT_NE(g, nullptr);
        EXPECT_EQ(g->GetAngle(), c.angle);
        EXPECT_EQ(g->GetCentreX(), c.centreX);
        EXPECT_EQ(g->GetCentreY(), c.centreY);
        delete g;
    }
    EXPECT_EQ(TakeAlertDetails(), Alerts{});
}

} // namespace
