// Hands items and addresses to the system: a program or bundle is started, a document, folder or
// URL goes to the desktop's opener (xdg-open). Programs start in a session of their own with no
// arguments, without a shell, and outlive the caller. Tests put recording functions in place.
#pragma once

#include <functional>
#include <string>

namespace plat {

struct sLauncher {
    // Opens the item at an absolute path; true once the launch has been started.
    std::function<bool(const std::string& path)> launchPath;
    // Opens a URL text that IsValidURLText accepted; true once handed over.
    std::function<bool(const std::string& url)> openURL;
};

// Replaces the launcher (tests). ResetLauncher puts the system's back.
void SetLauncher(sLauncher launcher);
void ResetLauncher();

bool LaunchPath(const std::string& path);
bool OpenURLText(const std::string& url);

// A URL text as the system would accept it: a scheme, then only the characters URLs allow
// (no spaces, controls or characters outside ASCII). Escapes must be well formed.
bool IsValidURLText(const std::string& url);

// The program a path starts: X.app/Contents/MacOS/X for a bundle X.app, the file itself for an
// executable file, empty when the path is something to open with the desktop's opener.
std::string ProgramForPath(const std::string& path);

// Collects launched children that have ended (called from the heartbeat and before launching).
void ReapLaunchedPrograms();

} // namespace plat
