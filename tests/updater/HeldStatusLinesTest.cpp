// Status lines held before the window can show them reach it later in their order, each as what
// it was: a shown line with its colour, or a line for the log only.
#include "updater/CPNUHeldStatusLines.h"
#include "updater/PNUMessages.h"

#include "support/StringBytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class CRecordingStatus : public CPNUStatusTarget {
public:
    eResultCode AddStatusLine(const gCString& text, const uint32_t* colour, bool) override
    {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%08X", colour ? *colour : 0u);
        seen.push_back("shown " + std::string(hex) + " " + Utf8(text));
        return eSuccess;
    }
    eResultCode WriteLogLine(const gCString& text) override
    {
        seen.push_back("log " + Utf8(text));
        return eSuccess;
    }
    eResultCode SetProgress(float, bool) override { return eSuccess; }
    void SetControlText(int32_t, const gCString&) override {}
    std::vector<std::string> seen;
};

TEST(HeldStatusLines, ReachTheWindowInTheirOrderEachAsItWasAndOnlyOnce)
{
    CPNUHeldStatusLines held;
    const uint32_t red = 0xFFFF0000;
    ASSERT_EQ(held.AddStatusLine(gCString("repaired"), &red, true), eSuccess);
    ASSERT_EQ(held.WriteLogLine(gCString("restored Brushes.dat")), eSuccess);
    ASSERT_EQ(held.AddStatusLine(gCString("plain"), nullptr, false), eSuccess);
    CRecordingStatus window;
    held.ShowIn(window);
    EXPECT_EQ(window.seen, (std::vector<std::string>{"shown FFFF0000 repaired", "log restored Brushes.dat",
                                                      "shown FF000000 plain"}));
    CRecordingStatus later;
    held.ShowIn(later);
    EXPECT_EQ(later.seen, std::vector<std::string>{});
}

} // namespace
