// A package whose archive would not fit in the memory that can be had, or whose files would not
// fit on the install folder's disk beside the current ones, is refused before anything is
// written, with a red line naming both figures.
#include "updater/install/PackageTestSupport.h"

#include "FileIO/gCMemFile.h"
#include "platform/DiskSpace.h"
#include "platform/SystemMemory.h"
#include "updater/install/CPNUDesquasher.h"

#include <gtest/gtest.h>

namespace {

const FileTree kOldProduct = {
    {"Pintrel 2.app/Contents/Resources/system.msf", std::string(9000, 'o')},
    {"Readme.txt", "old readme"},
};

// 5000 bytes take two 4096-byte blocks, 9000 three, 10 one: 24576 bytes beside 16 MB kept back.
const std::vector<sPackFile> kNewFiles = {
    {"/Pintrel 2.app/Contents/Resources/system.msf", std::string(9000, 'n')},
    {"/Pintrel 2.app/Contents/Plugins/brushes.dat", std::string(5000, 'b')},
    {"/Readme.txt", "new readme"},
};
constexpr uint64_t kDiskNeeded = 24576 + (16 << 20);
constexpr uint64_t kMemoryMargin = 64 << 20;

struct sRoomCase {
    const char* name;
    uint64_t memory;  // beyond the archive's length and the margin
    int64_t disk;     // beyond what the files need
    const char* line; // the red line's start, or null when the install goes ahead
};

TEST(PackageRoom, PackagesThatCannotFitAreRefusedBeforeAnythingIsWritten)
{
    const Bytes archive = BuildArchive({"TYPE=UPDATER"}, kNewFiles);
    const Bytes package = PackageFromArchive(archive);
    const uint64_t memoryNeeded = archive.size() + kMemoryMargin;
    const std::string memoryLine = "The update needs " + std::to_string(memoryNeeded)
        + " bytes of memory, but only " + std::to_string(memoryNeeded - 1) + " bytes can be had.";
    const std::string diskLine = "The update needs " + std::to_string(kDiskNeeded)
        + " bytes on the disk of the install folder, but only " + std::to_string(kDiskNeeded - 1)
        + " bytes are free.";
    const sRoomCase cases[] = {
        {"MemoryShortByAByte", uint64_t(-1), 0, memoryLine.c_str()},
        {"DiskShortByAByte", 0, -1, diskLine.c_str()},
        {"BothJustEnough", 0, 0, nullptr},
    };
    for (const sRoomCase& c : cases) {
        TempFolder folder;
        WriteTree(folder.Root(), kOldProduct);
        RecordingHost host;
        host.installFolder = folder.Root();
        plat::FixedSystemMemory memory(memoryNeeded + c.memory);
        plat::FixedDiskSpace disk(uint64_t(int64_t(kDiskNeeded) + c.disk));
        plat::SetSystemMemory(&memory);
        plat::SetDiskSpace(&disk);
        gCMemFile stream;
        ASSERT_EQ(stream.Write(package.data(), int32_t(package.size())), eSuccess);
        CPNUDesquasher installer(&host, &host);
        const eResultCode result = installer.InstallPackage(stream);
        plat::SetSystemMemory(nullptr);
        plat::SetDiskSpace(nullptr);
        if (c.line == nullptr) {
            EXPECT_EQ(result, eSuccess) << c.name;
            continue;
        }
        EXPECT_EQ(result, eGenericFailure) << c.name;
        EXPECT_TRUE(host.HasLine(c.line, kStatusRed)) << c.name << ": " << host.lines.back().text;
        // Not even the journal or a leftover ".tmp": the folder is as it was.
        EXPECT_EQ(ReadTree(folder.Root()), kOldProduct) << c.name;
    }
}

} // namespace
