// The updater's log file, "UpdateResults.log" in the bundle's Contents folder: started afresh at
// every run, one UTF-16 little-endian line per status or log line, each ended by LF then CR, no
// byte-order mark. A log that cannot be opened stays closed and writing to it does nothing.
#pragma once

#include "FileIO/gCFile.h"
#include "core/eResultCode.h"
#include "core/gCString.h"

class CPNUUpdateLog {
public:
    // Truncates the file; its result is for tests, the updater goes on without a log.
    eResultCode Open();
    eResultCode WriteLine(const gCString& text);
    eResultCode Close();
    bool IsOpen() const { return mFile.IsOpen(); }

private:
    gCFile mFile;
};
