#include "FileIO/FolderServices.h"

#include "FileIO/AppBaseFolders.h"
#include "FileIO/CSystemPath.h"
#include "FileIO/FileDocuments.h"
#include "FileIO/FileResultCode.h"
#include "FileIO/FileServices.h"
#include "FileIO/gCFRef.h"
#include "FileIO/gCFolderRef.h"
#include "FileIO/gCVolumeRef.h"
#include "FileIO/gCocoaFileIO.h"
#include "core/gCMemory.h"
#include "platform/FileSystem.h"

namespace {

template <typename T>
void DeleteAll(gCArray<T*>& objects, int32_t from)
{
    for (int32_t i = from; i < objects.GetSize(); ++i) {
        delete objects[i];
        objects[i] = nullptr;
    }
}

// Whether the entry of that name in the folder is a symbolic link.
eResultCode IsLink(const gCFolderRef& folder, const gCString& name, bool& link)
{
    CSystemPath path;
    PNU_TRY(path.SetFromPathText(folder.GetPath(), name));
    link = plat::PathIsLink(path.Get());
    return eSuccess;
}

// A link is copied as the link itself, and only when the name is free in the destination.
eResultCode CopyLink(const gCFolderRef& source, const gCFolderRef& destination, const gCString& name)
{
    CSystemPath from, to;
    PNU_TRY(from.SetFromPathText(source.GetPath(), name));
    PNU_TRY(to.SetFromPathText(destination.GetPath(), name));
    if (!plat::PathEntryExists(to.Get()))
        (void)plat::CopyPath(from.Get(), to.Get());
    return eSuccess;
}

// The path functions answer the empty text, or the whole text, when memory runs out while they cut
// it; a parent is always shorter than its folder's text less the final "/", and is empty only for a
// text with no separator before its last part.
eResultCode CheckParentText(const gCString& folder, const gCString& parent)
{
    const bool systemPath = IsSystemPathText(folder);
    auto isSeparator = [&](char16_t unit) {
        return unit == u'/' || unit == u'\\' || (unit == u':' && !systemPath);
    };
    int32_t end = folder.GetLength();
    if (end > 0 && isSeparator(folder[end - 1]))
        --end;
    if (parent.IsNull() || (!parent.IsEmpty() && parent.GetLength() >= end))
        return eNoMemory;
    if (!parent.IsEmpty())
        return eSuccess;
    for (int32_t i = 0; i < end; ++i) {
        if (isSeparator(folder[i]))
            return eNoMemory;
    }
    return eSuccess;
}

// A listed entry always has a name, so an empty one is a name that could not be copied.
eResultCode CheckEntryName(const gCString& name) { return name.IsEmpty() ? eNoMemory : eSuccess; }

eResultCode CopyFiles(const gCFolderRef& source, const gCFolderRef& destination, const gCString& into,
                      gCArray<gCFRef*>& files)
{
    gCFile from;
    gCFile to;
    for (int32_t i = 0; i < files.GetSize(); ++i) {
        gCFRef* entry = files[i];
        gCString name = entry->GetFileName();
        bool link = false;
        eResultCode result = CheckEntryName(name);
        if (result == eSuccess)
            result = IsLink(source, name, link);
        if (result == eSuccess && link) {
            result = CopyLink(source, destination, name);
        } else if (result == eSuccess) {
            result = OpenOrChooseFile(from, *entry, nullptr, gCFile::eAccessRead);
            if (result == eSuccess) {
                gCFRef* target = destination.NewFileRef(name);
                result = target ? CheckHeldBelow(*target, into, false) : eNoMemory;
                if (result == eSuccess)
                    result = OpenOrChooseSaveFile(to, *target, nullptr, gCFile::eAccessWrite);
                delete target;
            }
            if (result == eSuccess)
                result = CopyStream(from, to);
        }
        delete entry;
        files[i] = nullptr;
        if (result != eSuccess) {
            DeleteAll(files, i + 1);
            return result;
        }
    }
    return eSuccess;
}

// Keeps a new entry object in the caller's array when it holds its path, else destroys it.
template <typename T>
eResultCode KeepEntry(T* entry, const gCString& folder, bool isFolder, gCArray<T*>& entries)
{
    if (!entry)
        return eNoMemory;
    eResultCode result = CheckHeldBelow(*entry, folder, isFolder);
    if (result == eSuccess)
        result = entries.Add(entry);
    if (result != eSuccess)
        delete entry;
    return result;
}

eResultCode AppendEntry(const gCString& folder, const char16_t* name, bool isFolder, gCArray<gCFRef*>& files,
                        gCArray<gCFolderRef*>& folders)
{
    gCString full;
    PNU_TRY(full.CopyStringFromBuffer(folder.GetText(), folder.GetLength()));
    PNU_TRY(full.Append(name));
    if (isFolder) {
        auto* sub = new gCFolderRef();
        if (sub)
            (void)sub->SetPath(full);
        return KeepEntry(sub, folder, true, folders);
    }
    auto* file = new gCFRef();
    if (file)
        (void)file->SetFullPath(full);
    return KeepEntry(file, folder, false, files);
}

eResultCode AppendFolderEntries(const gCFolderRef& folder, gCArray<gCFRef*>& files, gCArray<gCFolderRef*>& folders)
{
    gCString raw;
    PNU_TRY(CopyPathText(folder, raw));
    const gCString path = WithSlashSeparators(raw);
    if (path.IsNull())
        return eNoMemory;
    char16_t** names = nullptr;
    uint8_t* flags = nullptr;
    int32_t count = 0;
    if (eResultCode result = ReadFolderListing(path.GetText(), path.GetLength(), names, flags, count);
        result != eSuccess)
        return result == eNoMemory ? eNoMemory : eSuccess; // no folder there: nothing to add
    eResultCode result = eSuccess;
    for (int32_t i = 0; i < count && result == eSuccess; ++i) {
        if (names[i] && names[i][0] != 0)
            result = AppendEntry(path, names[i], flags[i] != 0, files, folders);
    }
    ReleaseFolderListing(names, flags, count);
    return result;
}

} // namespace

eResultCode CreateFolder(const gCFolderRef& folder)
{
    CSystemPath path;
    PNU_TRY(SystemPathOf(folder, path));
    bool exists = false;
    PNU_TRY(CheckFileExists(folder, exists));
    if (exists)
        return plat::PathIsFolder(path.Get()) ? eSuccess : eCreateFailed;
    gCString text;
    PNU_TRY(CopyPathText(folder, text));
    gCString parent = folder.GetParentPath();
    PNU_TRY(CheckParentText(text, parent));
    if (parent.IsEmpty())
        return eCreateFailed;
    CSystemPath parentPath;
    PNU_TRY(SystemPathFromText(parent, parentPath));
    if (!plat::PathIsFolder(parentPath.Get()))
        return eCreateFailed;
    path.DropTrailingSeparators();
    PNU_TRY(FromFileResult(plat::CreateOneFolder(path.Get()), eCreateFailed));
    return plat::PathIsFolder(path.Get()) ? eSuccess : eCreateFailed;
}

eResultCode CreateRelativeFolder(const gCString& text, uint32_t flag)
{
    gCFolderRef folder;
    PNU_TRY(folder.SetRelativePath(text, flag));
    return CreateFolder(folder);
}

bool RelativeFolderExists(gCString& rel, uint32_t flag)
{
    gCString base;
    if (flag == 0)
        (void)GetAppContentsFolder(base);
    else
        (void)GetAppParentFolder(base);
    if (rel.IsNull())
        rel = gCString(u"");
    (void)rel.ReplaceChar(u':', u'/');
    bool baseSlash = base.GetLength() > 0 && base[base.GetLength() - 1] == u'/';
    bool relSlash = rel.GetLength() > 0 && rel[0] == u'/';
    gCString joined;
    if (!baseSlash && !relSlash) {
        joined = base + gCString(u"/") + rel;
    } else if (baseSlash && relSlash) {
        rel.Delete(0, 1);
        joined = base + rel;
    } else {
        joined = base + rel;
    }
    return FileExists(gCFolderRef(joined));
}

eResultCode ListFolder(const gCFolderRef& folder, gCArray<gCFRef*>& files, gCArray<gCFolderRef*>& folders)
{
    const int32_t filesBefore = files.GetSize();
    const int32_t foldersBefore = folders.GetSize();
    const eResultCode result = AppendFolderEntries(folder, files, folders);
    // A listing cut short by memory is no listing: the caller would act on the entries it lacks.
    if (result != eSuccess) {
        DeleteAll(files, filesBefore);
        files.RemoveAt(filesBefore, files.GetSize() - filesBefore);
        DeleteAll(folders, foldersBefore);
        folders.RemoveAt(foldersBefore, folders.GetSize() - foldersBefore);
    }
    return result;
}

eResultCode CopyFolderRecursive(const gCFolderRef& source, const gCFolderRef& destination, uint32_t recurse)
{
    if (!source.IsSet())
        return eGenericFailure;
    // A source that cannot be looked at is not a missing one: that would copy nothing and succeed.
    bool exists = false;
    PNU_TRY(CheckFileExists(source, exists));
    if (!exists)
        return eSuccess;
    CSystemPath from, into;
    PNU_TRY(SystemPathOf(source, from));
    PNU_TRY(SystemPathOf(destination, into));
    gCString destinationText;
    PNU_TRY(CopyPathText(destination, destinationText));
    // Copying a folder into itself would copy its own copies without end.
    if (recurse && plat::PathLiesWithin(into.Get(), from.Get()))
        return eBadParameter;

    gCArray<gCFRef*> files;
    gCArray<gCFolderRef*> folders;
    PNU_TRY(ListFolder(source, files, folders));
    eResultCode result = CopyFiles(source, destination, destinationText, files);
    if (result != eSuccess || !recurse) {
        DeleteAll(folders, 0);
        return result;
    }
    for (int32_t i = 0; i < folders.GetSize() && result == eSuccess; ++i) {
        gCFolderRef* sub = folders[i];
        gCString name = sub->GetFolderName();
        bool link = false;
        result = CheckEntryName(name);
        if (result == eSuccess)
            result = IsLink(source, name, link);
        if (result == eSuccess && link)
            result = CopyLink(source, destination, name);
        if (result != eSuccess || link)
            continue;
        gCFolderRef* target = destination.NewSubFolder(name);
        if (!target) {
            result = eNoMemory;
            break;
        }
        result = CheckHeldBelow(*target, destinationText, true);
        if (result == eSuccess)
            result = CreateFolder(*target);
        if (result == eSuccess)
            result = CopyFolderRecursive(*sub, *target, 1);
        delete target;
    }
    DeleteAll(folders, 0);
    return result;
}

eResultCode GetDocumentsFolder(gCFolderRef& folder)
{
    CSystemPath path;
    PNU_TRY(FromFileResult(plat::GetDocumentsFolderPath(path), eCreateFailed));
    sFSRef ref = plat::MakePathRecord(path.Get());
    return folder.SetFromFSRef(&ref);
}

eResultCode GetPreferencesFolder(gCFolderRef& folder)
{
    CSystemPath path;
    PNU_TRY(FromFileResult(plat::GetPreferencesFolderPath(path), eCreateFailed));
    sFSRef ref = plat::MakePathRecord(path.Get());
    return folder.SetFromFSRef(&ref);
}

eResultCode GetCurrentFolder(gCString& folder)
{
    CSystemPath path;
    PNU_TRY(FromFileResult(plat::GetWorkingFolder(path), ePathNameError));
    uint32_t length = path.GetLength();
    if (length > 0 && path.Get()[length - 1] == ':')
        --length;
    // The system names folders in UTF-8, not Mac Roman.
    return folder.SetFromUTF8({path.Get(), length});
}

eResultCode GetAppContentsFolder(gCString& folder)
{
    const gCString& text = GetAppContentsFolderText();
    folder = text.IsNull() ? gCString(u"") : text;
    return eSuccess;
}

eResultCode GetAppParentFolder(gCString& folder)
{
    const gCString& text = GetAppParentFolderText();
    folder = text.IsNull() ? gCString(u"") : text;
    return eSuccess;
}

eResultCode ListVolumes(gCArray<gCVolumeRef*>& volumes)
{
    sVolumeList list;
    list.count = -1;
    int32_t count = GetVolumeList(&list);
    if (count <= 0)
        return eSuccess;
    list.names = static_cast<char16_t**>(MemAllocate(size_t(count) * sizeof(char16_t*)));
    list.refNums = static_cast<int32_t*>(MemAllocate(size_t(count) * sizeof(int32_t)));
    if (!list.names || !list.refNums) {
        MemFree(list.names);
        MemFree(list.refNums);
        return eNoMemory;
    }
    list.count = count;
    int32_t filled = GetVolumeList(&list);
    eResultCode result = eSuccess;
    for (int32_t i = 0; i < filled; ++i) {
        if (result == eSuccess) {
            auto* volume = new gCVolumeRef();
            if (!volume) {
                result = eCreateFailed;
            } else {
                if (list.names[i])
                    volume->SetName(gCString(list.names[i]) + gCString(u":"));
                volume->SetVolumeNumber(int16_t(list.refNums[i]));
                if (volumes.Add(volume) != eSuccess) {
                    delete volume;
                    result = eNoMemory;
                }
            }
        }
        MemFree(list.names[i]);
    }
    MemFree(list.names);
    MemFree(list.refNums);
    return result;
}
