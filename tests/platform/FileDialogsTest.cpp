#include "platform/FileDialogs.h"
#include "platform/FileSystem.h"
#include "platform/SdlSession.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

using namespace plat;

namespace {

// Puts a stand-in zenity first on PATH that prints a fixed answer and exits with a fixed code.
class FakeZenity {
public:
    FakeZenity(const std::string& answer, int code)
    {
        std::string script = "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\" >> '" + mFolder / "args" + "'; done\n";
        if (!answer.empty())
            script += "printf '%s\\n' '" + answer + "'\n";
        script += "exit " + std::to_string(code) + "\n";
        std::string path = mFolder.WriteFile("zenity", script);
        ::chmod(path.c_str(), 0755);
        const char* old = std::getenv("PATH");
        mOldPath = old ? old : "";
        ::setenv("PATH", (mFolder.Path() + ":" + mOldPath).c_str(), 1);
        SetFileDialogs(nullptr);
        plat::SetHeadlessMode(&mWithDisplay);
    }
    ~FakeZenity()
    {
        plat::SetHeadlessMode(nullptr);
        ::setenv("PATH", mOldPath.c_str(), 1);
    }
    std::string Arguments() const { return TempFolder::ReadFile(mFolder / "args"); }

private:
    plat::FixedHeadlessMode mWithDisplay{false};
    TempFolder mFolder;
    std::string mOldPath;
};

} // namespace

TEST(PlatformFileDialogs, WithoutZenityEveryDialogIsCancelled)
{
    TempFolder empty;
    const char* old = std::getenv("PATH");
    std::string saved = old ? old : "";
    ::setenv("PATH", empty.Path().c_str(), 1);
    SetFileDialogs(nullptr);
    sOpenDialogAnswer open;
    sSaveDialogAnswer save;
    sFolderDialogAnswer folder;
    EXPECT_EQ(RunOpenDialog({}, open), eDialogResult::kCancelled);
    EXPECT_EQ(RunSaveDialog({}, save), eDialogResult::kCancelled);
    EXPECT_EQ(RunFolderDialog(folder), eDialogResult::kCancelled);
    ::setenv("PATH", saved.c_str(), 1);
}

TEST(PlatformFileDialogs, ZenityExitCodesBecomeDialogResults)
{
    {
        FakeZenity zenity("/tmp/chosen.png", 0);
        sOpenDialogRequest request;
        request.startFolder = "/tmp";
        request.filters.push_back({"PNG Image (*.png)", {"*.png", "*.PNG"}});
        sOpenDialogAnswer answer;
        EXPECT_EQ(RunOpenDialog(request, answer), eDialogResult::kOk);
        EXPECT_EQ(answer.path, "/tmp/chosen.png");
        std::string arguments = zenity.Arguments();
        EXPECT_NE(arguments.find("--filename=/tmp/\n"), std::string::npos);
        EXPECT_NE(arguments.find("--file-filter=PNG Image (*.png) | *.png *.PNG\n"), std::string::npos);
    }
    {
        FakeZenity zenity("", 1);
        sOpenDialogAnswer answer;
        EXPECT_EQ(RunOpenDialog({}, answer), eDialogResult::kCancelled);
    }
    {
        FakeZenity zenity("", 5);
        sFolderDialogAnswer answer;
        EXPECT_EQ(RunFolderDialog(answer), eDialogResult::kFailed);
    }
    SetFileDialogs(nullptr);
}

TEST(PlatformFileDialogs, SaveAnswerIsSplitIntoFolderAndName)
{
    FakeZenity zenity("/home/ann/Pictures/shot.bmp", 0);
    sSaveDialogRequest request;
    request.startFolder = "/home/ann";
    request.proposedName = "untitled.bmp";
    request.currentType = 1;
    sSaveDialogAnswer answer;
    EXPECT_EQ(RunSaveDialog(request, answer), eDialogResult::kOk);
    EXPECT_EQ(answer.folder, "/home/ann/Pictures/");
    EXPECT_EQ(answer.name, "shot.bmp");
    EXPECT_EQ(answer.typeIndex, 1);
    EXPECT_NE(zenity.Arguments().find("--filename=/home/ann/untitled.bmp\n"), std::string::npos);
    SetFileDialogs(nullptr);
}

TEST(PlatformFileDialogs, AChosenFolderEndsInASlash)
{
    FakeZenity zenity("/srv/data", 0);
    sFolderDialogAnswer answer;
    EXPECT_EQ(RunFolderDialog(answer), eDialogResult::kOk);
    EXPECT_EQ(answer.folder, "/srv/data/");
    SetFileDialogs(nullptr);
}

TEST(PlatformFileDialogs, HeadlessRunsNeverShowADialog)
{
    FakeZenity zenity("/tmp/chosen.png", 0);
    plat::FixedHeadlessMode headless(true);
    plat::SetHeadlessMode(&headless);
    sOpenDialogAnswer answer;
    EXPECT_EQ(RunOpenDialog({}, answer), eDialogResult::kCancelled);
    EXPECT_EQ(zenity.Arguments(), "");
}

TEST(PlatformFileDialogs, TestsCanAnswerTheDialogs)
{
    ScriptedFileDialogs backend;
    backend.chooseFile = [](const sOpenDialogRequest& request, sOpenDialogAnswer& answer) {
        answer.path = request.startFolder + "picked";
        return eDialogResult::kOk;
    };
    SetFileDialogs(&backend);
    sOpenDialogRequest request;
    request.startFolder = "/a/";
    sOpenDialogAnswer open;
    EXPECT_EQ(RunOpenDialog(request, open), eDialogResult::kOk);
    EXPECT_EQ(open.path, "/a/picked");
    sSaveDialogAnswer save;
    EXPECT_EQ(RunSaveDialog({}, save), eDialogResult::kCancelled); // no answer given: cancelled
    SetFileDialogs(nullptr);
}
