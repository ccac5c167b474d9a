#include "sound/WaveReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Hex(const std::string& text)
{
    std::vector<uint8_t> bytes;
    std::string digits;
    for (char c : text)
        if (std::isxdigit(static_cast<unsigned char>(c)))
            digits += c;
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        bytes.push_back(uint8_t(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return bytes;
}

// Hand-written: 8-bit mono at 8000 Hz with 4 sample bytes.
const char* const kPlainWave =
    "52494646 28000000 57415645"                    // RIFF, 40, WAVE
    "666d7420 10000000 0100 0100 401f0000 401f0000 0100 0800"  // fmt, PCM, 1 ch, 8000 Hz, align 1, 8 bits
    "64617461 04000000 80 ff 00 7f";                // data, 4 bytes

struct sWaveCase {
    const char* label;
    std::string hex;
    bool zeroBitsAsEight;
    eResultCode result;
    uint32_t bits, channels, rate, dataSize;
};

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    text.replace(text.find(from), from.size(), to);
    return text;
}

} // namespace

TEST(WaveReader, AppliesTheLayoutRulesInOrder)
{
    const std::string plain = kPlainWave;
    const sWaveCase cases[] = {
        {"plain 8-bit mono", plain, true, eSuccess, 8, 1, 8000, 4},
        {"16-bit stereo",
         "52494646 28000000 57415645 666d7420 10000000 0100 0200 44ac0000 10b10200 0400 1000"
         "64617461 04000000 0100 ffff",
         true, eSuccess, 16, 2, 44100, 4},
        {"fact chunk before data",
         "52494646 34000000 57415645 666d7420 10000000 0100 0100 401f0000 401f0000 0100 0800"
         "66616374 04000000 04000000 64617461 04000000 80808080",
         true, eSuccess, 8, 1, 8000, 4},
        {"LIST chunk before data",
         "52494646 34000000 57415645 666d7420 10000000 0100 0100 401f0000 401f0000 0100 0800"
         "4c495354 04000000 494e464f 64617461 04000000 80808080",
         true, eInvalidFile, 0, 0, 0, 0},
        {"fmt of 18 bytes is skipped by its size",
         "52494646 2a000000 57415645 666d7420 12000000 0100 0100 401f0000 401f0000 0100 0800 0000"
         "64617461 04000000 80808080",
         true, eSuccess, 8, 1, 8000, 4},
        {"float samples pass as 8-bit",
         "52494646 28000000 57415645 666d7420 10000000 0300 0100 401f0000 007d0000 0400 2000"
         "64617461 04000000 0000803f",
         true, eSuccess, 32, 1, 8000, 4},
        {"three channels with a matching block align",
         "52494646 28000000 57415645 666d7420 10000000 0100 0300 401f0000 c05d0000 0300 0800"
         "64617461 03000000 808080 00",
         true, eSuccess, 8, 3, 8000, 3},
        {"bits 0 with block align 1 in a stream", Replace(plain, "0100 0800", "0100 0000"), true,
         eSuccess, 8, 1, 8000, 4},
        {"bits 0 with block align 1 in raw bytes", Replace(plain, "0100 0800", "0100 0000"), false,
         eInvalidFile, 0, 0, 0, 0},
        {"block align 0", Replace(plain, "0100 0800", "0000 0800"), true, eInvalidFile, 0, 0, 0, 0},
        {"sample rate 0", Replace(plain, "401f0000 401f0000", "00000000 401f0000"), true, eInvalidFile,
         0, 0, 0, 0},
        {"data past the end", Replace(plain, "64617461 04000000", "64617461 05000000"), true,
         eInvalidFile, 0, 0, 0, 0},
        {"RIFF size past the end and its slack", Replace(plain, "52494646 28000000", "52494646 2d000000"), true,
         eInvalidFile, 0, 0, 0, 0},
        {"not RIFF", Replace(plain, "52494646", "52494658"), true, eInvalidFile, 0, 0, 0, 0},
        {"fmt not right after WAVE", Replace(plain, "666d7420", "666d7421"), true, eInvalidFile, 0, 0,
         0, 0},
        {"fewer than 20 bytes", "52494646 28000000 57415645 666d7420 1000", true, eInvalidFile, 0, 0,
         0, 0},
        {"fmt size past the end", Replace(plain, "666d7420 10000000", "666d7420 ffffff7f"), true,
         eStreamError, 0, 0, 0, 0},
    };
    for (const sWaveCase& test : cases) {
        SCOPED_TRACE(test.label);
        std::vector<uint8_t> bytes = Hex(test.hex);
        CByteSpanReader reader(bytes.data(), int64_t(bytes.size()));
        sWaveLayout layout;
        EXPECT_EQ(ReadWaveLayout(reader, reader.GetLength(), layout, test.zeroBitsAsEight), test.result);
        if (test.result == eSuccess) {
            EXPECT_EQ(layout.bits, test.bits);
            EXPECT_EQ(layout.channels, test.channels);
            EXPECT_EQ(layout.rate, test.rate);
            EXPECT_EQ(layout.dataSize, test.dataSize);
            EXPECT_EQ(layout.dataOffset, int64_t(bytes.size()) - int64_t(test.dataSize) -
                                             (test.channels == 3 ? 1 : 0));
            EXPECT_EQ(reader.GetPos(), layout.dataOffset);
        }
    }
}

TEST(WaveReader, StartsAtTheReadersPosition)
{
    std::vector<uint8_t> bytes = Hex("01020304" + std::string(kPlainWave));
    CByteSpanReader reader(bytes.data(), int64_t(bytes.size()));
    ASSERT_EQ(reader.SetPos(4), eSuccess);
    sWaveLayout layout;
    ASSERT_EQ(ReadWaveLayout(reader, reader.GetLength(), layout, true), eSuccess);
    EXPECT_EQ(layout.dataOffset, 4 + 44);
}
