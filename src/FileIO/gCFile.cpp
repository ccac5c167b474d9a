#include "FileIO/gCFile.h"

#include "FileIO/CTextCollector.h"
#include "FileIO/FileIOReport.h"
#include "FileIO/FileResultCode.h"
#include "FileIO/gCFRef.h"
#include "core/CMemBlock.h"
#include "platform/FileHandle.h"

#include <climits>
#include <cstring>

using plat::eFileResult;

namespace {

constexpr int32_t kLineChunk = 1024;
constexpr int32_t kUnicodeLineChunk = 2048;
constexpr int32_t kUnicodeStringChunk = 4096;

bool IsLineEnd(uint32_t unit) { return unit == '\r' || unit == '\n'; }
// The other half of a two-character terminator: CR after LF, LF after CR.
bool Completes(uint32_t first, uint32_t second) { return IsLineEnd(second) && second != first; }

// The frame every text read shares: a closed file or one at its end is refused; scan collects
// the text and counts the bytes it takes, and the position is left just after them.
template <typename Scan>
eResultCode ReadTextFrom(gCFile& file, gCString& text, Scan scan)
{
    if (!file.IsOpen())
        return eInvalidFile;
    if (file.IsEOF())
        return eStreamError;
    PNU_TRY(text.Assign(nullptr));
    CTextCollector collector(text);
    int64_t start = file.GetPos();
    int64_t consumed = 0;
    PNU_TRY(scan(collector, consumed));
    PNU_TRY(collector.Flush());
    return file.SetPos(start + consumed);
}

} // namespace

gCFile::gCFile() { mKind = 1; }

gCFile::~gCFile() { CloseQuietly(); }

void gCFile::CloseQuietly()
{
    if (IsOpen())
        (void)plat::CloseFileHandle(mFork);
    mFork = -1;
}

eResultCode gCFile::Close()
{
    if (!IsOpen())
        return eSuccess;
    eFileResult result = plat::CloseFileHandle(mFork);
    // The descriptor is released even when closing reports an error; keeping its number could
    // later close a file someone else has opened.
    mFork = -1;
    return FromFileResult(result, eFileCloseError);
}

eResultCode gCFile::OpenSystemPath(const char* path, eAccessState state, int32_t& created)
{
    created = 0;
    CloseQuietly();
    plat::eOpenMode mode = plat::eOpenMode::kReadWrite;
    if (state == eAccessRead)
        mode = plat::eOpenMode::kRead;
    else if (state == eAccessWrite || state == eAccessWriteExisting)
        mode = plat::eOpenMode::kWrite;

    int32_t handle = plat::kNoFileHandle;
    eFileResult result = plat::OpenFileHandle(path, mode, handle);
    if (result == eFileResult::kOk) {
        if (state == eAccessWrite && plat::SetFileHandleLength(handle, 0) != eFileResult::kOk) {
            (void)plat::CloseFileHandle(handle);
            return eInvalidFile;
        }
        mFork = handle;
        return eSuccess;
    }
    switch (result) {
    case eFileResult::kNotFound:
        if (state == eAccessRead || state == eAccessWriteExisting)
            return eInvalidFile;
        // Another process may create it in between; opening what is there then is still right.
        if (eFileResult made = plat::CreateFileExclusive(path);
            made != eFileResult::kOk && made != eFileResult::kExists)
            return eInvalidFile;
        created = 1;
        if (plat::OpenFileHandle(path, mode, handle) != eFileResult::kOk)
            return eInvalidFile;
        mFork = handle;
        return eSuccess;
    case eFileResult::kNoFolder:
    case eFileResult::kBadName:
        return eInvalidFile;
    default:
        return eStreamError;
    }
}

int32_t gCFile::GetEOF()
{
    int64_t length = gCFile::GetLength();
    return length > INT32_MAX ? INT32_MAX : int32_t(length);
}

eResultCode gCFile::ReadChunk(void* buffer, int32_t count, int32_t& got)
{
    got = 0;
    if (count <= 0)
        return eSuccess;
    size_t read = 0;
    eFileResult result = plat::ReadFileHandle(mFork, buffer, size_t(count), read);
    got = int32_t(read);
    return result == eFileResult::kOk || result == eFileResult::kEndOfFile ? eSuccess : eStreamError;
}

eResultCode gCFile::ReadExactly(void* buffer, int32_t count)
{
    int32_t got = 0;
    PNU_TRY(ReadChunk(buffer, count, got));
    return got == count ? eSuccess : eStreamError;
}

eResultCode gCFile::WriteBytes(const void* buffer, int32_t count)
{
    if (count < 0)
        return eBadParameter;
    if (count == 0)
        return eSuccess;
    return FromFileResult(plat::WriteFileHandle(mFork, buffer, size_t(count)), eStreamError);
}

eResultCode gCFile::ReadBuffer(void* buffer, int32_t count)
{
    if (!IsOpen() || count < 0)
        return eBadParameter;
    int32_t got = 0;
    return ReadChunk(buffer, count, got);
}

eResultCode gCFile::ReadCounted(void* buffer, int32_t count, uint32_t& got)
{
    int64_t before = GetPos();
    eResultCode result = ReadBuffer(buffer, count);
    int64_t after = GetPos();
    got = uint32_t(after - before);
    return result;
}

eResultCode gCFile::WriteBuffer(const void* buffer, int32_t count)
{
    if (!IsOpen() || count < 0)
        return eBadParameter;
    return WriteBytes(buffer, count);
}

eResultCode gCFile::Sync()
{
    if (!IsOpen())
        return eInvalidFile;
    return FromFileResult(plat::SyncFileHandle(mFork), eStreamError);
}

eResultCode gCFile::Read(void* buffer, int32_t count)
{
    PNU_TRY(CheckReadable(IsOpen()));
    if (count < 0)
        return eBadParameter;
    int32_t got = 0;
    return ReadChunk(buffer, count, got);
}

eResultCode gCFile::Write(const void* buffer, int32_t count)
{
    if (!IsOpen())
        return eInvalidFile;
    return WriteBytes(buffer, count);
}

eResultCode gCFile::ReadLine(gCString& text)
{
    return ReadTextFrom(*this, text, [this](CTextCollector& collector, int64_t& consumed) -> eResultCode {
        uint8_t chunk[kLineChunk];
        uint8_t pendingEnd = 0; // a terminator that ended the last chunk and may have a second half
        for (;;) {
            int32_t got = 0;
            PNU_TRY(ReadChunk(chunk, kLineChunk, got));
            if (got == 0)
                break;
            if (pendingEnd) {
                if (Completes(pendingEnd, chunk[0]))
                    ++consumed;
                break;
            }
            int32_t i = 0;
            while (i < got && chunk[i] != 0 && !IsLineEnd(chunk[i]))
                ++i;
            if (i == got) {
                PNU_TRY(collector.AppendMacRoman(chunk, got));
                consumed += got;
                if (got < kLineChunk)
                    break;
                continue;
            }
            if (chunk[i] == 0) {
                PNU_TRY(collector.AppendMacRoman(chunk, i));
                consumed += i + 1;
                break;
            }
            PNU_TRY(collector.AppendMacRoman(chunk, i + 1));
            consumed += i + 1;
            if (i + 1 < got) {
                if (Completes(chunk[i], chunk[i + 1]))
                    ++consumed;
                break;
            }
            if (got < kLineChunk)
                break;
            pendingEnd = chunk[i];
        }
        return eSuccess;
    });
}

// Hands the file's 16-bit units from the position, read ChunkSize bytes at a time, to
// unit(raw, next, lastChunk, done): next points at the following unit in the same chunk (null at
// the chunk's end), lastChunk tells that the data ends within this chunk, and unit sets done to
// stop. An odd byte that ends the data is counted as consumed unless unit stopped first.
template <int32_t ChunkSize, typename Unit>
eResultCode gCFile::WalkUnits(int64_t& consumed, Unit unit)
{
    uint8_t chunk[ChunkSize];
    for (;;) {
        int32_t got = 0;
        PNU_TRY(ReadChunk(chunk, ChunkSize, got));
        int32_t units = got / 2;
        bool done = false;
        for (int32_t u = 0; u < units && !done; ++u) {
            const uint8_t* next = u + 1 < units ? chunk + 2 * u + 2 : nullptr;
            PNU_TRY(unit(uint16_t(GetLittleEndian(chunk + 2 * u, 2)), next, got < ChunkSize, done));
        }
        if (done)
            return eSuccess;
        if (got < ChunkSize) {
            consumed += got % 2;
            return eSuccess;
        }
    }
}

eResultCode gCFile::ReadUnicodeLine(gCString& text)
{
    if (mEightBitText)
        return ReadLine(text);
    return ReadTextFrom(*this, text, [this](CTextCollector& collector, int64_t& consumed) -> eResultCode {
        char16_t pendingEnd = 0; // a terminator that ended the last chunk and may have a second half
        return WalkUnits<kUnicodeLineChunk>(consumed, [&](uint16_t raw, const uint8_t* next, bool lastChunk,
                                                          bool& done) -> eResultCode {
            if (pendingEnd) {
                if (Completes(pendingEnd, SwapUnit(raw)))
                    consumed += 2;
                done = true;
                return eSuccess;
            }
            consumed += 2;
            if (TakeMark(raw))
                return eSuccess;
            char16_t unit = SwapUnit(raw);
            if (unit == 0) {
                done = true;
                return eSuccess;
            }
            if (!IsLineEnd(unit))
                return collector.Add(unit);
            PNU_TRY(collector.Add(u'\n'));
            if (next) {
                if (Completes(unit, SwapUnit(uint16_t(GetLittleEndian(next, 2)))))
                    consumed += 2;
                done = true;
            } else if (lastChunk) {
                done = true;
            } else {
                pendingEnd = unit;
            }
            return eSuccess;
        });
    });
}

eResultCode gCFile::ReadUnicodeString(gCString& text)
{
    if (mEightBitText)
        return ReadLine(text);
    return ReadTextFrom(*this, text, [this](CTextCollector& collector, int64_t& consumed) -> eResultCode {
        bool first = true;
        return WalkUnits<kUnicodeStringChunk>(consumed, [&](uint16_t raw, const uint8_t*, bool,
                                                            bool& done) -> eResultCode {
            char16_t unit = SwapUnit(raw);
            consumed += 2;
            bool wasFirst = first;
            first = false;
            if (unit == u'\r' || unit == 0) {
                done = true;
                return eSuccess;
            }
            if (wasFirst && (TakeMark(raw) || unit == u'\n'))
                return eSuccess;
            return collector.Add(unit);
        });
    });
}

eResultCode gCFile::WriteText(gCString& text, int32_t newline)
{
    PNU_TRY(StartTextWrite(IsOpen(), text, newline));
    // The conversion without the shared buffer's length limit, so long texts are not cut.
    CMemBlock bytes;
    PNU_TRY(text.ToMacRomanCString(bytes));
    if (bytes.GetSize() - 1 > uint32_t(INT32_MAX))
        return eBadParameter;
    return WriteBytes(bytes.GetData(), int32_t(bytes.GetSize() - 1));
}

eResultCode gCFile::WriteUnicodeText(gCString& text, int32_t newline)
{
    if (mEightBitText)
        return WriteEightBitCopy(text, newline);
    PNU_TRY(StartTextWrite(IsOpen(), text, newline));
    uint8_t bytes[2048];
    int32_t length = text.GetLength();
    for (int32_t done = 0; done < length;) {
        int32_t count = length - done < 1024 ? length - done : 1024;
        for (int32_t i = 0; i < count; ++i)
            PutLittleEndian(text[done + i], bytes + 2 * i, 2);
        PNU_TRY(WriteBytes(bytes, 2 * count));
        done += count;
    }
    return eSuccess;
}

eResultCode gCFile::Rewind()
{
    if (!IsOpen())
        return eInvalidFile;
    return SetPos(0);
}

eResultCode gCFile::SeekToEnd()
{
    if (!IsOpen())
        return eInvalidFile;
    (void)SetPos(GetLength());
    return eSuccess;
}

eResultCode gCFile::GetPos(uint32_t& position)
{
    int64_t full = 0;
    eResultCode result = GetPos(full);
    position = uint32_t(full);
    return result;
}

eResultCode gCFile::GetPos(int64_t& position)
{
    if (!IsOpen())
        return eInvalidFile;
    return FromFileResult(plat::GetFileHandlePosition(mFork, position), eStreamError);
}

int64_t gCFile::GetPos()
{
    if (!IsOpen())
        return eInvalidFile;
    int64_t position = 0;
    if (plat::GetFileHandlePosition(mFork, position) != eFileResult::kOk)
        return -1;
    return position;
}

eResultCode gCFile::SetPos(int64_t position)
{
    if (!IsOpen())
        return eInvalidFile;
    // Positions are 32-bit in this stream: a larger one is refused rather than wrapped.
    if (position < 0 || position > INT32_MAX)
        return eStreamError;
    return FromFileResult(plat::SetFileHandlePosition(mFork, position), eStreamError);
}

int32_t gCFile::IsEOF()
{
    if (!IsOpen())
        return 1;
    int64_t position = 0;
    int64_t length = 0;
    if (plat::GetFileHandlePosition(mFork, position) != eFileResult::kOk
        || plat::GetFileHandleLength(mFork, length) != eFileResult::kOk)
        return 1;
    return position >= length ? 1 : 0;
}

int64_t gCFile::GetLength()
{
    if (!IsOpen())
        return 1;
    int64_t length = 0;
    if (plat::GetFileHandleLength(mFork, length) != eFileResult::kOk)
        return 0;
    return length;
}

namespace {

bool KnownState(int32_t state) { return state >= gCFile::eAccessReadWrite && state <= gCFile::eAccessWriteExisting; }

} // namespace

eResultCode gCFile::Open(gCBasePath* path, eAccessState state)
{
    if (!path || !path->IsSet())
        return eBadParameter;
    CloseQuietly();
    if (!KnownState(state)) {
        ReportFileIOError(eBadParameter, "Unknown Access state passed to gCFile.");
        state = eAccessReadWrite;
    }
    CSystemPath system;
    PNU_TRY(SystemPathOf(*path, system));
    int32_t created = 0;
    return OpenSystemPath(system.Get(), state, created);
}

eResultCode gCFile::Open(gCFRef* ref, eAccessState state)
{
    if (!ref || !ref->IsSet())
        return eBadParameter;
    CloseQuietly();
    if (!KnownState(state))
        state = eAccessReadWrite;
    CSystemPath path;
    PNU_TRY(SystemPathOf(*ref, path));
    int32_t created = 0;
    PNU_TRY(OpenSystemPath(path.Get(), state, created));
    if (created) {
        // The caller's reference names the new file from now on, as the system wrote it.
        sFSRef made = plat::MakePathRecord(path.Get());
        (void)ref->SetFromFSRef(&made);
    }
    return eSuccess;
}
