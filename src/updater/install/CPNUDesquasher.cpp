#include "updater/install/CPNUDesquasher.h"

#include "FileIO/gCMemFile.h"
#include "FileIO/gCStream.h"
#include "core/ASCIICase.h"
#include "core/TextEquality.h"
#include "platform/DiskSpace.h"
#include "platform/FileSystem.h"
#include "platform/SystemMemory.h"
#include "updater/codec/CPNUCompressor.h"
#include "updater/codec/CPNUHashChainLZ.h"
#include "updater/install/CPNUInstallFiles.h"
#include "updater/install/CPNUInstallServices.h"
#include "updater/CPNUStatusTarget.h"
#include "updater/PNUMessages.h"
#include "updater/install/PNUArchiveCursor.h"
#include "updater/codec/PNULimits.h"
#include "updater/install/PNUPackageNames.h"

#include <algorithm>
#include <cstring>

namespace {


constexpr uint32_t kLargestIndex = 65536;
constexpr uint32_t kLargestText = 65536;
constexpr int32_t kMostFiles = 1048575;
// The reader looks at this much of the archive before it knows the header's length.
constexpr uint64_t kFirstLook = 128;

const char kPackageMagic[8] = {'P', 'N', '2', 'S', 'Q', 'U', 'S', 'H'};
const char kArchiveMagic[8] = {'P', 'N', '2', 'U', 'S', 'Q', 'S', 'H'};

// The payload is decoded a part at a time, and what is decoded is read or given back in parts as
// large: the package and its archive are never both whole in memory.
constexpr uint64_t kDecodePart = 1 << 20;
// Pages straddling the end of a part are given back with the next part.
constexpr uint64_t kLargestPage = 1 << 16;

// Kept out of the memory the system says it can give: the window, the decoding's buffers and the
// page cache the new files pass through on their way to the disk need memory besides the archive,
// and the system's figure is an estimate.
constexpr uint64_t kMemoryMargin = uint64_t(64) << 20;
// Kept out of the free space: the install's journal, the folders it makes and the file system's
// own records take blocks besides the files.
constexpr uint64_t kDiskMargin = uint64_t(16) << 20;

// A payload lying in memory into an archive growing toward its n bytes; with giveBack its
// decoded pages go back to the system as it goes.
eResultCode DecodeLying(uint8_t* payload, uint64_t m, bool giveBack, CMemBlock& archive, uint64_t n)
{
    if (m == 0)
        return n == 0 ? eSuccess : eInvalidFile;
    // Read once: with giveBack the page holding it goes back to the system after the first part,
    // and a page given back reads as zeros.
    const uint8_t escape = payload[0];
    uint64_t p = 1;
    uint64_t o = 0;
    uint64_t unreleased = 0;
    while (p < m) {
        const uint64_t stop = m - p > kDecodePart ? p + kDecodePart : m;
        PNU_TRY(CPNUHashChainLZ::DecodePartGrowing(escape, payload, m, stop, p, archive, n, o));
        if (giveBack) {
            plat::ReleasePages(payload + unreleased, p - unreleased);
            unreleased = p > kLargestPage ? p - kLargestPage : 0;
        }
    }
    return o == n ? eSuccess : eInvalidFile;
}

// A payload of m bytes read from the stream's position in parts.
eResultCode DecodeRead(gCStream& stream, uint64_t m, CMemBlock& archive, uint64_t n)
{
    if (m == 0)
        return n == 0 ? eSuccess : eInvalidFile;
    CMemBlockT<uint8_t> part;
    if (!part.SetSize(uint32_t(std::min(m, kDecodePart + CPNUHashChainLZ::kLongestToken))))
        return eNoMemory;
    uint8_t* bytes = part.GetData();
    PNU_TRY(stream.Read(bytes, 1));
    const uint8_t escape = bytes[0];
    uint64_t unread = m - 1;
    uint64_t held = 0;
    uint64_t o = 0;
    while (held > 0 || unread > 0) {
        const uint64_t more = std::min(unread, uint64_t(part.GetSize()) - held);
        if (more > 0)
            PNU_TRY(stream.Read(bytes + held, int32_t(more)));
        held += more;
        unread -= more;
        // A token that may run past the bytes held waits for the next part.
        const uint64_t stop = unread == 0 ? held : held - CPNUHashChainLZ::kLongestToken;
        uint64_t p = 0;
        PNU_TRY(CPNUHashChainLZ::DecodePartGrowing(escape, bytes, held, stop, p, archive, n, o));
        std::memmove(bytes, bytes + p, size_t(held - p));
        held -= p;
    }
    return o == n ? eSuccess : eInvalidFile;
}

} // namespace

CPNUDesquasher::CPNUDesquasher(CPNUStatusTarget* statusTarget, CPNUInstallServices* services, CPNUInstallFiles* files)
    : mStatusTarget(statusTarget), mServices(services), mFiles(files ? files : &mOwnFiles)
{
}

CPNUDesquasher::~CPNUDesquasher() = default;

gCString CPNUDesquasher::ReportText(eReportText text) const { return ::ReportText(mServices, text); }

gCString CPNUDesquasher::ReportText(eReportText text, std::initializer_list<gCString> values) const
{
    return FillTextValues(ReportText(text), values);
}

eResultCode CPNUDesquasher::Refuse(eResultCode result, const gCString& what, eReportText rule)
{
    mFailureDetail = ReportText(kTextDetail, {what, ReportText(rule)});
    return result;
}

gCString CPNUDesquasher::Text(eUpdaterText text, int32_t field)
{
    return mServices ? mServices->GetText(kUpdaterStringBase + uint32_t(text), field) : gCString();
}

eResultCode CPNUDesquasher::StatusText(const gCString& text, uint32_t colour)
{
    if (mStatusTarget == nullptr)
        return eSuccess;
    return mStatusTarget->AddStatusLine(text, &colour, true);
}

eResultCode CPNUDesquasher::Status(eUpdaterText text, uint32_t colour, int32_t field)
{
    return StatusText(Text(text, field), colour);
}

gCString CPNUDesquasher::FileNameOf(const gCString& path)
{
    const int32_t slash = path.ReverseFind(gCString("/"));
    return slash < 0 ? path : path.DropLeft(slash + 1);
}

void CPNUDesquasher::LogWithName(eUpdaterText text, const gCString& path)
{
    if (mStatusTarget)
        (void)mStatusTarget->WriteLogLine(Text(text) + FileNameOf(path));
}

eResultCode CPNUDesquasher::UnpackUpdateFile(gCStream& stream)
{
    mStream = &stream;
    mFailureDetail = gCString();
    (void)Status(kTextUnpacking, kStatusBlack);
    const int64_t length = stream.GetLength();
    if (length > int64_t(kPNUPackageSizeLimit))
        return eOutOfRange;
    if (length < 20)
        return eGenericFailure;
    PNU_TRY(stream.Rewind());
    char magic[8];
    PNU_TRY(stream.Read(magic, 8));
    if (memcmp(magic, kPackageMagic, 8) != 0)
        return eGenericFailure;
    uint32_t version = 0;
    PNU_TRY(stream.ReadULong(version));
    if (version != 1)
        return eGenericFailure;
    // The codec frame: the archive's length, then the payload.
    const uint64_t frameLength = uint64_t(length - 20);
    uint64_t n = 0;
    // A package held in memory is decoded where it lies, one read from a file as it is read.
    if (auto* memory = dynamic_cast<gCMemFile*>(&stream); memory && memory->GetData() && memory->GetSize() == length) {
        uint8_t* frame = memory->GetData() + 12;
        if (memcmp(frame + frameLength, kPackageMagic, 8) != 0)
            return eGenericFailure;
        (void)Status(kTextDecoding, kStatusBlack);
        PNU_TRY(CPNUCompressor::ReadRawLength(frame, frameLength, n));
        PNU_TRY(StartArchive(n, frameLength - 4));
        return DecodeLying(frame + 4, frameLength - 4, mUseUpHeldPackage, mArchive, n);
    }
    uint8_t lengthWord[4];
    const uint64_t lengthBytes = std::min<uint64_t>(frameLength, 4);
    PNU_TRY(stream.Read(lengthWord, int32_t(lengthBytes)));
    PNU_TRY(stream.SetPos(length - 8));
    PNU_TRY(stream.Read(magic, 8));
    if (memcmp(magic, kPackageMagic, 8) != 0)
        return eGenericFailure;
    PNU_TRY(stream.SetPos(int64_t(12 + lengthBytes)));

    (void)Status(kTextDecoding, kStatusBlack);
    PNU_TRY(CPNUCompressor::ReadRawLength(lengthWord, lengthBytes, n));
    PNU_TRY(StartArchive(n, frameLength - 4));
    return DecodeRead(stream, frameLength - 4, mArchive, n);
}

eResultCode CPNUDesquasher::StartArchive(uint64_t n, uint64_t m)
{
    // Refused before any of it is asked for, with both figures: a package is small, what it
    // announces need not be.
    const uint64_t available = plat::GetAvailableMemory();
    if (available != 0 && (n > available || available - n < kMemoryMargin)) {
        mFailureDetail = ReportText(kTextNoMemoryForPackage, {gCString("") + (n + kMemoryMargin),
                                                               gCString("") + available});
        return eNoMemory;
    }
    (void)mArchive.SetSize(0);
    return mArchive.SetSize(uint32_t(CPNUHashChainLZ::FirstRoom(n, m))) ? eSuccess : eNoMemory;
}

eResultCode CPNUDesquasher::CheckDiskSpace()
{
    char folder[plat::kLongestSystemPath];
    plat::sDiskSpace space;
    // Without figures the write step still fails on a full disk and undoes itself.
    if (!mInstallFolderText.ToUTF8(folder, sizeof folder) || !plat::GetDiskSpace().SpaceAt(folder, space))
        return eSuccess;
    // The new files are written beside the current ones, which are kept until the new ones are
    // in place: nothing the install replaces frees space before it is done. Each file takes
    // whole blocks.
    uint64_t needed = kDiskMargin;
    for (int32_t i = 0; i < mSizes.GetSize(); ++i) {
        const uint64_t size = uint64_t(mSizes[i]);
        needed += space.blockSize > 0 ? (size + space.blockSize - 1) / space.blockSize * space.blockSize : size;
    }
    if (needed <= space.freeBytes)
        return eSuccess;
    (void)StatusText(ReportText(kTextNoSpaceForPackage, {gCString("") + needed, gCString("") + space.freeBytes}),
                     kStatusRed);
    return eOutOfRange;
}

eResultCode CPNUDesquasher::InstallHeldPackage(gCMemFile& package)
{
    mUseUpHeldPackage = true;
    const eResultCode result = InstallPackage(package);
    mUseUpHeldPackage = false;
    // A package refused before decoding, as another copy was installing, is whole still.
    if (result == eBusy)
        return result;
    // Its decoded part is zeros by now: nothing of it may be read again.
    if (package.Reset() != eSuccess)
        (void)package.SetPos(0);
    return result;
}

namespace {

// Adds a reference to the install folder's entry with the suffix. Every copy on the way is
// checked: a path cut short by a failed allocation would name another file (a ".tmp" path
// without its suffix is the installed file itself), so that is eNoMemory instead.
eResultCode AddEntryRef(gCArray<gCFRef>& refs, const gCString& folder, const gCString& name, const char16_t* suffix)
{
    gCString path;
    PNU_TRY(path.Assign(folder.GetText()));
    PNU_TRY(path.Append(name));
    PNU_TRY(path.Append(suffix));
    PNU_TRY(refs.Add(gCFRef(path)));
    if (refs[refs.GetSize() - 1].GetPath().GetLength() != path.GetLength()) {
        refs.RemoveAt(refs.GetSize() - 1);
        return eNoMemory;
    }
    return eSuccess;
}

} // namespace

eResultCode CPNUDesquasher::AddEntry(const gCString& name, uint64_t size)
{
    PNU_TRY(AddEntryRef(mTempPaths, mInstallFolderText, name, u".tmp"));
    PNU_TRY(AddEntryRef(mOldPaths, mInstallFolderText, name, u".old"));
    PNU_TRY(AddEntryRef(mFinalPaths, mInstallFolderText, name, u""));
    const int32_t at = mJournal.names.GetSize();
    PNU_TRY(mJournal.names.SetSize(at + 1));
    if (mJournal.names[at].Assign(name.GetText()) != eSuccess) {
        mJournal.names.RemoveAt(at);
        return eNoMemory;
    }
    return mSizes.Add(int64_t(size));
}

eResultCode CPNUDesquasher::ReadArchiveIndex()
{
    // A new index replaces whatever an earlier, failed reading left behind.
    mTempPaths.RemoveAll();
    mNameOrder.RemoveAll();
    mOldPaths.RemoveAll();
    mFinalPaths.RemoveAll();
    mFinalIdentities.RemoveAll();
    mSizes.RemoveAll();
    mJournal.Reset();
    mFailureDetail = gCString();
    // So are the instruction values: a refused package's program or target never applies to the
    // next package.
    for (gCString* value : {&mExecute, &mFileName, &mType, &mOS, &mBuild, &mVersionNumber})
        *value = gCString();

    mInstallFolderText = WithoutTrailingSeparator(mServices ? mServices->GetInstallFolderText() : gCString());
    // Without a folder every name would land at the root of the file system.
    if (mInstallFolderText.IsEmpty())
        return Refuse(eGenericFailure, ReportText(kTextInstallFolder), kTextNotKnown);
    PNU_TRY(mJournal.installFolder.Assign(mInstallFolderText.GetText()));
    PNU_TRY(mInstallFolder.Set(mInstallFolderText));
    // Every file step acts beneath this folder, opened now and only once.
    if (eResultCode opened = mFiles->OpenFolder(mInstallFolderText); opened != eSuccess)
        return FailAt(opened, mInstallFolderText);
    // The log lies in the updater's bundle, which stands in the install folder: a package that
    // replaced it would send the rest of the run's lines to a file no longer there.
    mLogName = gCString();
    const gCString log = mServices ? mServices->GetLogPathText() : gCString();
    const int32_t folderLength = mInstallFolderText.GetLength();
    if (log.GetLength() > folderLength + 1 && log[folderLength] == u'/' && StartsWithUnits(log, mInstallFolderText))
        PNU_TRY(mLogName.Assign(log.GetText() + folderLength));
    (void)Status(kTextReadingIndex, kStatusBlack);

    const uint64_t archiveLength = mArchive.GetSize();
    if (archiveLength < kFirstLook)
        return Refuse(eStreamError, ReportText(kTextArchive), kTextShorterThanHeader);
    PNUArchiveCursor header(mArchive.GetData(), kFirstLook);
    char magic[8];
    PNU_TRY(header.ReadBytes(magic, 8));
    if (memcmp(magic, kArchiveMagic, 8) != 0)
        return Refuse(eGenericFailure, ReportText(kTextArchive), kTextNoMagic);
    int32_t version = 0;
    PNU_TRY(header.ReadValue(version));
    if (version != 4) {
        (void)StatusText(Text(kTextArchiveVersion) + gCString("A: ") + 4 + gCString(", F: ") + version, kStatusRed);
        return eGenericFailure;
    }
    uint32_t textUnits = 0;
    PNU_TRY(header.ReadValue(mIndexLength));
    PNU_TRY(header.ReadValue(textUnits));
    if (mIndexLength > kLargestIndex)
        return Refuse(eOutOfRange, ReportText(kTextFileIndex), kTextIndexTooLarge);
    if (textUnits > kLargestText)
        return Refuse(eOutOfRange, ReportText(kTextInstructionText), kTextTextTooLong);
    mHeaderLength = 32 + 2 * uint64_t(textUnits) + mIndexLength;
    if (archiveLength < mHeaderLength)
        return Refuse(eStreamError, ReportText(kTextArchive), kTextShorterThanHeader);

    PNUArchiveCursor cursor(mArchive.GetData(), mHeaderLength);
    PNU_TRY(cursor.Skip(20));
    // The text ends at its first 0 unit.
    const uint8_t* units = mArchive.GetData() + 20;
    int32_t textLength = 0;
    while (uint32_t(textLength) < textUnits && (units[2 * textLength] | units[2 * textLength + 1]) != 0)
        ++textLength;
    if (textLength == 0)
        return Refuse(eGenericFailure, ReportText(kTextInstructionText), kTextTextEmpty);
    PNU_TRY(mInstructionText.SetBufferLength(textLength + 1));
    char16_t* text = mInstructionText.GetBuffer();
    for (int32_t i = 0; i < textLength; ++i)
        text[i] = char16_t(units[2 * i] | units[2 * i + 1] << 8);
    text[textLength] = 0;
    // A big-endian text begins with the swapped mark; the first unit, whatever it is, is the mark.
    if (text[0] == 0xFFFE) {
        for (int32_t i = 0; i < textLength; ++i)
            text[i] = char16_t(text[i] << 8 | text[i] >> 8);
    }
    mInstructionText.DeleteLeft(1);
    PNU_TRY(cursor.Skip(2 * uint64_t(textUnits) + 4));
    if (cursor.ExpectMarker(PNUArchiveCursor::kEndMarker) != eSuccess)
        return Refuse(eGenericFailure, ReportText(kTextInstructionText), kTextNoEndMarker);

    int32_t count = 0;
    PNU_TRY(cursor.ReadValue(count));
    if (count <= 0 || count > kMostFiles)
        return Refuse(eStreamError, ReportText(kTextFileIndex), kTextBadFileCount);
    const gCString trimSet(kStringWhitespace);
    for (int32_t i = 0; i < count; ++i) {
        if (mServices)
            mServices->RunHeartbeat();
        // Only a refusal names the entry.
        const auto entry = [&] { return ReportText(kTextEntry, {gCString("") + i}); };
        const auto named = [&](const gCString& text) { return ReportText(kTextNamedEntry, {gCString("") + i, text}); };
        uint64_t size = 0;
        if (cursor.ReadValue(size) != eSuccess)
            return Refuse(eStreamError, entry(), kTextIndexEndsBefore);
        if (size > kPNUPackageSizeLimit)
            return Refuse(eOutOfRange, entry(), kTextFileTooLarge);
        if (cursor.ExpectMarker(PNUArchiveCursor::kFieldMarker) != eSuccess)
            return Refuse(eGenericFailure, entry(), kTextNoMarkerBeforeName);
        gCString name;
        if (cursor.ReadUnits(name) != eSuccess)
            return Refuse(eStreamError, entry(), kTextNameRunsPast);
        // A NUL inside a name ends it early, so the marker is not where it belongs.
        if (cursor.ExpectMarker(PNUArchiveCursor::kFieldMarker) != eSuccess)
            return Refuse(eGenericFailure, named(name), kTextNoMarkerAfterName);
        name.Trim(trimSet);
        const gCString given = name;
        if (const ePackageNameRule rule = MakeSafeName(name); rule != ePackageNameRule::kAccepted)
            return Refuse(eGenericFailure, named(given), DescribeNameRule(rule));
        PNU_TRY(AddEntry(name, size));
        if (mStatusTarget) {
            (void)mStatusTarget->WriteLogLine(gCString(" -- ") + mFinalPaths[i].GetPath() + gCString(", ") + size
                                              + gCString(" bytes"));
        }
    }
    PNU_TRY(ParseInstructionText());
    return CheckNames();
}

eResultCode CPNUDesquasher::CheckNames()
{
    const gCArray<gCString>& names = mJournal.names;
    PNU_TRY(SortNames(names, mNameOrder));
    const auto named = [&](int32_t i) { return ReportText(kTextNamedEntry, {gCString("") + i, names[i]}); };
    // The journal and the leftover step tell the installer's own files apart by their names alone.
    int32_t clash = -1;
    PNU_TRY(FindNameClash(names, clash, mLogName));
    if (clash >= 0)
        return Refuse(eGenericFailure, named(clash), kTextNameUnacceptable);
    PNU_TRY(FindFileAndFolder(names, clash));
    if (clash >= 0)
        return Refuse(eGenericFailure, named(clash), kTextFileAndFolder);
    return eSuccess;
}

eResultCode CPNUDesquasher::ParseInstructionText()
{
    gCArray<gCString> lines;
    (void)mInstructionText.Split(lines, u'\r');
    const gCString trimSet(kStringWhitespace);
    const gCString equals("=");
    for (int32_t i = 0; i < lines.GetSize(); ++i) {
        gCString key;
        gCString value;
        if (lines[i].SplitAtFirst(key, value, equals, 0) != 0) {
            key = lines[i];
            value = gCString();
        }
        key.Trim(trimSet);
        value.Trim(trimSet);
        MakeUpperASCII(key);
        if (key == "EXECUTE") {
            mExecute = value;
        } else if (key == "FILENAME") {
            mFileName = value;
        } else if (key == "TYPE") {
            mType = value;
        } else if (key == "OS") {
            MakeUpperASCII(value);
            mOS = value;
        } else if (key == "BUILD") {
            MakeUpperASCII(value);
            mBuild = value;
        } else if (key == "VERSIONNUMBER") {
            mVersionNumber = value;
        }
    }
    // The program to launch is a name inside the install folder like any file of the package.
    const gCString given = mExecute;
    if (!mExecute.IsEmpty()) {
        if (const ePackageNameRule rule = MakeSafeName(mExecute); rule != ePackageNameRule::kAccepted)
            return Refuse(eGenericFailure, ReportText(kTextProgram, {given}), DescribeNameRule(rule));
    }
    return eSuccess;
}

eResultCode CPNUDesquasher::CheckTarget()
{
    if (!mOS.IsEmpty() && !(mOS == "OSX"))
        return eGenericFailure;
    MakeUpperASCII(mType);
    if (mType == "UPDATER")
        return eSuccess;
    const gCString installed = mServices ? mServices->GetInstalledBuildString() : gCString();
    if (!installed.IsEmpty() && !mBuild.IsEmpty() && !TextsEqual(installed, mBuild))
        return eGenericFailure;
    return eSuccess;
}
