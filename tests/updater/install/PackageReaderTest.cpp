// The package frame, the archive header, the instruction text and the index.
#include "updater/install/PackageTestSupport.h"

#include "FileIO/gCFRef.h"
#include "FileIO/gCFile.h"
#include "FileIO/gCMemFile.h"
#include "updater/install/CPNUDesquasher.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

namespace {

const std::vector<std::string> kPlainLines = {"TYPE=UPDATER", "OS=OSX", "EXECUTE="};

struct sLayout {
    uint32_t textUnits;
    uint32_t indexLength;
    size_t TextStart() const { return 20; }
    size_t EndMarker() const { return 24 + 2 * textUnits; }
    size_t Count() const { return 32 + 2 * textUnits; }
    size_t FirstEntry() const { return 36 + 2 * textUnits; }
    size_t Header() const { return 32 + 2 * textUnits + indexLength; }
};

sLayout LayoutOf(const Bytes& archive)
{
    sLayout layout;
    memcpy(&layout.indexLength, &archive[12], 4);
    memcpy(&layout.textUnits, &archive[16], 4);
    return layout;
}

void Put32(Bytes& bytes, size_t at, uint32_t value) { memcpy(&bytes[at], &value, 4); }
void Put64(Bytes& bytes, size_t at, uint64_t value) { memcpy(&bytes[at], &value, 8); }

class PackageReader : public testing::Test {
protected:
    PackageReader() { host.installFolder = folder.Root(); }

    eResultCode Unpack(const Bytes& package)
    {
        gCMemFile stream;
        EXPECT_EQ(stream.Write(package.data(), int32_t(package.size())), eSuccess);
        return reader.UnpackUpdateFile(stream);
    }

    // The same package as a file, read in parts.
    eResultCode UnpackFile(const Bytes& package)
    {
        const std::filesystem::path path = folder.Root() / "update.pnu";
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(package.data()),
                                                    std::streamsize(package.size()));
        gCFRef ref{gCString(path.c_str())};
        gCFile file;
        EXPECT_EQ(file.Open(ref, gCFile::eAccessRead), eSuccess);
        return reader.UnpackUpdateFile(file);
    }

    eResultCode Read(const Bytes& archive)
    {
        PNU_TRY(Unpack(PackageFromArchive(archive)));
        return reader.ReadArchiveIndex();
    }

    TempFolder folder;
    RecordingHost host;
    CPNUDesquasher reader{&host, &host};
};

TEST_F(PackageReader, ReadsTheIndexAndTheInstructions)
{
    const Bytes archive = BuildArchive({"TYPE=UPDATER", "OS=OSX", "EXECUTE=", "FILENAME=Pintrel", "VERSIONNUMBER=2.1"},
                                       {{"/hello.txt", "Hi\n"}, {"/sub/dir/data.bin", std::string(5000, 'x')}});
    ASSERT_EQ(Read(archive), eSuccess);
    ASSERT_EQ(reader.GetFileCount(), 2);
    const std::string root = folder.Root().string();
    EXPECT_EQ(Utf8(reader.GetFinalPath(0)), root + "/hello.txt");
    EXPECT_EQ(Utf8(reader.GetFinalPath(1)), root + "/sub/dir/data.bin");
    EXPECT_EQ(reader.GetFileSize(1), 5000);
    EXPECT_EQ(Utf8(reader.GetType()), "UPDATER");
    EXPECT_EQ(Utf8(reader.GetOS()), "OSX");
    EXPECT_EQ(Utf8(reader.GetFileName()), "Pintrel");
    EXPECT_EQ(Utf8(reader.GetVersionNumber()), "2.1");
    EXPECT_TRUE(reader.GetExecute().IsEmpty());
    EXPECT_EQ(host.log.back(), " -- " + root + "/sub/dir/data.bin, 5000 bytes");
    EXPECT_TRUE(host.HasLine("T23", kStatusBlack));
    EXPECT_TRUE(host.HasLine("T24", kStatusBlack));
    EXPECT_TRUE(host.HasLine("T25", kStatusBlack));
}

TEST_F(PackageReader, ParsesInstructionLinesLeniently)
{
    const Bytes archive = BuildArchive({"  os = osx ", "build=full2", "Execute=/bin/run", "EXECUTE", "type=updater",
                                        "unknown=1", "VersionNumber = 3"},
                                       {{" \t/name.txt \t", "n"}});
    ASSERT_EQ(Read(archive), eSuccess);
    EXPECT_EQ(Utf8(reader.GetOS()), "OSX");
    EXPECT_EQ(Utf8(reader.GetBuild()), "FULL2");
    EXPECT_TRUE(reader.GetExecute().IsEmpty()) << "a later key without = clears the value";
    EXPECT_EQ(Utf8(reader.GetType()), "updater") << "TYPE is upper-cased only by the target check";
    EXPECT_EQ(Utf8(reader.GetVersionNumber()), "3");
    EXPECT_EQ(Utf8(reader.GetFinalPath(0)), folder.Root().string() + "/name.txt");
}

TEST_F(PackageReader, ReadsBigEndianTextAlike)
{
    Bytes archive = BuildArchive({"OS=osx", "BUILD=b"}, {{"/a", "a"}});
    const sLayout layout = LayoutOf(archive);
    for (uint32_t i = 0; i < layout.textUnits; ++i)
        std::swap(archive[layout.TextStart() + 2 * i], archive[layout.TextStart() + 2 * i + 1]);
    ASSERT_EQ(Read(archive), eSuccess);
    EXPECT_EQ(Utf8(reader.GetInstructionText()), "OS=osx\rBUILD=b\r");
    EXPECT_EQ(Utf8(reader.GetOS()), "OSX");
}

TEST_F(PackageReader, CutsTheTextAtItsFirstZeroUnit)
{
    Bytes archive = BuildArchive({"OS=LINUX", "BUILD=x"}, {{"/a", "a"}});
    const sLayout layout = LayoutOf(archive);
    archive[layout.TextStart() + 2 * 10] = 0; // the unit after the mark and "OS=LINUX\r"
    ASSERT_EQ(Read(archive), eSuccess);
    EXPECT_EQ(Utf8(reader.GetInstructionText()), "OS=LINUX\r");
    EXPECT_TRUE(reader.GetBuild().IsEmpty());
}

struct sFrameCase {
    const char* name;
    eResultCode expected;
    Bytes (*damage)(Bytes package);
};

TEST_F(PackageReader, ChecksThePackageFrame)
{
    const sFrameCase cases[] = {
        {"WrongHeadMagic", eGenericFailure, [](Bytes p) { p[0] = 'X'; return p; }},
        {"WrongTailMagic", eGenericFailure, [](Bytes p) { p[p.size() - 1] = 'X'; return p; }},
        {"VersionTwo", eGenericFailure, [](Bytes p) { p[8] = 2; return p; }},
        {"ShorterThanItsFrame", eGenericFailure, [](Bytes p) { p.resize(19); return p; }},
        {"EmptyFile", eGenericFailure, [](Bytes) { return Bytes(); }},
        {"PayloadCut", eInvalidFile, [](Bytes p) { p.erase(p.begin() + 30); return p; }},
        {"RawLengthTooLarge", eInvalidFile, [](Bytes p) { p[12] = 0x7F; return p; }},
        {"FrameWithoutLength", eInvalidFile, [](Bytes) { return Bytes({'P', 'N', '2', 'S', 'Q', 'U', 'S', 'H', 1, 0, 0, 0, 0, 0,
                                                                       'P', 'N', '2', 'S', 'Q', 'U', 'S', 'H'}); }},
    };
    const Bytes package = PackageFromArchive(BuildArchive(kPlainLines, {{"/a", std::string(200, 'a')}}));
    for (const sFrameCase& c : cases) {
        EXPECT_EQ(Unpack(c.damage(package)), c.expected) << c.name;
        EXPECT_EQ(UnpackFile(c.damage(package)), c.expected) << c.name << " from a file";
    }
}

TEST_F(PackageReader, DecodesAPackageFileInPartsAsItDecodesOneInMemory)
{
    // Several parts, with tokens across every part's end.
    const Bytes archive = BuildArchive(kPlainLines, {{"/a", RandomLetters(3 << 20, 4)}, {"/b", std::string(5000, 'b')}});
    const Bytes package = PackageFromArchive(archive);
    const auto archiveNow = [&] { return Bytes(reader.GetArchive().GetData(), reader.GetArchive().GetData() + reader.GetArchive().GetSize()); };
    ASSERT_EQ(UnpackFile(package), eSuccess);
    EXPECT_TRUE(archiveNow() == archive);
    ASSERT_EQ(Unpack(package), eSuccess);
    EXPECT_TRUE(archiveNow() == archive);
    // A payload cut anywhere gives a short output, from either reading.
    for (const size_t at : {size_t(20), package.size() / 3, package.size() / 2, package.size() - 9}) {
        Bytes cut = package;
        cut.erase(cut.begin() + ptrdiff_t(at), cut.end() - 8);
        EXPECT_EQ(Unpack(cut), eInvalidFile) << at;
        EXPECT_EQ(UnpackFile(cut), eInvalidFile) << at;
    }
}

// A stream that claims one byte more than a package may have.
class OversizedStream : public gCMemFile {
public:
    int64_t GetLength() override { return 100000001; }
};

// A stream that claims exactly the largest size a package may have.
class LargestStream : public gCMemFile {
public:
    int64_t GetLength() override { return 100000000; }
};

TEST_F(PackageReader, RefusesPackagesAboveTheSizeLimit)
{
    OversizedStream oversized;
    EXPECT_EQ(reader.UnpackUpdateFile(oversized), eOutOfRange);
    // At the limit the frame is read (and this one's magic refused).
    LargestStream largest;
    ASSERT_EQ(largest.Write("PN2XXXXX", 8), eSuccess);
    EXPECT_EQ(reader.UnpackUpdateFile(largest), eGenericFailure);
}

struct sArchiveCase {
    const char* name;
    eResultCode expected;
    void (*damage)(Bytes& archive, const sLayout& layout);
};

TEST_F(PackageReader, ChecksTheArchiveHeaderAndIndex)
{
    const sArchiveCase cases[] = {
        {"WrongMagic", eGenericFailure, [](Bytes& a, const sLayout&) { a[3] = 'X'; }},
        {"VersionThree", eGenericFailure, [](Bytes& a, const sLayout&) { Put32(a, 8, 3); }},
        {"IndexTooLong", eOutOfRange, [](Bytes& a, const sLayout&) { Put32(a, 12, 65537); }},
        {"TextTooLong", eOutOfRange, [](Bytes& a, const sLayout&) { Put32(a, 16, 65537); }},
        {"HeaderPastTheArchive", eStreamError, [](Bytes& a, const sLayout&) { Put32(a, 12, 65536); }},
        {"ShorterThanAFirstLook", eStreamError, [](Bytes& a, const sLayout&) { a.resize(100); }},
        {"EmptyText", eGenericFailure, [](Bytes& a, const sLayout& l) { a[l.TextStart()] = 0; a[l.TextStart() + 1] = 0; }},
        {"TextMarker", eGenericFailure, [](Bytes& a, const sLayout& l) { a[l.EndMarker() + 3] ^= 1; }},
        {"NoFiles", eStreamError, [](Bytes& a, const sLayout& l) { Put32(a, l.Count(), 0); }},
        {"NegativeCount", eStreamError, [](Bytes& a, const sLayout& l) { Put32(a, l.Count(), 0xFFFFFFFFu); }},
        {"TooManyFiles", eStreamError, [](Bytes& a, const sLayout& l) { Put32(a, l.Count(), 1048576); }},
        {"CountPastTheIndex", eStreamError, [](Bytes& a, const sLayout& l) { Put32(a, l.Count(), 3); }},
        {"FileTooLarge", eOutOfRange, [](Bytes& a, const sLayout& l) { Put64(a, l.FirstEntry(), 100000001); }},
        {"FirstFieldMarker", eGenericFailure, [](Bytes& a, const sLayout& l) { a[l.FirstEntry() + 8] ^= 1; }},
        {"SecondFieldMarker", eGenericFailure, [](Bytes& a, const sLayout& l) { a[l.FirstEntry() + 16 + 6 + 7] ^= 1; }},
        {"NameRunsPastTheIndex", eStreamError, [](Bytes& a, const sLayout& l) {
             for (size_t i = l.FirstEntry() + 16; i < l.Header(); ++i)
                 a[i] = 'z';
         }},
    };
    const Bytes archive = BuildArchive(kPlainLines, {{"/ab", "content"}});
    for (const sArchiveCase& c : cases) {
        Bytes damaged = archive;
        c.damage(damaged, LayoutOf(archive));
        EXPECT_EQ(Read(damaged), c.expected) << c.name;
    }
}

TEST_F(PackageReader, ReportsTheArchiveVersionItFound)
{
    Bytes archive = BuildArchive(kPlainLines, {{"/a", "a"}});
    Put32(archive, 8, 7);
    ASSERT_EQ(Read(archive), eGenericFailure);
    EXPECT_TRUE(host.HasLine("T73A: 4, F: 7", kStatusRed));
}

TEST_F(PackageReader, RefusesNamesOutsideTheInstallFolder)
{
    const char* const names[] = {"", "   ", "/", "a.txt", "/../x", "/a/../../b", "/a/..", "/./a", "//a", "/a//b",
                                 "/a/", "\\..\\x", ":..:x", "..", "/..\\evil"};
    for (const char* name : names) {
        const Bytes archive = BuildArchive(kPlainLines, {{"/fine.txt", "f"}, {name, "bad"}});
        host.lines.clear();
        EXPECT_EQ(Read(archive), eGenericFailure) << "'" << name << "'";
    }
}

TEST_F(PackageReader, AcceptsOtherSeparatorsInsideTheFolder)
{
    ASSERT_EQ(Read(BuildArchive(kPlainLines, {{"\\win\\name.txt", "w"}, {":mac:name.txt", "m"}})), eSuccess);
    EXPECT_EQ(Utf8(reader.GetFinalPath(0)), folder.Root().string() + "/win/name.txt");
    EXPECT_EQ(Utf8(reader.GetFinalPath(1)), folder.Root().string() + "/mac/name.txt");
}

TEST_F(PackageReader, RefusesAProgramOutsideTheInstallFolder)
{
    for (const char* execute : {"EXECUTE=/../bin/sh", "EXECUTE=/usr/../../bin/sh", "EXECUTE=bin/sh", "EXECUTE=/"}) {
        const Bytes archive = BuildArchive({execute}, {{"/a", "a"}});
        EXPECT_EQ(Read(archive), eGenericFailure) << execute;
    }
    ASSERT_EQ(Read(BuildArchive({"EXECUTE=/bin/tool"}, {{"/a", "a"}})), eSuccess);
    EXPECT_EQ(Utf8(reader.GetExecute()), "/bin/tool");
}

TEST_F(PackageReader, ANewIndexReplacesTheOneBefore)
{
    Bytes broken = BuildArchive(kPlainLines, {{"/one", "1"}, {"/two/../../x", "2"}});
    ASSERT_EQ(Read(broken), eGenericFailure);
    ASSERT_EQ(Read(BuildArchive(kPlainLines, {{"/three", "3"}})), eSuccess);
    ASSERT_EQ(reader.GetFileCount(), 1);
    EXPECT_EQ(Utf8(reader.GetFinalPath(0)), folder.Root().string() + "/three");
    // Nor do a refused package's instructions: its program and its target are gone.
    ASSERT_EQ(Read(BuildArchive({"OS=WIN", "EXECUTE=/../bin/sh"}, {{"/a", "a"}})), eGenericFailure);
    ASSERT_EQ(Read(BuildArchive({}, {{"/a", "a"}})), eSuccess);
    EXPECT_EQ(Utf8(reader.GetExecute()), "");
    EXPECT_EQ(reader.CheckTarget(), eSuccess);
}

struct sTargetCase {
    const char* name;
    std::vector<std::string> lines;
    const char* installedBuild;
    eResultCode expected;
};

TEST_F(PackageReader, ChecksTheTarget)
{
    const sTargetCase cases[] = {
        {"NoLines", {}, "FULL2", eSuccess},
        {"OsLowerCase", {"OS=osx"}, "", eSuccess},
        {"OtherOs", {"OS=Linux"}, "", eGenericFailure},
        {"UpdaterIgnoresBuild", {"TYPE=updater", "BUILD=OTHER"}, "FULL2", eSuccess},
        {"UpdaterStillNeedsOs", {"TYPE=UPDATER", "OS=WIN"}, "FULL2", eGenericFailure},
        {"SameBuild", {"BUILD=full2"}, "FULL2", eSuccess},
        {"OtherBuild", {"BUILD=LITE"}, "FULL2", eGenericFailure},
        {"InstalledBuildNotUpperCased", {"BUILD=full2"}, "full2", eGenericFailure},
        {"NoInstalledBuild", {"BUILD=LITE"}, "", eSuccess},
    };
    for (const sTargetCase& c : cases) {
        host.buildString = c.installedBuild;
        CPNUDesquasher fresh(&host, &host);
        gCMemFile stream;
        const Bytes package = PackageFromArchive(BuildArchive(c.lines, {{"/a", "a"}}));
        ASSERT_EQ(stream.Write(package.data(), int32_t(package.size())), eSuccess);
        ASSERT_EQ(fresh.UnpackUpdateFile(stream), eSuccess) << c.name;
        ASSERT_EQ(fresh.ReadArchiveIndex(), eSuccess) << c.name;
        EXPECT_EQ(fresh.CheckTarget(), c.expected) << c.name;
    }
}

} // namespace
