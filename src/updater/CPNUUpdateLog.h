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

    // Opens the file for appending, making it when missing; the lines already in it stay. Its
    // result is for tests: the updater goes on without a log.
    eResultCode Open();
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
    int32_t mHandle = plat::kNoFileHandle;
};
