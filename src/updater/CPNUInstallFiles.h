// The file operations of the installer, one call each, so that tests can make any one of them
// fail. Paths are absolute path texts.
#pragma once

#include "core/eResultCode.h"
#include "core/gCString.h"

#include <cstdint>

class CPNUInstallFiles {
public:
    virtual ~CPNUInstallFiles() = default;

    virtual bool Exists(const gCString& path);
    // 0 also when nothing is there; 16 when the removal fails.
    virtual eResultCode Delete(const gCString& path);
    // Never replaces: 6 when the target exists, the source is missing or the move fails.
    virtual eResultCode Move(const gCString& source, const gCString& target);
    // The folder and its missing parents.
    virtual eResultCode CreateFolder(const gCString& folder);
    // Creates or truncates the file and writes the bytes. They reach the disk with `Flush`.
    virtual eResultCode WriteFile(const gCString& path, const uint8_t* data, uint64_t size);
    // Flushes every file written so far on the file system that holds the folder, so a later
    // rename never publishes a file whose data is not yet stored. 16 when the flush fails.
    virtual eResultCode Flush(const gCString& folder);
    // Unix permission bits, masked with 0777; false when refused.
    virtual bool SetMode(const gCString& path, uint32_t mode);
    // 0, or 9 when the program cannot be started.
    virtual eResultCode Launch(const gCString& path);
};
