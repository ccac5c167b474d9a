// Where the running program lives, and whether it is the one the user is working with.
#pragma once

#include "platform/FileSystem.h"

#include <string>
#include <vector>

namespace plat {

// Absolute UTF-8 path of the running executable; empty when it cannot be read.
std::string GetExecutablePath();

class BundleLocation {
public:
    virtual ~BundleLocation() = default;
    // The bundle folder, no trailing "/"; empty when unknown.
    virtual std::string GetBundlePath() = 0;
};

// Puts `location` in place (null restores the executable's). The caller keeps ownership.
void SetBundleLocation(BundleLocation* location);

// The bundle folder ("…/Pintrel Updater.app", no trailing "/") when the executable sits in
// "<bundle>/Contents/MacOS/"; otherwise the executable's own folder. Through the location in use;
// kNotFound when it is unknown.
eFileResult GetBundlePath(PathReceiver& path);

// Tests: a bundle folder given directly (a trailing "/" is dropped).
class FixedBundleLocation final : public BundleLocation {
public:
    explicit FixedBundleLocation(const std::string& path = {}) { SetPath(path); }
    void SetPath(const std::string& path);
    std::string GetBundlePath() override { return mPath; }

private:
    std::string mPath;
};

// The bundle folder of an executable path (the rule of GetBundlePath, for tests).
std::string BundlePathOfExecutable(const std::string& executable);

// The command line, handed over by `main`: the documents to open at launch are its arguments
// (Linux has no other way to give a program a document).
void SetCommandLine(int argc, char** argv);
// Hands the documents over in order.
eFileResult GetLaunchDocuments(PathReceiver& documents);

// One of the program's windows has the keyboard focus.
bool IsFrontProcess();

} // namespace plat
