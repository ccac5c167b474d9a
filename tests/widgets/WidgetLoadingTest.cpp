#include "widgets/CBackdrop.h"
#include "widgets/CCoWidget.h"
#include "widgets/WidgetFactory.h"

#include "WidgetTestSupport.h"
#include "support/AllocationFailure.h"
#include "support/TempFolder.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Alerts = std::vector<std::string>;

class WidgetLoading : public ::testing::Test {
protected:
    void SetUp() override { TakeAlertDetails(); }
    void TearDown() override { TakeAlertDetails(); }

    eResultCode LoadPlain(CWidget& widget, const std::string& bytes)
    {
        CBytesStream stream(bytes);
        return widget.LoadWidgetDataBlock(&stream);
    }

    // Compiles a resource script and makes it the application's resource file.
    void UseScript(const std::string& script)
    {
        std::string path = CompileResources(folder.Path(), "resources", "widgets.mrs", script);
        ASSERT_FALSE(path.empty());
        ASSERT_EQ(context.UseResourceFile(path), eSuccess);
    }
    void UseBytes(const std::string& bytes)
    {
        std::string path = folder.WriteFile("fixture.mrf", bytes);
        ASSERT_EQ(context.UseResourceFile(path), eSuccess);
    }

    TempFolder folder;
    ScopedResourceContext context;
};

TEST_F(WidgetLoading, TagsSetFieldsWithoutLayout)
{
    CWidget w;
    std::string chunks = Tag("xpos") + F32(2.5f) + Tag("ysiz") + F32(7) + Tag("xszr") + I32(2) +
                         Tag("xszr") + I32(1) + Tag("yszr") + I32(3) + Tag("vsbl") + I32(2) +
                         Tag("actv") + I32(0) + Tag("focs") + I32(1) + Tag("oblt") + I32(1) +
                         Tag("opac") + I32(300) + Tag("hrtb") + I32(1) + Tag("hrtb") + I32(0) +
                         Tag("kydn") + I32(0) + Tag("kyup") + I32(1) + Tag("lbdn") + I32(1) +
                         Tag("usrd") + Text("3|real|1.5") + Tag("usrd") + Text("2|int|-4") +
                         Tag("usrd") + Text("1|int|x10") + Tag("usrd") + Text("-1|real|2") +
                         Tag("autt") + I32(5);
    ASSERT_EQ(LoadPlain(w, Block(chunks)), eSuccess);
    EXPECT_EQ(TakeAlertDetails(), Alerts{});
    sLayoutValues* v = w.GetLayoutValues();
    EXPECT_EQ(v->x, 2.5f);
    EXPECT_EQ(v->height, 7.0f);
    EXPECT_EQ(v->widthRelative, 1u);
    EXPECT_EQ(v->widthFarSide, 1u);
    EXPECT_EQ(v->heightRelative, 0u);
    EXPECT_FALSE(w.IsVisible());
    EXPECT_FALSE(w.IsActive());
    EXPECT_TRUE(w.GetOpaqueBlit());
    // Opacities are brought into 0-255 as the block is read.
    EXPECT_EQ(w.GetOpacity(), 255);
    EXPECT_EQ(w.GetEventMask(), kEventMessages | kEventKeys | kEventLeftButton);
    EXPECT_EQ(w.GetUserData(3), 0x3FC00000u);
    EXPECT_EQ(w.GetUserData(2), 0u);
    EXPECT_EQ(w.GetUserData(1), 0u);
    // Nothing is laid out while loading.
    EXPECT_EQ(w.GetRect(), gCRect{});
}

TEST_F(WidgetLoading, DamagedBlocksFailWithTheirMessages)
{
    struct Case {
        const char* name;
        std::string bytes;
        eResultCode result;
        Alerts alerts;
    };
    const std::string parse = "Error parsing widget data chunk type.";
    std::vector<Case> cases = {
        {"empty block", Block(""), eStreamError, {"Error reading widget data chunk type."}},
        {"no size", "", eStreamError, {"Error reading widget data block size."}},
        {"negative size", I32(-4), eResourceReadError, {"Error reading widget data block size."}},
        {"size beyond the data", I32(100) + Tag("vsbl") + I32(1), eResourceReadError,
         {"Error reading widget data block size."}},
        {"unknown tag", Block(Tag("zzzz") + I32(1)), eBadParameter, {"Unrecognised chunk in widget.", parse}},
        {"short float", Block(Tag("xpos") + "ab"), eStreamError, {"Widget xpsp.", parse}},
        {"short flag", Block(Tag("vsbl") + I32(1) + Tag("oblt") + "a"), eStreamError, {"Widget oblt.", parse}},
        {"usrd index", Block(Tag("usrd") + Text("9|int|1")), eBadParameter, {"Widget usrd index too high.", parse}},
        {"usrd type", Block(Tag("usrd") + Text("1|long|1")), eBadParameter, {"Widget usrd.", parse}},
        {"usrd bars", Block(Tag("usrd") + Text("1 int 1")), eResultCode(2), {"Widget usrd.", parse}},
        {"hier count", Block(Tag("hier") + "ab"), eStreamError, {"Widget hierarchy entries.", parse}},
        {"hier name", Block(Tag("hier") + I32(1) + "a"), eStreamError, {"Widget hierarchy names.", parse}},
        {"hier type", Block(Tag("hier") + I32(1) + Text("Kid")), eStreamError, {"Widget hierarchy type.", parse}},
        {"effect on a plain widget", Block(Tag("shad") + I32(0)), eBadParameter,
         {"Unrecognised chunk in widget.", parse}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CWidget w;
        EXPECT_EQ(LoadPlain(w, c.bytes), c.result);
        EXPECT_EQ(TakeAlertDetails(), c.alerts);
    }
    // A short value of an ignored tag ends the block quietly; a tag at the very end is not read.
    CWidget w;
    EXPECT_EQ(LoadPlain(w, Block(Tag("vsbl") + I32(1) + Tag("autt") + "ab")), eSuccess);
    EXPECT_EQ(LoadPlain(w, Block(Tag("vsbl") + I32(1) + Tag("zzzz"))), eSuccess);
    EXPECT_EQ(TakeAlertDetails(), Alerts{});
}

TEST_F(WidgetLoading, CoWidgetTagsAndItsBaseParser)
{
    CCoWidget w;
    ASSERT_EQ(LoadPlain(w, Block(Tag("colr") + I32(int32_t(0x80FF0000u)) + Tag("vsbl") + I32(1))), eSuccess);
    EXPECT_EQ(w.GetColour(), 0x80FF0000u);
    EXPECT_TRUE(w.IsVisible());
    CCoWidget texture;
    EXPECT_EQ(LoadPlain(texture, Block(Tag("txtr") + I32(0))), eBadParameter);
    EXPECT_EQ(TakeAlertDetails(), (Alerts{"Unrecognised chunk in widget.", "Error parsing widget data chunk type."}));
    CCoWidget shortColour;
    EXPECT_EQ(LoadPlain(shortColour, Block(Tag("colr") + "ab")), eStreamError);
    EXPECT_EQ(TakeAlertDetails(), (Alerts{"CoWidget colr.", "Error parsing widget data chunk type."}));
}

// The resource file of the worked example, written by hand: a 'cowg' "Back" whose 'hier' names
// a 'cowg' "Kid".
const char* kHandWrittenFile = R"(
67776f63 38000000 05000000 42006100 63006b00 0a00  | 'cowg', size 56, id 5, "Back" LF
26000000                                          | N = 38
6c627376 01000000                                 | 'vsbl' 1
7a697378 0000c842                                 | 'xsiz' 100.0
72656968 01000000 4b006900 64000a00 0000 67776f63 | 'hier' 1 x ("Kid", 'cowg')
67776f63 20000000 06000000 4b006900 64000a00      | 'cowg', size 32, id 6, "Kid" LF
10000000                                          | N = 16
6c627376 01000000                                 | 'vsbl' 1
72 6c 6f 63 ff0000ff                              | 'colr' 0xFF0000FF
)";

TEST_F(WidgetLoading, HandWrittenFileLoadsWithItsChild)
{
    UseBytes(HexBytes(kHandWrittenFile));
    CCoWidget* back = CCoWidget::CreateFromName(gCString(u"Back"), nullptr, nullptr);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetId(), 5u);
    EXPECT_EQ(back->GetLayoutValues()->width, 100.0f);
    ASSERT_EQ(back->GetChildCount(), 1);
    auto* kid = dynamic_cast<CCoWidget*>(back->GetChild(0));
    ASSERT_NE(kid, nullptr);
    EXPECT_EQ(kid->GetId(), 6u);
    EXPECT_EQ(Utf8(kid->GetName()), "Kid");
    EXPECT_EQ(kid->GetColour(), 0xFF0000FFu);
    EXPECT_EQ(kid->GetParent(), back);
    delete back;
    EXPECT_EQ(TakeAlertDetails(), Alerts{});
}

// A block that states more bytes than its chunk holds must not read the next chunk's header as
// its own tags (here they would read as an opacity).
TEST_F(WidgetLoading, ABlockSizeMustFitItsOwnChunk)
{
    std::string overlong = I32(16) + Tag("xpos") + F32(1.0f);
    UseBytes(Chunk("wdgt", 1, "Long", overlong) + Chunk("opac", 7, "Next", ""));
    EXPECT_EQ(CWidget::CreateFromName(gCString(u"Long"), nullptr, nullptr), nullptr);
    EXPECT_EQ(TakeAlertDetails(), Alerts{"Error reading widget data block size."});
    // The same block inside its chunk loads.
    UseBytes(Chunk("wdgt", 1, "Fits", I32(8) + Tag("xpos") + F32(1.0f)) + Chunk("opac", 7, "Next", ""));
    CWidget* fits = CWidget::CreateFromName(gCString(u"Fits"), nullptr, nullptr);
    ASSERT_NE(fits, nullptr);
    EXPECT_EQ(fits->GetLayoutValues()->x, 1.0f);
    delete fits;
}

TEST_F(WidgetLoading, CompiledTreeKeepsTheLastEntryInFront)
{
    UseScript(R"(version 2
widget 'wdgt' 1 "Root" {
    xsiz 200.0
    ysiz 100.0
    hier "A" 'cowg' "B" 'wdgt'
}
widget 'cowg' 2 "A" {
    vsbl 1
    xsiz 0.5
    xszr 1
    ysiz 10.0
    colr 0xFF102030
}
widget 'wdgt' 3 "B" {
    hier "C" 'cowg'
}
widget 'cowg' 4 "C" {
    xcnt 1
}
)");
    CWidget* root = CreateWidgetByType(gCString(u"Root"), CWidget::kTypeCode, nullptr, nullptr);
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(root->GetChildCount(), 2);
    EXPECT_EQ(Utf8(root->GetChild(0)->GetName()), "B");
    EXPECT_EQ(Utf8(root->GetChild(1)->GetName()), "A");
    // Children are laid out as they are added, in a root not laid out yet: no width to share.
    EXPECT_EQ(root->GetChild(1)->GetRect(), (gCRect{0, 0, 0, 10}));
    EXPECT_EQ(Utf8(root->FindWidgetById(4)->GetName()), "C");
    EXPECT_EQ(root->CountWidgets(), 4);
    delete root;
    EXPECT_EQ(TakeAlertDetails(), Alerts{});
}

TEST_F(WidgetLoading, ChildrenTheFactoryCannotMakeFailTheLoad)
{
    // The compiler refuses such a child, so the file is written by hand.
    UseBytes(Chunk("wdgt", 2, "Bad", Block(Tag("hier") + I32(1) + Text("T") + Tag("tbwg") + Tag("vsbl") + I32(1))));
    EXPECT_EQ(CWidget::CreateFromName(gCString(u"Bad"), nullptr, nullptr), nullptr);
    EXPECT_EQ(TakeAlertDetails(),
              (Alerts{"Unrecognised type in widget constructor.", "T", "Error constructing widget hierarchy."}));
    // A missing child resource: its creator fails and says which class.
    UseBytes(Chunk("wdgt", 1, "Lonely", Block(Tag("hier") + I32(1) + Text("Nobody") + Tag("cowg"))));
    EXPECT_EQ(CWidget::CreateFromName(gCString(u"Lonely"), nullptr, nullptr), nullptr);
    EXPECT_EQ(TakeAlertDetails(), (Alerts{"Widget Constructor cowidget create failed.", "Nobody",
                                          "Error constructing widget hierarchy."}));
}

TEST_F(WidgetLoading, FactoryByNameScansFromTheStartAndSkipsTheVersion)
{
    UseScript(R"(version 2
widget 'cowg' 7 "Twin" {
    colr 0xFF00FF00
}
widget 'wdgt' 8 "twin" {
    vsbl 1
}
)");
    CWidget* first = CreateWidgetByName(gCString(u"Twin"), nullptr);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetTypeCode(), CCoWidget::kTypeCode);
    delete first;
    CWidget* lower = CreateWidgetByName(gCString(u"twin"), nullptr);
    ASSERT_NE(lower, nullptr);
    EXPECT_EQ(lower->GetId(), 8u);
    delete lower;
    EXPECT_EQ(CreateWidgetByName(gCString(u"Nobody"), nullptr), nullptr);
    EXPECT_EQ(TakeAlertDetails(), Alerts{});
    EXPECT_EQ(CreateWidgetByName(gCString(u""), nullptr), nullptr);
    EXPECT_EQ(CreateWidgetById(7, FourCC("tiwg"), nullptr, nullptr), nullptr);
    EXPECT_EQ(TakeAlertDetails(),
              (Alerts{"No res name in widget constructor.", "Unrecognised type in widget constructor."}));
    CWidget* byId = CreateWidgetById(7, CCoWidget::kTypeCode, nullptr, nullptr);
    ASSERT_NE(byId, nullptr);
    delete byId;
}

TEST_F(WidgetLoading, RunningOutOfMemoryNeverLeavesAHalfTree)
{
    UseScript(R"(widget 'wdgt' 1 "Root" {
    xsiz 50.0
    ysiz 50.0
    hier "A" 'cowg' "B" 'cowg'
}
widget 'cowg' 2 "A" {
    vsbl 1
}
widget 'cowg' 3 "B" {
    vsbl 1
}
)");
    int failures = 0;
    ForEachAllocationFailure(
        [&] {
            CWidget* root = CWidget::CreateFromName(gCString(u"Root"), nullptr, nullptr);
            if (!root) {
                ++failures;
                return;
            }
            EXPECT_EQ(root->GetChildCount(), 2);
            delete root;
        },
        [](bool) {});
    EXPECT_GT(failures, 0);
    TakeAlertDetails();
}

} // namespace
