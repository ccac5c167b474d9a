#include "support/ResourceFixtures.h"
#include "support/TempFolder.h"

#include "resources/CResourceDirectory.h"
#include "resources/gCResourceObject.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

namespace {

// Hand-written: version 2, then 'abcd' 5 "Hi" with a u32 payload, then 'wxyz' 6 with an empty
// name ended by CR LF and a two-byte payload.
const char* const kTwoChunks = R"(
    73726576 04000000 02000000          | 'vers' size 4, version 2          offset 0
    64636261 0e000000 05000000          | 'abcd' size 14, id 5              offset 12
    48006900 0a00 07000000              | "Hi" LF, payload 7
    7a797877 0a000000 06000000          | 'wxyz' size 10, id 6              offset 34
    0d000a00 beef                       | CR LF, payload
)";

constexpr uint32_t kAbcd = FourCharCode("abcd");
constexpr uint32_t kWxyz = FourCharCode("wxyz");

class ResourceFile : public ::testing::Test {
protected:
    TestResourceFile& Open(const std::string& hex)
    {
        EXPECT_EQ(file.OpenAt(folder.WriteFile("test.mrf", HexBytes(hex))), eSuccess);
        return file;
    }

    TempFolder folder;
    TestResourceFile file;
};

class Probe : public gCResourceObject {};

} // namespace

TEST_F(ResourceFile, DirectoryListsChunksAfterTheVersion)
{
    CResourceDirectory directory;
    ASSERT_EQ(ReadResourceDirectory(directory, &Open(kTwoChunks)), eSuccess);
    EXPECT_EQ(directory.version, 2u);
    ASSERT_EQ(directory.entries.GetSize(), 2);
    EXPECT_EQ(directory.entries[0]->id, 5u);
    EXPECT_EQ(directory.entries[0]->offset, 12);
    EXPECT_EQ(Utf8(directory.entries[0]->name), "Hi");
    EXPECT_EQ(directory.entries[1]->id, 6u);
    EXPECT_EQ(directory.entries[1]->offset, 34);
    EXPECT_EQ(directory.entries[1]->name.GetLength(), 0);
    EXPECT_EQ(FindDirectoryEntryById(directory, 6), 34);
    EXPECT_EQ(FindDirectoryEntryByName(directory, gCString(u"Hi")), 12);
    EXPECT_EQ(FindDirectoryEntryByName(directory, gCString(u"")), -1);
    EXPECT_EQ(FindDirectoryEntryById(directory, 7), -1);
}

TEST_F(ResourceFile, DirectoryEdgeCases)
{
    CResourceDirectory empty;
    EXPECT_EQ(FindDirectoryEntryById(empty, 0), -1);
    EXPECT_EQ(empty.version, 1u);
    EXPECT_EQ(ReadResourceDirectory(empty, nullptr), eBadParameter);
    TestResourceFile closed;
    EXPECT_EQ(ReadResourceDirectory(empty, &closed), eBadParameter);

    CResourceDirectory twoVersions;
    ASSERT_EQ(ReadResourceDirectory(twoVersions, &Open("73726576 04000000 02000000 73726576 04000000 01000000")),
              eSuccess);
    EXPECT_EQ(twoVersions.version, 1u);
    EXPECT_EQ(twoVersions.entries.GetSize(), 0);
}

TEST_F(ResourceFile, DamagedFilesGiveStreamErrorsAndKeepEarlierEntries)
{
    const std::string good = "64636261 0a000000 05000000 4100 0a00 0000";
    const struct {
        const char* label;
        std::string tail;
    } cases[] = {
        {"cut inside the id", "64636261 0a000000 0500"},
        {"size past the end", "64636261 0a000000 05000000 4100 0a00"},
        {"size near 4 GB", "64636261 f8ffffff 05000000 4100 0a00"},
        {"version cut off", "73726576 0400"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.label);
        TestResourceFile damaged;
        ASSERT_EQ(damaged.OpenAt(folder.WriteFile("damaged.mrf", HexBytes(good + test.tail))), eSuccess);
        CResourceDirectory directory;
        EXPECT_EQ(ReadResourceDirectory(directory, &damaged), eStreamError);
        ASSERT_EQ(directory.entries.GetSize(), 1);
        EXPECT_EQ(directory.entries[0]->id, 5u);
    }
}

TEST_F(ResourceFile, ChunkSearchFindsByIdAndNameAndLeavesThePayload)
{
    TestResourceFile& stream = Open(kTwoChunks);
    Probe probe;
    ASSERT_EQ(probe.FindResourceById(kWxyz, 6, &stream), eSuccess);
    EXPECT_EQ(probe.GetId(), 6u);
    EXPECT_EQ(probe.GetName().GetLength(), 0);
    EXPECT_EQ(stream.GetPos(), 34 + 16);

    ASSERT_EQ(stream.SetPos(0), eSuccess);
    ASSERT_EQ(probe.FindResourceByName(kAbcd, gCString(u"Hi"), &stream), eSuccess);
    EXPECT_EQ(probe.GetId(), 5u);
    EXPECT_EQ(Utf8(probe.GetName()), "Hi");
    int32_t payload = 0;
    ASSERT_EQ(stream.ReadLong(payload), eSuccess);
    EXPECT_EQ(payload, 7);

    EXPECT_EQ(probe.FindResourceByName(kWxyz, gCString(u""), &stream), eResourceNotFound);
    EXPECT_EQ(probe.FindResourceById(kAbcd, 6, &stream), eResourceNotFound);
}

TEST_F(ResourceFile, SearchWrapsOnceFromTheCurrentPosition)
{
    // Two 'abcd' 1 chunks told apart by their names; a third type between them.
    TestResourceFile& stream = Open(R"(
        64636261 08000000 01000000 4100 0a00      | 'abcd' 1 "A"   offset 0
        7a797877 04000000 02000000                | 'wxyz' 2 ""... size 4 = id only, no name line
        64636261 08000000 01000000 4200 0a00      | 'abcd' 1 "B"   offset 28
    )");
    Probe probe;
    ASSERT_EQ(stream.SetPos(28), eSuccess);
    ASSERT_EQ(probe.FindResourceById(kAbcd, 1, &stream), eSuccess);
    EXPECT_EQ(Utf8(probe.GetName()), "B");
    // From the end it wraps to the start and finds the first.
    ASSERT_EQ(probe.FindResourceById(kAbcd, 1, &stream), eSuccess);
    EXPECT_EQ(Utf8(probe.GetName()), "A");
    // A chunk that is not there: one full circle from the middle, then 22.
    ASSERT_EQ(stream.SetPos(16), eSuccess);
    EXPECT_EQ(probe.FindResourceById(kAbcd, 9, &stream), eResourceNotFound);
}

TEST_F(ResourceFile, SearchOfADamagedChainEndsAfterOneCircle)
{
    // Found by fuzzing: from the end of the file the search wraps to the start, and the chain
    // leads back to a chunk head that runs into the end again, below the starting position. The
    // search must stop there instead of going round for ever.
    TestResourceFile& stream = Open(R"(
        7a797877 00000000                         | 'wxyz' size 0: the next head is at 8
        64636261                                  | a head cut after its type, ending the file
    )");
    Probe probe;
    ASSERT_EQ(stream.SetPos(12), eSuccess);
    EXPECT_EQ(probe.FindResourceById(kAbcd, 1, &stream), eResourceNotFound);
    ASSERT_EQ(stream.SetPos(12), eSuccess);
    EXPECT_EQ(probe.FindResourceByName(kAbcd, gCString(u"A"), &stream), eResourceNotFound);
}

TEST_F(ResourceFile, ChunksOfTheWantedTypeWithAnotherIdAreSkippedBySize)
{
    // The first chunk's payload looks like a chunk head of the wanted id: reading it as a chunk
    // would find a false "id 2".
    TestResourceFile& stream = Open(R"(
        64636261 16000000 01000000 0a00           | 'abcd' 1 "", size 22
        64636261 08000000 02000000 5800 0a00      | payload that looks like 'abcd' 2 "X"
        64636261 08000000 02000000 5900 0a00      | the real 'abcd' 2 "Y"
    )");
    Probe probe;
    ASSERT_EQ(probe.FindResourceById(kAbcd, 2, &stream), eSuccess);
    EXPECT_EQ(Utf8(probe.GetName()), "Y");
}

TEST_F(ResourceFile, SearchOnDamagedOrClosedFiles)
{
    Probe probe;
    TestResourceFile closed;
    EXPECT_EQ(probe.FindResourceById(kAbcd, 1, &closed), eInvalidFile);
    EXPECT_EQ(probe.FindResourceById(kAbcd, 1, nullptr), eInvalidFile);
    EXPECT_EQ(probe.FindResourceById(kAbcd, 1, &Open("64636261 ffffff7f 01000000")), eStreamError);
    TestResourceFile empty;
    ASSERT_EQ(empty.OpenAt(folder.WriteFile("empty.mrf", "")), eSuccess);
    EXPECT_EQ(probe.FindResourceById(kAbcd, 1, &empty), eResourceNotFound);
}

TEST_F(ResourceFile, CompiledFileReadsBackThroughTheLoaders)
{
    std::string path = CompileResources(folder.Path(), "resources", "round.mrs", R"(
version 2
chunk 'abcd' 13 "Thirteen" {
    u16 13 13
}
chunk 'abcd' 14 "" {
    u32 0xDEADBEEF
}
)");
    ASSERT_FALSE(path.empty());
    TestResourceFile stream;
    ASSERT_EQ(stream.OpenAt(path), eSuccess);
    CResourceDirectory directory;
    ASSERT_EQ(ReadResourceDirectory(directory, &stream), eSuccess);
    EXPECT_EQ(directory.version, 2u);
    ASSERT_EQ(directory.entries.GetSize(), 2);
    Probe probe;
    ASSERT_EQ(probe.FindResourceByName(kAbcd, gCString(u"Thirteen"), &stream), eSuccess);
    uint16_t first = 0;
    ASSERT_EQ(stream.ReadUShort(first), eSuccess);
    EXPECT_EQ(first, 13);
    ASSERT_EQ(stream.SetPos(FindDirectoryEntryById(directory, 14)), eSuccess);
    ASSERT_EQ(probe.FindResourceById(kAbcd, 14, &stream), eSuccess);
    uint32_t value = 0;
    ASSERT_EQ(stream.ReadULong(value), eSuccess);
    EXPECT_EQ(value, 0xDEADBEEFu);
}
