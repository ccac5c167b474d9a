// The index of a resource file: id, name and file offset of every chunk, in file order, read once
// at start-up. It is only a seek hint: a chunk the index misplaces is still found by scanning.
#pragma once

#include "core/FourCharCode.h"
#include "core/eResultCode.h"
#include "core/gCArray.h"
#include "core/gCString.h"

#include <cstdint>

class gCStream;

inline constexpr uint32_t kVersionChunkType = FourCharCode("vers");

struct sResourceDirectoryEntry {
    uint32_t id = 0;
    int32_t offset = 0;   // position of the chunk's type field
    gCString name;
};

class CResourceDirectory {
public:
    CResourceDirectory() = default;
    ~CResourceDirectory();

    CResourceDirectory(const CResourceDirectory&) = delete;
    CResourceDirectory& operator=(const CResourceDirectory&) = delete;

    gCArray<sResourceDirectoryEntry*> entries;
    // 1 until a version chunk says otherwise.
    uint32_t version = 1;
};

// Appends the entries of every chunk of the stream (the directory is not cleared first); entries
// read before an error stay. eBadParameter for a null stream or one with nothing behind it.
eResultCode ReadResourceDirectory(CResourceDirectory& directory, gCStream* stream);
// The offset of the first entry with that id or name, -1 when there is none.
int32_t FindDirectoryEntryById(const CResourceDirectory& directory, uint32_t id);
int32_t FindDirectoryEntryByName(const CResourceDirectory& directory, const gCString& name);
// Deletes every entry; the version is kept.
void ClearResourceDirectory(CResourceDirectory& directory);

// Names match unit by unit, case-sensitively; a name without text matches nothing.
bool ResourceNamesMatch(const gCString& first, const gCString& second);
// Reads a name line and drops its last unit (the line end the stream keeps).
eResultCode ReadResourceName(gCStream& stream, gCString& name);

// The circular chunk search: from the stream's position to the end, then from the start back to
// that position. On success the stream stands at the chunk's payload and `foundId` and `foundName`
// hold the chunk's id and name; eResourceNotFound when no chunk matches, a stream error for a
// damaged file. `payloadEnd`, when given, receives the stream position where the chunk ends.
eResultCode FindChunkById(gCStream& stream, uint32_t type, uint32_t id, uint32_t& foundId, gCString& foundName,
                          int64_t* payloadEnd = nullptr);
eResultCode FindChunkByName(gCStream& stream, uint32_t type, const gCString& name, uint32_t& foundId,
                            gCString& foundName, int64_t* payloadEnd = nullptr);
