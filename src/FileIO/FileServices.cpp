#include "FileIO/FileServices.h"

#include "FileIO/FileIOReport.h"
#include "FileIO/gCFRef.h"
#include "FileIO/gCFRelative.h"
#include "FileIO/gCFolderRef.h"
#include "FileIO/gCMemFile.h"
#include "FileIO/gCocoaFileIO.h"
#include "core/ASCIICase.h"
#include "core/CMemBlock.h"
#include "core/TextEquality.h"
#include "core/gCMemory.h"

#include <cstring>

namespace {

constexpr int32_t kCopyChunk = 262144;

void MakeExtensionKey(gCString& extension)
{
    if (extension.IsNull())
        extension = gCString(u"");
    if (extension.IsEmpty() || extension[0] != u'.')
        (void)extension.InsertChar(u'.', 0);
    extension = WithUpperASCII(extension);
}

// The first of rows 0-22 whose extension equals the key, or -1.
int32_t FindExtensionRow(const gCString& key)
{
    for (int32_t row = eNoFileType; row <= eLastGroupTypesFlag; ++row) {
        gCString candidate = WithUpperASCII(gCString(GetFileTypeExtension(row)));
        if (TextsEqual(candidate, key))
            return row;
    }
    return -1;
}

gCString OwnName(const gCFPath& source)
{
    gCString extension = source.GetExtension();
    if (extension.IsEmpty())
        return source.GetFileTitle();
    return source.GetFileTitle() + extension;
}

// Reads the whole file that place (a path or a reference) names into memory.
template <typename Place>
eResultCode LoadMemFileAt(gCMemFile& memory, Place* place)
{
    if (!place || !place->IsSet())
        return eBadParameter;
    gCFile file;
    PNU_TRY(file.Open(place, gCFile::eAccessRead));
    return LoadMemFile(memory, &file);
}

} // namespace

bool FileExists(const gCBasePath& path) { return CocoaPathExists(path.GetPath()) != 0; }

eResultCode CheckFileExists(const gCBasePath& path, bool& exists)
{
    exists = false;
    gCString text;
    PNU_TRY(CopyPathText(path, text));
    return CheckPathExists(text.GetText(), text.GetLength(), exists);
}

bool RelativeFileExists(const gCString& text, uint32_t flag)
{
    gCFRelative relative(text, flag);
    return CocoaPathExists(relative.GetPath()) != 0;
}

eResultCode OpenFile(gCFile& file, gCBasePath& path, gCFile::eAccessState state)
{
    if (!path.IsSet())
        return eBadParameter;
    return file.Open(&path, state);
}

eResultCode OpenFile(gCFile& file, const gCString& text, gCFile::eAccessState state)
{
    gCFRelative relative(text, 0);
    return OpenFile(file, relative, state);
}

eResultCode LoadMemFile(gCMemFile& memory, gCFile* file)
{
    if (!file || !file->IsOpen())
        return eBadParameter;
    int32_t length = file->GetEOF();
    if (length <= 0)
        return eSuccess;
    int64_t start = memory.GetSize();
    PNU_TRY(memory.Grow(length));
    uint8_t* target = memory.GetData() + start;
    PNU_TRY(file->Rewind());
    uint32_t got = 0;
    eResultCode result = file->ReadCounted(target, length, got);
    if (result == eSuccess && got != uint32_t(length))
        result = eStreamError;
    // Bytes the file did not deliver are not left as whatever the block held.
    if (got < uint32_t(length))
        std::memset(target + got, 0, size_t(uint32_t(length) - got));
    return result;
}

eResultCode LoadMemFile(gCMemFile& memory, gCBasePath* path)
{
    return LoadMemFileAt(memory, path);
}

eResultCode LoadMemFile(gCMemFile& memory, gCFRef* ref)
{
    return LoadMemFileAt(memory, ref);
}

eResultCode LoadMemFile(gCMemFile& memory, const gCString& text)
{
    if (text.IsEmpty())
        return eCreateFailed;
    gCFRelative relative(text, 0);
    gCFile file;
    PNU_TRY(file.Open(&relative, gCFile::eAccessRead));
    return LoadMemFile(memory, &file);
}

eResultCode SaveMemFile(gCMemFile& memory, gCFile& file)
{
    if (!file.IsOpen()) {
        ReportFileIOError(eBadParameter, "Invalid file passed to SaveMemFile.");
        return eBadParameter;
    }
    int64_t size = memory.GetSize();
    if (size <= 0 || memory.GetData() == nullptr)
        return eSuccess;
    return file.Write(memory.GetData(), int32_t(size));
}

eResultCode SaveMemFile(gCMemFile& memory, gCBasePath& path)
{
    gCFile file;
    PNU_TRY(file.Open(&path, gCFile::eAccessWrite));
    PNU_TRY(SaveMemFile(memory, file));
    return file.Close();
}

eResultCode SaveMemFile(gCMemFile& memory, const gCString& text)
{
    gCFRelative relative;
    (void)relative.SetPath(text);
    return SaveMemFile(memory, relative);
}

eResultCode DeleteFile(const gCString& text) { return CocoaRemovePath(text) ? eSuccess : eStreamError; }

eResultCode DeleteFile(const gCBasePath& path)
{
    // A path that cannot be looked at is not a missing one: that would answer success and leave
    // the file in place.
    gCString text;
    PNU_TRY(CopyPathText(path, text));
    bool exists = false;
    PNU_TRY(CheckPathExists(text.GetText(), text.GetLength(), exists));
    if (!exists)
        return eSuccess;
    return RemoveHeldPath(text.GetText(), text.GetLength(), eStreamError);
}

eResultCode DeleteRelativeFile(const gCString& text) { return DeleteFile(gCFRelative(text, 0)); }

eResultCode DeleteFileInFolder(const gCFolderRef& folder, const gCString& name)
{
    // A name that could not be copied or added would leave the object naming the folder, or the
    // root, and the whole of it would be removed.
    if (name.IsNull())
        return eNoMemory;
    gCFRef* ref = folder.NewFileRef(name);
    if (!ref)
        return eNoMemory;
    gCString folderText;
    eResultCode result = CopyPathText(folder, folderText);
    if (result == eSuccess && !name.IsEmpty())
        result = CheckHeldBelow(*ref, folderText, false);
    if (result == eSuccess && ref->GetPath().GetLength() < folderText.GetLength() + name.GetLength())
        result = eNoMemory;
    if (result == eSuccess)
        result = DeleteFile(*ref);
    delete ref;
    return result;
}

eResultCode CopyFile(const gCString& source, const gCString& target, uint32_t failIfExists)
{
    return CocoaCopyPath(source, target, failIfExists != 0 ? 1 : 0) ? eSuccess : eBadParameter;
}

eResultCode CopyFile(const gCBasePath& source, const gCBasePath& target, uint32_t failIfExists)
{
    return CopyFile(source.GetPath(), target.GetPath(), failIfExists);
}

eResultCode MoveFile(const gCString& source, const gCString& target)
{
    return CocoaMovePath(source, target) ? eSuccess : eBadParameter;
}

eResultCode MoveFile(const gCBasePath& source, const gCBasePath& target)
{
    return MoveFile(source.GetPath(), target.GetPath());
}

eResultCode CopyFileToFolder(const gCFPath& source, const gCFolderRef& folder, uint32_t failIfExists)
{
    return CopyFile(source.GetPath(), folder.GetPath() + OwnName(source), failIfExists);
}

eResultCode MoveFileToFolder(const gCFPath& source, const gCFolderRef& folder, const gCString& name)
{
    gCString target = name.IsEmpty() ? OwnName(source) : name;
    return MoveFile(source.GetPath(), folder.GetPath() + target);
}

eResultCode CopyStream(gCStream& source, gCStream& target)
{
    int64_t total = source.GetLength();
    int64_t copied = 0;
    void* buffer = nullptr;
    int32_t bufferSize = 0;
    // A source with nothing behind it counts as at its end: nothing is copied.
    (void)source.Rewind();
    eResultCode result = eSuccess;
    while (result == eSuccess && !source.IsEOF()) {
        int64_t remaining = total - copied;
        // A source that is longer than it said, or gives nothing, would loop for ever.
        if (remaining <= 0)
            break;
        int32_t chunk = remaining <= kCopyChunk ? int32_t(remaining) : kCopyChunk;
        if (chunk != bufferSize) {
            void* resized = MemReallocate(buffer, size_t(chunk));
            if (!resized) {
                result = eNoMemory;
                break;
            }
            buffer = resized;
            bufferSize = chunk;
        }
        int64_t before = source.GetPos();
        result = source.Read(buffer, chunk);
        if (result != eSuccess)
            break;
        int64_t got = source.GetPos() - before;
        if (got <= 0 || got > chunk) {
            result = eStreamError;
            break;
        }
        result = target.Write(buffer, int32_t(got));
        copied += got;
        if (result == eSuccess && got < chunk)
            result = eStreamError; // the source ended before its stated length
    }
    MemFree(buffer);
    return result;
}

uint32_t MacTypeFromExtension(gCString& extension)
{
    MakeExtensionKey(extension);
    int32_t row = FindExtensionRow(extension);
    return row < 0 ? kUnknownMacType : GetFileTypeMacCode(row);
}

eFileType FileTypeFromExtension(gCString& extension)
{
    MakeExtensionKey(extension);
    int32_t row = FindExtensionRow(extension);
    return row < 0 ? eNoFileType : eFileType(row);
}

eResultCode CopyHandleData(const sTaggedHandle& handle, uint32_t* outTag, void* buffer, uint32_t maxBytes,
                           uint32_t* outCount)
{
    if (outTag)
        *outTag = handle.tag;
    uint32_t size = handle.data ? handle.data->GetSize() : 0;
    uint32_t count = size < maxBytes ? size : maxBytes;
    if (int32_t(count) > 0 && buffer && handle.data && handle.data->GetData())
        std::memmove(buffer, handle.data->GetData(), count);
    if (outCount)
        *outCount = count;
    return eSuccess;
}
