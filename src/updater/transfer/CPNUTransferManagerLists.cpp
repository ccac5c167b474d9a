// The transfer manager's file-by-file updating: download lists, the installed list, and moving
// downloaded files into the installation.
#include "FileIO/FileServices.h"
#include "FileIO/gCFPath.h"
#include "FileIO/gCFRelative.h"
#include "FileIO/gCFile.h"
#include "FileIO/gCFolderRef.h"
#include "FileIO/gCMemFile.h"
#include "core/CMemBlock.h"
#include "core/TextEquality.h"
#include "updater/transfer/CPNUTransferManager.h"
#include "updater/PNUMessages.h"

#include <cstdint>
#include <cstring>

namespace {

// The path classes keep their old text, or none, when a new one cannot be stored: eNoMemory then.
eResultCode CheckHoldsName(const gCFRelative& path, const gCString& name)
{
    return TextsEqual(path.GetRelativeText(), name) ? eSuccess : eNoMemory;
}

// The first name prefix n suffix, n counting from 1, at which nothing exists in Contents. A name
// taken for free only because it could not be looked at or held whole would be written over.
eResultCode MakeFreshPath(const char* prefix, const char* suffix, gCFRelative& path)
{
    for (int32_t n = 1; n < 1000000; ++n) {
        gCString name(prefix);
        const gCString number(n);
        const gCString ending(suffix);
        if (name.IsNull() || number.IsNull() || ending.IsNull())
            return eNoMemory;
        PNU_TRY(name.Append(number));
        PNU_TRY(name.Append(ending));
        gCFRelative candidate(name, 0);
        PNU_TRY(CheckHoldsName(candidate, name));
        bool exists = false;
        PNU_TRY(CheckFileExists(candidate, exists));
        if (!exists) {
            path = candidate;
            return CheckHoldsName(path, name);
        }
    }
    return eCreateFailed;
}

} // namespace

eResultCode MakeTempUpdaterPath(gCFRelative& path) { return MakeFreshPath("PintrelUpdater", ".exe", path); }

eResultCode MakeTempPackagePath(gCFRelative& path) { return MakeFreshPath("PNUTemp", ".pnu", path); }

eResultCode CPNUTransferManager::ReadInstalledList()
{
    gCFile file;
    PNU_TRY(OpenFile(file, gCString("pnufiledata.txt"), gCFile::eAccessRead));
    const gCString whitespace(kStringWhitespace);
    while (!file.IsEOF()) {
        gCString line;
        if (file.ReadUnicodeLine(line) != eSuccess)
            break;
        line.Trim(whitespace);
        if (line.IsEmpty())
            continue;
        CFileData entry;
        PNU_TRY(ParseFileDataLine(line, entry));
        PNU_TRY(mInstalledList.Add(entry));
    }
    return eSuccess;
}

eResultCode CPNUTransferManager::ParseFileDataLine(const gCString& line, CFileData& entry)
{
    if (line.GetLength() > 0 && line[0] == u'*') {
        mLatestVersion = line.DropLeft(1);
        return eSuccess;
    }
    if (line.GetLength() > 0 && line[0] == u'+')
        return mNotes.Add(line.DropLeft(1));
    return entry.ParseEntryLine(line);
}

int32_t CPNUTransferManager::FindFileData(const CFileData& entry) const
{
    for (const CFileData& installed : mInstalledList)
        if (installed.mKind == entry.mKind)
            return installed.mNumber == entry.mNumber ? 1 : 0;
    return 0;
}

eResultCode CPNUTransferManager::ParseDownloadList(gCMemFile& body)
{
    if (body.GetSize() > INT32_MAX)
        return eStreamError;
    uint32_t size = uint32_t(body.GetSize());
    if (!mDownloadListCopy.SetSize(size))
        return eNoMemory;
    if (size > 0)
        std::memcpy(mDownloadListCopy.GetData(), body.GetData(), size);
    mNotes.RemoveAll();

    // The body as text: UTF-16 after a byte-order mark (either order), else one unit per byte. A
    // reply body has no terminator of its own, so the pieces are cut at 0 units here.
    const uint8_t* data = body.GetData();
    gCString text;
    PNU_TRY(text.Assign(u""));
    if (size >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF))) {
        bool swap = data[0] == 0xFE;
        for (uint32_t i = 2; i + 1 < size; i += 2)
            text += swap ? char16_t(data[i] << 8 | data[i + 1]) : char16_t(data[i] | data[i + 1] << 8);
    } else if (size > 0) {
        CMemBlock bytes(size);
        if (!bytes.GetData())
            return eNoMemory;
        for (uint32_t i = 0; i < size; ++i)
            bytes.GetData()[i] = data[i] == 0 ? '\n' : data[i];
        PNU_TRY(text.ConvertFromChars(reinterpret_cast<const char*>(bytes.GetData()), int32_t(size)));
    }
    for (int32_t i = 0; i < text.GetLength(); ++i)
        if (text[i] == 0)
            text[i] = u'\n';

    const gCString whitespace(kStringWhitespace);
    gCArray<gCString> parts;
    (void)text.Split(parts, u'\n');
    for (gCString& part : parts) {
        part.Trim(whitespace);
        if (part.IsEmpty())
            continue;
        CFileData entry;
        PNU_TRY(ParseFileDataLine(part, entry));
        if (part[0] == u'*' || part[0] == u'+')
            continue;
        entry.mNeedsDownload = FindFileData(entry) ? 0 : 1;
        entry.mDownloaded = 0;
        PNU_TRY(mDownloadList.Add(entry));
    }

    gCArray<gCString> summary;
    PNU_TRY(summary.Add(mLatestVersion));
    PNU_TRY(summary.Append(mNotes));
    PNU_TRY(SendParsedList(*this, summary));
    mState = kStateParsed;
    return eSuccess;
}

eResultCode CPNUTransferManager::DownloadNextFile()
{
    for (CFileData& entry : mDownloadList) {
        if (entry.mNeedsDownload && !entry.mDownloaded) {
            mCurrentFile = &entry;
            return StartTransfer(mFileServerHost, mFilesURL + entry.mFileName);
        }
    }
    return WriteReplacements();
}

eResultCode CPNUTransferManager::DownloadUpdaterEntry()
{
    mState = kStateUpdaterCopy;
    mCurrentFile = &mUpdaterEntry;
    return StartTransfer(mFileServerHost, mUpdaterURL + mUpdaterEntry.mFileName);
}

eResultCode CPNUTransferManager::StoreUpdaterCopy(gCMemFile& body)
{
    gCFRelative path;
    PNU_TRY(MakeTempUpdaterPath(path));
    if (mCurrentFile)
        mCurrentFile->mLocalPath = path.GetRelativeText();
    gCFile file;
    PNU_TRY(OpenFile(file, path, gCFile::eAccessWrite));
    if (body.GetSize() > 0)
        PNU_TRY(file.Write(body.GetData(), int32_t(body.GetSize())));
    return file.Close();
}

eResultCode CPNUTransferManager::InstallReplacementFile(CFileData& entry)
{
    gCFRelative destination(entry.GetRelativePath(), 0);
    gCFPath destinationPath(destination.GetPath());
    gCFolderRef folder(gCFolderRef(destination.GetPath()).GetParentPath());
    if (!folder.Exists())
        PNU_TRY(folder.Create());
    gCFRelative local(entry.mLocalPath, 0);
    gCFPath localPath(local.GetPath());
    if (MoveFileToFolder(localPath, folder, entry.mFileName) == eSuccess)
        return eSuccess;
    eResultCode copied = CopyFile(local, destination, 0);
    if (copied == eSuccess)
        (void)DeleteFile(local);
    return copied;
}

eResultCode CPNUTransferManager::WriteReplacements()
{
    for (CFileData& entry : mDownloadList)
        if (entry.mNeedsDownload)
            PNU_TRY(InstallReplacementFile(entry));
    gCFile file;
    PNU_TRY(OpenFile(file, gCString("pnufiledatareplacement.txt"), gCFile::eAccessWrite));
    if (mDownloadListCopy.GetSize() > 0)
        PNU_TRY(file.Write(mDownloadListCopy.GetData(), int32_t(mDownloadListCopy.GetSize())));
    return file.Close();
}
