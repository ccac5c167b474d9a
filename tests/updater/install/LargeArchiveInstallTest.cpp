// A product larger than a package may be: the archive inside a package is limited only by memory,
// so 300 MB of files install from a package of a few kilobytes.
#include "updater/install/PackageTestSupport.h"

#include "FileIO/gCMemFile.h"
#include "updater/install/CPNUDesquasher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace {

constexpr uint64_t kFileSize = 75000000;

const uint8_t kFieldMarker[8] = {0x8F, 0x6A, 0x54, 0xE1, 0x1E, 0x45, 0xA6, 0x00};
const uint8_t kEndMarker[8] = {0x8F, 0x7A, 0x54, 0xE1, 0x1E, 0x45, 0xA7, 0x00};

// The package builder's archive for small stand-ins (each file one seed), then coded with every
// seed repeated to kFileSize and every size field saying so.
Bytes LargePackage(const std::vector<Bytes>& seeds)
{
    std::vector<sPackFile> files;
    for (size_t i = 0; i < seeds.size(); ++i)
        files.push_back({"/big/part" + std::to_string(i) + ".bin", std::string(seeds[i].begin(), seeds[i].end())});
    const Bytes archive = BuildArchive({"VERSIONNUMBER=9"}, files);

    RepeatPayload payload(0xFE);
    Bytes pending;
    size_t next = 0;
    for (size_t at = 0; at < archive.size();) {
        // A size field (8 bytes, then a field marker) holding a seed's length.
        const bool sizeField = at + 16 <= archive.size() && archive[at] == 8
            && std::all_of(archive.begin() + at + 1, archive.begin() + at + 8, [](uint8_t b) { return b == 0; })
            && std::equal(kFieldMarker, kFieldMarker + 8, archive.begin() + at + 8);
        // A record's data: the seed, then the record's end marker.
        const bool seed = next < seeds.size() && at + 16 <= archive.size()
            && std::equal(seeds[next].begin(), seeds[next].end(), archive.begin() + at)
            && std::equal(kEndMarker, kEndMarker + 8, archive.begin() + at + 8);
        if (sizeField) {
            for (int b = 0; b < 8; ++b)
                pending.push_back(uint8_t(kFileSize >> (8 * b)));
            at += 8;
        } else if (seed) {
            payload.Literals(pending);
            pending.clear();
            payload.Repeat(seeds[next++], kFileSize);
            at += 8;
        } else {
            pending.push_back(archive[at++]);
        }
    }
    payload.Literals(pending);
    EXPECT_EQ(next, seeds.size());

    Bytes package = BytesOf("PN2SQUSH");
    package.insert(package.end(), {1, 0, 0, 0});
    const Bytes frame = payload.Frame();
    package.insert(package.end(), frame.begin(), frame.end());
    const Bytes tail = BytesOf("PN2SQUSH");
    package.insert(package.end(), tail.begin(), tail.end());
    return package;
}

// Bytes at a few places of an installed file: the start, the middle and the end.
bool HoldsRepeatsOf(const std::filesystem::path& path, const Bytes& seed)
{
    std::ifstream file(path, std::ios::binary);
    for (uint64_t at : {uint64_t(0), kFileSize / 2 + 3, kFileSize - 8}) {
        char byte[8];
        file.seekg(std::streamoff(at));
        if (!file.read(byte, 8))
            return false;
        for (uint64_t k = 0; k < 8; ++k) {
            if (uint8_t(byte[k]) != seed[(at + k) % 8])
                return false;
        }
    }
    return true;
}

TEST(LargeArchive, ThreeHundredMegabytesInstallFromASmallPackage)
{
    const std::vector<Bytes> seeds = {Bytes(8, 0), BytesOf("repeat-1"), BytesOf("repeat-2"), BytesOf("repeat-3")};
    const Bytes package = LargePackage(seeds);
    ASSERT_LT(package.size(), 100000u);

    TempFolder folder;
    RecordingHost host;
    host.installFolder = folder.Root();
    CPNUDesquasher installer(&host, &host, nullptr);
    gCMemFile stream;
    ASSERT_EQ(stream.Write(package.data(), int32_t(package.size())), eSuccess);
    ASSERT_EQ(installer.InstallPackage(stream), eSuccess);

    for (size_t i = 0; i < seeds.size(); ++i) {
        const std::filesystem::path path = folder.Root() / "big" / ("part" + std::to_string(i) + ".bin");
        ASSERT_EQ(std::filesystem::file_size(path), kFileSize) << i;
        EXPECT_TRUE(HoldsRepeatsOf(path, seeds[i])) << i;
    }
}

} // namespace
