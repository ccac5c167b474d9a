#include "FileIO/FileDocuments.h"
#include "FileIO/gCFRef.h"
#include "StreamTestSupport.h"
#include "platform/Launcher.h"
#include "support/AllocationFailure.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

gCString Text(const std::string& utf8)
{
    gCString text;
    EXPECT_EQ(text.SetFromUTF8(utf8), eSuccess);
    return text;
}

// Records what would have been launched or opened.
class RecordingLauncher : public plat::RecordingLauncher {
public:
    RecordingLauncher() { plat::SetLauncher(this); }
    ~RecordingLauncher() { plat::SetLauncher(nullptr); }
};

} // namespace

TEST(Launch, AMissingFileIsNotFoundAndOpensNothing)
{
    TempFolder temp;
    RecordingLauncher launcher;
    gCFRef missing(Text(temp / "missing.app"));
    EXPECT_EQ(LaunchFile(missing.GetPath()), eFileNotFound);
    EXPECT_EQ(LaunchFile(missing), eFileNotFound);
    EXPECT_EQ(LaunchFile(static_cast<const gCFPath&>(missing)), eFileNotFound);
    EXPECT_EQ(LaunchFile(missing, gCString(u"--flag")), eFileNotFound);
    EXPECT_EQ(LaunchFile(missing.GetPath(), gCString(u"--flag")), eFileNotFound);
    EXPECT_TRUE(launcher.paths.empty());
}

TEST(Launch, AnExistingItemIsHandedToTheLauncher)
{
    TempFolder temp;
    RecordingLauncher launcher;
    gCFRef file(Text(temp.WriteFile("doc.txt", "")));
    EXPECT_EQ(LaunchFile(file, gCString(u"ignored")), eSuccess);
    ASSERT_EQ(launcher.paths.size(), 1u);
    EXPECT_EQ(launcher.paths[0], temp / "doc.txt");
}

TEST(Launch, UrlsMustBeWellFormed)
{
    RecordingLauncher launcher;
    EXPECT_EQ(OpenURL(gCString(u"not a url")), eFileNotFound);
    EXPECT_EQ(OpenURL(gCString(u"http://caf\u00E9.example/")), eFileNotFound);
    // A 0 unit is refused, not read as the end of the text.
    gCString cut;
    ASSERT_EQ(cut.ConvertFromChars("http://a.example/\0x", 19), eSuccess);
    EXPECT_EQ(OpenURL(cut), eFileNotFound);
    EXPECT_EQ(OpenURL(gCString(u"https://example.com/download?x=1")), eSuccess);
    ASSERT_EQ(launcher.urls.size(), 1u);
    EXPECT_EQ(launcher.urls[0], "https://example.com/download?x=1");
    const gCString url(u"https://example.com/");
    AllocationFailure failure(1, true);
    EXPECT_EQ(OpenURL(url), eNoMemory);
}

TEST(Launch, AFailedLaunchIsReported)
{
    TempFolder temp;
    RecordingLauncher launcher;
    launcher.answer = false;
    EXPECT_EQ(LaunchFile(Text(temp.WriteFile("x", ""))), eFileNotFound);
    // An address no program could open is told apart from one that was not handed over.
    const std::pair<plat::eLaunchResult, eResultCode> cases[] = {
        {plat::eLaunchResult::kNoOpener, eFileOpenError},
        {plat::eLaunchResult::kFailed, eFileNotFound},
        {plat::eLaunchResult::kRefused, eFileNotFound},
    };
    for (const auto& [failure, code] : cases) {
        launcher.urlFailure = failure;
        EXPECT_EQ(OpenURL(gCString(u"http://example.com/")), code);
    }
}
