#include "updater/CPNUInstallFiles.h"

#include "FileIO/FileDocuments.h"
#include "FileIO/FileServices.h"
#include "FileIO/gCFRef.h"
#include "FileIO/gCFolderRef.h"
#include "platform/PlatformFile.h"
#include "platform/PlatformFileSystem.h"
#include "platform/PlatformFileSystemInstall.h"
#include "platform/PlatformPermissions.h"

namespace {

std::string SystemPath(const gCString& path) { return path.ToUTF8(); }

} // namespace

eResultCode CPNUInstallFiles::Outcome(int error, eResultCode failure)
{
    if (error == 0)
        return eSuccess;
    gCString reason;
    (void)reason.SetFromUTF8(plat::DescribeError(error));
    mFailureReason = reason;
    return failure;
}

bool CPNUInstallFiles::Exists(const gCString& path)
{
    return plat::GetEntryKind(SystemPath(path)) != plat::eEntryKind::kNone;
}

bool CPNUInstallFiles::IsFolder(const gCString& path) { return plat::PathIsFolder(plat::PathText(SystemPath(path))); }

eResultCode CPNUInstallFiles::Delete(const gCString& path)
{
    return Outcome(plat::RemoveFileOnly(SystemPath(path)), eStreamError);
}

eResultCode CPNUInstallFiles::Move(const gCString& source, const gCString& target)
{
    if (plat::MovePath(plat::PathText(SystemPath(source)), plat::PathText(SystemPath(target)))
        == plat::eFileResult::kOk)
        return eSuccess;
    mFailureReason = gCString("the move was refused");
    return eBadParameter;
}

eResultCode CPNUInstallFiles::Link(const gCString& source, const gCString& target)
{
    const int error = plat::LinkFile(SystemPath(source), SystemPath(target));
    return Outcome(error, plat::IsLinkUnsupported(error) ? eNotWritten : eBadParameter);
}

eResultCode CPNUInstallFiles::Replace(const gCString& source, const gCString& target)
{
    return Outcome(plat::ReplaceFile(SystemPath(source), SystemPath(target)), eBadParameter);
}

eResultCode CPNUInstallFiles::CreateFolder(const gCString& folder)
{
    gCFolderRef ref;
    PNU_TRY(ref.Set(folder));
    if (ref.Exists())
        return eSuccess;
    if (eResultCode result = ref.Create(); result != eSuccess) {
        mFailureReason = gCString("the folder could not be made");
        return result;
    }
    return eSuccess;
}

eResultCode CPNUInstallFiles::WriteFile(const gCString& path, const uint8_t* data, uint64_t size, uint32_t mode)
{
    return Outcome(plat::WriteWholeFile(SystemPath(path), data, size_t(size), mode), eStreamError);
}

eResultCode CPNUInstallFiles::ReadFile(const gCString& path, std::string& bytes, uint64_t limit)
{
    return Outcome(plat::ReadWholeFile(SystemPath(path), bytes, size_t(limit)), eStreamError);
}

eResultCode CPNUInstallFiles::Flush(const gCString& folder)
{
    if (plat::SyncFileSystem(plat::PathText(SystemPath(folder))) == plat::eFileResult::kOk)
        return eSuccess;
    mFailureReason = gCString("the disk could not be flushed");
    return eStreamError;
}

eResultCode CPNUInstallFiles::FlushEntry(const gCString& path)
{
    return Outcome(plat::SyncEntry(SystemPath(path)), eStreamError);
}

bool CPNUInstallFiles::StaysBeneath(const gCString& root, const gCString& folder)
{
    return plat::ResolvesBeneath(SystemPath(root), SystemPath(folder));
}

bool CPNUInstallFiles::SetMode(const gCString& path, uint32_t mode)
{
    return plat::SetPathPermissions(SystemPath(path), mode & 0777);
}

eResultCode CPNUInstallFiles::Launch(const gCString& path)
{
    return LaunchFile(path);
}
