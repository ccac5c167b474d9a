// The update check URL: the exact request each mode sends, and values that must not escape
// their query part.
#include "updater/transfer/PNUUpdateCheckURL.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string U8(const gCString& text) { return Utf8(text); }

sUpdateCheckValues DemoValues()
{
    sUpdateCheckValues values;
    values.language = gCString("English");
    values.version = gCString("2.0.1");
    values.buildType = gCString("OSX");
    values.protocol = 4;
    values.buildString = gCString("FULL");
    values.platform = gCString("OSX");
    return values;
}

TEST(UpdateCheckURL, ComposesTheQueryInItsOrderForEachServer)
{
    EXPECT_EQ(U8(ComposeUpdateCheckURL(gCString("update.pintrel.example"), 0, DemoValues())),
              "http://update.pintrel.example/PNU/getupdate_v3.php?&lang=English&version=2.0.1"
              "&buildtype=OSX&protocol=4&buildstring=FULL&platform=OSX");
    EXPECT_EQ(U8(ComposeUpdateCheckURL(gCString("127.0.0.1:18080"), 1, DemoValues())),
              "http://127.0.0.1:18080/getupdate_v3.php?&lang=English&version=2.0.1"
              "&buildtype=OSX&protocol=4&buildstring=FULL&platform=OSX");
}

TEST(UpdateCheckURL, SendsANegativeProtocolAsASignedNumber)
{
    sUpdateCheckValues values = DemoValues();
    values.protocol = -1;
    EXPECT_NE(U8(ComposeUpdateCheckURL(gCString("h"), 1, values)).find("&protocol=-1&"), std::string::npos);
}

TEST(UpdateCheckURL, EncodesValuesThatWouldBreakTheRequest)
{
    struct sCase {
        const char16_t* value;
        const char* sent;
    } cases[] = {
        {u"English", "English"},
        {u"a-b.c_d~e", "a-b.c_d~e"},
        {u"Deutsch x", "Deutsch%20x"},
        {u"en&version=9", "en%26version%3D9"},
        {u"2.0\r\nX-Injected: 1", "2.0%0D%0AX-Injected%3A%201"},
        {u"Fran\u00e7ais", "Fran%C3%A7ais"},
        {u"50%", "50%25"},
        {u"", ""},
    };
    for (const sCase& c : cases)
        EXPECT_EQ(U8(PercentEncodeQueryValue(gCString(c.value))), c.sent) << U8(gCString(c.value));

    sUpdateCheckValues values = DemoValues();
    values.language = gCString("en&lang=de");
    std::string url = U8(ComposeUpdateCheckURL(gCString("h"), 1, values));
    EXPECT_NE(url.find("&lang=en%26lang%3Dde&version="), std::string::npos) << url;
}

TEST(UpdateCheckURL, ChoosesTheHostByModeAndMarker)
{
    EXPECT_EQ(U8(ChooseUpdateHost(0, gCString("127.0.0.1:9"))), PNU_UPDATE_HOST);
    EXPECT_EQ(U8(ChooseUpdateHost(1, gCString(""))), "127.0.0.1:18080");
    EXPECT_EQ(U8(ChooseUpdateHost(1, gCString())), "127.0.0.1:18080");
    EXPECT_EQ(U8(ChooseUpdateHost(1, gCString(" 127.0.0.1:40123\r\n"))), "127.0.0.1:40123");
}

} // namespace
