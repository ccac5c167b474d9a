// The file path the toolkit hands around when a file comes from the system: a document, the
// application's bundle, a file chosen in a dialog. It can be set from a reference, a file URL or
// a dialog's answer, asks the file system whether its file exists, and can express its folder or
// its place relative to one of the application's base folders.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// GetFolderRef and GetRelativeRef.
#pragma once

#include "FileIO/gCFPath.h"

class gCFRelative;

class gCFRef : public gCFPath {
public:
    gCFRef();
    // The text is kept as given (no separator rewriting).
    explicit gCFRef(const gCString& text);
    gCFRef(const gCFRef& other) = default;
    gCFRef& operator=(const gCFRef& other) = default;
    ~gCFRef() override = default;

    int32_t Exists() const override;

    // The first chosen item of the answer; eCreateFailed (and the path unchanged) when there is
    // none.
    eResultCode SetFromAEDescList(const sNavReply* reply) override;
    // The reference's file URL, through SetFromCFURL; a folder's text ends in "/". eBadParameter
    // (and the path unchanged) for a reference to nothing.
    eResultCode SetFromFSRef(const sFSRef* ref) override;
    // The URL's path with every percent escape replaced; type and creator stay.
    eResultCode SetFromCFURL(const gCString& url) override;

    // Gives folder the text of this file's folder through its own SetPath; its result.
    eResultCode GetFolderRef(gCBasePath& folder) const;
    // This file's place below the base folder that flag selects; eGenericFailure when it lies
    // elsewhere.
    eResultCode GetRelativeRef(gCFRelative& out, uint32_t flag) const;
};

// The "file://" URL of an absolute UTF-8 path, with everything outside the unreserved
// characters and "/" percent-escaped; eNoMemory when it cannot be held.
eResultCode FileURLFromSystemPath(const char* path, gCString& url);
