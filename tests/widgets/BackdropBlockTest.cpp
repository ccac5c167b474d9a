#include "widgets/CBackdrop.h"
#include "widgets/CCoWidget.h"

#include "WidgetTestSupport.h"
#include "imaging/CGradient.h"
#include "support/TempFolder.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

using Alerts = std::vector<std::string>;

class BackdropBlock : public ::testing::Test {
protected:
    void SetUp() override { TakeAlertDetails(); }
    void TearDown() override { TakeAlertDetails(); }
    void UseScript(const std::string& script)
    {
        std::string path = CompileResources(folder.Path(), "resources", "backdrop.mrs", script);
        ASSERT_FALSE(path.empty());
        ASSERT_EQ(context.UseResourceFile(path), eSuccess);
    }
    TempFolder folder;
    ScopedResourceContext context;
};

TEST_F(BackdropBlock, PlainBlockGivesTheDefaultBackground)
{
    UseScript("widget 'bkdp' 1 \"Plain\" {\n    xsiz 640.0\n    ysiz 240.0\n}\n");
    CBackdrop* backdrop = CBackdrop::CreateFromName(gCString(u"Plain"), nullptr, nullptr);
    ASSERT_NE(backdrop, nullptr);
    EXPECT_EQ(backdrop->GetLayoutRect().right, 640.0f);
    EXPECT_EQ(backdrop->GetGradient(), nullptr);
    EXPECT_EQ(backdrop->GetCursorWidget(), nullptr);
    ASSERT_EQ(backdrop->SetSize(4, 4, false), eSuccess);
    backdrop->MarkWindowReady();
    ASSERT_EQ(backdrop->Update(), eSuccess);
    EXPECT_EQ(backdrop->GetImagePixel({3, 3}), 0xFF303050u);
    delete backdrop;
}

TEST_F(BackdropBlock, BackgroundTagsCursorsAndFullWindow)
{
    UseScript(R"(widget 'bkdp' 1 "Back" {
    colr 0x00FF0000
    grop 0
    gran 0.25
    grac 1
    grcx 0.25
    whsb 2
    curs "Arrow|3,4"
    curs "Hand|2.9,-1.5"
    dcur "Hand"
    fscr 1
}
widget 'cowg' 2 "Arrow" {
    xsiz 4.0
}
widget 'wdgt' 3 "Hand" {
    vsbl 0
}
)");
    CBackdrop* backdrop = CBackdrop::CreateFromName(gCString(u"Back"), nullptr, nullptr);
    ASSERT_NE(backdrop, nullptr);
    EXPECT_EQ(TakeAlertDetails(), Alerts{});
    EXPECT_EQ(backdrop->GetBackgroundColour(), 0x00FF0000u);
    EXPECT_EQ(backdrop->GetGradientOpacity(), 0);
    EXPECT_EQ(backdrop->GetGradientAngle(), 0.25f);
    EXPECT_EQ(backdrop->IsGradientCircular(), 1u);
    EXPECT_EQ(backdrop->GetGradientCentre().x, 0.25f);
    EXPECT_EQ(backdrop->GetWhsbFlag(), 1u);
    ASSERT_EQ(backdrop->GetCursorCount(), 2);
    ASSERT_NE(backdrop->GetCursorWidget(), nullptr);
    EXPECT_EQ(Utf8(backdrop->GetCursorWidget()->GetName()), "Hand");
    EXPECT_EQ(backdrop->GetLayoutRect().right, 10000.0f);
    EXPECT_EQ(backdrop->GetLayoutRect().bottom, 10000.0f);
    EXPECT_EQ(backdrop->SetCursorByName(gCString(u"Nothing")), eBadParameter);
    EXPECT_EQ(Utf8(backdrop->GetCursorWidget()->GetName()), "Hand");
    // The alpha byte of the colour plays no part.
    ASSERT_EQ(backdrop->SetSize(4, 4, false), eSuccess);
    backdrop->MarkWindowReady();
    ASSERT_EQ(backdrop->Update(), eSuccess);
    EXPECT_EQ(backdrop->GetImagePixel({1, 1}), 0xFFFF0000u);
    delete backdrop;
}

TEST_F(BackdropBlock, LoaderFailuresAndTheirMessages)
{
    // Written by hand: the compiler refuses files with these faults.
    struct Case {
        const char* name;
        std::string block;
        std::string alert;
        eResultCode code;
    } cases[] = {
        {"default cursor not added", Block(Tag("dcur") + Text("Missing")), "Backdrop default cursor init failed!",
         eResourceReadError},
        {"cursor not in the file", Block(Tag("curs") + Text("Missing|1,1")), "Backdrop cursor create failed!",
         eResourceReadError},
        {"gradient not in the file", Block(Tag("grad") + Text("NoGradient")), "Backdrop gradient load failed!",
         eResourceReadError},
        {"image not in the file", Block(Tag("imag") + Text("NoImage")), "Backdrop image load failed!",
         eResourceReadError},
        // A value the block does not hold: the stream's own result.
        {"dangling tag", Block(Tag("vsbl") + I32(1) + Tag("curs")), "Error parsing backdrop data chunk type.",
         eStreamError},
        {"value cut short", Block(Tag("colr") + "\x01\x02"), "Error parsing backdrop data chunk type.",
         eStreamError},
        {"negative block size", I32(-4) + Tag("vsbl") + I32(1), "Error reading backdrop data block size.",
         eResourceReadError},
        {"block beyond its chunk", I32(400) + Tag("vsbl") + I32(1), "Error reading backdrop data block size.",
         eResourceReadError},
    };
    int32_t id = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = folder.WriteFile("bad" + std::to_string(id) + ".mrf", Chunk("bkdp", id, "B", c.block));
        ++id;
        ASSERT_EQ(context.UseResourceFile(path), eSuccess);
        TakeAlertDetails();
        EXPECT_EQ(CBackdrop::CreateFromName(gCString(u"B"), nullptr, nullptr), nullptr);
        Alerts got = TakeAlertDetails();
        // The gradient loader may show its own alert first.
        ASSERT_FALSE(got.empty());
        EXPECT_EQ(got.back(), c.alert);
        CBackdrop backdrop;
        EXPECT_EQ(backdrop.LoadFromName(gCString(u"B"), nullptr, nullptr), c.code);
        TakeAlertDetails();
    }
    // An empty backdrop block loads.
    std::string path = folder.WriteFile("empty.mrf", Chunk("bkdp", 9, "E", Block("")));
    ASSERT_EQ(context.UseResourceFile(path), eSuccess);
    CBackdrop* empty = CBackdrop::CreateFromName(gCString(u"E"), nullptr, nullptr);
    EXPECT_NE(empty, nullptr);
    delete empty;
}

TEST(BackdropCursorLine, BadLinesAreRefused)
{
    struct Case {
        std::string line;
        bool ok;
    } cases[] = {{"Arrow|3,4", true}, {"Arrow 3,4", false}, {"Arrow|3 4", false}};
    for (const Case& c : cases) {
        std::string text;
        for (char ch : c.line + "\n")
            text += std::string{ch, '\0'};
        text += std::string(2, '\0');
        uint32_t tag = FourCC("curs");
        std::string chunk(reinterpret_cast<const char*>(&tag), 4);
        chunk += text;
        int32_t size = int32_t(chunk.size());
        std::string block(reinterpret_cast<const char*>(&size), 4);
        block += chunk;
        CBytesStream stream(block);
        CBackdrop backdrop;
        TakeAlertDetails();
        eResultCode result = backdrop.LoadWidgetDataBlock(&stream);
        Alerts alerts = TakeAlertDetails();
        if (c.ok) {
            // The cursor itself cannot be made without a resource file.
            EXPECT_EQ(alerts.front(), "Backdrop cursor create failed!");
        } else {
            EXPECT_EQ(result, eResourceReadError);
            EXPECT_EQ(alerts, (Alerts{"Backdrop curs.", "Error parsing backdrop data chunk type."}));
        }
    }
}

// The gradient's strength, direction and shape, set as the backdrop's data block sets them.
void LoadGradientTags(CBackdrop& backdrop, int32_t opacity, float angle, int32_t circular)
{
    CBytesStream stream(Block(Tag("grop") + I32(opacity) + Tag("gran") + F32(angle) + Tag("grac") + I32(circular)));
    ASSERT_EQ(backdrop.LoadWidgetDataBlock(&stream), eSuccess);
}

TEST(BackdropBackground, GradientOverColourAndImage)
{
    CBackdrop backdrop;
    PrepareBackdrop(backdrop, 9, 9);
    backdrop.SetBackgroundColour(0x00000000u);
    CPixel black = 0xFF000000u, white = 0xFFFFFFFFu;
    backdrop.SetGradient(new CGradient(&black, &white));
    LoadGradientTags(backdrop, 255, 0.0f, 0);
    ASSERT_EQ(backdrop.InvalidateArea({0, 0, 9, 9}, true), eSuccess);
    // Top to bottom: the first and last table entries, opaque at full strength.
    CGradient* gradient = backdrop.GetGradient();
    EXPECT_EQ(backdrop.GetImagePixel({4, 0}), gradient->GetColour(0, 9) | 0xFF000000u);
    EXPECT_EQ(backdrop.GetImagePixel({4, 8}), gradient->GetColour(8, 9) | 0xFF000000u);

    // Circular about the centre: the centre takes the first entry, the corners the last.
    LoadGradientTags(backdrop, 255, 0.0f, 1);
    ASSERT_EQ(backdrop.InvalidateArea({0, 0, 9, 9}, true), eSuccess);
    uint32_t centre = backdrop.GetImagePixel({5, 5});
    EXPECT_EQ(centre, (gradient->GetEntry(0) & 0x00FFFFFFu) | 0xFF000000u);
    EXPECT_GT(backdrop.GetImagePixel({0, 0}) & 0xFF, centre & 0xFF);

    // Opacity 0: no gradient at all.
    LoadGradientTags(backdrop, 0, 0.0f, 1);
    ASSERT_EQ(backdrop.InvalidateArea({0, 0, 9, 9}, true), eSuccess);
    EXPECT_EQ(backdrop.GetImagePixel({0, 0}), 0xFF000000u);

    // A quarter turn runs the linear gradient across instead of down.
    LoadGradientTags(backdrop, 255, 0.25f, 0);
    ASSERT_EQ(backdrop.InvalidateArea({0, 0, 9, 9}, true), eSuccess);
    EXPECT_EQ(backdrop.GetImagePixel({0, 0}), backdrop.GetImagePixel({0, 8}));
    EXPECT_NE(backdrop.GetImagePixel({0, 4}), backdrop.GetImagePixel({8, 4}));
}

// Without an image a row of the translucent gradient is one colour: it must be the colour each
// pixel gets over a tile of the plain colour.
TEST(BackdropBackground, TranslucentGradientRowsOverTheColourMatchThoseOverATile)
{
    CPixel top = 0xFF10E040u, bottom = 0x60F02080u;
    for (int32_t opacity : {1, 128, 200, 254}) {
        uint32_t rows[2][9];
        for (bool tiled : {false, true}) {
            CBackdrop backdrop;
            PrepareBackdrop(backdrop, 5, 9);
            backdrop.SetBackgroundColour(0x00304050u);
            backdrop.SetGradient(new CGradient(&top, &bottom));
            LoadGradientTags(backdrop, opacity, 0.0f, 0);
            if (tiled) {
                auto* tile = new CImage(1, 1);
                CPixel colour = 0xFF304050u;
                CImNav(tile, nullptr).Fill(&colour);
                backdrop.SetBackgroundImage(tile);
            }
            ASSERT_EQ(backdrop.InvalidateArea({0, 0, 5, 9}, true), eSuccess);
            for (int32_t y = 0; y < 9; ++y) {
                rows[tiled][y] = backdrop.GetImagePixel({4, y});
                EXPECT_EQ(backdrop.GetImagePixel({0, y}), rows[tiled][y]);
            }
        }
        for (int32_t y = 0; y < 9; ++y)
            EXPECT_EQ(rows[0][y], rows[1][y]) << "opacity " << opacity << " row " << y;
    }
}

// The gradient laid over the base at partial strength: the packed blend worked out by hand.
TEST(BackdropBackground, PartialStrengthBlendsTheGradientOverTheBase)
{
    const struct {
        uint32_t base;
        CPixel gradient;
        int32_t opacity;
        uint32_t want;
    } cases[] = {
        {0xFF000000u, 0xFFFFFFFFu, 127, 0xFF7F7F7Fu},
        {0xFFFF0000u, 0xFFFFFFFFu, 127, 0xFFFF7F7Fu}, // a channel already at the gradient's value stays
        {0xFFFFFFFFu, 0xFF000000u, 127, 0xFF808080u}, // channels going down
        {0xFF000000u, 0x80FFFFFFu, 255, 0xFF808080u}, // the gradient's own alpha at full strength
        {0x00204060u, 0xFFFFFFFFu, 200, 0xFFCFD6DDu}, // the default strength; the base drawn opaque
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.base << " " << c.gradient << std::dec << " " << c.opacity);
        CBackdrop backdrop;
        PrepareBackdrop(backdrop, 4, 4);
        backdrop.SetBackgroundColour(c.base);
        CPixel stop = c.gradient;
        backdrop.SetGradient(new CGradient(&stop, &stop));
        LoadGradientTags(backdrop, c.opacity, 0.0f, 0);
        ASSERT_EQ(backdrop.InvalidateArea({0, 0, 4, 4}, true), eSuccess);
        EXPECT_EQ(backdrop.GetImagePixel({0, 0}), c.want);
        EXPECT_EQ(backdrop.GetImagePixel({3, 2}), c.want);
    }
}

// A linear gradient at an angle: the table entry each pixel of an 8 x 4 backdrop takes, worked out
// by hand from the fixed-point steps; the middle always takes the middle entry.
TEST(BackdropBackground, AnAngledGradientStepsAcrossTheBackdrop)
{
    const struct {
        float angle;
        gCPoint at;
        int32_t entry;
    } cases[] = {
        {0.25f, {0, 0}, 4094},  {0.25f, {3, 0}, 2559},  {0.25f, {7, 3}, 511},   {0.25f, {4, 2}, 2047},
        {0.5f, {7, 0}, 4094},   {0.5f, {0, 3}, 1023},   {0.5f, {4, 2}, 2047},   {0.125f, {0, 0}, 2729},
        {0.125f, {7, 0}, 341},  {0.125f, {0, 3}, 3753}, {0.125f, {7, 3}, 1364}, {0.125f, {4, 2}, 2047},
    };
    CPixel black = 0xFF000000u, white = 0xFFFFFFFFu;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.angle << " at " << c.at.x << "," << c.at.y);
        CBackdrop backdrop;
        PrepareBackdrop(backdrop, 8, 4);
        backdrop.SetGradient(new CGradient(&black, &white));
        LoadGradientTags(backdrop, 255, c.angle, 0);
        ASSERT_EQ(backdrop.InvalidateArea({0, 0, 8, 4}, true), eSuccess);
        EXPECT_EQ(backdrop.GetImagePixel(c.at), (backdrop.GetGradient()->GetEntry(c.entry) & 0x00FFFFFFu) | 0xFF000000u);
    }
}

// The image repeats from the backdrop's origin, also where only part of the backdrop is painted.
TEST(BackdropBackground, TheImageIsTiledFromTheOrigin)
{
    CBackdrop backdrop;
    PrepareBackdrop(backdrop, 7, 5);
    auto* tile = new CImage(3, 2);
    {
        CImNav all(tile, nullptr);
        for (int32_t y = 0; y < 2; ++y)
            for (int32_t x = 0; x < 3; ++x)
                all.Row(y)[x] = 0xFF000000u | uint32_t(y << 8 | x);
    }
    backdrop.SetBackgroundImage(tile);
    for (gCRect area : {gCRect{0, 0, 7, 5}, gCRect{4, 1, 7, 5}}) {
        ASSERT_EQ(backdrop.InvalidateArea(area, true), eSuccess);
        for (int32_t y = area.top; y < area.bottom; ++y)
            for (int32_t x = area.left; x < area.right; ++x)
                EXPECT_EQ(backdrop.GetImagePixel({x, y}), 0xFF000000u | uint32_t((y % 2) << 8 | x % 3)) << x << "," << y;
    }
}

// A circular gradient about an off-centre point reaches its last entry at the farthest corner; an
// area beyond the backdrop paints nothing.
TEST(BackdropBackground, OffCentreAndUnlaidGradients)
{
    CPixel black = 0xFF000000u, white = 0xFFFFFFFFu;
    const struct {
        gCFloatPoint centre;
        gCPoint at;
        int32_t entry;
    } cases[] = {
        {{0.75f, 0.9f}, {6, 9}, 0},
        {{0.75f, 0.9f}, {0, 0}, 4095},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.centre.x << " at " << c.at.x << "," << c.at.y);
        CBackdrop backdrop;
        PrepareBackdrop(backdrop, 8, 10);
        backdrop.SetBackgroundColour(0xFF304050u);
        backdrop.SetGradient(new CGradient(&black, &white));
        LoadGradientTags(backdrop, 255, 0.0f, 1);
        CBytesStream centre(Block(Tag("grcx") + F32(c.centre.x) + Tag("grcy") + F32(c.centre.y)));
        ASSERT_EQ(backdrop.LoadWidgetDataBlock(&centre), eSuccess);
        ASSERT_EQ(backdrop.InvalidateArea({0, 0, 8, 10}, true), eSuccess);
        const CPixel want = (backdrop.GetGradient()->GetEntry(c.entry) & 0x00FFFFFFu) | 0xFF000000u;
        EXPECT_EQ(backdrop.GetImagePixel(c.at), want);
    }

    CBackdrop backdrop;
    PrepareBackdrop(backdrop, 8, 10);
    CImage target(4, 4);
    CPixel fill = 0x12345678u;
    CImNav(&target, nullptr).Fill(&fill);
    EXPECT_EQ(backdrop.Paint({8, 0, 12, 4}, &target, 255), eSuccess);
    EXPECT_EQ(CImNav(&target, nullptr).Row(3)[3], fill);
}

} // namespace
