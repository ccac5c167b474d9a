#include "updater/install/CPNUInstallFiles.h"

#include "FileIO/FileDocuments.h"
#include "FileIO/FileServices.h"
#include "core/CMemBlock.h"
#include "platform/FileSystem.h"
#include "updater/install/CPNUInstallServices.h"

namespace {

// A path as the system takes it, converted on the stack: the installer asks what stands at a
// path while it moves files, and that answer must never change because memory ran out. A path
// the system would refuse (too long, or holding a 0) stays empty, and every operation refuses it.
class cSystemPath {
public:
    explicit cSystemPath(const gCString& path)
    {
        for (int32_t i = 0; i < path.GetLength(); ++i) {
            if (path[i] == 0) {
                mText[0] = 0;
                return;
            }
        }
        (void)path.ToUTF8(mText, sizeof mText);
    }

    cSystemPath(const cSystemPath&) = delete;
    cSystemPath& operator=(const cSystemPath&) = delete;

    const char* Get() const { return mText; }

private:
    char mText[plat::kLongestSystemPath];
};

} // namespace

eResultCode CPNUInstallFiles::Outcome(plat::eFileResult result, eResultCode failure)
{
    if (result == plat::eFileResult::kOk)
        return eSuccess;
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

bool CPNUInstallFiles::Exists(const gCString& path)
{
    return plat::GetEntryKind(cSystemPath(path).Get()) != plat::eEntryKind::kNone;
}

bool CPNUInstallFiles::IsFolder(const gCString& path) { return plat::PathIsFolder(cSystemPath(path).Get()); }

eResultCode CPNUInstallFiles::Delete(const gCString& path)
{
    return Outcome(plat::RemoveFileOnly(cSystemPath(path).Get()), eStreamError);
}

eResultCode CPNUInstallFiles::Move(const gCString& source, const gCString& target)
{
    if (plat::MovePath(cSystemPath(source).Get(), cSystemPath(target).Get()) == plat::eFileResult::kOk)
        return eSuccess;
    SetOwnReason(kTextMoveRefused);
    return eBadParameter;
}

eResultCode CPNUInstallFiles::Link(const gCString& source, const gCString& target)
{
    const plat::eFileResult result = plat::LinkFile(cSystemPath(source).Get(), cSystemPath(target).Get());
    return Outcome(result, result == plat::eFileResult::kLinkUnsupported ? eNotWritten : eBadParameter);
}

eResultCode CPNUInstallFiles::Replace(const gCString& source, const gCString& target)
{
    return Outcome(plat::ReplaceFile(cSystemPath(source).Get(), cSystemPath(target).Get()), eBadParameter);
}

eResultCode CPNUInstallFiles::CreateFolder(const gCString& folder)
{
    if (plat::CreateFolderPath(cSystemPath(folder).Get()) == plat::eFileResult::kOk)
        return eSuccess;
    SetOwnReason(kTextFolderNotMade);
    return eCreateFailed;
}

eResultCode CPNUInstallFiles::WriteFile(const gCString& path, const uint8_t* data, uint64_t size, uint32_t mode)
{
    return Outcome(plat::WriteWholeFile(cSystemPath(path).Get(), data, size_t(size), mode & kInstalledModeBits),
                   eStreamError);
}

eResultCode CPNUInstallFiles::ReadFile(const gCString& path, CMemBlock& bytes, uint64_t limit)
{
    (void)bytes.SetSize(0);
    int32_t handle = plat::kNoFileHandle;
    plat::eFileResult result = plat::OpenFileHandle(cSystemPath(path).Get(), plat::eOpenMode::kRead, handle);
    int64_t length = 0;
    if (result == plat::eFileResult::kOk)
        result = plat::GetFileHandleLength(handle, length);
    if (result == plat::eFileResult::kOk && (length < 0 || uint64_t(length) > limit || uint64_t(length) > UINT32_MAX))
        result = plat::eFileResult::kTooLarge;
    bool held = true;
    if (result == plat::eFileResult::kOk && length > 0) {
        held = bytes.SetSize(uint32_t(length));
        size_t got = 0;
        if (held)
            result = plat::ReadFileHandle(handle, bytes.GetData(), size_t(length), got);
    }
    if (handle != plat::kNoFileHandle)
        (void)plat::CloseFileHandle(handle);
    if (!held) {
        SetFailureReason(gCString());
        return eNoMemory;
    }
    if (result != plat::eFileResult::kOk)
        (void)bytes.SetSize(0);
    return Outcome(result, eStreamError);
}

eResultCode CPNUInstallFiles::Flush(const gCString& folder)
{
    if (plat::SyncFileSystem(cSystemPath(folder).Get()) == plat::eFileResult::kOk)
        return eSuccess;
    SetOwnReason(kTextNotFlushed);
    return eStreamError;
}

eResultCode CPNUInstallFiles::FlushEntry(const gCString& path)
{
    return Outcome(plat::SyncPath(cSystemPath(path).Get(), plat::eErrorDetail::kInstaller), eStreamError);
}

bool CPNUInstallFiles::StaysBeneath(const gCString& root, const gCString& folder)
{
    return plat::ResolvesBeneath(cSystemPath(root).Get(), cSystemPath(folder).Get());
}

bool CPNUInstallFiles::SetMode(const gCString& path, uint32_t mode)
{
    return plat::SetPathPermissions(cSystemPath(path).Get(), mode & kInstalledModeBits) == plat::eFileResult::kOk;
}

eResultCode CPNUInstallFiles::Launch(const gCString& path)
{
    return LaunchFile(path);
}

plat::sEntryIdentity CPNUInstallFiles::GetIdentity(const gCString& path)
{
    return plat::GetEntryIdentity(cSystemPath(path).Get());
}

eResultCode CPNUInstallFiles::RemoveEmptyFolder(const gCString& folder)
{
    return Outcome(plat::RemoveEmptyFolder(cSystemPath(folder).Get()), eStreamError);
}

eResultCode CPNUInstallFiles::ReadRegularFile(const gCString& path, CMemBlock& bytes, uint64_t limit,
                                              plat::eEntryKind& kind)
{
    (void)bytes.SetSize(0);
    int32_t handle = plat::kNoFileHandle;
    int64_t length = 0;
    const plat::eFileResult opened = plat::OpenRegularFileNoWait(cSystemPath(path).Get(), handle, length, kind);
    if (opened != plat::eFileResult::kOk) {
        if (kind == plat::eEntryKind::kNone)
            return Outcome(opened, eFileNotFound);
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
