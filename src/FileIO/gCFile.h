// The stream over one file on disk. Its line readers define the toolkit's line format: a line
// ends at CR or LF (CR LF and LF CR are one terminator) and keeps one terminator character.
// Every operation on a closed file answers eInvalidFile; IsEOF says end and GetLength says 1.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// WriteBuffer.
#pragma once

#include "FileIO/gCStream.h"

#include <cstdint>

class gCBasePath;
class gCFRef;

class gCFile : public gCStream {
public:
    enum eAccessState : int32_t {
        eAccessReadWrite = 0,     // a missing file is created
        eAccessRead = 1,          // a missing file is 17
        eAccessWrite = 2,         // a missing file is created, an existing one cut to length 0
        eAccessWriteExisting = 3, // a missing file is 17
    };

    gCFile();
    explicit gCFile(int32_t) : gCFile() {}
    ~gCFile() override;

    gCFile(const gCFile&) = delete;
    gCFile& operator=(const gCFile&) = delete;

    // eBadParameter for a missing or unset path. A missing file is created for the states that
    // create; eInvalidFile when it cannot be, or when a folder on the way is missing. An unknown
    // state shows the error alert and opens for reading and writing.
    eResultCode Open(gCBasePath* path, eAccessState state);
    eResultCode Open(const gCBasePath& path, eAccessState state) { return Open(const_cast<gCBasePath*>(&path), state); }
    // As the path form; after creating the file the caller's reference names the new file.
    eResultCode Open(gCFRef* ref, eAccessState state);
    eResultCode Open(gCFRef& ref, eAccessState state) { return Open(&ref, state); }
    eResultCode Close();
    bool IsOpen() const { return mFork >= 0; }

    // The file's length; 1 when closed.
    int32_t GetEOF();
    // Raw reads and writes: eBadParameter when closed, eStreamError on an error; a short read is
    // success.
    eResultCode ReadBuffer(void* buffer, int32_t count);
    // As ReadBuffer; got receives how far the position moved.
    eResultCode ReadCounted(void* buffer, int32_t count, uint32_t& got);
    eResultCode WriteBuffer(const void* buffer, int32_t count);
    // Flushes what was written to the disk; eInvalidFile when closed, eStreamError when the system
    // refuses.
    eResultCode Sync();

    eResultCode ReadLine(gCString& text) override;
    // A terminating CR is stored as LF; byte-order marks are removed wherever they stand.
    eResultCode ReadUnicodeLine(gCString& text) override;
    // A first unit that is a mark or LF is skipped; the text runs to CR or a 0 unit.
    eResultCode ReadUnicodeString(gCString& text) override;
    // A read across the end succeeds with the bytes that were there.
    eResultCode Read(void* buffer, int32_t count) override;

    // The converted text without a terminator.
    eResultCode WriteText(gCString& text, int32_t newline) override;
    // The text's units without a terminator.
    eResultCode WriteUnicodeText(gCString& text, int32_t newline) override;
    eResultCode Write(const void* buffer, int32_t count) override;

    eResultCode Rewind() override;
    // Always eSuccess on an open file.
    eResultCode SeekToEnd() override;
    eResultCode GetPos(uint32_t& position) override;
    eResultCode GetPos(int64_t& position) override;
    // The position; eInvalidFile when closed, -1 when it cannot be read.
    int64_t GetPos() override;
    // A position past the end fails (eStreamError) and leaves the position where it was.
    eResultCode SetPos(int64_t position) override;
    int32_t IsEOF() override;
    int64_t GetLength() override;

protected:
    // Opens the file at an absolute UTF-8 path; created is 1 when the file was made.
    eResultCode OpenSystemPath(const char* path, eAccessState state, int32_t& created);

private:
    eResultCode ReadValueBytes(uint8_t* bytes, int32_t count) override
    {
        PNU_TRY(CheckReadable(IsOpen()));
        // A value that only partly fits before the end is a failure, and the value stays as it was.
        if (GetLength() - GetPos() < int64_t(count))
            return eStreamError;
        return ReadExactly(bytes, count);
    }
    eResultCode WriteValueBytes(const uint8_t* bytes, int32_t count) override
    {
        if (!IsOpen())
            return eInvalidFile;
        return WriteBytes(bytes, count);
    }
    // Reads up to count bytes: eSuccess with got set (also at the end), eStreamError on an error.
    eResultCode ReadChunk(void* buffer, int32_t count, int32_t& got);
    eResultCode ReadExactly(void* buffer, int32_t count);
    // Walks the 16-bit units from the position for the Unicode text reads (see gCFile.cpp).
    template <int32_t ChunkSize, typename Unit>
    eResultCode WalkUnits(int64_t& consumed, Unit unit);
    eResultCode WriteBytes(const void* buffer, int32_t count);
    void CloseQuietly();

    int32_t mFork = -1;
};
