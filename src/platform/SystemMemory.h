// How much memory the system could still hand to this program, so that a size read from a file
// is refused before an allocation the system would grant lazily and then fail to back.
#pragma once

#include <cstdint>

namespace plat {

class SystemMemory {
public:
    virtual ~SystemMemory() = default;
    // Bytes the system can still give without swapping out other programs (free memory plus
    // caches it would drop), and within this process's limits on its address space and data
    // segment; 0 when unknown.
    virtual uint64_t AvailableBytes() const = 0;
};

// Puts `memory` in place (null restores the system's). The caller keeps ownership.
void SetSystemMemory(SystemMemory* memory);

// The available bytes of the memory figure in use.
uint64_t GetAvailableMemory();

// Gives the pages lying wholly inside the bytes back to the system at once, as freeing a large
// block would one by one; the block stays the caller's, its bytes read as zero afterwards.
void ReleasePages(void* block, uint64_t bytes);

// Asks for the pages lying wholly inside the bytes to be backed by large pages where the system
// offers them: a table read or written at scattered places then costs far fewer address
// translations. Only a hint; the bytes stay as they are.
void AdviseLargePages(void* block, uint64_t bytes);

// Tests and fuzzers: a machine that always has `bytes` to give.
class FixedSystemMemory final : public SystemMemory {
public:
    explicit FixedSystemMemory(uint64_t bytes) : mBytes(bytes) {}
    uint64_t AvailableBytes() const override { return mBytes; }

private:
    uint64_t mBytes;
};

} // namespace plat
