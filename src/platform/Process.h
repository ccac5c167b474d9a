// Where the running program lives, and whether it is the one the user is working with.
#pragma once

#include <string>
#include <vector>

namespace plat {

// Absolute UTF-8 path of the running executable; empty when it cannot be read.
std::string GetExecutablePath();

// The bundle folder ("…/Pintrel Updater.app", no trailing "/") when the executable sits in
// "<bundle>/Contents/MacOS/"; otherwise the executable's own folder. Empty when unknown.
std::string GetBundlePath();
// Tests set the bundle folder directly; an empty text returns to the real location.
void SetBundlePathOverride(const std::string& path);

// The bundle folder of an executable path (the rule of GetBundlePath, for tests).
std::string BundlePathOfExecutable(const std::string& executable);

// The command line, handed over by `main`: the documents to open at launch are its arguments
// (Linux has no other way to give a program a document).
void SetCommandLine(int argc, char** argv);
std::vector<std::string> GetLaunchDocuments();

// The absolute path of an existing item (links resolved); empty when nothing is there.
std::string ResolveExistingPath(const std::string& path);

// One of the program's windows has the keyboard focus.
bool IsFrontProcess();

} // namespace plat
