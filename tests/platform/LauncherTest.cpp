#include "platform/FileSystem.h"
#include "platform/Launcher.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <sys/stat.h>
#include <thread>

using namespace plat;

namespace {

std::string MakeScript(const TempFolder& folder, const std::string& name, const std::string& marker)
{
    // The script records how many arguments reached it.
    std::string path = folder.WriteFile(name, "#!/bin/sh\necho \"$#\" > '" + marker + ".tmp'\nmv '" + marker
                                                  + ".tmp' '" + marker + "'\n");
    ::chmod(path.c_str(), 0755);
    return path;
}

// Waits for the launched program to write its file; only one that never runs takes a minute.
bool WaitForFile(const std::string& path)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < end) {
        if (PathExists(path.c_str()))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

} // namespace

TEST(PlatformLauncher, AcceptsOnlyWellFormedUrls)
{
    struct Case {
        const char* url;
        bool valid;
    };
    const Case cases[] = {
        {"http://example.com/a?b=c&d=%20e#f", true},
        {"https://127.0.0.1:18080/download", true},
        {"mailto:someone@example.com", true},
        {"not a url", false},
        {"http://example.com/with space", false},
        {"no-scheme-here", false},
        {":missing", false},
        {"1http://x", false},
        {"http://example.com/%zz", false},
        {"http://example.com/%4", false},
        {"http://caf\xC3\xA9.example/", false},
        {"http://example.com/\x01", false},
        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsValidURLText(c.url), c.valid) << c.url;
}

TEST(PlatformLauncher, FindsTheProgramOfABundleOrAnExecutable)
{
    TempFolder folder;
    ASSERT_EQ(CreateOneFolder((folder / "Tool.app").c_str()), eFileResult::kOk);
    ASSERT_EQ(CreateOneFolder((folder / "Tool.app/Contents").c_str()), eFileResult::kOk);
    ASSERT_EQ(CreateOneFolder((folder / "Tool.app/Contents/MacOS").c_str()), eFileResult::kOk);
    std::string program = MakeScript(folder, "Tool.app/Contents/MacOS/Tool", folder / "m");
    std::string plain = MakeScript(folder, "run.sh", folder / "m");
    std::string document = folder.WriteFile("notes.txt", "text");
    ASSERT_EQ(CreateOneFolder((folder / "Empty.app").c_str()), eFileResult::kOk);

    EXPECT_EQ(ProgramForPath(folder / "Tool.app"), program);
    EXPECT_EQ(ProgramForPath(folder / "Tool.app/"), program);
    EXPECT_EQ(ProgramForPath(plain), plain);
    EXPECT_EQ(ProgramForPath(document), "");
    EXPECT_EQ(ProgramForPath(folder / "Empty.app"), "");
    EXPECT_EQ(ProgramForPath(folder / "missing"), "");
}

TEST(PlatformLauncher, StartsABundleWithoutArguments)
{
    TempFolder folder;
    ASSERT_EQ(CreateOneFolder((folder / "Slave.app").c_str()), eFileResult::kOk);
    ASSERT_EQ(CreateOneFolder((folder / "Slave.app/Contents").c_str()), eFileResult::kOk);
    ASSERT_EQ(CreateOneFolder((folder / "Slave.app/Contents/MacOS").c_str()), eFileResult::kOk);
    std::string marker = folder / "ran";
    MakeScript(folder, "Slave.app/Contents/MacOS/Slave", marker);
    SetLauncher(nullptr);
    ASSERT_EQ(LaunchPath((folder / "Slave.app").c_str()), eLaunchResult::kOk);
    ASSERT_TRUE(WaitForFile(marker));
    EXPECT_EQ(TempFolder::ReadFile(marker), "0\n");
    ReapLaunchedPrograms();
}

TEST(PlatformLauncher, RefusesWhatCannotBeStarted)
{
    TempFolder folder;
    SetLauncher(nullptr);
    EXPECT_EQ(LaunchPath((folder / "missing.app").c_str()), eLaunchResult::kNotFound);
    ASSERT_EQ(CreateOneFolder((folder / "Broken.app").c_str()), eFileResult::kOk);
    EXPECT_EQ(LaunchPath((folder / "Broken.app").c_str()), eLaunchResult::kFailed);
    EXPECT_EQ(OpenURLText("not a url"), eLaunchResult::kRefused);
}

TEST(PlatformLauncher, AnAddressNoProgramCanOpenIsToldApart)
{
    TempFolder folder;
    const std::string marker = folder / "argument";
    struct sCase {
        const char* name;
        const char* opener;  // body of the folder's xdg-open; null: there is none
        eLaunchResult result;
    };
    const sCase cases[] = {
        {"no opener", nullptr, eLaunchResult::kNoOpener},
        {"nothing to show it with", "exit 3\n", eLaunchResult::kNoOpener},
        {"the browser failed", "exit 4\n", eLaunchResult::kNoOpener},
        {"opened", "echo \"$1\" > '__MARKER__'\n", eLaunchResult::kOk},
    };
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    SetLauncher(nullptr);
    for (const sCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string bin = folder / c.name;
        ASSERT_EQ(CreateOneFolder(bin.c_str()), eFileResult::kOk);
        if (c.opener) {
            std::string body = c.opener;
            if (size_t at = body.find("__MARKER__"); at != std::string::npos)
                body.replace(at, 10, marker);
            std::string script = folder.WriteFile(std::string(c.name) + "/xdg-open", "#!/bin/sh\n" + body);
            ::chmod(script.c_str(), 0755);
        }
        ::setenv("PATH", bin.c_str(), 1);
        const eLaunchResult result = OpenURLText("http://127.0.0.1/download.html");
        ::setenv("PATH", path.c_str(), 1);
        EXPECT_EQ(result, c.result);
    }
    EXPECT_EQ(TempFolder::ReadFile(marker), "http://127.0.0.1/download.html\n");
}

TEST(PlatformLauncher, TestsCanPutTheirOwnLauncherInPlace)
{
    RecordingLauncher launcher;
    SetLauncher(&launcher);
    EXPECT_EQ(LaunchPath("/x/y"), eLaunchResult::kOk);
    launcher.answer = false;
    EXPECT_EQ(OpenURLText("http://example.com/"), eLaunchResult::kNoOpener);
    SetLauncher(nullptr);
    EXPECT_EQ(LaunchPath("/x/missing.app"), eLaunchResult::kNotFound);
    ASSERT_EQ(launcher.paths.size(), 1u);
    EXPECT_EQ(launcher.paths[0], "/x/y");
    ASSERT_EQ(launcher.urls.size(), 1u);
    EXPECT_EQ(launcher.urls[0], "http://example.com/");
}
