#include "updater/install/CPNUInstallFiles.h"

#include "FileIO/CSystemPath.h"
#include "FileIO/FileDocuments.h"
#include "FileIO/FileServices.h"
#include "core/CMemBlock.h"
#include "updater/install/CPNUInstallServices.h"

#include <cstring>

namespace {

// The links on the way lead out, run in a ring or name nothing: nothing of the install's can
// stand beyond them. Only the first is the installer's own refusal; the others keep the system's
// reason.
bool IsWayFailure(plat::eFileResult result)
{
    return result == plat::eFileResult::kLeavesFolder || result == plat::eFileResult::kLinkOnWay
        || result == plat::eFileResult::kLinkDangles;
}

} // namespace

eResultCode CPNUInstallFiles::Outcome(plat::eFileResult result, eResultCode failure)
{
    if (result == plat::eFileResult::kOk)
        return eSuccess;
    if (result == plat::eFileResult::kLeavesFolder || result == plat::eFileResult::kIsLink) {
        SetOwnReason(result == plat::eFileResult::kIsLink ? kTextNotRegularFile : kTextFolderLeadsOut);
        return failure;
    }
    // The reason only adds to the report; a reason that cannot be held leaves it empty.
    gCString reason;
    (void)reason.SetFromUTF8(plat::DescribeFileResult(result));
    mFailureReason = std::move(reason);
    mOwnReason = kReportTextCount;
    return failure;
}

void CPNUInstallFiles::SetOwnReason(eReportText text)
{
    mFailureReason = GetBuiltInReportText(text);
    mOwnReason = text;
}

gCString CPNUInstallFiles::DescribeFailure(CPNUInstallServices* texts) const
{
    return mOwnReason == kReportTextCount ? mFailureReason : ReportText(texts, mOwnReason);
}

const char* CPNUInstallFiles::PartBeneath(char* path, bool folder) const
{
    if (!mFolder.IsOpen() || path[0] != '/' || std::strncmp(path, mFolderText, mFolderLength) != 0)
        return nullptr;
    char* part = path + mFolderLength;
    if (part[0] == '/')
        ++part;
    else if (part[0] != 0)
        return nullptr; // a folder whose name merely starts with the install folder's
    if (folder) {
        for (size_t length = std::strlen(part); length > 0 && part[length - 1] == '/'; --length)
            part[length - 1] = 0;
    }
    return part;
}

plat::eFileResult CPNUInstallFiles::OnBoth(const gCString& source, const gCString& target, tTwoEntryStep step)
{
    CFixedSystemPath from(source);
    CFixedSystemPath to(target);
    const char* sourcePart = PartBeneath(from.Get(), false);
    const char* targetPart = PartBeneath(to.Get(), false);
    return sourcePart && targetPart ? (mFolder.*step)(sourcePart, targetPart) : plat::eFileResult::kLeavesFolder;
}

eResultCode CPNUInstallFiles::OpenFolder(const gCString& folder)
{
    CFixedSystemPath path(folder);
    char* text = path.Get();
    size_t length = std::strlen(text);
    while (length > 0 && text[length - 1] == '/')
        --length;
    // The folder stays as it was resolved; only the folder of the last entry is reached afresh.
    if (mFolder.IsOpen() && length == mFolderLength && std::strncmp(text, mFolderText, length) == 0) {
        mFolder.ForgetLastFolder();
        return eSuccess;
    }
    mFolderLength = 0;
    if (const plat::eFileResult opened = mFolder.Open(text); opened != plat::eFileResult::kOk) {
        const eResultCode result = Outcome(opened, eStreamError);
        return opened == plat::eFileResult::kNotFound ? eFileNotFound : result;
    }
    std::memcpy(mFolderText, text, length);
    mFolderText[length] = 0;
    mFolderLength = length;
    return eSuccess;
}

bool CPNUInstallFiles::Exists(const gCString& path)
{
    CFixedSystemPath system(path);
    const char* part = PartBeneath(system.Get(), false);
    return part && mFolder.GetKind(part) != plat::eEntryKind::kNone;
}

bool CPNUInstallFiles::IsFolder(const gCString& path)
{
    CFixedSystemPath system(path);
    const char* part = PartBeneath(system.Get(), true);
    return part && mFolder.GetKind(part) == plat::eEntryKind::kFolder;
}

bool CPNUInstallFiles::IsFile(const gCString& path)
{
    CFixedSystemPath system(path);
    const char* part = PartBeneath(system.Get(), false);
    return part && mFolder.GetKind(part) == plat::eEntryKind::kFile;
}

eResultCode CPNUInstallFiles::Delete(const gCString& path)
{
    CFixedSystemPath system(path);
    const char* part = PartBeneath(system.Get(), false);
    return Outcome(part ? mFolder.RemoveFile(part) : plat::eFileResult::kLeavesFolder, eStreamError);
}

eResultCode CPNUInstallFiles::Move(const gCString& source, const gCString& target)
{
    const plat::eFileResult result = OnBoth(source, target, &plat::FolderAt::Move);
    if (result == plat::eFileResult::kOk)
        return eSuccess;
    if (IsWayFailure(result))
        return Outcome(result, eBadParameter);
    SetOwnReason(kTextMoveRefused);
    return eBadParameter;
}

eResultCode CPNUInstallFiles::Link(const gCString& source, const gCString& target)
{
    const plat::eFileResult result = OnBoth(source, target, &plat::FolderAt::Link);
    return Outcome(result, result == plat::eFileResult::kLinkUnsupported ? eNotWritten : eBadParameter);
}

eResultCode CPNUInstallFiles::Replace(const gCString& source, const gCString& target)
{
    return Outcome(OnBoth(source, target, &plat::FolderAt::Replace), eBadParameter);
}

eResultCode CPNUInstallFiles::PutBack(const gCString& source, const gCString& target)
{
    return Outcome(OnBoth(source, target, &plat::FolderAt::PutBack), eBadParameter);
}

eResultCode CPNUInstallFiles::CreateFolder(const gCString& folder)
{
    CFixedSystemPath system(folder);
    const char* part = PartBeneath(system.Get(), true);
    const plat::eFileResult result = part ? mFolder.MakeFolders(part) : plat::eFileResult::kLeavesFolder;
    if (result == plat::eFileResult::kOk)
        return eSuccess;
    if (IsWayFailure(result))
        return Outcome(result, eCreateFailed);
    SetOwnReason(kTextFolderNotMade);
    return eCreateFailed;
}

eResultCode CPNUInstallFiles::WriteFile(const gCString& path, const uint8_t* data, uint64_t size, uint32_t mode)
{
    CFixedSystemPath system(path);
    const char* part = PartBeneath(system.Get(), false);
    return Outcome(part ? mFolder.WriteFile(part, data, size_t(size), mode & kInstalledModeBits)
                        : plat::eFileResult::kLeavesFolder,
                   eStreamError);
}

eResultCode CPNUInstallFiles::ReadFile(const gCString& path, CMemBlock& bytes, uint64_t limit)
{
    plat::eEntryKind kind = plat::eEntryKind::kNone;
    const eResultCode read = ReadRegularFile(path, bytes, limit, kind);
    return read == eSuccess || read == eNoMemory ? read : eStreamError;
}

eResultCode CPNUInstallFiles::Flush(const gCString& folder)
{
    CFixedSystemPath system(folder);
    if (PartBeneath(system.Get(), true) && mFolder.SyncFileSystem() == plat::eFileResult::kOk)
        return eSuccess;
    SetOwnReason(kTextNotFlushed);
    return eStreamError;
}

eResultCode CPNUInstallFiles::FlushEntry(const gCString& path)
{
    CFixedSystemPath system(path);
    const char* part = PartBeneath(system.Get(), true);
    return Outcome(part ? mFolder.Sync(part) : plat::eFileResult::kLeavesFolder, eStreamError);
}

eResultCode CPNUInstallFiles::StaysBeneath(const gCString& root, const gCString& folder)
{
    CFixedSystemPath rootPath(root);
    CFixedSystemPath system(folder);
    const char* rootPart = PartBeneath(rootPath.Get(), true);
    const char* part = PartBeneath(system.Get(), true);
    const plat::eFileResult result
        = rootPart && rootPart[0] == 0 && part ? mFolder.CheckWay(part) : plat::eFileResult::kLeavesFolder;
    return Outcome(result, result == plat::eFileResult::kLeavesFolder ? eBadParameter : eStreamError);
}

eResultCode CPNUInstallFiles::GetFolderIdentity(const gCString& folder, plat::sEntryIdentity& identity)
{
    identity = plat::sEntryIdentity();
    CFixedSystemPath system(folder);
    const char* part = PartBeneath(system.Get(), true);
    const plat::eFileResult result = part ? mFolder.GetFolderIdentity(part, identity) : plat::eFileResult::kLeavesFolder;
    return Outcome(result, IsWayFailure(result) ? eBadParameter : eStreamError);
}

bool CPNUInstallFiles::SetMode(const gCString& path, uint32_t mode)
{
    CFixedSystemPath system(path);
    const char* part = PartBeneath(system.Get(), false);
    return part && mFolder.SetMode(part, mode & kInstalledModeBits) == plat::eFileResult::kOk;
}

eResultCode CPNUInstallFiles::Launch(const gCString& path)
{
    return LaunchFile(path);
}

eResultCode CPNUInstallFiles::GetIdentity(const gCString& path, plat::sEntryIdentity& identity)
{
    identity = plat::sEntryIdentity();
    CFixedSystemPath system(path);
    const char* part = PartBeneath(system.Get(), false);
    const plat::eFileResult result = part ? mFolder.GetIdentity(part, identity) : plat::eFileResult::kLeavesFolder;
    return Outcome(result, IsWayFailure(result) ? eBadParameter : eStreamError);
}

eResultCode CPNUInstallFiles::RemoveEmptyFolder(const gCString& folder)
{
    CFixedSystemPath system(folder);
    const char* part = PartBeneath(system.Get(), true);
    return Outcome(part ? mFolder.RemoveEmptyFolder(part) : plat::eFileResult::kLeavesFolder, eStreamError);
}

eResultCode CPNUInstallFiles::ReadRegularFile(const gCString& path, CMemBlock& bytes, uint64_t limit,
                                              plat::eEntryKind& kind)
{
    (void)bytes.SetSize(0);
    kind = plat::eEntryKind::kNone;
    int32_t handle = plat::kNoFileHandle;
    int64_t length = 0;
    CFixedSystemPath system(path);
    const char* part = PartBeneath(system.Get(), false);
    const plat::eFileResult opened
        = part ? mFolder.OpenFile(part, handle, length, kind) : plat::eFileResult::kLeavesFolder;
    if (opened != plat::eFileResult::kOk) {
        if (kind == plat::eEntryKind::kNone) {
            const bool absent = opened == plat::eFileResult::kNotFound || opened == plat::eFileResult::kNoFolder;
            return Outcome(opened, absent ? eFileNotFound : eStreamError);
        }
        if (kind == plat::eEntryKind::kFile)
            return Outcome(opened, eStreamError);
        SetOwnReason(kTextNotRegularFile);
        return eInvalidFile;
    }
    eResultCode result = eSuccess;
    if (length < 0 || uint64_t(length) > limit || uint64_t(length) > UINT32_MAX) {
        SetFailureReason(gCString());
        result = eOutOfRange;
    } else if (length > 0 && !bytes.SetSize(uint32_t(length))) {
        SetFailureReason(gCString());
        result = eNoMemory;
    } else if (length > 0) {
        // One pass; a file that shrank meanwhile reads short and is refused.
        size_t got = 0;
        result = Outcome(plat::ReadFileHandle(handle, bytes.GetData(), size_t(length), got), eStreamError);
    }
    (void)plat::CloseFileHandle(handle);
    if (result != eSuccess)
        (void)bytes.SetSize(0);
    return result;
}
