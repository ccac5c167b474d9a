// The package builder tool writes the archive layout the reader expects, byte for byte.
#include "updater/codec/CodecTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

Bytes Hex(const char* text)
{
    Bytes bytes;
    for (const char* p = text; *p;) {
        if (*p == ' ' || *p == '\n') {
            ++p;
            continue;
        }
        bytes.push_back(uint8_t(std::stoi(std::string(p, 2), nullptr, 16)));
        p += 2;
    }
    return bytes;
}

Bytes ReadFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

class PackageBuilder : public testing::Test {
protected:
    void SetUp() override
    {
        mFolder = std::filesystem::temp_directory_path() / ("pnupack-test-" + std::to_string(getpid()));
        std::filesystem::create_directories(mFolder);
        std::ofstream(mFolder / "hello.txt", std::ios::binary) << "Hi\n";
    }
    void TearDown() override { std::filesystem::remove_all(mFolder); }

    Bytes Run(const std::string& arguments)
    {
        const std::filesystem::path output = mFolder / "out.bin";
        const std::string command = std::string(PNU_BINARY_DIR) + "/tools/pnupack/pnupack " + arguments + " '"
            + output.string() + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return ReadFile(output);
    }

    // The status and all the tool printed; the time limit only ends a tool that hangs.
    std::pair<int, std::string> RunSaying(const std::string& prefix, const std::string& arguments)
    {
        const std::filesystem::path said = mFolder / "said";
        const std::string command = "timeout 60 " + prefix + "'" + std::string(PNU_BINARY_DIR)
            + "/tools/pnupack/pnupack' " + arguments + " >'" + said.string() + "' 2>&1";
        const int status = std::system(command.c_str());
        const Bytes text = ReadFile(said);
        std::filesystem::remove(said);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, std::string(text.begin(), text.end())};
    }

    std::string Hello() const { return "--file /hello.txt '" + (mFolder / "hello.txt").string() + "' 644"; }

    std::filesystem::path mFolder;
};

TEST_F(PackageBuilder, WritesTheArchiveLayout)
{
    const Bytes archive = Run("--line TYPE=UPDATER --line OS=OSX --line EXECUTE= " + Hello() + " --archive");
    EXPECT_EQ(archive, Hex(R"(
        50 4E 32 55 53 51 53 48 04 00 00 00 32 00 00 00 1E 00 00 00 FF FE 54 00 59 00 50 00 45 00 3D 00 55 00
        50 00 44 00 41 00 54 00 45 00 52 00 0D 00 4F 00 53 00 3D 00 4F 00 53 00 58 00 0D 00 45 00 58 00 45 00
        43 00 55 00 54 00 45 00 3D 00 0D 00 00 00 00 00 8F 7A 54 E1 1E 45 A7 00 01 00 00 00 03 00 00 00 00 00
        00 00 8F 6A 54 E1 1E 45 A6 00 2F 00 68 00 65 00 6C 00 6C 00 6F 00 2E 00 74 00 78 00 74 00 00 00 8F 6A
        54 E1 1E 45 A6 00 8F 7A 54 E1 1E 45 A7 00 8F 6A 54 E1 1E 45 A6 00 00 00 00 00 8F 6A 54 E1 1E 45 A6 00
        03 00 00 00 00 00 00 00 8F 6A 54 E1 1E 45 A6 00 00 00 00 00 00 00 00 00 A4 01 8F 6A 54 E1 1E 45 A6 00
        48 69 0A 8F 7A 54 E1 1E 45 A7 00)"));
}

TEST_F(PackageBuilder, FramesTheArchiveWithMethodEight)
{
    const std::string arguments = "--line TYPE=UPDATER --line OS=OSX --line EXECUTE= " + Hello();
    const Bytes archive = Run(arguments + " --archive");
    const Bytes package = Run(arguments);
    ASSERT_EQ(package.size(), 179u);
    EXPECT_EQ(Bytes(package.begin(), package.begin() + 17),
              Hex("50 4E 32 53 51 55 53 48 01 00 00 00 00 00 00 D7 02"));
    EXPECT_EQ(Bytes(package.end() - 8, package.end()), BytesOf("PN2SQUSH"));
    Bytes decoded;
    ASSERT_EQ(DecodeBytes(8, Bytes(package.begin() + 12, package.end() - 8), decoded), eSuccess);
    EXPECT_EQ(decoded, archive);
}

// A bad input is refused with one line naming it and the reason, and nothing is left at the output.
TEST_F(PackageBuilder, RefusesABadInputByNameAndReasonAndWritesNothing)
{
    const std::string folder = mFolder.string();
    ASSERT_EQ(::mkfifo((mFolder / "pipe").c_str(), 0644), 0);
    std::ofstream(mFolder / "locked") << "x";
    std::filesystem::permissions(mFolder / "locked", std::filesystem::perms::none);
    std::ofstream(mFolder / "large") << std::string(20000, 'x');
    // The superuser reads any file: the unreadable one is read as another user.
    const std::string asOther = ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    // A write that fails half-way: files are limited to 8 KB (and the limit's signal ignored).
    const std::string limited = "sh -c 'ulimit -f 16; trap \"\" XFSZ; exec \"$0\" \"$@\"' ";
    const std::string output = " '" + folder + "/out.bin'";
    const auto in = [&](const char* name) { return folder + "/" + name; };
    const auto file = [](const std::string& name, const std::string& source) {
        return "--file '" + name + "' '" + source + "' ";
    };
    const std::string kClashReasons = ": it is given twice, is or lies below the .tmp or .old partner of another "
                                      "name, or is a name the updater keeps for itself";
    const struct {
        const char* name;
        std::string prefix;
        std::string arguments;
        std::string line;
    } cases[] = {
        {"Folder", "", file("/x", folder), "cannot read " + folder + ": Is a directory"},
        {"MissingFile", "", file("/x", in("missing")),
         "cannot read " + in("missing") + ": No such file or directory"},
        {"UnreadableFile", asOther, file("/x", in("locked")), "cannot read " + in("locked") + ": Permission denied"},
        {"Pipe", "", file("/x", in("pipe")), "cannot read " + in("pipe") + ": not a regular file"},
        {"NoLeadingSeparator", "", file("x", in("hello.txt")),
         "--file \"x\": the name does not start with a separator"},
        {"Climbing", "", file("/a/../x", in("hello.txt")), "--file \"/a/../x\": the name leaves the install folder"},
        {"NameTwice", "", file("/a", in("hello.txt")) + file("/a", in("hello.txt")),
         "--file \"/a\": the name is not acceptable" + kClashReasons},
        {"TheLog", "", file("/Pintrel Updater.app/Contents/UpdateResults.log", in("hello.txt")),
         "--file \"/Pintrel Updater.app/Contents/UpdateResults.log\": the name is not acceptable" + kClashReasons},
        {"FileAndFolder", "", file("/a", in("hello.txt")) + file("/a/b", in("hello.txt")),
         "--file \"/a\": the package holds it both as a file and as a folder"},
        {"WriteFailing", limited, file("/large", in("large")) + "--archive",
         "cannot write " + in("out.bin") + ": File too large"},
    };
    for (const auto& c : cases) {
        const auto [status, said] = RunSaying(c.prefix, c.arguments + output);
        EXPECT_EQ(status, 1) << c.name;
        EXPECT_EQ(said, "pnupack: " + c.line + "\n") << c.name;
        EXPECT_FALSE(std::filesystem::exists(mFolder / "out.bin")) << c.name;
    }
    std::filesystem::create_directory(mFolder / "out.bin");
    EXPECT_EQ(RunSaying("", Hello() + output),
              std::pair(1, "pnupack: cannot write " + in("out.bin") + ": Is a directory\n"));
    EXPECT_TRUE(std::filesystem::is_empty(mFolder / "out.bin"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(mFolder), {}), 5) << "a part of the output was left";

    const auto [status, said] = RunSaying("", "--help");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(said.substr(0, said.find('\n')), "usage: pnupack [--line KEY=VALUE]... [--text TEXT] [--file NAME SOURCE "
                                                "[MODE]]... [--archive] [--unchecked-names] OUTPUT");
    for (const char* option : {"--line", "--text", "--file", "--archive", "--unchecked-names", "--help"})
        EXPECT_NE(said.find(std::string("\n  ") + option), std::string::npos) << option;
}

} // namespace
