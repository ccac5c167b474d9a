// Helpers of the package reader and installer tests: packages made with the project's package
// builder, a host that records what the installer reports, file operations that fail on demand,
// and install folders as maps of files.
#pragma once

#include "updater/codec/CodecTestSupport.h"
#include "support/TempFolder.h"

#include "updater/install/CPNUInstallFiles.h"
#include "updater/install/CPNUInstallServices.h"
#include "updater/CPNUStatusTarget.h"
#include "updater/PNUMessages.h"
#include "support/StringBytes.h"

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

struct sPackFile {
    std::string name;
    std::string content;
    unsigned mode = 0644;
};

// The archive the package builder writes for these instruction lines and files.
Bytes BuildArchive(const std::vector<std::string>& lines, const std::vector<sPackFile>& files);
// "PN2SQUSH", version 1, the archive coded with method 8, "PN2SQUSH".
Bytes PackageFromArchive(const Bytes& archive);

// Random letters from the first `letters` of the alphabet: short matches all through.
std::string RandomLetters(size_t count, int letters);

class RecordingHost : public CPNUStatusTarget, public CPNUInstallServices {
public:
    struct sLine {
        std::string text;
        uint32_t colour;
    };

    eResultCode AddStatusLine(const gCString& text, const uint32_t* colour, bool update) override;
    eResultCode WriteLogLine(const gCString& text) override;
    eResultCode SetProgress(float fraction, bool) override
    {
        progress.push_back(fraction);
        return eSuccess;
    }
    void SetControlText(int32_t id, const gCString& text) override { controlTexts[id] = Utf8(text); }

    // "T<n>" for id 3000000000 + n, "T<n>.1" for field 1.
    gCString GetText(uint32_t id, int32_t field) override;
    gCString GetInstalledBuildString() override { return gCString(buildString.c_str()); }
    gCString GetInstallFolderText() override;
    // The log where the updater's bundle keeps it, beside the product.
    gCString GetLogPathText() override;
    void RunHeartbeat() override { ++heartbeats; }
    void Quit() override { ++quits; }

    bool HasLine(const std::string& text, uint32_t colour) const;
    bool HasLineStartingWith(const std::string& text, uint32_t colour) const;

    std::filesystem::path installFolder;
    std::string buildString;
    std::vector<sLine> lines;
    std::vector<std::string> log;
    std::vector<float> progress;
    std::map<int32_t, std::string> controlTexts;
    int heartbeats = 0;
    int quits = 0;
};

// Fails the k-th changing operation (delete, move, link, replacing rename, folder creation, file
// write, flush; k from 1) and counts them all. A failed write leaves half of the data behind, as a
// full disk would. Without links, it stands for a file system that cannot give a file a second name.
class FaultyFiles : public CPNUInstallFiles {
public:
    explicit FaultyFiles(int64_t failAt, bool links = true) : mFailAt(failAt), mLinks(links) {}

    eResultCode Delete(const gCString& path) override;
    eResultCode Move(const gCString& source, const gCString& target) override;
    eResultCode Link(const gCString& source, const gCString& target) override;
    eResultCode Replace(const gCString& source, const gCString& target) override;
    eResultCode CreateFolder(const gCString& folder) override;
    eResultCode WriteFile(const gCString& path, const uint8_t* data, uint64_t size, uint32_t mode) override;
    eResultCode Flush(const gCString& folder) override;
    eResultCode FlushEntry(const gCString& path) override;

    int64_t Count() const { return mCount; }
    bool Failed() const { return mFailAt > 0 && mCount >= mFailAt; }

private:
    bool FailNow() { return ++mCount == mFailAt; }

    int64_t mFailAt;
    bool mLinks;
    int64_t mCount = 0;
};

// Looks at paths starting with `start` fail with `fault` (a folder on the way that may not be
// read, a failing disk) while `reachable` is false.
class UnreachableFiles : public CPNUInstallFiles {
public:
    UnreachableFiles(std::string start, plat::eFileResult fault) : mStart(std::move(start)), mFault(fault) {}

    eResultCode GetIdentity(const gCString& path, plat::sEntryIdentity& identity) override;

    bool reachable = false;

private:
    std::string mStart;
    plat::eFileResult mFault;
};

using FileTree = std::map<std::string, std::string>;

void WriteTree(const std::filesystem::path& root, const FileTree& tree);
// Every regular file below root by its relative path ("a/b.txt"), the install lock file aside.
FileTree ReadTree(const std::filesystem::path& root);

// The journal of an install cut off while it was undone, naming one file that stood before it
// (name as a package gives it, "/a/b.txt"), its new file the ".tmp" there or else the file placed
// at the name: the repair would undo it.
void WriteUndoJournal(const std::filesystem::path& root, const std::string& name);
// The file a journal records for a new file at path (beneath the folder files is open on): its
// ".tmp" while that stands, else the file at its final name.
plat::sEntryIdentity WrittenIdentity(CPNUInstallFiles& files, const std::string& path);
