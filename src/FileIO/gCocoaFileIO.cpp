#include "FileIO/gCocoaFileIO.h"

#include "FileIO/CSystemPath.h"
#include "core/gCMemory.h"
#include "platform/PlatformFileSystem.h"

#include <cstring>

namespace {

const char16_t kEmpty[] = {0};

gCString EmptyText() { return gCString(kEmpty); }

// The component boundaries of a path: [start, end) of the last component, trailing "/" ignored.
void LastComponentBounds(const gCString& path, int32_t& start, int32_t& end)
{
    end = path.GetLength();
    while (end > 1 && path[end - 1] == u'/')
        --end;
    start = end;
    while (start > 0 && path[start - 1] != u'/')
        --start;
    // The root alone: "/" (or "///") is its own last component.
    if (start == end && end >= 1) {
        start = 0;
        end = 1;
    }
}

// The extension's start (the index of its ".") inside [start, end), or -1.
int32_t ExtensionDot(const gCString& path, int32_t start, int32_t end)
{
    for (int32_t i = end - 1; i > start; --i) {
        if (path[i] == u'.')
            return i + 1 < end ? i : -1;
    }
    return -1;
}

char16_t** AllocateNames(int32_t count)
{
    size_t bytes = size_t(count) * sizeof(char16_t*);
    auto** names = static_cast<char16_t**>(MemAllocate(bytes));
    if (names)
        std::memset(static_cast<void*>(names), 0, bytes);
    return names;
}

char16_t* CopyName(const std::string& utf8)
{
    gCString name;
    if (name.SetFromUTF8(utf8) != eSuccess)
        return nullptr;
    int32_t length = name.GetLength();
    auto* units = static_cast<char16_t*>(MemAllocate(size_t(length + 1) * sizeof(char16_t)));
    if (!units)
        return nullptr;
    if (length > 0)
        std::memcpy(units, name.GetText(), size_t(length) * sizeof(char16_t));
    units[length] = 0;
    return units;
}

} // namespace

uint32_t CocoaPathExists(const char16_t* path, int32_t length)
{
    CSystemPath system;
    return system.Set(path, length) == eSuccess && plat::PathExists(system.Get()) ? 1 : 0;
}

uint32_t CocoaCreateFolder(const char16_t* path, int32_t length)
{
    CSystemPath system;
    if (system.Set(path, length) != eSuccess)
        return 0;
    return plat::CreateOneFolder(system.Get()) == plat::eFileResult::kOk ? 1 : 0;
}

uint32_t CocoaRemovePath(const char16_t* path, int32_t length)
{
    CSystemPath system;
    if (system.Set(path, length) != eSuccess)
        return 0;
    return plat::RemovePath(system.Get()) == plat::eFileResult::kOk ? 1 : 0;
}

uint32_t CocoaMovePath(const char16_t* source, int32_t sourceLength, const char16_t* target, int32_t targetLength)
{
    CSystemPath from, to;
    if (from.Set(source, sourceLength) != eSuccess || to.Set(target, targetLength) != eSuccess)
        return 0;
    return plat::MovePath(from.Get(), to.Get()) == plat::eFileResult::kOk ? 1 : 0;
}

uint32_t CocoaCopyPath(const char16_t* source, int32_t sourceLength, const char16_t* target, int32_t targetLength,
                       uint8_t failIfTargetExists)
{
    CSystemPath from, to;
    if (from.Set(source, sourceLength) != eSuccess || to.Set(target, targetLength) != eSuccess)
        return 0;
    if (failIfTargetExists && plat::PathEntryExists(to.Get()))
        return 0;
    return plat::CopyPath(from.Get(), to.Get()) == plat::eFileResult::kOk ? 1 : 0;
}

uint32_t CocoaListFolder(const char16_t* path, int32_t length, char16_t**& names, uint8_t*& flags, int32_t& count)
{
    names = nullptr;
    flags = nullptr;
    count = 0;
    CSystemPath folder;
    if (folder.Set(path, length) != eSuccess)
        return 0;
    std::vector<plat::sFolderEntry> entries;
    if (plat::ListFolderEntries(folder.Get(), entries) != plat::eFileResult::kOk)
        return 0;
    if (entries.empty())
        return 1;
    int32_t total = int32_t(entries.size());
    flags = static_cast<uint8_t*>(MemAllocate(size_t(total)));
    names = AllocateNames(total);
    if (!flags || !names) {
        ReleaseFolderListing(names, flags, 0);
        names = nullptr;
        flags = nullptr;
        return 0;
    }
    for (int32_t i = 0; i < total; ++i) {
        names[i] = CopyName(entries[size_t(i)].name);
        if (!names[i]) {
            ReleaseFolderListing(names, flags, i);
            names = nullptr;
            flags = nullptr;
            return 0;
        }
        flags[i] = entries[size_t(i)].isFolder ? 1 : 0;
    }
    count = total;
    return 1;
}

void ReleaseFolderListing(char16_t** names, uint8_t* flags, int32_t count)
{
    if (names) {
        for (int32_t i = 0; i < count; ++i)
            MemFree(names[i]);
        MemFree(names);
    }
    MemFree(flags);
}

int32_t GetVolumeList(sVolumeList* list)
{
    if (!list || list->count == 0)
        return 0;
    std::vector<plat::sVolume> volumes = plat::ListMountedVolumes();
    if (list->count < 0) {
        list->count = int32_t(volumes.size());
        return list->count;
    }
    if (!list->names || !list->refNums)
        return 0;
    for (int32_t i = 0; i < list->count; ++i) {
        if (size_t(i) >= volumes.size())
            return i;
        list->names[i] = CopyName(volumes[size_t(i)].mountPoint);
        if (!list->names[i])
            return i;
        list->refNums[i] = volumes[size_t(i)].refNum;
    }
    return list->count;
}

bool IsSystemPathText(const gCString& text) { return text.GetLength() > 0 && (text[0] == u'/' || text[0] == u'\\'); }

gCString WithSlashSeparators(const gCString& path)
{
    gCString copy(path);
    if (!IsSystemPathText(copy))
        (void)copy.ReplaceChar(u':', u'/');
    (void)copy.ReplaceChar(u'\\', u'/');
    return copy;
}

gCString WithUpperCaseLetters(const gCString& text)
{
    gCString copy(text);
    for (int32_t i = 0; i < copy.GetLength(); ++i) {
        if (copy[i] >= u'a' && copy[i] <= u'z')
            copy[i] = char16_t(copy[i] - 0x20);
    }
    return copy;
}

gCString GetLastPathComponent(gCString path)
{
    path = WithSlashSeparators(path);
    if (path.IsEmpty())
        return EmptyText();
    int32_t start, end;
    LastComponentBounds(path, start, end);
    return path.Mid(start, end - start);
}

eResultCode GetPathComponents(gCString path, gCArray<gCString>* out)
{
    if (!out)
        return eBadParameter;
    path = WithSlashSeparators(path);
    int32_t length = path.GetLength();
    int32_t i = 0;
    if (length > 0 && path[0] == u'/')
        PNU_TRY(out->Add(gCString(u"/")));
    bool any = false;
    while (i < length) {
        while (i < length && path[i] == u'/')
            ++i;
        int32_t start = i;
        while (i < length && path[i] != u'/')
            ++i;
        if (i > start) {
            PNU_TRY(out->Add(path.Mid(start, i - start)));
            any = true;
        }
    }
    if (any && path[length - 1] == u'/')
        PNU_TRY(out->Add(gCString(u"/")));
    return eSuccess;
}

gCString GetPathRoot(gCString path)
{
    path = WithSlashSeparators(path);
    if (path.IsEmpty())
        return EmptyText();
    if (path[0] == u'/')
        return gCString(u"/");
    int32_t end = 0;
    while (end < path.GetLength() && path[end] != u'/')
        ++end;
    return path.Left(end);
}

gCString GetPathFolders(gCString path)
{
    path = WithSlashSeparators(path);
    if (path.IsEmpty())
        return EmptyText();
    int32_t rootLength = GetPathRoot(path).GetLength();
    int32_t lastLength = GetLastPathComponent(path).GetLength();
    int32_t length = path.GetLength();
    if (rootLength > length)
        return EmptyText();
    int32_t remaining = length - rootLength;
    if (lastLength > remaining)
        return EmptyText();
    return path.Mid(rootLength, remaining - lastLength);
}

gCString GetContainingFolderPath(gCString path)
{
    path = WithSlashSeparators(path);
    if (path.IsEmpty())
        return EmptyText();
    int32_t lastLength = GetLastPathComponent(path).GetLength();
    if (lastLength > path.GetLength())
        return EmptyText();
    return path.Left(path.GetLength() - lastLength);
}

gCString GetPathExtension(gCString path)
{
    path = WithSlashSeparators(path);
    if (path.IsEmpty())
        return EmptyText();
    int32_t start, end;
    LastComponentBounds(path, start, end);
    int32_t dot = ExtensionDot(path, start, end);
    if (dot < 0)
        return EmptyText();
    return path.Mid(dot, end - dot);
}

gCString GetPathFileTitle(gCString path)
{
    gCString last = GetLastPathComponent(path);
    gCString extension = GetPathExtension(last);
    if (extension.GetLength() > last.GetLength())
        return EmptyText();
    return last.Left(last.GetLength() - extension.GetLength());
}

gCString ComposePath(gCString root, gCString folders, gCString title, gCString extension)
{
    gCString result = root.IsNull() ? EmptyText() : root;
    auto endsWith = [&](char16_t unit) { return result.GetLength() > 0 && result[result.GetLength() - 1] == unit; };
    auto appendPart = [&](const gCString& part) {
        if (part.GetLength() > 0 && part[0] == u'/')
            result += part.DropLeft(1);
        else if (part.GetLength() > 0)
            result += part;
    };
    if (!endsWith(u'/'))
        result += u'/';
    appendPart(folders);
    if (!endsWith(u'/'))
        result += u'/';
    appendPart(title);
    if (extension.GetLength() == 0)
        return result;
    if (extension[0] != u'.' && !endsWith(u'.'))
        result += u'.';
    result += extension;
    return result;
}
