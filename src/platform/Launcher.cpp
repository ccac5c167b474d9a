#include "platform/Launcher.h"

#include "platform/Clock.h"
#include "platform/EventLoop.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <spawn.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace plat {

namespace {

std::vector<pid_t> sChildren;

// Starts `program` in a session of its own; 0 and the child's id, or the system's error number.
int SpawnChild(const std::string& program, const std::vector<std::string>& arguments, bool searchPath,
               pid_t& child)
{
    ReapLaunchedPrograms();
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawnattr_t attributes;
    if (int status = posix_spawnattr_init(&attributes); status != 0)
        return status;
    // Its own session, so the program lives on when the caller quits right after launching.
    (void)posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    int status = searchPath
        ? posix_spawnp(&child, program.c_str(), nullptr, &attributes, argv.data(), environ)
        : posix_spawn(&child, program.c_str(), nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    return status;
}

bool Spawn(const std::string& program, const std::vector<std::string>& arguments, bool searchPath)
{
    pid_t child = 0;
    if (SpawnChild(program, arguments, searchPath, child) != 0)
        return false;
    sChildren.push_back(child);
    return true;
}

// The opener answers at once when nothing can show the address (xdg-open exits with 3 when no
// program for it is found, 4 when the program failed). When it works it may stay as long as the
// browser it started runs, so its answer is awaited only this long; still running means opening.
constexpr uint64_t kOpenerAnswerWait = 2000000;
constexpr uint64_t kOpenerPoll = 10000;

eLaunchResult OpenWithOpener(const std::string& url)
{
    pid_t child = 0;
    if (int status = SpawnChild("xdg-open", {url}, true, child); status != 0)
        return status == ENOENT || status == EACCES ? eLaunchResult::kNoOpener : eLaunchResult::kFailed;
    Clock& clock = GetClock();
    const uint64_t deadline = clock.NowMicroseconds() + kOpenerAnswerWait;
    for (;;) {
        int status = 0;
        pid_t ended = ::waitpid(child, &status, WNOHANG);
        if (ended == child)
            return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? eLaunchResult::kOk : eLaunchResult::kNoOpener;
        if (ended < 0)
            return eLaunchResult::kOk;
        const uint64_t now = clock.NowMicroseconds();
        if (now >= deadline)
            break;
        // Inside the program's loop the wait turns it nested, so the heartbeat and redraws go on.
        EventLoop& loop = EventLoop::Main();
        if (loop.IsRunning() && !loop.IsQuitRequested())
            loop.RunOnce(static_cast<int64_t>(std::min(deadline - now, kOpenerPoll)));
        else
            clock.SleepUntil(std::min(deadline, now + kOpenerPoll));
    }
    sChildren.push_back(child);
    return eLaunchResult::kOk;
}

// The test harness's mode (PNU_HEADLESS=1) may name a file in PNU_RECORD_LAUNCHES: each launch is
// then appended there as one line ("launch PATH" or "open URL") instead of starting anything, so a
// script can drive the real program without a browser. Outside that mode the variable is ignored.
std::string RecordingFile()
{
    const char* headless = std::getenv("PNU_HEADLESS");
    const char* file = std::getenv("PNU_RECORD_LAUNCHES");
    if (!headless || std::strcmp(headless, "1") != 0 || !file)
        return {};
    return file;
}

bool Record(const std::string& file, const char* kind, const std::string& text)
{
    FILE* out = std::fopen(file.c_str(), "a");
    if (!out)
        return false;
    bool written = std::fprintf(out, "%s %s\n", kind, text.c_str()) > 0;
    return std::fclose(out) == 0 && written;
}

eLaunchResult SystemLaunchPath(const std::string& path)
{
    if (!PathExists(PathText(path)))
        return eLaunchResult::kNotFound;
    if (std::string file = RecordingFile(); !file.empty())
        return Record(file, "launch", path) ? eLaunchResult::kOk : eLaunchResult::kFailed;
    std::string program = ProgramForPath(path);
    if (!program.empty())
        return Spawn(program, {}, false) ? eLaunchResult::kOk : eLaunchResult::kFailed;
    // A bundle without its program cannot be started; the opener would only show its folder.
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    if (PathIsFolder(PathText(trimmed)) && trimmed.size() > 4 && trimmed.compare(trimmed.size() - 4, 4, ".app") == 0)
        return eLaunchResult::kFailed;
    return Spawn("xdg-open", {path}, true) ? eLaunchResult::kOk : eLaunchResult::kFailed;
}

eLaunchResult SystemOpenURL(const std::string& url)
{
    if (!IsValidURLText(url.c_str()))
        return eLaunchResult::kRefused;
    if (std::string file = RecordingFile(); !file.empty())
        return Record(file, "open", url) ? eLaunchResult::kOk : eLaunchResult::kFailed;
    return OpenWithOpener(url);
}

class SystemLauncher final : public Launcher {
public:
    eLaunchResult LaunchPath(const std::string& path) override { return SystemLaunchPath(path); }
    eLaunchResult OpenURL(const std::string& url) override { return SystemOpenURL(url); }
};

SystemLauncher gSystemLauncher;
Launcher* gLauncher = &gSystemLauncher;

bool IsHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

bool IsExecutableFile(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 0111) != 0 &&
           ::access(path.c_str(), X_OK) == 0;
}

std::vector<std::string> ListFolderNames(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* listing = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(listing))
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                names.emplace_back(entry->d_name);
        ::closedir(listing);
    }
    return names;
}

} // namespace

void SetLauncher(Launcher* launcher) { gLauncher = launcher ? launcher : &gSystemLauncher; }

eLaunchResult LaunchPath(const char* path) { return gLauncher->LaunchPath(path ? path : ""); }
eLaunchResult OpenURLText(const char* url) { return gLauncher->OpenURL(url ? url : ""); }

bool IsValidURLText(const char* text)
{
    const std::string_view url(text ? text : "");
    size_t colon = url.find(':');
    if (colon == std::string_view::npos || colon == 0 || !std::isalpha(static_cast<unsigned char>(url[0])))
        return false;
    for (size_t i = 1; i < colon; ++i) {
        char c = url[i];
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.')
            return false;
    }
    static const char kAllowed[] = "-._~:/?#[]@!$&'()*+,;=";
    for (size_t i = colon + 1; i < url.size(); ++i) {
        char c = url[i];
        if (c == '%') {
            if (i + 2 >= url.size() || !IsHex(url[i + 1]) || !IsHex(url[i + 2]))
                return false;
            i += 2;
            continue;
        }
        if (std::isalnum(static_cast<unsigned char>(c)) && static_cast<unsigned char>(c) < 0x80)
            continue;
        if (c == '\0' || !std::strchr(kAllowed, c))
            return false;
    }
    return true;
}

std::string ProgramForPath(const std::string& path)
{
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    struct stat info;
    if (::stat(trimmed.c_str(), &info) != 0)
        return {};
    if (S_ISDIR(info.st_mode)) {
        size_t slash = trimmed.rfind('/');
        std::string name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
        if (name.size() <= 4 || name.compare(name.size() - 4, 4, ".app") != 0)
            return {};
        std::string programs = trimmed + "/Contents/MacOS/";
        std::string program = programs + name.substr(0, name.size() - 4);
        if (IsExecutableFile(program))
            return program;
        // A bundle copied under another name keeps its program's name: its one program counts.
        std::vector<std::string> found;
        for (const std::string& entry : ListFolderNames(programs))
            if (IsExecutableFile(programs + entry))
                found.push_back(programs + entry);
        return found.size() == 1 ? found[0] : std::string();
    }
    if (IsExecutableFile(trimmed))
        return trimmed;
    return {};
}

void ReapLaunchedPrograms()
{
    sChildren.erase(std::remove_if(sChildren.begin(), sChildren.end(),
                                   [](pid_t child) { return ::waitpid(child, nullptr, WNOHANG) != 0; }),
                    sChildren.end());
}

} // namespace plat
