#include "platform/SystemMemory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <sys/mman.h>

namespace {

constexpr uintptr_t kLarge = uintptr_t(2) << 20;

// The parts of [begin, end) whose mapping carries the large-page advice, in bytes from begin.
std::vector<std::pair<uintptr_t, uintptr_t>> AdvisedParts(uintptr_t begin, uintptr_t end)
{
    std::vector<std::pair<uintptr_t, uintptr_t>> parts;
    std::ifstream maps("/proc/self/smaps");
    uintptr_t from = 0;
    uintptr_t to = 0;
    for (std::string line; std::getline(maps, line);) {
        unsigned long a = 0;
        unsigned long b = 0;
        // A mapping's line starts "begin-end "; only those read as two numbers.
        if (sscanf(line.c_str(), "%lx-%lx ", &a, &b) == 2) {
            from = a;
            to = b;
        } else if (line.rfind("VmFlags:", 0) == 0 && line.find(" hg") != std::string::npos && from < end && to > begin) {
            parts.emplace_back(std::max(from, begin) - begin, std::min(to, end) - begin);
        }
    }
    return parts;
}

} // namespace

TEST(PlatformLargePages, AdviseOnlyTheWholeLargePagesInsideTheBlockAndKeepItsBytes)
{
    if (!std::ifstream("/sys/kernel/mm/transparent_hugepage/enabled"))
        GTEST_SKIP() << "the system has no large pages to advise";
    struct sCase {
        uintptr_t offset;
        uintptr_t length;
        std::vector<std::pair<uintptr_t, uintptr_t>> advised; // from the region's start
    };
    const sCase cases[] = {
        {0, 4 * kLarge, {{0, 4 * kLarge}}},
        {1, 3 * kLarge, {{kLarge, 3 * kLarge}}},
        {kLarge / 2, kLarge, {}},
        {0, kLarge - 1, {}},
    };
    for (const sCase& c : cases) {
        // A region of whole large pages, fresh for each case.
        void* mapped = mmap(nullptr, 6 * kLarge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(mapped, MAP_FAILED);
        const uintptr_t region = (uintptr_t(mapped) + kLarge - 1) / kLarge * kLarge;
        uint8_t* block = reinterpret_cast<uint8_t*>(region + c.offset);
        memset(block, 0x5A, c.length);
        plat::AdviseLargePages(block, c.length);
        EXPECT_EQ(AdvisedParts(region, region + 4 * kLarge), c.advised) << c.offset << " " << c.length;
        EXPECT_EQ(block[0], 0x5A);
        EXPECT_EQ(block[c.length - 1], 0x5A);
        munmap(mapped, 6 * kLarge);
    }
    plat::AdviseLargePages(nullptr, 4 * kLarge);
}
