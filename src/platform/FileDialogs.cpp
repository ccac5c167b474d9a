#include "platform/FileDialogs.h"

#include "platform/FileSystem.h"
#include "platform/SdlSession.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace plat {

namespace {

std::string WithFinalSlash(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

std::string TrimNewline(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

eDialogResult ResultFromExit(int32_t code)
{
    if (code == 0)
        return eDialogResult::kOk;
    if (code == 1)
        return eDialogResult::kCancelled; // the user closed or cancelled the dialog
    return eDialogResult::kFailed;
}

// No dialog can be shown without a display, nor in unattended runs: the question is cancelled.
bool CanShowDialogs() { return !plat::IsHeadless() && !FindProgram("zenity").empty(); }

eDialogResult ZenityOpen(const sOpenDialogRequest& request, sOpenDialogAnswer& answer)
{
    if (!CanShowDialogs())
        return eDialogResult::kCancelled;
    std::vector<std::string> arguments = {"--file-selection", "--title=Open"};
    if (!request.startFolder.empty())
        arguments.push_back("--filename=" + WithFinalSlash(request.startFolder));
    for (const sDialogFilter& filter : request.filters) {
        std::string text = "--file-filter=" + filter.name + " |";
        for (const std::string& pattern : filter.patterns)
            text += " " + pattern;
        arguments.push_back(text);
    }
    std::string output;
    if (eDialogResult result = ResultFromExit(RunAndCapture("zenity", arguments, output)); result != eDialogResult::kOk)
        return result;
    answer.path = TrimNewline(output);
    if (answer.path.empty() || (request.accepts && !PathIsFolder(PathText(answer.path)) && !request.accepts(answer.path.c_str())))
        return eDialogResult::kFailed;
    return eDialogResult::kOk;
}

eDialogResult ZenitySave(const sSaveDialogRequest& request, sSaveDialogAnswer& answer)
{
    answer.typeIndex = request.currentType;
    if (!CanShowDialogs())
        return eDialogResult::kCancelled;
    std::vector<std::string> arguments = {"--file-selection", "--save", "--confirm-overwrite", "--title=Save"};
    std::string start = request.startFolder.empty() ? std::string() : WithFinalSlash(request.startFolder);
    arguments.push_back("--filename=" + start + request.proposedName);
    std::string output;
    if (eDialogResult result = ResultFromExit(RunAndCapture("zenity", arguments, output)); result != eDialogResult::kOk)
        return result;
    std::string path = TrimNewline(output);
    size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash + 1 >= path.size())
        return eDialogResult::kFailed;
    answer.folder = path.substr(0, slash + 1);
    answer.name = path.substr(slash + 1);
    return eDialogResult::kOk;
}

eDialogResult ZenityFolder(sFolderDialogAnswer& answer)
{
    if (!CanShowDialogs())
        return eDialogResult::kCancelled;
    std::string output;
    eDialogResult result = ResultFromExit(
        RunAndCapture("zenity", {"--file-selection", "--directory", "--title=Choose a Folder"}, output));
    if (result != eDialogResult::kOk)
        return result;
    answer.folder = WithFinalSlash(TrimNewline(output));
    return answer.folder == "/" && output.empty() ? eDialogResult::kFailed : eDialogResult::kOk;
}

class ZenityDialogs final : public FileDialogs {
public:
    eDialogResult ChooseFile(const sOpenDialogRequest& request, sOpenDialogAnswer& answer) override
    {
        return ZenityOpen(request, answer);
    }
    eDialogResult ChooseSaveFile(const sSaveDialogRequest& request, sSaveDialogAnswer& answer) override
    {
        return ZenitySave(request, answer);
    }
    eDialogResult ChooseFolder(sFolderDialogAnswer& answer) override { return ZenityFolder(answer); }
};

ZenityDialogs gZenityDialogs;
FileDialogs* gDialogs = &gZenityDialogs;

} // namespace

void SetFileDialogs(FileDialogs* dialogs) { gDialogs = dialogs ? dialogs : &gZenityDialogs; }

void sOpenDialogRequest::SetStartFolder(const char* folder) { startFolder = folder; }

void sOpenDialogRequest::AddFilter(const char* name) { filters.push_back({name, {}}); }

void sOpenDialogRequest::AddFilterPattern(const char* pattern)
{
    if (!filters.empty())
        filters.back().patterns.emplace_back(pattern);
}

void sSaveDialogRequest::SetStartFolder(const char* folder) { startFolder = folder; }

void sSaveDialogRequest::SetProposedName(const char* name) { proposedName = name; }

void sSaveDialogRequest::AddTypeName(const char* name) { typeNames.emplace_back(name); }

eDialogResult RunOpenDialog(const sOpenDialogRequest& request, sOpenDialogAnswer& answer)
{
    return gDialogs->ChooseFile(request, answer);
}

eDialogResult RunSaveDialog(const sSaveDialogRequest& request, sSaveDialogAnswer& answer)
{
    return gDialogs->ChooseSaveFile(request, answer);
}

eDialogResult RunFolderDialog(sFolderDialogAnswer& answer) { return gDialogs->ChooseFolder(answer); }

std::string FindProgram(const std::string& name)
{
    if (name.empty() || name.find('/') != std::string::npos)
        return {};
    const char* path = std::getenv("PATH");
    std::string list = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(':', start);
        if (end == std::string::npos)
            end = list.size();
        std::string folder = list.substr(start, end - start);
        if (!folder.empty()) {
            std::string candidate = folder + "/" + name;
            struct stat info;
            if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        start = end + 1;
    }
    return {};
}

int32_t RunAndCapture(const std::string& program, const std::vector<std::string>& arguments, std::string& output)
{
    output.clear();
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    int status = posix_spawnp(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (status != 0) {
        ::close(pipeEnds[0]);
        return -1;
    }
    char buffer[4096];
    for (;;) {
        ssize_t n = ::read(pipeEnds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        output.append(buffer, size_t(n));
    }
    ::close(pipeEnds[0]);
    int exitStatus = 0;
    while (::waitpid(child, &exitStatus, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(exitStatus) ? WEXITSTATUS(exitStatus) : -1;
}

} // namespace plat
