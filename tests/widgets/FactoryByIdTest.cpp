// Widgets made by resource id through the factory: every type it makes finds its own chunk,
// becomes an object of its class and is handed to the parent.
#include "widgets/WidgetFactory.h"

#include "widgets/CTxImWidget.h"

#include "TinyFont.h"
#include "WidgetTestSupport.h"
#include "support/StringBytes.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Alerts = std::vector<std::string>;

uint32_t Code(const char* text)
{
    return uint32_t(uint8_t(text[0])) << 24 | uint32_t(uint8_t(text[1])) << 16 | uint32_t(uint8_t(text[2])) << 8 |
           uint32_t(uint8_t(text[3]));
}

} // namespace

TEST(FactoryById, EveryTypeIsMadeFromItsOwnChunk)
{
    TakeAlertDetails();
    TempFolder folder;
    ScopedResourceContext context;
    AddTinyFont(context);
    // Two chunks share each id but not the type, so a creator reading the wrong type is caught.
    struct sCase {
        const char* type;
        uint32_t id;
        const char* body;
    };
    const sCase cases[] = {
        {"bkdp", 21, "colr 0xFF102030"}, {"cowg", 22, "colr 0xFF405060"},  {"fmwg", 23, "frcl 0xFF0000FF"},
        {"imwg", 24, "vsbl 1"},          {"mkwg", 25, "vsbl 1"},           {"rrwg", 26, "rrad 3.0"},
        {"shwg", 27, "swrd 2.0"},        {"tewg", 28, "font \"Tiny\"\n    fsiz 8.0\n    text \"AB\""},
        {"txwg", 29, "font \"Tiny\"\n    fsiz 8.0\n    text \"A\""}, {"wdgt", 30, "xsiz 7.0"},
    };
    std::string script = "version 2\n";
    for (const sCase& c : cases) {
        script += "widget '" + std::string(c.type) + "' " + std::to_string(c.id) + " \"" + c.type + "\" {\n    " +
                  c.body + "\n}\n";
        // A decoy of another type under the same id.
        const char* other = std::string(c.type) == "cowg" ? "wdgt" : "cowg";
        script += "widget '" + std::string(other) + "' " + std::to_string(c.id) + " \"decoy" + std::to_string(c.id) + "\" {\n    vsbl 0\n}\n";
    }
    std::string path = CompileResources(folder.Path(), "resources", "factory.mrs", script);
    ASSERT_FALSE(path.empty());
    ASSERT_EQ(context.UseResourceFile(path), eSuccess);

    CWidget parent;
    for (const sCase& c : cases) {
        const uint32_t type = Code(c.type);
        CWidget* made = CreateWidgetById(c.id, type, &parent, nullptr);
        ASSERT_NE(made, nullptr) << c.type;
        EXPECT_EQ(made->GetTypeCode(), type) << c.type;
        EXPECT_EQ(made->GetId(), c.id) << c.type;
        EXPECT_EQ(Utf8(made->GetName()), c.type) << "not the decoy";
        EXPECT_EQ(parent.GetChild(0), made) << c.type << ": the newest child is in front";
        CWidget* alone = CreateWidgetById(c.id, type, nullptr, nullptr);
        ASSERT_NE(alone, nullptr) << c.type;
        EXPECT_EQ(alone->GetParent(), nullptr);
        delete alone;
    }
    EXPECT_EQ(parent.GetChildCount(), int32_t(std::size(cases)));
    EXPECT_EQ(TakeAlertDetails(), Alerts{});

    EXPECT_EQ(CreateWidgetById(99, FourCC("txwg"), &parent, nullptr), nullptr);
    EXPECT_EQ(CreateWidgetById(99, FourCC("imwg"), nullptr, nullptr), nullptr);
    EXPECT_EQ(TakeAlertDetails(),
              (Alerts{"Widget Constructor txwidget create failed.", "Widget Constructor imwidget create failed."}));
    EXPECT_EQ(parent.GetChildCount(), int32_t(std::size(cases))) << "nothing added for a failure";
    // A parent that holds no children refuses the widget, which the factory then destroys.
    CTxImWidget labelled;
    EXPECT_EQ(CreateWidgetById(22, Code("cowg"), &labelled, nullptr), nullptr);
    EXPECT_EQ(TakeAlertDetails(), Alerts{"Widget Constructor parent add failed."});
    EXPECT_EQ(labelled.GetChildCount(), 1);
    for (CResourcePool& pool : context.context.pools)
        pool.RemoveAll();
    ReleaseFontLibrary();
}
