#include "widgets/CImWidget.h"
#include "widgets/WidgetFactory.h"

#include "WidgetTestSupport.h"
#include "imaging/CImNav.h"
#include "imaging/CImage.h"
#include "imaging/ImageFiles.h"
#include "resources/gCImageList.h"
#include "support/TempFolder.h"

#include <memory>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Alerts = std::vector<std::string>;

// An image of the given size whose pixels are all `colour`.
CImage* Filled(int32_t width, int32_t height, CPixel colour)
{
    auto* image = new CImage(width, height, 0);
    CImNav nav(image, nullptr);
    nav.Fill(&colour);
    return image;
}

CPixel PixelAt(CImage* image, int32_t x, int32_t y)
{
    gCRect area{x, y, x + 1, y + 1};
    CImNav nav(image, &area);
    return nav.Row(0)[0];
}

void SetPixel(CImage* image, int32_t x, int32_t y, CPixel value)
{
    gCRect area{x, y, x + 1, y + 1};
    CImNav nav(image, &area);
    nav.Row(0)[0] = value;
}

class ImWidgetTest : public ::testing::Test {
protected:
    void SetUp() override { TakeAlertDetails(); }
    void TearDown() override { TakeAlertDetails(); }
    TempFolder folder;
    ScopedResourceContext context;
};

TEST_F(ImWidgetTest, FirstRectCreatesAPlainImageInTheColourAndAResizeRefillsIt)
{
    CImWidget widget;
    widget.SetColour(0x40112233u, false);
    ASSERT_EQ(widget.SetSize(6, 4, false), eSuccess);
    ASSERT_NE(widget.GetImage(), nullptr);
    EXPECT_EQ(widget.GetImage()->GetWidth(), 6);
    EXPECT_EQ(PixelAt(widget.GetImage(), 5, 3), 0xFF112233u) << "alpha forced opaque";
    SetPixel(widget.GetImage(), 0, 0, 0);
    ASSERT_EQ(widget.SetSize(6, 4, false), eSuccess);
    EXPECT_EQ(PixelAt(widget.GetImage(), 0, 0), 0u) << "same size keeps the picture";
    ASSERT_EQ(widget.SetSize(3, 2, false), eSuccess);
    EXPECT_EQ(widget.GetImage()->GetWidth(), 3);
    EXPECT_EQ(PixelAt(widget.GetImage(), 0, 0), 0xFF112233u);
}

TEST_F(ImWidgetTest, SetImageRefusesMissingImagesAndSizesToTheImage)
{
    CImWidget widget;
    EXPECT_EQ(widget.SetImage(nullptr, false, false), eBadParameter);
    CImage empty(0);
    EXPECT_EQ(widget.SetImage(&empty, false, false), eBadParameter);
    ASSERT_EQ(widget.SetImage(Filled(7, 3, 0xFF00FF00u), true, false), eSuccess);
    EXPECT_EQ(widget.GetRect(), (gCRect{0, 0, 7, 3}));
    EXPECT_EQ(widget.GetImage()->GetWidth(), 7) << "the image is kept through the rect change";
}

TEST_F(ImWidgetTest, ScaleToWidgetKeepsAResampledCopy)
{
    CImWidget widget;
    ASSERT_EQ(widget.SetSize(8, 8, false), eSuccess);
    widget.SetScaleToWidget(true);
    ASSERT_EQ(widget.SetImage(Filled(2, 2, 0xFF0000FFu), true, false), eSuccess);
    ASSERT_EQ(widget.GetImage()->GetWidth(), 8);
    EXPECT_EQ(widget.GetRect(), (gCRect{0, 0, 8, 8}));
    EXPECT_EQ(PixelAt(widget.GetImage(), 4, 4), 0xFF0000FFu);
}

TEST_F(ImWidgetTest, PaintPlacesTheImageAtTheWidgetCornerAndBlendsByAlpha)
{
    CBackdrop backdrop;
    PrepareBackdrop(backdrop, 40, 30);
    auto* widget = AddAt(backdrop, new CImWidget, gCRect{10, 5, 14, 8});
    CImage* image = Filled(4, 3, 0xFFFF0000u);
    SetPixel(image, 1, 0, 0x00FFFFFFu);  // transparent: skipped
    SetPixel(image, 2, 0, 0x80FFFFFFu);  // half: blended
    ASSERT_EQ(widget->SetImage(image, false, false), eSuccess);
    backdrop.RedrawAll(false);
    ASSERT_EQ(backdrop.Update(), eSuccess);
    EXPECT_EQ(backdrop.GetImagePixel({10, 5}), 0xFFFF0000u);
    EXPECT_EQ(backdrop.GetImagePixel({13, 7}), 0xFFFF0000u);
    EXPECT_EQ(backdrop.GetImagePixel({9, 5}), 0xFF000000u);
    EXPECT_EQ(backdrop.GetImagePixel({14, 5}), 0xFF000000u);
    EXPECT_EQ(backdrop.GetImagePixel({11, 5}), 0xFF000000u);
    CPixel half = backdrop.GetImagePixel({12, 5});
    EXPECT_NEAR(int(half & 0xFF), 0x80, 2);

    // With the opaque-blit flag even a transparent pixel is copied.
    widget->SetOpaqueBlit(true);
    backdrop.RedrawAll(false);
    ASSERT_EQ(backdrop.Update(), eSuccess);
    EXPECT_EQ(backdrop.GetImagePixel({11, 5}) & 0x00FFFFFFu, 0x00FFFFFFu);
}

TEST_F(ImWidgetTest, CompressedImagePaintsAndHitTestsLikeTheRawOne)
{
    CBackdrop backdrop;
    PrepareBackdrop(backdrop, 20, 20);
    auto* widget = AddAt(backdrop, new CImWidget, gCRect{2, 2, 12, 12});
    CImage* image = Filled(10, 10, 0xFF00FF00u);
    for (int32_t x = 0; x < 10; ++x)
        SetPixel(image, x, 4, 0x00000000u);
    ASSERT_EQ(widget->SetImage(image, false, false), eSuccess);
    ASSERT_EQ(widget->CompressImage(), eSuccess);
    ASSERT_TRUE(widget->IsImageCompressed());
    backdrop.RedrawAll(false);
    ASSERT_EQ(backdrop.Update(), eSuccess);
    EXPECT_EQ(backdrop.GetImagePixel({5, 5}), 0xFF00FF00u);
    EXPECT_EQ(backdrop.GetImagePixel({5, 6}), 0xFF000000u);
    widget->SetOpacityThreshold(1);
    EXPECT_TRUE(widget->HitTest({3, 3}));
    EXPECT_FALSE(widget->HitTest({3, 4}));
    EXPECT_FALSE(widget->HitTest({10, 3})) << "outside the image";
    widget->SetOpacityThreshold(0);
    EXPECT_TRUE(widget->HitTest({30, 30})) << "threshold 0 takes every point";
    ASSERT_EQ(widget->DecompressImage(), eSuccess);
    EXPECT_FALSE(widget->IsImageCompressed());
}

TEST_F(ImWidgetTest, CrossFadeEndsAndMidpoints)
{
    struct sCase {
        float t;
        CPixel from, to, want;
        int tolerance;
    };
    const sCase cases[] = {
        {0.0f, 0xFF102030u, 0xFFF0E0D0u, 0xFF102030u, 0},
        {1.0f, 0xFF102030u, 0xFFF0E0D0u, 0xFFF0E0D0u, 0},
        {0.5f, 0xFF000000u, 0xFFFEFEFEu, 0xFF7F7F7Fu, 1},
        // Transparent from: to's colour at about half its alpha, (200 x 256 x (128 x 257 + 1)) >> 24.
        {0.5f, 0x00000000u, 0xC8123456u, 0x64123456u, 0},
        // The other way round the weight is 65536 - f, one step short of the half: 99.
        {0.5f, 0xC8123456u, 0x00000000u, 0x63123456u, 0},
    };
    for (const sCase& c : cases) {
        CImWidget widget;
        ASSERT_EQ(widget.SetSize(2, 2, false), eSuccess);
        CImage* from = Filled(2, 2, c.from);
        CImage* to = Filled(2, 2, c.to);
        ASSERT_EQ(widget.CrossFade(from, to, c.t, false, false), eSuccess);
        CPixel got = PixelAt(widget.GetImage(), 1, 1);
        for (int shift = 0; shift < 32; shift += 8)
            EXPECT_NEAR(int((got >> shift) & 255), int((c.want >> shift) & 255), c.tolerance)
                << "t " << c.t << " from " << std::hex << c.from << " got " << got;
        delete from;
        delete to;
    }
    CImWidget widget;
    EXPECT_EQ(widget.CrossFade(nullptr, nullptr, 0.5f, false, false), eSuccess) << "nothing to fade";
}

TEST_F(ImWidgetTest, PooledImageIsNeverResizedOrFreedByTheWidget)
{
    CImage* shared = Filled(4, 4, 0xFF123456u);
    ASSERT_EQ(context.context.pools[eImagePool].Add(shared), eSuccess);
    {
        CImWidget widget;
        ASSERT_EQ(widget.SetImage(shared, false, false), eSuccess);
        ASSERT_EQ(widget.SetSize(9, 9, false), eSuccess);
        EXPECT_NE(widget.GetImage(), shared);
        EXPECT_EQ(shared->GetWidth(), 4) << "the pool's image keeps its size";
        ASSERT_EQ(widget.SetImage(shared, false, false), eSuccess);
    }
    EXPECT_EQ(PixelAt(shared, 0, 0), 0xFF123456u) << "still alive after the widget is gone";
}

TEST_F(ImWidgetTest, LoadsANamedImageSizedToItThroughTheFactory)
{
    std::unique_ptr<CImage> dot(Filled(5, 3, 0xFF204060u));
    gCMemFile png;
    ASSERT_EQ(SaveImage(png, dot.get(), eImageFormatPng), eSuccess);
    std::string bytes(reinterpret_cast<const char*>(png.GetBlock()->GetData()), size_t(png.GetSize()));
    folder.WriteFile("dot.png", bytes);
    std::string path = CompileResources(folder.Path(), "resources", "im.mrs", R"(version 2
chunk 'imag' 7 "Dot" {
    u32 )" + std::to_string(bytes.size()) + R"(
    file "dot.png"
}
widget 'cowg' 1 "Back" {
    xsiz 50.0
    ysiz 50.0
    hier "Pic" 'imwg' "Shared" 'imwg'
}
widget 'imwg' 2 "Pic" {
    vsbl 1
    xpos 4.0
    xsiz 20.0
    ysiz 20.0
    imag "Dot"
    imls "Ignored"
    stim 1
}
widget 'imwg' 3 "Shared" {
    imag "Dot"
    imsh 1
}
)");
    ASSERT_FALSE(path.empty());
    ASSERT_EQ(context.UseResourceFile(path), eSuccess);
    CWidget* back = CreateWidgetByType(gCString(u"Back"), CCoWidget::kTypeCode, nullptr, nullptr);
    ASSERT_NE(back, nullptr);
    auto* pic = dynamic_cast<CImWidget*>(back->FindWidgetById(2));
    ASSERT_NE(pic, nullptr);
    EXPECT_EQ(pic->GetRect(), (gCRect{4, 0, 9, 3})) << "the widget takes the image's size";
    ASSERT_EQ(back->UpdateLayout(false), eSuccess);
    EXPECT_EQ(pic->GetImage()->GetWidth(), 5) << "and keeps the image through layout";
    EXPECT_EQ(PixelAt(pic->GetImage(), 4, 2), 0xFF204060u);
    auto* shared = dynamic_cast<CImWidget*>(back->FindWidgetById(3));
    ASSERT_NE(shared, nullptr);
    ASSERT_NE(shared->GetImage(), nullptr);
    EXPECT_TRUE(shared->GetImage()->IsInPool());
    EXPECT_EQ(context.context.FindPoolResourceByName(eImagePool, gCString(u"Dot")), shared->GetImage());
    delete back;
    EXPECT_EQ(TakeAlertDetails(), Alerts{});
}

TEST_F(ImWidgetTest, LoadFailuresReportTheirMessages)
{
    CImWidget widget;
    CBytesStream listOnly(Block(Tag("imls") + Text("List") + Tag("imlx") + I32(3) + Tag("imcm") + I32(1) +
                                Tag("colr") + I32(int32_t(0xFF00FF00u))));
    EXPECT_EQ(widget.LoadWidgetDataBlock(&listOnly), eResourceReadError);
    EXPECT_EQ(widget.GetColour(), 0xFF00FF00u);
    Alerts listAlerts = TakeAlertDetails();
    ASSERT_FALSE(listAlerts.empty());
    EXPECT_EQ(listAlerts.back(), "ImWidget image list load failed!");

    CImWidget missing;
    CBytesStream named(Block(Tag("imag") + Text("Nowhere")));
    EXPECT_EQ(missing.LoadWidgetDataBlock(&named), eResourceReadError);
    Alerts alerts = TakeAlertDetails();
    ASSERT_FALSE(alerts.empty());
    EXPECT_EQ(alerts.back(), "ImWidget image load failed!");

    CImWidget cut;
    CBytesStream truncated(Block(Tag("stim") + std::string(2, '\0')));
    EXPECT_NE(cut.LoadWidgetDataBlock(&truncated), eSuccess);
    alerts = TakeAlertDetails();
    ASSERT_FALSE(alerts.empty());
    EXPECT_EQ(alerts[0], "ImWidget stim.");
}

TEST_F(ImWidgetTest, ListIndexesStepAndWrap)
{
    CImWidget widget;
    EXPECT_EQ(widget.NextImage(false, false), eBadParameter) << "no list";
    EXPECT_EQ(widget.SetImageList(nullptr), eBadParameter);
    auto* list = new gCImageList(1);
    for (CPixel colour : {0xFF000001u, 0xFF000002u, 0xFF000003u})
        ASSERT_EQ(list->AddImage(Filled(2, 2, colour)), eSuccess);
    ASSERT_EQ(widget.SetImageList(list), eSuccess);
    EXPECT_EQ(widget.SetImageListIndex(3, false, false), eBadParameter) << "index equal to the count";
    EXPECT_EQ(widget.SetImageListIndex(-1, false, false), eBadParameter);
    ASSERT_EQ(widget.SetImageListIndex(2, false, false), eSuccess);
    EXPECT_EQ(widget.GetImageListIndex(), 2);
    ASSERT_EQ(widget.NextImage(false, false), eSuccess);
    EXPECT_EQ(widget.GetImageListIndex(), 0);
    EXPECT_EQ(widget.GetImage(), list->GetImage(0));
    ASSERT_EQ(widget.CrossFadeListEntries(1, 2, 1.0f, false, false), eSuccess);
    EXPECT_EQ(PixelAt(widget.GetImage(), 0, 0), 0xFF000003u);
    EXPECT_EQ(PixelAt(list->GetImage(1), 0, 0), 0xFF000002u);

    // Replacing the list deletes the old one's entries: the widget must not keep showing one.
    auto* single = new gCImageList(1);
    ASSERT_EQ(single->AddImage(Filled(2, 2, 0xFF00FF00u)), eSuccess);
    ASSERT_EQ(widget.SetImageList(single), eSuccess);
    EXPECT_EQ(widget.GetImage(), nullptr);
    EXPECT_EQ(widget.NextImage(false, false), eBadParameter) << "one entry";
    ASSERT_EQ(widget.SetImageListIndex(0, false, false), eSuccess);
    ASSERT_EQ(widget.SetSize(5, 5, false), eSuccess);
    EXPECT_EQ(single->GetImage(0)->GetWidth(), 2) << "a list entry is never resized";
}

TEST_F(ImWidgetTest, FactoryKnowsTheImageWidget)
{
    const sWidgetFactoryEntry* entry = FindWidgetFactoryEntry(FourCC("imwg"));
    ASSERT_NE(entry, nullptr);
    EXPECT_STREQ(entry->failure, "Widget Constructor imwidget create failed.");
}

} // namespace
