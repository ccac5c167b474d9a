#include "FileIO/gCFPath.h"

#include "FileIO/FileResultCode.h"
#include "FileIO/FileServices.h"
#include "FileIO/gCocoaFileIO.h"
#include "core/ASCIICase.h"
#include "core/TextEquality.h"

#include <cstring>

namespace {

// Whether a path is one of the mount points handed over.
struct sMountPointMatch final : plat::VolumeReceiver {
    explicit sMountPointMatch(const char* wanted) : path(wanted) {}
    bool TakeVolume(const char* mountPoint, int16_t) override
    {
        found = found || std::strcmp(mountPoint, path) == 0;
        return true;
    }
    const char* path;
    bool found = false;
};

enum ePart : int32_t { kTitlePart, kFoldersPart, kRootPart };

struct sPathParts {
    gCString root;
    gCString folders;
    gCString title;
    gCString extension;
};

sPathParts CutParts(const gCString& text)
{
    return {GetPathRoot(text), GetPathFolders(text), GetPathFileTitle(text), GetPathExtension(text)};
}

} // namespace

gCFPath::gCFPath(const gCString& text, eFPathType kind, uint32_t type, uint32_t creator)
    : mFileType(type), mCreator(creator)
{
    mKind = kind;
    StoreText(text.IsNull() ? gCString(u"") : text);
}

gCFPath::gCFPath(const gCFPath& other)
    : gCBasePath(other), mFileType(other.mFileType), mCreator(other.mCreator)
{
}

eResultCode gCFPath::Clear()
{
    ClearText();
    mFileType = kUnknownMacType;
    mCreator = kUnknownMacType;
    return eSuccess;
}

eResultCode gCFPath::SetFullPath(const gCString& text)
{
    StoreText(text.IsNull() ? gCString(u"") : text);
    return eSuccess;
}

eResultCode gCFPath::AssignFullPath(const gCString& text) { return SetFullPath(text); }

eResultCode gCFPath::ReplacePart(int32_t which, const gCString& part)
{
    if (!IsSet())
        return eInvalidObject;
    if (part.IsEmpty())
        return eBadParameter;
    sPathParts parts = CutParts(GetPath());
    if (which == kTitlePart)
        parts.title = part;
    else if (which == kFoldersPart)
        parts.folders = part;
    else
        parts.root = part;
    gCString composed = ComposePath(parts.root, parts.folders, parts.title, parts.extension);
    if (composed.IsEmpty())
        return eBadParameter;
    return StoreComposedPath(composed);
}

eResultCode gCFPath::SetFileTitle(const gCString& title) { return ReplacePart(kTitlePart, title); }
eResultCode gCFPath::SetFolders(const gCString& folders) { return ReplacePart(kFoldersPart, folders); }
eResultCode gCFPath::SetRoot(const gCString& root) { return ReplacePart(kRootPart, root); }

eResultCode gCFPath::SetExtension(gCString extension, int32_t addIfNone, uint32_t macType)
{
    if (!IsSet())
        return eInvalidObject;
    if (extension.IsEmpty())
        return eBadParameter;
    sPathParts parts = CutParts(GetPath());
    if (macType == kUnknownMacType) {
        gCString lookup(extension);
        macType = MacTypeFromExtension(lookup);
    }
    mFileType = macType;
    if (parts.extension.IsEmpty() && addIfNone == 0)
        extension = gCString(u"");
    gCString composed = ComposePath(parts.root, parts.folders, parts.title, extension);
    if (composed.IsEmpty())
        return eBadParameter;
    return StoreComposedPath(composed);
}

eResultCode gCFPath::SetFileType(eFileType type, int32_t addIfNone, const gCString& extension, uint32_t macType)
{
    if (!IsSet())
        return eInvalidObject;
    if (uint32_t(type) > uint32_t(eUnknownFileType))
        return eBadParameter;
    sPathParts parts = CutParts(GetPath());
    gCString newExtension(u"");
    if (!parts.extension.IsEmpty() || addIfNone != 0)
        newExtension = extension.IsEmpty() ? gCString(GetFileTypeExtension(type)) : extension;
    mFileType = macType != 0 ? macType : GetFileTypeMacCode(type);
    gCString composed = ComposePath(parts.root, parts.folders, parts.title, newExtension);
    if (composed.IsEmpty())
        return eBadParameter;
    return StoreComposedPath(composed);
}

eResultCode gCFPath::SetFromAEDescList(const sNavReply*) { return eNotWritten; }
eResultCode gCFPath::SetFromFSRef(const sFSRef*) { return eNotWritten; }
eResultCode gCFPath::SetFromCFURL(const gCString&) { return eNotWritten; }

gCString gCFPath::GetFolderPath() const
{
    if (!IsSet())
        return gCString(u"");
    gCString text = GetPath();
    // A dummy last component makes the folder of a folder text that folder itself.
    if (text.GetLength() > 0 && text[text.GetLength() - 1] == u'/')
        text += gCString(u"TEMP");
    return GetContainingFolderPath(text);
}

gCString gCFPath::GetRoot() const { return IsSet() ? GetPathRoot(GetPath()) : gCString(u""); }
gCString gCFPath::GetFileTitle() const { return IsSet() ? GetPathFileTitle(GetPath()) : gCString(u""); }
gCString gCFPath::GetExtension() const { return IsSet() ? GetPathExtension(GetPath()) : gCString(u""); }
gCString gCFPath::GetFileName() const { return IsSet() ? GetLastPathComponent(GetPath()) : gCString(u""); }

int32_t gCFPath::IsWithin(const gCBasePath& other) const
{
    gCString mine = WithUpperASCII(GetPath());
    gCString theirs = WithUpperASCII(other.GetPath());
    // An unset path names nothing, so nothing lies within it.
    if (theirs.IsEmpty() || theirs.GetLength() >= mine.GetLength())
        return 0;
    return SameUnits(mine.GetText(), theirs.GetText(), theirs.GetLength()) ? 1 : 0;
}

gCString gCFPath::GetPathBelow(const gCBasePath& other) const
{
    gCString mine = GetPath();
    int32_t otherLength = other.GetPath().GetLength();
    if (mine.GetLength() <= otherLength)
        return gCString(u"");
    return mine.Right(mine.GetLength() - otherLength);
}

gCFPath& gCFPath::operator=(const gCFPath& other)
{
    if (this != &other) {
        mKind = other.mKind;
        StoreText(other.GetPath());
        mFileType = other.mFileType;
        mCreator = other.mCreator;
    }
    return *this;
}

const sFSRef* gCFPath::GetFSRef()
{
    // The folder stands in only for a file that is not there, never for one whose path ran out of
    // memory: a file would then be made anew over the one that exists.
    const int32_t made = MakeFSRef(GetPath(), &mFSRef);
    if (made != 0 && made != eNoMemory)
        (void)MakeFSRef(GetFolderPath(), &mFSRef);
    return &mFSRef;
}

int64_t gCFPath::GetFileSize() const
{
    if (!IsSet())
        return -1;
    CSystemPath path;
    if (SystemPathFromText(GetPath(), path) != eSuccess)
        return -1;
    return plat::PathSize(path.Get());
}

eFileType gCFPath::GetFileTypeIndex() const
{
    if (!IsSet())
        return eNoFileType;
    gCString extension = GetExtension();
    if (!extension.IsEmpty())
        return FileTypeFromExtension(extension);
    for (int32_t type = 0; type <= eUnknownFileType; ++type) {
        if (GetFileTypeMacCode(type) == mFileType)
            return eFileType(type);
    }
    return eNoFileType;
}

gCString GetFilePathExtension(const gCBasePath& path)
{
    if (!path.IsSet())
        return gCString(u"");
    return GetPathExtension(path.GetPath());
}

eResultCode SystemPathFromText(const gCString& text, CSystemPath& path) { return path.SetFromPathText(text); }

eResultCode CopyPathText(const gCBasePath& object, gCString& text)
{
    // A path object's text is never null once copied, so a null copy is memory that ran out.
    text = object.GetPath();
    return text.IsNull() ? eNoMemory : eSuccess;
}

eResultCode SystemPathOf(const gCBasePath& object, CSystemPath& path)
{
    gCString text;
    if (eResultCode result = CopyPathText(object, text); result != eSuccess) {
        (void)path.Set(nullptr, 0);
        return result;
    }
    return SystemPathFromText(text, path);
}

eResultCode CheckHeldBelow(const gCBasePath& entry, const gCString& folder, bool isFolder)
{
    const gCString held = entry.GetPath();
    if (held.GetLength() <= folder.GetLength() || (isFolder && held[held.GetLength() - 1] != u'/'))
        return eNoMemory;
    return StartsWithUnits(held, folder) ? eSuccess : eNoMemory;
}

int32_t MakeFSRef(const gCString& text, sFSRef* out)
{
    if (!out)
        return 1;
    CSystemPath path;
    // A path that cannot be held names no place: the empty record, marked as missing.
    const eResultCode held = SystemPathFromText(text, path);
    *out = plat::MakePathRecord(held == eSuccess ? path.Get() : "");
    if (held != eSuccess)
        return held;
    return out->exists ? 0 : 1;
}

eResultCode PathFromFSRef(const sFSRef* ref, gCString& volume, gCString& folders, gCString& name)
{
    volume = gCString(u"");
    folders = gCString(u"");
    if (!ref || !plat::PathExists(ref->path.c_str()))
        return eBadParameter;
    gCString path;
    PNU_TRY(path.SetFromUTF8(ref->path));
    // The root of a volume: the root folder or a mount point.
    CSystemPath canonical;
    const plat::eFileResult resolved = plat::CanonicalPath(ref->path.c_str(), canonical);
    if (resolved == plat::eFileResult::kNoMemory)
        return eNoMemory;
    sMountPointMatch match(canonical.Get());
    PNU_TRY(FromFileResult(plat::ListMountedVolumes(match), eNoMemory));
    if (resolved == plat::eFileResult::kOk && match.found) {
        // The root's name is "/" itself; a mount point's is its last component.
        const char* text = canonical.Get();
        const char* last = std::strrchr(text, '/');
        const char* start = last && last[1] != 0 ? last + 1 : text;
        gCString volumeName;
        PNU_TRY(volumeName.SetFromUTF8({start, std::strlen(start)}));
        volume = volumeName + gCString(u":");
        name = gCString(u"");
        return eSuccess;
    }
    name = GetLastPathComponent(path);
    gCArray<gCString> parts;
    gCString trimmed(path);
    trimmed.TrimChar(u'/');
    (void)trimmed.Split(parts, u'/');
    bool volumePhase = true;
    for (int32_t i = 0; i + 1 < parts.GetSize(); ++i) {
        if (volumePhase) {
            volume += parts[i] + gCString(u":");
            volumePhase = parts[i] == "Volumes" ? true : false;
        } else {
            folders += parts[i] + gCString(u":");
        }
    }
    return eSuccess;
}
