#include "platform/Process.h"

#include "platform/SdlSession.h"

#include <SDL.h>

#include <climits>
#include <unistd.h>

namespace plat {
namespace {

std::string ParentOf(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return "";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

std::string GetExecutablePath()
{
    char buffer[PATH_MAX + 1];
    ssize_t length = readlink("/proc/self/exe", buffer, PATH_MAX);
    if (length <= 0)
        return "";
    return std::string(buffer, size_t(length));
}

std::string BundlePathOfExecutable(const std::string& executable)
{
    std::string folder = ParentOf(executable);
    if (EndsWith(folder, "/Contents/MacOS"))
        return ParentOf(ParentOf(folder));
    return folder;
}

namespace {

class ExecutableBundleLocation final : public BundleLocation {
public:
    std::string GetBundlePath() override
    {
        std::string executable = GetExecutablePath();
        return executable.empty() ? "" : BundlePathOfExecutable(executable);
    }
};

ExecutableBundleLocation gExecutableBundleLocation;
BundleLocation* gBundleLocation = &gExecutableBundleLocation;

} // namespace

void SetBundleLocation(BundleLocation* location)
{
    gBundleLocation = location ? location : &gExecutableBundleLocation;
}

eFileResult GetBundlePath(PathReceiver& path)
{
    const std::string bundle = gBundleLocation->GetBundlePath();
    if (bundle.empty())
        return eFileResult::kNotFound;
    return path.TakePath(bundle.c_str()) ? eFileResult::kOk : eFileResult::kNoMemory;
}

void FixedBundleLocation::SetPath(const std::string& path)
{
    mPath = path;
    while (mPath.size() > 1 && mPath.back() == '/')
        mPath.pop_back();
}

namespace {
std::vector<std::string>& LaunchDocuments()
{
    static std::vector<std::string> documents;
    return documents;
}
} // namespace

void SetCommandLine(int argc, char** argv)
{
    LaunchDocuments().clear();
    for (int i = 1; i < argc; ++i)
        if (argv[i])
            LaunchDocuments().emplace_back(argv[i]);
}

eFileResult GetLaunchDocuments(PathReceiver& documents)
{
    for (const std::string& document : LaunchDocuments()) {
        if (!documents.TakePath(document.c_str()))
            return eFileResult::kNoMemory;
    }
    return eFileResult::kOk;
}

bool IsFrontProcess()
{
    return SdlSession::Get().IsVideoStarted() && SDL_GetKeyboardFocus() != nullptr;
}

} // namespace plat
