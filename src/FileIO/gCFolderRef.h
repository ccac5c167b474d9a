// The path object of a folder: its text ends in "/" once set through SetPath. It creates itself
// with any missing parents, walks up to its parent, tests whether another path names it or one
// of its ancestors, tests whether it can be written, and makes file and folder objects inside.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it: GetFSRef,
// IsWritable, MakeFilePath, MakeSubFolder, GetRoot, IsWithin and the setters of the folder name,
// root and folders.
#pragma once

#include "FileIO/gCBasePath.h"
#include "FileIO/gCFPath.h"

class gCFRef;

class gCFolderRef : public gCBasePath {
public:
    gCFolderRef();
    // The text is kept unchanged: no separator rewriting and no final "/" added.
    explicit gCFolderRef(const gCString& text);
    gCFolderRef(const gCFolderRef& other) = default;
    gCFolderRef& operator=(const gCFolderRef& other) = default;
    ~gCFolderRef() override = default;

    int32_t Exists() const override;
    // Makes the folder and its missing parents; eSuccess when it exists, eHandled when it has no
    // parent to stand in, eCreateFailed when it cannot be made or a file stands at its place.
    eResultCode Create() override;
    // ":" and "\" become "/", and the text gets a final "/" ("" becomes "/").
    eResultCode SetPath(gCString text) override;

    eResultCode SetFromFSRef(const sFSRef* ref);
    // The folder's reference; its exists flag tells whether the folder resolved.
    const sFSRef* GetFSRef();
    // Writes, closes and removes a probe file of a name not yet taken; 1 when all of it worked.
    int32_t IsWritable() const;
    void MakeFilePath(const gCString& name, gCFPath& target) const;
    // The objects handed out are the caller's; null when they cannot be made.
    gCFRef* NewFileRef(gCString name) const;
    gCFolderRef* NewSubFolder(const gCString& name) const;
    void MakeSubFolder(const gCString& name, gCFolderRef& out) const;
    gCString GetParentPath() const;
    gCString GetRoot() const;
    gCString GetFolderName() const;
    // eHandled when there is no parent (the root, an unset folder).
    eResultCode GetParentFolder(gCFolderRef& out) const;
    gCFolderRef* NewParentFolder() const;
    void GetParent(gCBasePath& out) const;
    // 1 when the other path is this folder or one of its ancestors, ASCII letters without case.
    int32_t IsWithin(const gCBasePath& other) const;
    // The folder below the base folder that flag selects (0 the bundle's Contents folder).
    eResultCode SetRelativePath(gCString text, uint32_t flag);
    eResultCode SetFolderName(const gCString& name);
    eResultCode SetRoot(const gCString& root);
    eResultCode SetFolders(const gCString& folders);

private:
    eResultCode Rebuild(int32_t which, const gCString& part);

    sFSRef mFSRef;
};

// The folder text of a reference, ending in "/"; empty for a reference to nothing.
gCString FolderPathFromFSRef(const sFSRef* ref);
