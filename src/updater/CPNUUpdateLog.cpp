#include "updater/CPNUUpdateLog.h"

#include "FileIO/CSystemPath.h"
#include "FileIO/gCFPath.h"
#include "FileIO/gCFRelative.h"
#include "core/CMemBlock.h"
#include "updater/install/CPNUInstallServices.h"

#include <cstdint>

using plat::eFileResult;

eResultCode CPNUUpdateLog::Open()
{
    PNU_TRY(Close());
    mPath = gCString();
    gCFRelative relative(gCString(kUpdateLogName), 0);
    CSystemPath path;
    if (eResultCode found = SystemPathOf(relative, path); found != eSuccess) {
        mOpenFailure = eFileResult::kBadName;
        return found;
    }
    (void)mPath.SetFromUTF8(path.Get());
    mOpenFailure = OpenAt(path.Get());
    return mOpenFailure == eFileResult::kOk ? eSuccess : eInvalidFile;
}

eFileResult CPNUUpdateLog::OpenAt(const char* path)
{
    int32_t handle = plat::kNoFileHandle;
    eFileResult opened = plat::OpenOwnFileHandle(path, handle);
    if (opened == eFileResult::kNotFound) {
        // Another copy may make it in between; appending to the file it made is as right.
        const eFileResult made = plat::CreateFileExclusive(path);
        if (made != eFileResult::kOk && made != eFileResult::kExists)
            return made;
        opened = plat::OpenOwnFileHandle(path, handle);
    }
    if (opened == eFileResult::kOk)
        mHandle = handle;
    return opened;
}

eResultCode CPNUUpdateLog::Empty(const plat::FolderLock& installLock)
{
    if (!IsOpen())
        return eInvalidFile;
    if (!installLock.IsHeld())
        return eBusy;
    return plat::SetFileHandleLength(mHandle, 0) == eFileResult::kOk ? eSuccess : eStreamError;
}

eResultCode CPNUUpdateLog::WriteLine(const gCString& text)
{
    if (!IsOpen())
        return eSuccess;
    // The line and its end in one block, written at once.
    const uint32_t units = uint32_t(text.GetLength()) + 2;
    if (text.GetLength() < 0 || units > UINT32_MAX / 2)
        return eBadParameter;
    CMemBlock bytes(units * 2);
    if (!bytes.GetData())
        return eNoMemory;
    uint8_t* out = bytes.GetData();
    for (uint32_t i = 0; i < units; ++i) {
        const char16_t unit = i + 2 < units ? text[int32_t(i)] : (i + 2 == units ? u'\n' : u'\r');
        out[2 * i] = uint8_t(unit);
        out[2 * i + 1] = uint8_t(unit >> 8);
    }
    return plat::WriteFileHandle(mHandle, out, bytes.GetSize()) == eFileResult::kOk ? eSuccess : eStreamError;
}

eResultCode CPNUUpdateLog::Close()
{
    if (!IsOpen())
        return eSuccess;
    const eFileResult closed = plat::CloseFileHandle(mHandle);
    mHandle = plat::kNoFileHandle;
    return closed == eFileResult::kOk ? eSuccess : eStreamError;
}
