#include "updater/CPNUInstallFiles.h"

#include "FileIO/FileDocuments.h"
#include "FileIO/FileServices.h"
#include "FileIO/gCFRef.h"
#include "FileIO/gCFile.h"
#include "FileIO/gCFolderRef.h"
#include "platform/PlatformFile.h"
#include "platform/PlatformPermissions.h"

namespace {

constexpr uint64_t kWriteChunk = 1 << 24;

} // namespace

bool CPNUInstallFiles::Exists(const gCString& path)
{
    return gCFRef(path).Exists() != 0;
}

eResultCode CPNUInstallFiles::Delete(const gCString& path)
{
    return DeleteFile(path);
}

eResultCode CPNUInstallFiles::Move(const gCString& source, const gCString& target)
{
    return MoveFile(source, target);
}

eResultCode CPNUInstallFiles::CreateFolder(const gCString& folder)
{
    gCFolderRef ref;
    PNU_TRY(ref.Set(folder));
    if (ref.Exists())
        return eSuccess;
    return ref.Create();
}

eResultCode CPNUInstallFiles::WriteFile(const gCString& path, const uint8_t* data, uint64_t size)
{
    gCFRef ref(path);
    gCFile file;
    PNU_TRY(file.Open(ref, gCFile::eAccessWrite));
    eResultCode result = eSuccess;
    for (uint64_t done = 0; done < size && result == eSuccess; done += kWriteChunk) {
        const uint64_t chunk = size - done < kWriteChunk ? size - done : kWriteChunk;
        result = file.WriteBuffer(data + done, int32_t(chunk));
    }
    const eResultCode closed = file.Close();
    return result != eSuccess ? result : closed;
}

eResultCode CPNUInstallFiles::Flush(const gCString& folder)
{
    return platform::SyncFileSystem(folder.ToUTF8()) == platform::eFileResult::kOk ? eSuccess : eStreamError;
}

bool CPNUInstallFiles::SetMode(const gCString& path, uint32_t mode)
{
    return platform::SetPathPermissions(path.ToUTF8(), mode & 0777);
}

eResultCode CPNUInstallFiles::Launch(const gCString& path)
{
    return LaunchFile(path);
}
