// The open-file, save-file and choose-folder dialogs. The system backend runs zenity when it is
// installed and there is a display, and answers "cancelled" otherwise (also in headless runs);
// tests put dialogs of their own in place.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace plat {

class PathReceiver;

// What showing a dialog came to; the answer holds the choice only on kOk.
enum class [[nodiscard]] eDialogResult : int32_t { kOk = 0, kCancelled = 2, kFailed = 24 };

struct sDialogFilter {
    std::string name;                  // shown to the user
    std::vector<std::string> patterns; // glob patterns such as "*.png"
};

struct sOpenDialogRequest {
    std::string startFolder; // UTF-8; empty for the system's default place
    std::vector<sDialogFilter> filters;
    // Whether a file is listed (folders always are); the backend may apply it after the choice.
    std::function<bool(const char* path)> accepts;

    // For callers that keep their texts as C strings; the request keeps copies.
    void SetStartFolder(const char* folder);
    void AddFilter(const char* name);
    // Adds to the filter added last.
    void AddFilterPattern(const char* pattern);
};

struct sOpenDialogAnswer {
    std::string path; // the first chosen item
};

struct sSaveDialogRequest {
    std::string startFolder;
    std::string proposedName;
    std::vector<std::string> typeNames; // the type pop-up; empty for none
    int32_t currentType = 0;
    // Renames the typed name when the user picks another type in the pop-up: the new name goes
    // to the receiver; false when it could not be made or kept.
    std::function<bool(const char* name, int32_t oldType, int32_t newType, PathReceiver& renamed)> renameForType;

    // For callers that keep their texts as C strings; the request keeps copies.
    void SetStartFolder(const char* folder);
    void SetProposedName(const char* name);
    void AddTypeName(const char* name);
};

struct sSaveDialogAnswer {
    std::string folder; // the chosen folder, ending in "/"
    std::string name;   // the name the user typed
    int32_t typeIndex = 0;
};

struct sFolderDialogAnswer {
    std::string folder; // ending in "/"
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    virtual eDialogResult ChooseFile(const sOpenDialogRequest& request, sOpenDialogAnswer& answer) = 0;
    virtual eDialogResult ChooseSaveFile(const sSaveDialogRequest& request, sSaveDialogAnswer& answer) = 0;
    virtual eDialogResult ChooseFolder(sFolderDialogAnswer& answer) = 0;
};

// Puts `dialogs` in place (null restores the system's). The caller keeps ownership.
void SetFileDialogs(FileDialogs* dialogs);

// Through the dialogs in use.
eDialogResult RunOpenDialog(const sOpenDialogRequest& request, sOpenDialogAnswer& answer);
eDialogResult RunSaveDialog(const sSaveDialogRequest& request, sSaveDialogAnswer& answer);
eDialogResult RunFolderDialog(sFolderDialogAnswer& answer);

// Tests: answers each dialog through the function given for it; a dialog without one is cancelled.
class ScriptedFileDialogs final : public FileDialogs {
public:
    eDialogResult ChooseFile(const sOpenDialogRequest& request, sOpenDialogAnswer& answer) override
    {
        return chooseFile ? chooseFile(request, answer) : eDialogResult::kCancelled;
    }
    eDialogResult ChooseSaveFile(const sSaveDialogRequest& request, sSaveDialogAnswer& answer) override
    {
        return chooseSaveFile ? chooseSaveFile(request, answer) : eDialogResult::kCancelled;
    }
    eDialogResult ChooseFolder(sFolderDialogAnswer& answer) override
    {
        return chooseFolder ? chooseFolder(answer) : eDialogResult::kCancelled;
    }

    std::function<eDialogResult(const sOpenDialogRequest&, sOpenDialogAnswer&)> chooseFile;
    std::function<eDialogResult(const sSaveDialogRequest&, sSaveDialogAnswer&)> chooseSaveFile;
    std::function<eDialogResult(sFolderDialogAnswer&)> chooseFolder;
};

// Runs a program found on PATH with the arguments and collects its standard output; the exit
// status is -1 when it could not be started or did not end normally.
int32_t RunAndCapture(const std::string& program, const std::vector<std::string>& arguments,
                      std::string& output);

// The full path of a program found on PATH; empty when there is none.
std::string FindProgram(const std::string& name);

} // namespace plat
