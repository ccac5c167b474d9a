// The path of one file: a path text with the Mac file type and creator the file is created with,
// and the operations that treat the text as parts (root, folders, file title, extension).
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// AssignFullPath, the setters of the file title, folders, root and extension, the three From...
// conversions, GetRoot, GetFullPath, IsWithin, GetPathBelow, GetFSRef, GetFileSize and
// PathFromFSRef.
#pragma once

#include "FileIO/CSystemPath.h"
#include "FileIO/eFileType.h"
#include "FileIO/gCBasePath.h"
#include "platform/FileSystem.h"

#include <cstdint>

struct sNavReply;

// What stands in for the Mac's reference to an existing item: the absolute UTF-8 path and
// whether something existed there when it was made.
using sFSRef = plat::sPathRecord;

class gCFPath : public gCBasePath {
public:
    explicit gCFPath(const gCString& text = gCString(), eFPathType kind = eFPath, uint32_t type = kUnknownMacType,
                     uint32_t creator = kUnknownMacType);
    gCFPath(const gCFPath& other);
    ~gCFPath() override = default;

    // Text emptied, type and creator '????'.
    eResultCode Clear() override;

    // Both store the text unchanged, in every kind.
    virtual eResultCode SetFullPath(const gCString& text);
    virtual eResultCode AssignFullPath(const gCString& text);
    // Part replacement: eInvalidObject on an unset path, eBadParameter for an empty part or an
    // empty result.
    virtual eResultCode SetFileTitle(const gCString& title);
    virtual eResultCode SetFolders(const gCString& folders);
    virtual eResultCode SetRoot(const gCString& root);
    // The type becomes macType, or the type of the extension when macType is '????'.
    virtual eResultCode SetExtension(gCString extension, int32_t addIfNone, uint32_t macType);
    virtual eResultCode SetFileType(eFileType type, int32_t addIfNone, const gCString& extension, uint32_t macType);

    eResultCode FromAEDescList(const sNavReply* reply) { return SetFromAEDescList(reply); }
    eResultCode FromFSRef(const sFSRef* ref) { return SetFromFSRef(ref); }
    eResultCode FromCFURL(const gCString& url) { return SetFromCFURL(url); }
    // Only a file reference can be set from these; the other kinds answer 10.
    virtual eResultCode SetFromAEDescList(const sNavReply* reply);
    virtual eResultCode SetFromFSRef(const sFSRef* ref);
    virtual eResultCode SetFromCFURL(const gCString& url);

    // The folder that holds the file, ending in "/"; the folder itself for a folder text.
    virtual gCString GetFolderPath() const;
    virtual gCString GetRoot() const;
    virtual gCString GetFileTitle() const;
    virtual gCString GetExtension() const;
    virtual gCString GetFileName() const;
    virtual gCString GetFullPath() const { return GetPath(); }
    // 1 when the other text is a strict prefix of this one, ASCII letters compared without case.
    virtual int32_t IsWithin(const gCBasePath& other) const;
    // The rest of this text after the other's length; not compared.
    virtual gCString GetPathBelow(const gCBasePath& other) const;

    gCFPath& operator=(const gCFPath& other);

    // The reference of the file, or of its folder when the file does not exist yet. Valid until
    // the next call on this object.
    const sFSRef* GetFSRef();
    // The file's size in bytes; -1 when nothing is at the path.
    int64_t GetFileSize() const;
    eFileType GetFileTypeIndex() const;

    uint32_t GetMacType() const { return mFileType; }
    void SetMacType(uint32_t type) { mFileType = type; }

protected:
    // Stores a text composed from parts of the resolved path.
    virtual eResultCode StoreComposedPath(const gCString& text) { return SetFullPath(text); }
    eResultCode ReplacePart(int32_t which, const gCString& part);

    uint32_t mFileType = kUnknownMacType;
    uint32_t mCreator = kUnknownMacType;
    sFSRef mFSRef;
};

// The extension with its "." of any path's text; empty when the path is unset.
gCString GetFilePathExtension(const gCBasePath& path);
// The reference of a path text: a missing leading "/" is added and ":" and "\" become "/". 0 when
// something exists there, 1 when not (out then names the place, marked as missing), eNoMemory when
// the text cannot be held or is null (out is then the empty record, marked as missing).
int32_t MakeFSRef(const gCString& text, sFSRef* out);
// The classic colon form of a reference's location; eBadParameter when nothing exists there.
eResultCode PathFromFSRef(const sFSRef* ref, gCString& volume, gCString& folders, gCString& name);
// The UTF-8 path a text names for the system, as MakeFSRef forms it; eNoMemory when it cannot be
// held or is null (the empty text names the root).
eResultCode SystemPathFromText(const gCString& text, CSystemPath& path);
// A path object's text; eNoMemory when it cannot be copied out, as the null text that copy leaves
// would read as the empty text and name the root.
eResultCode CopyPathText(const gCBasePath& object, gCString& text);
// SystemPathFromText of a path object's text, with the same check.
eResultCode SystemPathOf(const gCBasePath& object, CSystemPath& path);
// The path classes go on silently when a text cannot be stored, holding the empty text, "/" or a
// text cut short: an object made for an entry below a folder must hold a text longer than the
// folder's and starting with it (a folder's ending in "/"), else it would lead elsewhere. eNoMemory
// when it does not.
eResultCode CheckHeldBelow(const gCBasePath& entry, const gCString& folder, bool isFolder);
