#include "resources/CResourceDirectory.h"

#include "FileIO/gCStream.h"
#include "core/TextEquality.h"

#include <new>

namespace {

sResourceDirectoryEntry* NewEntry()
{
    void* memory = MemAllocate(sizeof(sResourceDirectoryEntry));
    return memory ? new (memory) sResourceDirectoryEntry : nullptr;
}

void DeleteEntry(sResourceDirectoryEntry* entry)
{
    if (!entry)
        return;
    entry->~sResourceDirectoryEntry();
    MemFree(entry);
}

} // namespace

CResourceDirectory::~CResourceDirectory()
{
    ClearResourceDirectory(*this);
}

bool ResourceNamesMatch(const gCString& first, const gCString& second)
{
    return TextsEqual(first, second, eNullText::kAsEmpty, eEmptyText::kMatchesNothing);
}

eResultCode ReadResourceName(gCStream& stream, gCString& name)
{
    PNU_TRY(stream.ReadUnicodeLine(name));
    if (name.GetLength() > 0)
        name.Delete(name.GetLength() - 1, 1);
    return eSuccess;
}

eResultCode ReadResourceDirectory(CResourceDirectory& directory, gCStream* stream)
{
    // A stream with nothing behind it cannot rewind.
    if (!stream || stream->Rewind() != eSuccess)
        return eBadParameter;
    while (!stream->IsEOF()) {
        sResourceDirectoryEntry* entry = NewEntry();
        if (!entry)
            return eNoMemory;
        int64_t position = stream->GetPos();
        // Offsets are kept in 32 bits; a longer file has no further chunks we could seek to.
        if (position > INT32_MAX) {
            DeleteEntry(entry);
            return eStreamError;
        }
        entry->offset = int32_t(position);
        uint32_t type = 0, size = 0;
        eResultCode result = stream->ReadULong(type);
        if (result == eSuccess)
            result = stream->ReadULong(size);
        if (result == eSuccess && type == kVersionChunkType) {
            // The version chunk's size is not used: its one value follows directly.
            result = stream->ReadULong(directory.version);
            DeleteEntry(entry);
            if (result != eSuccess)
                return result;
            continue;
        }
        int64_t after = stream->GetPos();
        if (result == eSuccess)
            result = stream->ReadULong(entry->id);
        if (result == eSuccess)
            result = ReadResourceName(*stream, entry->name);
        // In 64 bits, so a huge size cannot wrap back to an earlier chunk; a target past the end
        // is the stream's seek error.
        if (result == eSuccess)
            result = stream->SetPos(after + int64_t(size));
        if (result == eSuccess)
            result = directory.entries.Add(entry);
        if (result != eSuccess) {
            DeleteEntry(entry);
            return result;
        }
    }
    return eSuccess;
}

int32_t FindDirectoryEntryById(const CResourceDirectory& directory, uint32_t id)
{
    for (const sResourceDirectoryEntry* entry : directory.entries)
        if (entry->id == id)
            return entry->offset;
    return -1;
}

int32_t FindDirectoryEntryByName(const CResourceDirectory& directory, const gCString& name)
{
    for (const sResourceDirectoryEntry* entry : directory.entries)
        if (ResourceNamesMatch(entry->name, name))
            return entry->offset;
    return -1;
}

void ClearResourceDirectory(CResourceDirectory& directory)
{
    for (sResourceDirectoryEntry* entry : directory.entries)
        DeleteEntry(entry);
    directory.entries.RemoveAll();
}

namespace {

// The scan shared by both searches. `matches` reads what it needs after the size field and says
// whether this chunk is the one; it leaves the stream at the payload when it is.
template <typename Matches>
eResultCode ScanChunks(gCStream& stream, uint32_t type, Matches matches, int64_t* payloadEnd)
{
    const int64_t start = stream.GetPos();
    bool wrapped = false;
    // The search goes round the file once: reaching the end a second time means every chunk was
    // seen, even when a damaged chain never lands on the starting position again.
    auto wrap = [&]() -> eResultCode {
        if (wrapped)
            return eResourceNotFound;
        wrapped = true;
        return stream.Rewind();
    };
    if (stream.IsEOF())
        PNU_TRY(wrap());
    for (;;) {
        int64_t position = stream.GetPos();
        if (wrapped && position >= start)
            return eResourceNotFound;
        if (stream.IsEOF())
            PNU_TRY(wrap());
        uint32_t chunkType = 0, size = 0;
        PNU_TRY(stream.ReadULong(chunkType));
        if (stream.IsEOF()) {
            PNU_TRY(wrap());
            PNU_TRY(stream.ReadULong(chunkType));
        }
        PNU_TRY(stream.ReadULong(size));
        int64_t after = stream.GetPos();
        if (chunkType == type) {
            bool found = false;
            PNU_TRY(matches(found));
            if (found) {
                if (payloadEnd)
                    *payloadEnd = after + int64_t(size);
                return eSuccess;
            }
        }
        PNU_TRY(stream.SetPos(after + int64_t(size)));
    }
}

} // namespace

eResultCode FindChunkById(gCStream& stream, uint32_t type, uint32_t id, uint32_t& foundId, gCString& foundName,
                          int64_t* payloadEnd)
{
    uint32_t chunkId = 0;
    PNU_TRY(ScanChunks(stream, type, [&](bool& found) {
        PNU_TRY(stream.ReadULong(chunkId));
        found = chunkId == id;
        return eSuccess;
    }, payloadEnd));
    gCString name;
    PNU_TRY(ReadResourceName(stream, name));
    foundId = chunkId;
    foundName = std::move(name);
    return eSuccess;
}

eResultCode FindChunkByName(gCStream& stream, uint32_t type, const gCString& wanted, uint32_t& foundId,
                            gCString& foundName, int64_t* payloadEnd)
{
    uint32_t chunkId = 0;
    gCString name;
    PNU_TRY(ScanChunks(stream, type, [&](bool& found) {
        PNU_TRY(stream.ReadULong(chunkId));
        PNU_TRY(ReadResourceName(stream, name));
        found = ResourceNamesMatch(name, wanted);
        return eSuccess;
    }, payloadEnd));
    foundId = chunkId;
    foundName = std::move(name);
    return eSuccess;
}
