#include "FileIO/FolderServices.h"

#include "FileIO/AppBaseFolders.h"
#include "FileIO/FileDocuments.h"
#include "FileIO/FileServices.h"
#include "FileIO/gCFRef.h"
#include "FileIO/gCFolderRef.h"
#include "FileIO/gCVolumeRef.h"
#include "FileIO/gCocoaFileIO.h"
#include "core/gCMemory.h"

namespace {

template <typename T>
void DeleteAll(gCArray<T*>& objects, int32_t from)
{
    for (int32_t i = from; i < objects.GetSize(); ++i) {
        delete objects[i];
        objects[i] = nullptr;
    }
}

bool IsInsideOrSame(const std::string& inner, const std::string& outer)
{
    if (inner.empty() || outer.empty())
        return false;
    if (inner == outer)
        return true;
    std::string prefix = outer.back() == '/' ? outer : outer + "/";
    return inner.compare(0, prefix.size(), prefix) == 0;
}

// The names of the entries of a folder that are symbolic links.
std::vector<std::string> LinkNames(const gCFolderRef& folder)
{
    std::vector<std::string> links;
    std::vector<plat::sFolderEntry> entries;
    if (plat::ListFolderEntries(SystemPathFromText(folder.GetPath()), entries)) {
        for (const plat::sFolderEntry& entry : entries) {
            if (entry.isLink)
                links.push_back(entry.name);
        }
    }
    return links;
}

bool IsLink(const std::vector<std::string>& links, const gCString& name)
{
    std::string text = name.ToUTF8();
    for (const std::string& link : links) {
        if (link == text)
            return true;
    }
    return false;
}

// A link is copied as the link itself, and only when the name is free in the destination.
void CopyLink(const gCFolderRef& source, const gCFolderRef& destination, const gCString& name)
{
    std::string from = SystemPathFromText(source.GetPath()) + name.ToUTF8();
    std::string to = SystemPathFromText(destination.GetPath()) + name.ToUTF8();
    if (!plat::PathEntryExists(to))
        (void)plat::CopyPath(from, to);
}

eResultCode CopyFiles(const gCFolderRef& source, const gCFolderRef& destination, gCArray<gCFRef*>& files,
                      const std::vector<std::string>& links)
{
    gCFile from;
    gCFile to;
    for (int32_t i = 0; i < files.GetSize(); ++i) {
        gCFRef* entry = files[i];
        gCString name = entry->GetFileName();
        eResultCode result = eSuccess;
        if (IsLink(links, name)) {
            CopyLink(source, destination, name);
        } else {
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
    std::string path = SystemPathFromText(folder.GetPath());
    if (FileExists(folder))
        return plat::PathIsFolder(path) ? eSuccess : eCreateFailed;
    gCString parent = folder.GetParentPath();
    if (parent.IsEmpty() || !plat::PathIsFolder(SystemPathFromText(parent)))
        return eCreateFailed;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    if (!plat::CreateOneFolder(path) || !plat::PathIsFolder(path))
        return eCreateFailed;
    return eSuccess;
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
    std::string from = plat::CanonicalPath(SystemPathFromText(source.GetPath()));
    std::string into = plat::CanonicalPath(SystemPathFromText(destination.GetPath()));
    // Copying a folder into itself would copy its own copies without end.
    if (recurse && IsInsideOrSame(into, from))
        return eBadParameter;

    gCArray<gCFRef*> files;
    gCArray<gCFolderRef*> folders;
    (void)ListFolder(source, files, folders);
    std::vector<std::string> links = LinkNames(source);
    eResultCode result = CopyFiles(source, destination, files, links);
    if (result != eSuccess || !recurse) {
        DeleteAll(folders, 0);
        return result;
    }
    for (int32_t i = 0; i < folders.GetSize() && result == eSuccess; ++i) {
        gCFolderRef* sub = folders[i];
        gCString name = sub->GetFolderName();
        if (IsLink(links, name)) {
            CopyLink(source, destination, name);
            continue;
        }
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
    std::string path;
    if (!plat::GetDocumentsFolderPath(path))
        return eCreateFailed;
    sFSRef ref = plat::MakePathRecord(path);
    return folder.SetFromFSRef(&ref);
}

eResultCode GetPreferencesFolder(gCFolderRef& folder)
{
    std::string path;
    if (!plat::GetPreferencesFolderPath(path))
        return eCreateFailed;
    sFSRef ref = plat::MakePathRecord(path);
    return folder.SetFromFSRef(&ref);
}

eResultCode GetCurrentFolder(gCString& folder)
{
    std::string path;
    if (!plat::GetWorkingFolder(path))
        return ePathNameError;
    if (!path.empty() && path.back() == ':')
        path.pop_back();
    // The system names folders in UTF-8, not Mac Roman.
    return folder.SetFromUTF8(path);
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
