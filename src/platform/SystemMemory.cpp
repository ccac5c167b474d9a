#include "platform/SystemMemory.h"

#include <cstdio>
#include <cstring>
#include <sys/mman.h>
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

class SystemFigure final : public SystemMemory {
public:
    uint64_t AvailableBytes() const override
    {
        const uint64_t available = MemAvailableLine();
        if (available != 0)
            return available;
        const long pages = sysconf(_SC_AVPHYS_PAGES);
        const long pageSize = sysconf(_SC_PAGESIZE);
        return pages > 0 && pageSize > 0 ? uint64_t(pages) * uint64_t(pageSize) : 0;
    }
};

SystemFigure gSystemFigure;
SystemMemory* gMemory = &gSystemFigure;

} // namespace

SystemMemory& GetSystemMemory() { return *gMemory; }

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

} // namespace plat
