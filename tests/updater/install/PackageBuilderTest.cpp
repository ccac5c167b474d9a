// The package builder tool writes the archive layout the reader expects, byte for byte.
#include "updater/codec/CodecTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
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

} // namespace
