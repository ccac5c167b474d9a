#include "support/ResourceFixtures.h"
#include "support/TempFolder.h"

#include "FileIO/gCMemFile.h"
#include "platform/AudioDevice.h"
#include "sound/CSound.h"
#include "sound/CSoundPlayer.h"
#include "sound/WaveFile.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::string U32(uint32_t value)
{
    std::string bytes;
    for (int i = 0; i < 4; ++i)
        bytes += char((value >> (8 * i)) & 0xFF);
    return bytes;
}

std::string U16(uint16_t value)
{
    return std::string{char(value & 0xFF), char(value >> 8)};
}

std::string Wave(uint16_t channels, uint16_t bits, uint32_t rate, const std::string& samples)
{
    uint16_t align = uint16_t(channels * bits / 8);
    std::string body = "WAVEfmt " + U32(16) + U16(1) + U16(channels) + U32(rate) + U32(rate * align) + U16(align) +
                       U16(bits) + "data" + U32(uint32_t(samples.size())) + samples;
    return "RIFF" + U32(uint32_t(body.size())) + body;
}

std::string Ramp(size_t count)
{
    std::string bytes;
    for (size_t i = 0; i < count; ++i)
        bytes += char(i & 0xFF);
    return bytes;
}

class Sound : public ::testing::Test {
protected:
    TestResourceFile& Open(const std::string& bytes)
    {
        (void)file.Close();
        EXPECT_EQ(file.OpenAt(folder.WriteFile("sound.wav", bytes)), eSuccess);
        return file;
    }

    ScopedResourceContext scope;
    plat::ManualAudioBackend backend{22000};
    TempFolder folder;
    TestResourceFile file;
};

} // namespace

TEST_F(Sound, FormatChangesKeepFramesOrBytes)
{
    CSound sound;
    ASSERT_EQ(sound.SetFrameCount(100), eSuccess);
    ASSERT_EQ(sound.SetBitsPerSample(16), eSuccess);
    EXPECT_EQ(sound.GetDataLength(), 200);
    EXPECT_EQ(sound.GetSampleBlock().GetSize(), 200u);

    CSound stereo;
    ASSERT_EQ(stereo.SetFrameCount(100), eSuccess);
    ASSERT_EQ(stereo.SetStereo(1), eSuccess);
    EXPECT_EQ(stereo.GetDataLength(), 100);
    EXPECT_EQ(stereo.GetBytesPerFrame(), 2u);
    EXPECT_EQ(stereo.GetSampleBlock().GetData()[99], 0);
}

TEST_F(Sound, DurationsUseSixtyFourBitArithmetic)
{
    CSound sound;
    ASSERT_EQ(sound.SetFormat(16, 0, 22000, 22000), eSuccess);
    EXPECT_EQ(sound.GetDuration(), 1000u);
    // 2,000,000,000 bytes: the product with 1000 does not fit 32 bits.
    ASSERT_EQ(sound.SetFormat(16, 1, 44100, 500000000), eSuccess);
    EXPECT_EQ(sound.GetDuration(), 11337868u);
    ASSERT_EQ(sound.SetFormat(8, 0, 0, 10), eSuccess);
    EXPECT_EQ(sound.GetDuration(), 0u);

    ASSERT_EQ(sound.SetFormat(16, 0, 48000, 0), eSuccess);
    ASSERT_EQ(sound.SetDuration(60000), eSuccess);
    EXPECT_EQ(sound.GetDataLength(), 48000 * 60 * 2);
    // An hour of 16-bit stereo at 192 kHz passes 2 GB: refused instead of wrapping.
    ASSERT_EQ(sound.SetFormat(16, 1, 192000, 0), eSuccess);
    EXPECT_EQ(sound.SetDuration(3600000), eNoMemory);
}

TEST_F(Sound, WithoutAnApplicationTheOperationsThatNeedItFail)
{
    SetResourceContext(nullptr);
    CSound sound;
    EXPECT_EQ(sound.SetFrameCount(10), eGenericFailure);
    EXPECT_EQ(sound.SetDuration(10), eGenericFailure);
    EXPECT_EQ(sound.Play(0), -1);
    EXPECT_EQ(sound.IsPlaying(), 0);
    EXPECT_EQ(sound.LoadWave(&file), eGenericFailure);
    EXPECT_EQ(CSound::CreateFromId(90000, nullptr, nullptr), nullptr);
    SetResourceContext(&scope.context);
}

TEST_F(Sound, LoadsWaveFilesWholeFramesOnly)
{
    CSound sound;
    // 16-bit stereo with one stray byte: rounded down to whole frames.
    ASSERT_EQ(sound.LoadWave(&Open(Wave(2, 16, 44100, Ramp(9)))), eSuccess);
    EXPECT_EQ(sound.IsSixteenBit(), 1u);
    EXPECT_EQ(sound.IsStereo(), 1u);
    EXPECT_EQ(sound.GetRate(), 44100u);
    EXPECT_EQ(sound.GetDataLength(), 8);
    EXPECT_EQ(std::memcmp(sound.LockSamples(), Ramp(8).data(), 8), 0);
}

TEST_F(Sound, RefusedWavesLeaveTheFormat)
{
    const struct {
        const char* label;
        std::string bytes;
        eResultCode result;
    } cases[] = {
        {"not RIFF", "RIFX" + Wave(1, 8, 8000, Ramp(8)).substr(4), eNotWritten},
        {"fewer than 20 bytes", "RIFF" + U32(4) + "WAVE", eInvalidFile},
        {"sample rate 0", Wave(1, 8, 0, Ramp(8)), eInvalidFile},
        {"data past the end", Wave(1, 8, 8000, Ramp(8)).substr(0, 50), eInvalidFile},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.label);
        CSound sound;
        TestResourceFile& stream = Open("xx" + test.bytes);
        ASSERT_EQ(stream.SetPos(2), eSuccess);
        EXPECT_EQ(sound.LoadWave(&stream), test.result);
        EXPECT_EQ(sound.GetRate(), 22000u);
        EXPECT_EQ(sound.GetBytesPerFrame(), 1u);
        if (test.result == eNotWritten) {
            EXPECT_EQ(stream.GetPos(), 2);
        }
    }
}

TEST_F(Sound, WrittenWaveReadsBackTheSame)
{
    CSound sound;
    ASSERT_EQ(sound.SetFormat(16, 1, 11025, 0), eSuccess);
    ASSERT_EQ(sound.SetFrameCount(5), eSuccess);
    std::memcpy(sound.LockSamples(), Ramp(20).data(), 20);
    gCMemFile memory;
    ASSERT_EQ(WriteWave(memory, sound), eSuccess);
    EXPECT_EQ(memory.GetLength(), 44 + 20);
    ASSERT_EQ(memory.Rewind(), eSuccess);
    CSound back;
    ASSERT_EQ(LoadWaveChecked(memory, back), eSuccess);
    EXPECT_EQ(back.IsStereo(), 1u);
    EXPECT_EQ(back.IsSixteenBit(), 1u);
    EXPECT_EQ(back.GetRate(), 11025u);
    ASSERT_EQ(back.GetDataLength(), 20);
    EXPECT_EQ(std::memcmp(back.LockSamples(), Ramp(20).data(), 20), 0);

    CSound empty;
    EXPECT_EQ(WriteWave(memory, empty), eNoMemory);
}

TEST_F(Sound, BlockFormReadsAWholeFileInMemory)
{
    std::string bytes = Wave(1, 8, 8000, Ramp(6));
    CMemBlockT<uint8_t> block(uint32_t(bytes.size()));
    std::memcpy(block.GetData(), bytes.data(), bytes.size());
    CSound sound;
    ASSERT_EQ(LoadWaveData(block, sound), eSuccess);
    EXPECT_EQ(sound.GetDataLength(), 6);
    EXPECT_EQ(sound.LockSamples()[5], 5);
}

TEST_F(Sound, ShortAndEmptySoundsPlayAndFinish)
{
    for (size_t frames : {0, 1, 2, 3}) {
        SCOPED_TRACE(frames);
        CSound sound;
        ASSERT_EQ(sound.LoadWave(&Open(Wave(1, 8, 22000, Ramp(frames)))), eSuccess);
        // Three frames make one playable frame, which a looping voice repeats for ever.
        for (int32_t passes : {1, -1}) {
            if (frames == 3 && passes == -1)
                continue;
            int32_t id = sound.Play(passes, 0);
            EXPECT_GE(id, 0);
            (void)backend.Pump(64);
            EXPECT_EQ(sound.IsPlaying(), 0);
        }
        scope.player.TidyVoices();
        EXPECT_EQ(scope.player.GetVoiceCount(), 0);
    }
}

TEST_F(Sound, PlaysAndStopsThroughThePlayer)
{
    CSound sound;
    ASSERT_EQ(sound.LoadWave(&Open(Wave(1, 8, 22000, Ramp(1000)))), eSuccess);
    int32_t first = sound.Play(-1, 0);
    int32_t second = sound.Play(0);
    EXPECT_GE(first, 0);
    EXPECT_GT(second, first);
    EXPECT_EQ(sound.IsPlaying(), 1);
    std::vector<int16_t> out = backend.Pump(141);
    // Two voices of the same samples, mixed: (k - 128) * 256 twice.
    EXPECT_EQ(out[2 * 140], int16_t(2 * (140 - 128) * 256));
    scope.player.StopVoice(first);
    EXPECT_EQ(scope.player.GetVoiceCount(), 1);
    // Changing the format stops the sound's voices first.
    ASSERT_EQ(sound.SetStereo(1), eSuccess);
    EXPECT_EQ(sound.IsPlaying(), 0);
    EXPECT_EQ(scope.player.GetVoiceCount(), 0);
    EXPECT_EQ(backend.GetMixer().GetVoiceCount(), 0);
}

TEST_F(Sound, WithoutSoundOutputVoicesFailAndAreTidied)
{
    plat::SilentAudioBackend silent;
    plat::SetAudioBackend(&silent);
    CSound sound;
    ASSERT_EQ(sound.SetFrameCount(100), eSuccess);
    EXPECT_EQ(sound.Play(0), -1);
    EXPECT_EQ(sound.IsPlaying(), 0);
    EXPECT_EQ(scope.player.GetVoiceCount(), 1);
    scope.player.TidyVoices();
    EXPECT_EQ(scope.player.GetVoiceCount(), 0);
    plat::SetAudioBackend(&backend);
}

TEST_F(Sound, StreamedSoundIsReadOnTheCallingThread)
{
    CSound sound;
    TestResourceFile& stream = Open(Wave(1, 8, 22000, Ramp(300)));
    ASSERT_EQ(sound.AttachWaveStream(&stream), eSuccess);
    EXPECT_EQ(sound.LockSamples(), nullptr);
    EXPECT_EQ(sound.GetDataLength(), 300);
    ASSERT_EQ(stream.SetPos(7), eSuccess);
    ASSERT_GE(sound.Play(0), 0);
    EXPECT_EQ(stream.GetPos(), 7);
    std::vector<int16_t> out = backend.Pump(300);
    EXPECT_EQ(out[2 * 297], int16_t((297 - 256 - 128) * 256));
    EXPECT_EQ(sound.IsPlaying(), 0);
    // Another pitch gets no data at all.
    ASSERT_GE(sound.Play(5), 0);
    (void)backend.Pump(16);
    EXPECT_EQ(sound.IsPlaying(), 0);
}

TEST_F(Sound, LoadsFromTheResourceFile)
{
    std::string wave = Wave(1, 16, 22050, Ramp(40));
    // Hand-written: 'audi' 90000 "Ok", a byte count, then the WAV file.
    std::string chunk = "idua" + U32(uint32_t(4 + 6 + 4 + wave.size())) + U32(90000) +
                        std::string("O\0k\0\n\0", 6) + U32(uint32_t(wave.size())) + wave;
    // 'audi' 90001 whose payload ends before its byte count.
    std::string broken = "idua" + U32(4 + 2 + 2) + U32(90001) + std::string("\n\0", 2) + "xx";
    ASSERT_EQ(scope.UseResourceFile(folder.WriteFile("sounds.mrf", chunk + broken)), eSuccess);

    CSound* sound = CSound::CreateFromId(90000, nullptr, nullptr);
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(Utf8(sound->GetName()), "Ok");
    EXPECT_EQ(sound->GetDataLength(), 40);
    delete sound;

    CSound* byName = CSound::CreateFromName(gCString(u"Ok"), nullptr, nullptr);
    ASSERT_NE(byName, nullptr);
    EXPECT_EQ(byName->GetId(), 90000u);
    delete byName;

    EXPECT_EQ(CSound::CreateFromId(90001, nullptr, nullptr), nullptr);
    EXPECT_EQ(ScopedResourceContext::LastErrors(), "23 Sound load size failed.\n");
    EXPECT_EQ(CSound::CreateFromId(5, nullptr, nullptr), nullptr);
}

TEST_F(Sound, CompiledSoundLoadsAndPlays)
{
    std::string samples;
    for (int i = 0; i < 200; ++i)
        samples += U16(uint16_t(i * 100));
    folder.WriteFile("tone.wav", Wave(1, 16, 22000, samples));
    std::string path = CompileResources(folder.Path(), "resources", "sounds.mrs",
                                        "version 1\nsound 90000 \"PNU Success\" \"tone.wav\"\n");
    ASSERT_FALSE(path.empty());
    ASSERT_EQ(scope.UseResourceFile(path), eSuccess);
    CSound* sound = CSound::CreateFromName(gCString(u"PNU Success"), nullptr, nullptr);
    ASSERT_NE(sound, nullptr);
    ASSERT_GE(sound->Play(0), 0);
    std::vector<int16_t> out = backend.Pump(10);
    EXPECT_EQ(out[2 * 9], 900);
    delete sound;
    EXPECT_EQ(scope.player.GetVoiceCount(), 0);
}
