// One installation file of a download list or of the installed list: where it lies, its kind and
// number, and whether it has to be fetched.
#pragma once

#include "core/eResultCode.h"
#include "core/gCBaseObject.h"
#include "core/gCString.h"

#include <cstdint>

class CFileData : public gCBaseObject {
public:
    CFileData() = default;
    CFileData(const CFileData& other) = default;
    CFileData& operator=(const CFileData& other) = default;
    ~CFileData() override = default;

    // Folder + ":" + file name, or the file name alone when the folder is empty; relative to the
    // bundle's Contents folder.
    gCString GetRelativePath() const;

    // An entry line: FOLDER "|" CODE "%" FILENAME, where a line starting with "|" has no folder;
    // the first two units of CODE are the kind, the rest the number. Clears the downloaded flag.
    eResultCode ParseEntryLine(const gCString& line);

    gCString mFolder;
    gCString mFileName;
    uint32_t mNumber = 0;
    uint32_t mKind = 0;
    uint32_t mNeedsDownload = 0;
    uint32_t mDownloaded = 0;
    // Where the downloaded copy was written, relative to the Contents folder.
    gCString mLocalPath;
};
