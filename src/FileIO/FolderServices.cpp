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
#include "platform/PlatformFileSystem.h"

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

eResultCode CopyFiles(const gCFolderRef& source, const gCFolderRef& destination, gCArray<gCFRef*>& files)
{
    gCFile from;
    gCFile to;
    for (int32_t i = 0; i < files.GetSize(); ++i) {
        gCFRef* entry = files[i];
        gCString name = entry->GetFileName();
        bool link = false;
        eResultCode result = IsLink(source, name, link);
        if (result == eSuccess && link) {
            result = CopyLink(source, destination, name);
        } else if (result == eSuccess) {
            result = OpenOrChooseFile(from, *entry, nullptr, gCFile::eAccessRead);
            if (result == eSuccess) {
                gCFRef* target = destination.NewFileRef(name);
                result = target ? OpenOrChooseSaveFile(to, *target, nullptr, gCFile::eAccessWrite) : eNoMemory;
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

} // namespace

eResultCode CreateFolder(const gCFolderRef& folder)
{
    CSystemPath path;
    PNU_TRY(SystemPathFromText(folder.GetPath(), path));
    if (FileExists(folder))
        return plat::PathIsFolder(path.Get()) ? eSuccess : eCreateFailed;
    gCString parent = folder.GetParentPath();
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
    const gCString path = WithSlashSeparators(folder.GetPath());
    char16_t** names = nullptr;
    uint8_t* flags = nullptr;
    int32_t count = 0;
    if (!CocoaListFolder(path.GetText(), path.GetLength(), names, flags, count))
        return eSuccess;
    for (int32_t i = 0; i < count; ++i) {
        if (!names[i] || names[i][0] == 0)
            continue;
        gCString full = path + gCString(names[i]);
        if (flags[i]) {
            auto* sub = new gCFolderRef();
            if (!sub)
                continue;
            (void)sub->SetPath(full);
            if (folders.Add(sub) != eSuccess)
                delete sub;
        } else {
            auto* file = new gCFRef();
            if (!file)
                continue;
            (void)file->SetFullPath(full);
            if (files.Add(file) != eSuccess)
                delete file;
        }
    }
    ReleaseFolderListing(names, flags, count);
    return eSuccess;
}

eResultCode CopyFolderRecursive(const gCFolderRef& source, const gCFolderRef& destination, uint32_t recurse)
{
    if (!source.IsSet())
        return eGenericFailure;
    if (!source.Exists())
        return eSuccess;
    CSystemPath from, into;
    PNU_TRY(SystemPathFromText(source.GetPath(), from));
    PNU_TRY(SystemPathFromText(destination.GetPath(), into));
    // Copying a folder into itself would copy its own copies without end.
    if (recurse && plat::PathLiesWithin(into.Get(), from.Get()))
        return eBadParameter;

    gCArray<gCFRef*> files;
    gCArray<gCFolderRef*> folders;
    (void)ListFolder(source, files, folders);
    eResultCode result = CopyFiles(source, destination, files);
    if (result != eSuccess || !recurse) {
        DeleteAll(folders, 0);
        return result;
    }
    for (int32_t i = 0; i < folders.GetSize() && result == eSuccess; ++i) {
        gCFolderRef* sub = folders[i];
        gCString name = sub->GetFolderName();
        bool link = false;
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
