#include "core/DecimalText.h"
#include "core/gCPlainAlert.h"
#include "support/AllocationFailure.h"

#include <gtest/gtest.h>

#include <string>

TEST(DecimalText, ReadsAsAtofDoes)
{
    const std::u16string longZeros = std::u16string(200, u'0') + u"2.5";
    const struct {
        const char16_t* text;
        double value;
    } cases[] = {
        {u"  -12.5e1x", -125.0}, {u"3,5", 3.0}, {u"", 0.0}, {u"abc", 0.0},
        {u"7\u00e98", 7.0},                 // a unit beyond ASCII ends the number
        {longZeros.c_str(), 2.5},           // longer than the stack buffer
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadDecimal(c.text), c.value);
    EXPECT_EQ(ReadDecimal(nullptr), 0.0);
    AllocationFailure failure(1, true);
    EXPECT_EQ(ReadDecimal(longZeros.c_str()), 0.0);
    EXPECT_EQ(ReadDecimal(u"4.25"), 4.25);
}

namespace {
std::string sShown;
void RecordAlert(const char*, const char* explanation) { sShown = explanation; }
} // namespace

TEST(CorePlainAlert, LinesAreJoinedOrTheFirstShownAloneWithoutMemory)
{
    tPlainAlertHook saved = gPlainAlertHook;
    gPlainAlertHook = RecordAlert;
    ShowCorePlainAlertLines("Error.", "Out of memory.", "Loading the image.");
    EXPECT_EQ(sShown, "Out of memory.\nLoading the image.");
    ShowCorePlainAlertLines("Error.", "Out of memory.", nullptr);
    EXPECT_EQ(sShown, "Out of memory.\n");
    {
        AllocationFailure failure(1);
        ShowCorePlainAlertLines("Error.", "Out of memory.", "Loading the image.");
    }
    EXPECT_EQ(sShown, "Out of memory.");
    gPlainAlertHook = saved;
}
