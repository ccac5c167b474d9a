#include "FileIO/gCocoaFileIO.h"

#include "FileIO/CSystemPath.h"
#include "FileIO/FileResultCode.h"
#include "core/gCMemory.h"
#include "platform/FileSystem.h"

#include <climits>
#include <cstring>
#include <utility>

namespace {

const char16_t kEmpty[] = {0};

gCString EmptyText() { return gCString(kEmpty); }

// The last component of a path, its separators first made slashes: [start, end), trailing "/"
// ignored; false for an empty path.
bool LastComponentBounds(gCString& path, int32_t& start, int32_t& end)
{
    path = WithSlashSeparators(path);
    if (path.IsEmpty())
        return false;
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
    return true;
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

char16_t* CopyName(const char* utf8)
{
    gCString name;
    if (name.SetFromUTF8({utf8, std::strlen(utf8)}) != eSuccess)
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

// Keeps a listing's names and folder flags in arrays from the memory hooks, grown as the entries
// arrive; whatever is not handed over goes back to the hooks.
class CListingArrays final : public plat::FolderEntryReceiver {
public:
    ~CListingArrays() { ReleaseFolderListing(mNames, mFlags, mCount); }

    bool TakeEntry(const char* name, bool isFolder, bool) override
    {
        if (mCount == mRoom && !Grow())
            return false;
        mNames[mCount] = CopyName(name);
        if (!mNames[mCount])
            return false;
        mFlags[mCount++] = isFolder ? 1 : 0;
        return true;
    }

    void HandOver(char16_t**& names, uint8_t*& flags, int32_t& count)
    {
        names = std::exchange(mNames, nullptr);
        flags = std::exchange(mFlags, nullptr);
        count = std::exchange(mCount, 0);
    }

private:
    bool Grow()
    {
        if (mRoom > INT32_MAX / 2)
            return false;
        const int32_t room = mRoom ? mRoom * 2 : 16;
        auto* names = static_cast<char16_t**>(MemReallocate(mNames, size_t(room) * sizeof(char16_t*)));
        if (!names)
            return false;
        mNames = names;
        auto* flags = static_cast<uint8_t*>(MemReallocate(mFlags, size_t(room)));
        if (!flags)
            return false;
        mFlags = flags;
        mRoom = room;
        return true;
    }

    char16_t** mNames = nullptr;
    uint8_t* mFlags = nullptr;
    int32_t mCount = 0;
    int32_t mRoom = 0;
};

// Counts the volumes (without a list), or copies their names and numbers into the list's arrays
// until those are full.
class CVolumeFiller final : public plat::VolumeReceiver {
public:
    explicit CVolumeFiller(sVolumeList* list) : mList(list) {}

    bool TakeVolume(const char* mountPoint, int16_t refNum) override
    {
        if (!mList) {
            mTaken += mTaken < INT32_MAX ? 1 : 0;
            return true;
        }
        if (mTaken >= mList->count)
            return true;
        char16_t* name = CopyName(mountPoint);
        if (!name)
            return false;
        mList->names[mTaken] = name;
        mList->refNums[mTaken++] = refNum;
        return true;
    }

    int32_t Taken() const { return mTaken; }

private:
    sVolumeList* mList;
    int32_t mTaken = 0;
};

} // namespace

uint32_t CocoaPathExists(const char16_t* path, int32_t length)
{
    bool exists = false;
    return CheckPathExists(path, length, exists) == eSuccess && exists ? 1 : 0;
}

eResultCode CheckPathExists(const char16_t* path, int32_t length, bool& exists)
{
    exists = false;
    CSystemPath system;
    PNU_TRY(system.Set(path, length));
    exists = plat::PathExists(system.Get());
    return eSuccess;
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
    return RemoveHeldPath(path, length, eStreamError) == eSuccess ? 1 : 0;
}

eResultCode RemoveHeldPath(const char16_t* path, int32_t length, eResultCode failure)
{
    CSystemPath system;
    PNU_TRY(system.Set(path, length));
    return FromFileResult(plat::RemovePath(system.Get()), failure);
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
    return ReadFolderListing(path, length, names, flags, count) == eSuccess ? 1 : 0;
}

eResultCode ReadFolderListing(const char16_t* path, int32_t length, char16_t**& names, uint8_t*& flags,
                              int32_t& count)
{
    names = nullptr;
    flags = nullptr;
    count = 0;
    CSystemPath folder;
    PNU_TRY(folder.Set(path, length));
    CListingArrays listing;
    PNU_TRY(FromFileResult(plat::ListFolderEntries(folder.Get(), listing), eFileNotFound));
    listing.HandOver(names, flags, count);
    return eSuccess;
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
    if (list->count < 0) {
        CVolumeFiller counter(nullptr);
        (void)plat::ListMountedVolumes(counter);
        list->count = counter.Taken();
        return list->count;
    }
    if (!list->names || !list->refNums)
        return 0;
    CVolumeFiller filler(list);
    // A name that cannot be held ends the filling; the entries filled so far stand.
    (void)plat::ListMountedVolumes(filler);
    return filler.Taken();
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

gCString GetLastPathComponent(gCString path)
{
    int32_t start, end;
    if (!LastComponentBounds(path, start, end))
        return EmptyText();
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
    int32_t start, end;
    if (!LastComponentBounds(path, start, end))
        return EmptyText();
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
