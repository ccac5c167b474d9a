#include "FileIO/gCFolderRef.h"

#include "FileIO/AppBaseFolders.h"
#include "FileIO/FileResultCode.h"
#include "FileIO/FileServices.h"
#include "FileIO/gCFRef.h"
#include "FileIO/gCFile.h"
#include "FileIO/gCocoaFileIO.h"
#include "core/ASCIICase.h"
#include "core/ReadiedOrNull.h"
#include "core/TextEquality.h"
#include "platform/FileHandle.h"

#include <utility>

namespace {

enum eRebuild : int32_t { kFolderName, kRoot, kFolders };

// The folder's path followed by a name, or null when it could not be held whole: a text that lost
// its folder part to a failed allocation would name a relative place instead, and one that lost
// the name the folder itself.
gCString JoinedOrNull(const gCString& folder, const gCString& name)
{
    gCString joined = folder + name;
    if (folder.IsNull() || joined.IsNull() || joined.GetLength() != folder.GetLength() + name.GetLength())
        return gCString();
    return joined;
}

bool EndsWithSeparator(const gCString& text)
{
    if (text.GetLength() == 0)
        return false;
    char16_t last = text[text.GetLength() - 1];
    return last == u'/' || last == u'\\';
}

gCString WithoutFinalSlash(gCString text)
{
    if (text.GetLength() > 0 && text[text.GetLength() - 1] == u'/')
        text.Delete(text.GetLength() - 1, 1);
    return text;
}

// The path functions answer the null text, the empty text or the whole text they were to cut when
// memory runs out. A real parent is shorter than the text it is cut from, and is empty only when
// no separator follows a named part.
eResultCode CheckParentOf(const gCString& cut, const gCString& parent)
{
    if (parent.IsNull() || (!cut.IsEmpty() && parent.GetLength() >= cut.GetLength()))
        return eNoMemory;
    if (!parent.IsEmpty())
        return eSuccess;
    const bool systemPath = IsSystemPathText(cut);
    bool named = false;
    for (int32_t i = 0; i < cut.GetLength(); ++i) {
        const char16_t unit = cut[i];
        if (unit != u'/' && unit != u'\\' && (unit != u':' || systemPath))
            named = true;
        else if (named)
            return eNoMemory;
    }
    return eSuccess;
}

// test.tst, then test-1.tst, test-2.tst ...
eResultCode ProbeName(int32_t attempt, gCString& name)
{
    PNU_TRY(name.Assign(u"test"));
    if (attempt > 0) {
        gCString number;
        PNU_TRY(number.SetNumber(attempt));
        PNU_TRY(name.Append(u"-"));
        PNU_TRY(name.Append(number));
    }
    return name.Append(u".tst");
}

} // namespace

gCFolderRef::gCFolderRef() { mKind = eFolderRef; }

gCFolderRef::gCFolderRef(const gCString& text)
{
    mKind = eFolderRef;
    StoreText(text.IsNull() ? gCString(u"") : text);
}

int32_t gCFolderRef::Exists() const { return FileExists(*this) ? 1 : 0; }

eResultCode gCFolderRef::SetPath(gCString text)
{
    // Copying a text, even an empty one, gives a buffer: a text without one is a copy that ran out
    // of memory, which must not be taken for the empty text (the root).
    if (text.IsNull())
        return eNoMemory;
    gCString slashed = WithSlashSeparators(text);
    if (slashed.IsNull())
        return eNoMemory;
    if (!EndsWithSeparator(slashed))
        slashed += u'/';
    StoreText(slashed);
    // A text that could not be stored whole would leave the object naming another place.
    return EndsWithSeparator(slashed) && TextsEqual(mPath, slashed) ? eSuccess : eNoMemory;
}

eResultCode gCFolderRef::Create()
{
    // The text is copied once and checked: a copy that failed would read as the root, which exists.
    gCString text;
    PNU_TRY(CopyPathText(*this, text));
    bool exists = false;
    PNU_TRY(CheckPathExists(text.GetText(), text.GetLength(), exists));
    // Something that is not a folder standing at the place is a failure, not a success.
    CSystemPath path;
    if (exists) {
        PNU_TRY(SystemPathFromText(text, path));
        return plat::PathIsFolder(path.Get()) ? eSuccess : eCreateFailed;
    }
    gCFolderRef parent;
    PNU_TRY(GetParentFolder(parent));
    // The parent's own failure shows when this level cannot be made; memory running out is told.
    if (parent.Create() == eNoMemory)
        return eNoMemory;
    const int32_t found = MakeFSRef(text, &mFSRef);
    if (found == 0)
        return plat::PathIsFolder(mFSRef.path.c_str()) ? eSuccess : eCreateFailed;
    if (found == eNoMemory)
        return eNoMemory;
    if (text.GetLength() > 0 && text[text.GetLength() - 1] == u'/')
        text.Delete(text.GetLength() - 1, 1);
    PNU_TRY(path.Set(text));
    PNU_TRY(FromFileResult(plat::CreateOneFolder(path.Get()), eCreateFailed));
    return plat::PathIsFolder(path.Get()) ? eSuccess : eCreateFailed;
}

eResultCode gCFolderRef::SetFromFSRef(const sFSRef* ref) { return SetPath(FolderPathFromFSRef(ref)); }

const sFSRef* gCFolderRef::GetFSRef()
{
    sFSRef ref;
    (void)MakeFSRef(GetPath(), &ref);
    mFSRef = ref;
    return &mFSRef;
}

int32_t gCFolderRef::IsWritable() const
{
    // The probe takes a name nothing uses yet, so a file of the user's is never touched.
    gCString folder = GetPath();
    if (folder.IsEmpty() || folder[folder.GetLength() - 1] != u'/')
        folder += u'/';
    gCString probeName;
    CSystemPath probe;
    bool made = false;
    for (int32_t attempt = 0; attempt < 100 && !made; ++attempt) {
        if (ProbeName(attempt, probeName) != eSuccess || probe.SetFromPathText(folder, probeName) != eSuccess)
            return 0;
        plat::eFileResult result = plat::CreateFileExclusive(probe.Get());
        if (result == plat::eFileResult::kOk)
            made = true;
        else if (result != plat::eFileResult::kExists)
            return 0;
    }
    if (!made)
        return 0;
    gCFRef* ref = NewFileRef(probeName);
    int32_t writable = 0;
    if (ref) {
        gCFile file;
        if (file.Open(ref, gCFile::eAccessWrite) == eSuccess) {
            gCString text(u"X");
            if (file.WriteUnicodeText(text, 1) == eSuccess && file.Close() == eSuccess)
                writable = 1;
        }
    }
    delete ref;
    if (plat::RemovePath(probe.Get()) != plat::eFileResult::kOk)
        writable = 0;
    return writable;
}

void gCFolderRef::MakeFilePath(const gCString& name, gCFPath& target) const
{
    (void)target.SetFullPath(GetPath() + name);
}

gCFRef* gCFolderRef::NewFileRef(gCString name) const
{
    gCString path = GetPath();
    auto* ref = new gCFRef();
    if (!ref)
        return nullptr;
    if (name.IsNull())
        name = gCString(u"");
    (void)name.ReplaceChar(u':', u'/');
    (void)name.ReplaceChar(u'\\', u'/');
    if (!EndsWithSeparator(path))
        path += u'/';
    (void)ref->SetFullPath(path + name);
    return ref;
}

gCFolderRef* gCFolderRef::NewSubFolder(const gCString& name) const
{
    if (!IsSet())
        return nullptr;
    return ReadiedOrNull(new gCFolderRef(), [&](gCFolderRef& folder) {
        gCString path = JoinedOrNull(GetPath(), name);
        // Moved in: a copy made for the call could fail and read as the root.
        return path.IsNull() ? eNoMemory : folder.SetPath(std::move(path));
    });
}

void gCFolderRef::MakeSubFolder(const gCString& name, gCFolderRef& out) const
{
    gCString path = JoinedOrNull(GetPath(), name);
    if (path.IsNull() || out.SetPath(std::move(path)) != eSuccess)
        (void)out.Clear();
}

gCString gCFolderRef::GetParentPath() const
{
    if (!IsSet())
        return gCString(u"");
    return GetContainingFolderPath(WithoutFinalSlash(GetPath()));
}

gCString gCFolderRef::GetRoot() const { return IsSet() ? GetPathRoot(GetPath()) : gCString(u""); }

gCString gCFolderRef::GetFolderName() const
{
    return IsSet() ? GetLastPathComponent(WithoutFinalSlash(GetPath())) : gCString(u"");
}

eResultCode gCFolderRef::GetParentFolder(gCFolderRef& out) const
{
    gCString text;
    PNU_TRY(CopyPathText(*this, text));
    gCString parent = GetParentPath();
    const bool endsInSlash = text.GetLength() > 0 && text[text.GetLength() - 1] == u'/';
    if (endsInSlash)
        text.Delete(text.GetLength() - 1, 1);
    PNU_TRY(CheckParentOf(text, parent));
    if (parent.GetLength() >= text.GetLength() + (endsInSlash ? 1 : 0) - 1)
        return eHandled;
    PNU_TRY(out.SetPath(parent));
    // A parent text that could not be handed over reads as the empty text there, naming the root.
    gCString held;
    PNU_TRY(CopyPathText(out, held));
    return held.GetLength() < parent.GetLength() ? eNoMemory : eSuccess;
}

gCFolderRef* gCFolderRef::NewParentFolder() const
{
    if (!IsSet())
        return nullptr;
    return ReadiedOrNull(new gCFolderRef(), [this](gCFolderRef& folder) { return GetParentFolder(folder); });
}

void gCFolderRef::GetParent(gCBasePath& out) const
{
    gCFolderRef parent;
    if (GetParentFolder(parent) != eSuccess) {
        (void)out.Clear();
        return;
    }
    AssignRaw(out, eFolderRef, parent.GetPath());
}

int32_t gCFolderRef::IsWithin(const gCBasePath& other) const
{
    gCString target = WithUpperASCII(other.GetPath());
    if (TextsEqual(WithUpperASCII(GetPath()), target))
        return 1;
    gCFolderRef* parent = NewParentFolder();
    while (parent) {
        if (TextsEqual(WithUpperASCII(parent->GetPath()), target)) {
            delete parent;
            return 1;
        }
        gCFolderRef* next = parent->NewParentFolder();
        delete parent;
        parent = next;
    }
    return 0;
}

eResultCode gCFolderRef::SetRelativePath(gCString text, uint32_t flag)
{
    gCString base = GetAppBaseFolderText(flag);
    if (base.IsNull())
        base = gCString(u"");
    if (text.IsNull())
        text = gCString(u"");
    (void)text.ReplaceChar(u':', u'/');
    (void)text.ReplaceChar(u'\\', u'/');
    if (!EndsWithSeparator(text))
        text += u'/';
    if (text[0] == u'/' && base.GetLength() > 0 && base[base.GetLength() - 1] == u'/')
        base.Delete(base.GetLength() - 1, 1);
    return SetPath(base + text);
}

eResultCode gCFolderRef::Rebuild(int32_t which, const gCString& part)
{
    if (!IsSet())
        return eInvalidObject;
    if (part == "")
        return eBadParameter;
    gCString text = GetPath();
    bool endedInSlash = text[text.GetLength() - 1] == u'/';
    if (endedInSlash)
        text.Delete(text.GetLength() - 1, 1);
    gCString root = GetPathRoot(text);
    gCString folders = GetPathFolders(text);
    gCString result;
    if (which == kFolderName)
        result = ComposePath(root, folders, part, gCString(u""));
    else if (which == kRoot)
        result = ComposePath(part, folders, GetPathFileTitle(text), GetPathExtension(text));
    else
        result = ComposePath(root, part, GetPathFileTitle(text), GetPathExtension(text));
    if (result.IsEmpty())
        return eBadParameter;
    if (endedInSlash && result[result.GetLength() - 1] != u'/')
        result += u'/';
    return SetPath(result);
}

eResultCode gCFolderRef::SetFolderName(const gCString& name) { return Rebuild(kFolderName, name); }
eResultCode gCFolderRef::SetRoot(const gCString& root) { return Rebuild(kRoot, root); }
eResultCode gCFolderRef::SetFolders(const gCString& folders) { return Rebuild(kFolders, folders); }

gCString FolderPathFromFSRef(const sFSRef* ref)
{
    gCString text(u"");
    if (!ref || ref->path.empty())
        return text;
    if (text.SetFromUTF8({ref->path.data(), ref->path.size()}) != eSuccess)
        return gCString(u"");
    if (plat::PathIsFolder(ref->path.c_str()) && ref->path.back() != '/' && text.Append(u"/") != eSuccess)
        return gCString(u"");
    return text;
}
