// The updater under test: a demo installation in a temporary folder (the updater's bundle with its
// string table, the installed product's settings, a test-mode marker naming the local update
// server), the local update server as a child process, and helpers that read what the window and
// the log show.
#pragma once

#include "FileIO/AppBaseFolders.h"
#include "app/AppGlobals.h"
#include "app/CWindowBase.h"
#include "platform/AlertPresenter.h"
#include "platform/EventLoop.h"
#include "platform/InputState.h"
#include "platform/Process.h"
#include "platform/Screen.h"
#include "updater/transfer/CPNUTransferManager.h"
#include "updater/CPintrelUpdaterApp.h"
#include "updater/window/CPintrelUpdaterBackdrop.h"

#include "support/TempFolder.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

// The demo installation's folder.
using DemoFolder = TempFolder;

// The local update server, answering every request with one reply form.
class UpdateServerProcess {
public:
    UpdateServerProcess(const std::string& form, const std::string& package)
    {
        std::string script = std::string(PNU_SOURCE_DIR) + "/tools/update-server/update_server.py";
        std::string portFile = mFolder / "port";
        mRequestLog = mFolder / "requests";
        std::vector<std::string> arguments = {"python3", "-B", script, "--reply", form, "--port", "0",
                                              "--port-file", portFile, "--request-log", mRequestLog};
        if (!package.empty()) {
            arguments.push_back("--package");
            arguments.push_back(package);
        }
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&mPid, "python3", &actions, nullptr, argv.data(), environ) != 0)
            mPid = -1;
        posix_spawn_file_actions_destroy(&actions);
        // A busy machine can take seconds to start Python; only one that never writes its port
        // (a hang) waits out the minute.
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (mPid > 0 && mPort == 0 && std::chrono::steady_clock::now() < end) {
            std::ifstream in(portFile);
            int port = 0;
            if (in >> port)
                mPort = port;
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~UpdateServerProcess()
    {
        if (mPid > 0) {
            kill(mPid, SIGTERM);
            int status = 0;
            waitpid(mPid, &status, 0);
        }
    }
    int Port() const { return mPort; }
    std::string RequestLog() const { return DemoFolder::ReadFile(mRequestLog); }

private:
    DemoFolder mFolder;
    std::string mRequestLog;
    pid_t mPid = -1;
    int mPort = 0;
};

struct sShownLine {
    std::string text;
    uint32_t colour;
    bool operator==(const sShownLine&) const = default;
};

inline void PrintTo(const sShownLine& line, std::ostream* out)
{
    char colour[16];
    std::snprintf(colour, sizeof colour, "%08X", line.colour);
    *out << "{\"" << line.text << "\", 0x" << colour << "}";
}

// A demo installation beside which the application object runs.
class UpdaterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        plat::GetRecordedAlerts().Clear();
        plat::EventLoop::Main().Reset();
        plat::SetInputState(&input);
        plat::SetScreen(&screen);
        bundle = folder / "Pintrel Updater.app";
        mkdir(bundle.c_str(), 0755);
        mkdir((bundle + "/Contents").c_str(), 0755);
        mkdir((bundle + "/Contents/Resources").c_str(), 0755);
        for (const char* name : {"PNUpdater.msf", "PNUpdater.mrf"})
            Copy(std::string(PNU_BINARY_DIR) + "/Pintrel Updater.app/Contents/Resources/" + name,
                 bundle + "/Contents/Resources/" + name);
        mkdir((folder / "Pintrel 2.app").c_str(), 0755);
        mkdir((folder / "Pintrel 2.app/Contents").c_str(), 0755);
        mkdir((folder / "Pintrel 2.app/Contents/Resources").c_str(), 0755);
        WriteSettings("English");
        gCString text;
        ASSERT_EQ(text.SetFromUTF8(bundle), eSuccess);
        ASSERT_EQ(SetAppBundleFolder(text), eSuccess);
        // An application made by the test finds its bundle here too.
        bundleLocation.SetPath(bundle);
        plat::SetBundleLocation(&bundleLocation);
    }
    void TearDown() override
    {
        gCArray<CWindowBase*>& windows = GetWindowList();
        while (windows.GetSize() > 0)
            windows[windows.GetSize() - 1]->DisposeWindow();
        gMainWindow = nullptr;
        gCCmdTarget::SetFocusTarget(nullptr);
        gCCmdTarget::SetDefaultTarget(nullptr);
        plat::EventLoop::Main().Reset();
        plat::SetInputState(nullptr);
        plat::SetScreen(nullptr);
        plat::GetRecordedAlerts().Clear();
        ClearAppBaseFolders();
        plat::SetBundleLocation(nullptr);
        gLanguageOffset = 0;
    }

    // The start the framework gives the application: its resources, then its run.
    static eResultCode Start(CPintrelUpdaterApp& app, const gCString& path)
    {
        PNU_TRY(app.LoadSystemResources());
        return app.Run(path);
    }

    static void Copy(const std::string& from, const std::string& to)
    {
        std::ofstream(to, std::ios::binary) << DemoFolder::ReadFile(from);
    }

    // The installed product's settings, compiled from a string-table source by the project's tool.
    void WriteSettings(const std::string& language, const std::string& build = "FULL|2.0.1")
    {
        std::string source = folder / "system.mst";
        std::ofstream(source) << "1 \"Local_Current\" \"" << language << "\"\n"
                              << "2 \"PBX_InternalBuildString\" \"" << build << "\"\n"
                              << "3 \"PBX_Application\" \"Pintrel 2\"\n";
        std::string command = "python3 -B '" + std::string(PNU_SOURCE_DIR) + "/tools/rescomp/rescomp.py' strings '"
            + source + "' -o '" + (folder / "Pintrel 2.app/Contents/Resources/system.msf") + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }

    void WriteTestMode(const std::string& host) { std::ofstream(bundle + "/Contents/testmode") << host << "\n"; }

    // Heartbeats until the condition holds or the time is up (by default a minute: only a hang
    // takes that long).
    bool PumpUntil(CPintrelUpdaterApp& app, const std::function<bool()>& done, int milliseconds = 60000)
    {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (std::chrono::steady_clock::now() < end) {
            (void)app.HeartbeatHook();
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }

    // Heartbeats for a while, so that whatever is still to come has come.
    void Pump(CPintrelUpdaterApp& app, int milliseconds) { (void)PumpUntil(app, [] { return false; }, milliseconds); }

    static std::vector<sShownLine> Shown(const CPintrelUpdaterBackdrop& backdrop)
    {
        std::vector<sShownLine> lines;
        for (int32_t i = 0; i < backdrop.GetStatusRowCount(); ++i) {
            const CPintrelUpdaterBackdrop::sStatusRow row = backdrop.GetStatusRow(i);
            lines.push_back({Utf8(row.text), row.colour});
        }
        return lines;
    }

    // The log's lines: UTF-16LE text, each line ended by LF then CR.
    std::vector<std::string> LogLines() const
    {
        std::string bytes = DemoFolder::ReadFile(bundle + "/Contents/UpdateResults.log");
        gCString text;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2)
            text += char16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8);
        std::vector<std::string> lines;
        std::string utf8 = Utf8(text);
        size_t start = 0;
        for (size_t at; (at = utf8.find("\n\r", start)) != std::string::npos; start = at + 2)
            lines.push_back(utf8.substr(start, at - start));
        return lines;
    }

    std::vector<std::string> Alerts() const
    {
        std::vector<std::string> texts;
        for (const plat::sAlert& alert : plat::GetRecordedAlerts().GetAlerts())
            texts.push_back(alert.title + "|" + alert.text);
        return texts;
    }

    DemoFolder folder;
    std::string bundle;
    plat::ManualInputState input;
    plat::FixedScreen screen{{0, 0, 1280, 1024}, 0};
    plat::FixedBundleLocation bundleLocation;
};
