// Hands items and addresses to the system: a program or bundle is started, a document, folder or
// URL goes to the desktop's opener (xdg-open). Programs start in a session of their own with no
// arguments, without a shell, and outlive the caller. Tests put a recording launcher in place.
#pragma once

#include <string>
#include <vector>

namespace plat {

// What handing an item or an address to the system came to.
enum class [[nodiscard]] eLaunchResult : int32_t {
    kOk = 0,
    kRefused,   // the text is no acceptable URL
    kNotFound,  // nothing stands at the path
    kNoOpener,  // no program could open it: the desktop's opener is missing or said it could not
    kFailed,    // the system would not start the program or the opener, a bundle has no program, or a
                // recorded launch could not be written
};

class Launcher {
public:
    virtual ~Launcher() = default;
    // Opens the item at an absolute path; kOk once the launch has been started.
    virtual eLaunchResult LaunchPath(const std::string& path) = 0;
    // Opens a URL text that IsValidURLText accepted.
    virtual eLaunchResult OpenURL(const std::string& url) = 0;
};

// Puts `launcher` in place (null restores the system's). The caller keeps ownership.
void SetLauncher(Launcher* launcher);

// Through the launcher in use.
eLaunchResult LaunchPath(const char* path);
eLaunchResult OpenURLText(const char* url);

// Tests: keeps what would have been launched or opened and answers every request with `answer`
// (a path that is not launched fails with kFailed, a URL that is not opened with `urlFailure`).
class RecordingLauncher : public Launcher {
public:
    eLaunchResult LaunchPath(const std::string& path) override
    {
        paths.push_back(path);
        return answer ? eLaunchResult::kOk : eLaunchResult::kFailed;
    }
    eLaunchResult OpenURL(const std::string& url) override
    {
        urls.push_back(url);
        return answer ? eLaunchResult::kOk : urlFailure;
    }

    std::vector<std::string> paths;
    std::vector<std::string> urls;
    bool answer = true;
    eLaunchResult urlFailure = eLaunchResult::kNoOpener;
};

// A URL text as the system would accept it: a scheme, then only the characters URLs allow
// (no spaces, controls or characters outside ASCII). Escapes must be well formed.
bool IsValidURLText(const char* url);

// The program a path starts: X.app/Contents/MacOS/X for a bundle X.app, the file itself for an
// executable file, empty when the path is something to open with the desktop's opener.
std::string ProgramForPath(const std::string& path);

// Collects launched children that have ended (called from the heartbeat and before launching).
void ReapLaunchedPrograms();

} // namespace plat
