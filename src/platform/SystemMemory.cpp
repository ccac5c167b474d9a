#include "platform/SystemMemory.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

namespace plat {
namespace {

// "MemAvailable:   123456 kB" from /proc/meminfo; 0 when the kernel does not give it.
uint64_t MemAvailableLine()
{
    FILE* file = fopen("/proc/meminfo", "r");
    if (file == nullptr)
        return 0;
    char line[256];
    unsigned long long kilobytes = 0;
    while (fgets(line, sizeof line, file) != nullptr) {
        if (strncmp(line, "MemAvailable:", 13) == 0) {
            if (sscanf(line + 13, "%llu", &kilobytes) != 1)
                kilobytes = 0;
            break;
        }
    }
    fclose(file);
    return uint64_t(kilobytes) * 1024;
}

uint64_t PhysicalBytes()
{
    const uint64_t available = MemAvailableLine();
    if (available != 0)
        return available;
    const long pages = sysconf(_SC_AVPHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? uint64_t(pages) * uint64_t(pageSize) : 0;
}

// What a limit on this process still allows, given what it uses; 0 without a limit. A limit
// reached already leaves a byte, so that the answer never reads as unknown.
uint64_t UnderLimit(int resource, uint64_t used)
{
    rlimit limit{};
    if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 0;
    return uint64_t(limit.rlim_cur) > used ? uint64_t(limit.rlim_cur) - used : 1;
}

// The address space this process maps and its data segment (heap, private writable mappings
// and stack), from /proc/self/statm in pages.
bool MappedBytes(uint64_t& addressSpace, uint64_t& data)
{
    FILE* file = fopen("/proc/self/statm", "r");
    if (file == nullptr)
        return false;
    unsigned long long size = 0, resident = 0, shared = 0, text = 0, library = 0, dataPages = 0;
    const int read = fscanf(file, "%llu %llu %llu %llu %llu %llu", &size, &resident, &shared, &text, &library,
                            &dataPages);
    fclose(file);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (read != 6 || pageSize <= 0)
        return false;
    addressSpace = uint64_t(size) * uint64_t(pageSize);
    data = uint64_t(dataPages) * uint64_t(pageSize);
    return true;
}

// The smallest of the figures that are known (non-zero); 0 when none is.
uint64_t SmallestKnown(std::initializer_list<uint64_t> figures)
{
    uint64_t smallest = 0;
    for (uint64_t figure : figures) {
        if (figure != 0 && (smallest == 0 || figure < smallest))
            smallest = figure;
    }
    return smallest;
}

class SystemFigure final : public SystemMemory {
public:
    // Physical memory is not all: a limit on the address space or the data segment refuses an
    // allocation the machine could back.
    uint64_t AvailableBytes() const override
    {
        uint64_t addressSpace = 0;
        uint64_t data = 0;
        if (!MappedBytes(addressSpace, data))
            return PhysicalBytes();
        return SmallestKnown({PhysicalBytes(), UnderLimit(RLIMIT_AS, addressSpace), UnderLimit(RLIMIT_DATA, data)});
    }
};

SystemFigure gSystemFigure;
SystemMemory* gMemory = &gSystemFigure;

} // namespace

void SetSystemMemory(SystemMemory* memory) { gMemory = memory ? memory : &gSystemFigure; }

uint64_t GetAvailableMemory() { return gMemory->AvailableBytes(); }

void ReleasePages(void* block, uint64_t bytes)
{
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (!block || pageSize <= 0)
        return;
    const uintptr_t page = uintptr_t(pageSize);
    const uintptr_t begin = (uintptr_t(block) + page - 1) / page * page;
    const uintptr_t end = (uintptr_t(block) + bytes) / page * page;
    if (begin < end)
        (void)madvise(reinterpret_cast<void*>(begin), size_t(end - begin), MADV_DONTNEED);
}

void AdviseLargePages(void* block, uint64_t bytes)
{
    // The usual large page; where the system's differs, the advice covers a little less.
    constexpr uintptr_t kLargePage = uintptr_t(2) << 20;
    if (!block)
        return;
    const uintptr_t begin = (uintptr_t(block) + kLargePage - 1) / kLargePage * kLargePage;
    const uintptr_t end = (uintptr_t(block) + bytes) / kLargePage * kLargePage;
    if (begin < end)
        (void)madvise(reinterpret_cast<void*>(begin), size_t(end - begin), MADV_HUGEPAGE);
}

} // namespace plat
