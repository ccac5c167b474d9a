// The updater's log file, "UpdateResults.log" in the bundle's Contents folder: one UTF-16
// little-endian line per status or log line, each ended by LF then CR, no byte-order mark. Two
// copies of the updater may write it at once: each line goes to the file's end as it then is, in
// one write, so no line lands over another's, leaves a hole or is split by another copy's. A log
// that cannot be opened stays closed and writing to it does nothing. While there is no window it
// is the status target: every line goes to the file alone.
#pragma once

#include "core/eResultCode.h"
#include "core/gCString.h"
#include "platform/FileHandle.h"
#include "platform/FolderLock.h"
#include "updater/CPNUStatusTarget.h"

class CPNUUpdateLog : public CPNUStatusTarget {
public:
    CPNUUpdateLog() = default;
    ~CPNUUpdateLog() override { (void)Close(); }
    CPNUUpdateLog(const CPNUUpdateLog&) = delete;
    CPNUUpdateLog& operator=(const CPNUUpdateLog&) = delete;

    // Opens the file for appending, making it when missing; the lines already in it stay. Only a
    // regular file that has this one name is opened: a link, a second name of a file elsewhere, a
    // pipe or a folder there is left exactly as it is, and the log stays closed. Its result is for
    // tests: the updater goes on without a log, and tells the path and the reason.
    eResultCode Open();
    // Why the last Open left the log closed (kOk when it opened), and the path it tried.
    plat::eFileResult GetOpenFailure() const { return mOpenFailure; }
    const gCString& GetPath() const { return mPath; }
    // Starts the log afresh, but only for a copy that holds the install folder's lock: a copy
    // that installs holds it throughout, so its lines are never cut away by another's start.
    // Without the lock the lines stay and the answer is 7.
    eResultCode Empty(const plat::FolderLock& installLock);
    eResultCode WriteLine(const gCString& text);
    eResultCode Close();
    bool IsOpen() const { return mHandle != plat::kNoFileHandle; }

    // A line the file cannot take is dropped: its source goes on, as it would without a log.
    eResultCode AddStatusLine(const gCString& text, const uint32_t*, bool) override { return WriteLogLine(text); }
    eResultCode WriteLogLine(const gCString& text) override
    {
        (void)WriteLine(text);
        return eSuccess;
    }
    eResultCode SetProgress(float, bool) override { return eSuccess; }
    void SetControlText(int32_t, const gCString&) override {}

private:
    plat::eFileResult OpenAt(const char* path);

    int32_t mHandle = plat::kNoFileHandle;
    plat::eFileResult mOpenFailure = plat::eFileResult::kOk;
    gCString mPath;
};
