// The check reply body: results items, the news list with either byte order, and the limits.
#include "updater/transfer/PNUCheckReply.h"

#include "FileIO/gCMemFile.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void Put(Bytes& bytes, const std::string& text) { bytes.insert(bytes.end(), text.begin(), text.end()); }

void PutEntry(Bytes& bytes, const std::u16string& text, bool bigEndian)
{
    bytes.push_back(bigEndian ? 0xFE : 0xFF);
    bytes.push_back(bigEndian ? 0xFF : 0xFE);
    for (char16_t unit : text) {
        uint8_t low = uint8_t(unit), high = uint8_t(unit >> 8);
        bytes.push_back(bigEndian ? high : low);
        bytes.push_back(bigEndian ? low : high);
    }
    bytes.push_back('%');
    bytes.push_back('%');
}

eResultCode Parse(const Bytes& bytes, std::vector<std::string>& out)
{
    gCMemFile body;
    if (!bytes.empty() && body.Write(bytes.data(), int32_t(bytes.size())) != eSuccess)
        return eGenericFailure;
    gCArray<gCString> result;
    eResultCode code = ParseCheckReplyBody(body, result);
    out.clear();
    for (const gCString& s : result)
        out.push_back(Utf8(s));
    return code;
}

TEST(CheckReply, ReadsResultsAndNewsInEitherByteOrder)
{
    Bytes bytes;
    Put(bytes, "Results:[uptodate:1,latestver:2.5,UPDATEURL:http://x/y%%] News:[");
    PutEntry(bytes, u"Brushes \u00fcber", false);
    PutEntry(bytes, u"\u30ffBig", true);
    bytes.push_back(']');
    std::vector<std::string> out;
    ASSERT_EQ(Parse(bytes, out), eSuccess);
    EXPECT_EQ(out, (std::vector<std::string>{"2.5, 1", "http://x/y", "Brushes \u00fcber", "\u30ffBig"}));
}

TEST(CheckReply, LaterItemsOverrideAndUntrimmedKeysDoNotMatch)
{
    std::vector<std::string> out;
    Bytes bytes;
    Put(bytes, "Results:[UPTODATE:0,UPTODATE:1,,LATESTVER%%]News:[");
    ASSERT_EQ(Parse(bytes, out), eSuccess);
    EXPECT_EQ(out, (std::vector<std::string>{", 1", ""}));

    bytes.clear();
    Put(bytes, "Results:[LATESTVER:2, UPTODATE:1%%]News:[");
    EXPECT_EQ(Parse(bytes, out), eStreamError);
}

TEST(CheckReply, RefusesEveryMalformedBody)
{
    struct sCase {
        const char* name;
        Bytes bytes;
    };
    std::vector<sCase> cases;
    auto text = [](const std::string& s) { return Bytes(s.begin(), s.end()); };
    cases.push_back({"no results", text("News:[")});
    cases.push_back({"results not closed", text("Results:[UPTODATE:1 News:[")});
    cases.push_back({"no items", text("Results:[%%]News:[")});
    cases.push_back({"empty uptodate", text("Results:[UPTODATE:%%]News:[")});
    cases.push_back({"no news", text("Results:[UPTODATE:1%%]")});
    cases.push_back({"bad mark", text("Results:[UPTODATE:1%%]News:[ab")});
    Bytes unterminated = text("Results:[UPTODATE:1%%]News:[");
    PutEntry(unterminated, u"open", false);
    unterminated.resize(unterminated.size() - 2);
    cases.push_back({"entry without terminator", unterminated});
    Bytes oddTail = text("Results:[UPTODATE:1%%]News:[");
    oddTail.push_back(0xFF);
    cases.push_back({"half a mark", oddTail});
    Bytes newsAfterZero = text("Results:[UPTODATE:1%%]");
    newsAfterZero.push_back(0);
    Put(newsAfterZero, "News:[");
    cases.push_back({"news behind the first zero byte", newsAfterZero});
    for (const sCase& c : cases) {
        std::vector<std::string> out;
        EXPECT_EQ(Parse(c.bytes, out), eStreamError) << c.name;
    }
}

TEST(CheckReply, EndOfBodyAtAnEntryBoundaryEndsTheList)
{
    std::vector<std::string> out;
    Bytes bytes;
    Put(bytes, "Results:[UPTODATE:1%%]News:[");
    ASSERT_EQ(Parse(bytes, out), eSuccess);
    EXPECT_EQ(out.size(), 2u);
    PutEntry(bytes, u"one", false);
    ASSERT_EQ(Parse(bytes, out), eSuccess);
    EXPECT_EQ(out.back(), "one");
}

TEST(CheckReply, ReadsABodyOfExactlyTheLimitAndNoMore)
{
    Bytes bytes;
    Put(bytes, "Results:[UPTODATE:1%%]News:[");
    PutEntry(bytes, u"x", false);
    bytes.push_back(']');
    bytes.resize(size_t(kCheckReplyLimit), ' ');
    std::vector<std::string> out;
    EXPECT_EQ(Parse(bytes, out), eSuccess);
    bytes.push_back(' ');
    EXPECT_EQ(Parse(bytes, out), eStreamError);
}

} // namespace
