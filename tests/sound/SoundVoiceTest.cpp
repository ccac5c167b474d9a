#include "sound/SoundVoice.h"

#include "platform/AudioDevice.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

const int kSoundTag = 0;
const void* const kSound = &kSoundTag;

sSoundView View8(const std::vector<uint8_t>& bytes, bool stereo = false)
{
    sSoundView view;
    view.samples = bytes.data();
    view.length = int32_t(bytes.size());
    view.stereo = stereo;
    view.bytesPerFrame = stereo ? 2 : 1;
    view.rate = 22000;
    return view;
}

sSoundView View16(const std::vector<int16_t>& samples)
{
    sSoundView view;
    view.samples = reinterpret_cast<const uint8_t*>(samples.data());
    view.length = int32_t(samples.size() * 2);
    view.sixteenBit = 1;
    view.bytesPerFrame = 2;
    view.rate = 44100;
    return view;
}

std::vector<uint8_t> Ramp8(int n)
{
    std::vector<uint8_t> bytes(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        bytes[size_t(i)] = uint8_t(i);
    return bytes;
}

std::unique_ptr<SoundVoice> MakeVoice(const sSoundView& view, int32_t passes, int32_t semitones)
{
    return std::unique_ptr<SoundVoice>(new SoundVoice(kSound, view, passes, semitones));
}

std::vector<int16_t> Samples16(const uint8_t* bytes, int32_t count)
{
    std::vector<int16_t> samples(size_t(count) / 2);
    std::memcpy(samples.data(), bytes, samples.size() * 2);
    return samples;
}

} // namespace

TEST(SoundVoice, PitchRatioIsTwoToTheTwelfthRoot)
{
    EXPECT_FLOAT_EQ(SemitonesToPitchRatio(0), 1.0f);
    EXPECT_FLOAT_EQ(SemitonesToPitchRatio(12), 2.0f);
    EXPECT_FLOAT_EQ(SemitonesToPitchRatio(-12), 0.5f);
}

TEST(SoundVoice, OwnPitchCopiesAllButTheLastTwoFrames)
{
    std::vector<uint8_t> bytes = Ramp8(100);
    auto voice = MakeVoice(View8(bytes), 1, 0);
    std::vector<uint8_t> out(SoundVoice::kBufferSize);
    ASSERT_EQ(voice->FillVoiceBuffer(out.data()), 98);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 98, out.begin()));
    EXPECT_EQ(voice->FillVoiceBuffer(out.data()), 0);
}

TEST(SoundVoice, OctaveUpTakesEverySecondFrame)
{
    std::vector<int16_t> samples(1000);
    for (int i = 0; i < 1000; ++i)
        samples[size_t(i)] = int16_t(i);
    auto voice = MakeVoice(View16(samples), 1, 12);
    std::vector<uint8_t> out(SoundVoice::kBufferSize);
    int32_t bytes = voice->FillVoiceBuffer(out.data());
    ASSERT_EQ(bytes, 499 * 2);
    std::vector<int16_t> played = Samples16(out.data(), bytes);
    for (int i = 0; i < 499; ++i)
        ASSERT_EQ(played[size_t(i)], 2 * i) << i;
}

TEST(SoundVoice, OctaveDownInterpolatesWithWeightsOneTo256)
{
    std::vector<int16_t> samples(600);
    for (int i = 0; i < 600; ++i)
        samples[size_t(i)] = int16_t(256 * i);
    auto voice = MakeVoice(View16(samples), 1, -12);
    std::vector<uint8_t> out(SoundVoice::kBufferSize);
    int32_t bytes = voice->FillVoiceBuffer(out.data());
    std::vector<int16_t> played = Samples16(out.data(), bytes);
    ASSERT_GE(played.size(), size_t(4));
    EXPECT_EQ(played[0], 1);
    EXPECT_EQ(played[1], 129);
    EXPECT_EQ(played[2], 257);
    EXPECT_EQ(played[3], 385);
}

TEST(SoundVoice, PassesRepeatInsideTheSameBuffer)
{
    std::vector<uint8_t> bytes = Ramp8(10);
    auto twice = MakeVoice(View8(bytes), 2, 0);
    std::vector<uint8_t> out(SoundVoice::kBufferSize);
    ASSERT_EQ(twice->FillVoiceBuffer(out.data()), 16);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(out[size_t(i)], i % 8);
    EXPECT_EQ(twice->GetPasses(), 0);

    auto forever = MakeVoice(View8(bytes), -1, 0);
    // Whole passes of 8 frames until less than 256 frames of room are left.
    EXPECT_EQ(forever->FillVoiceBuffer(out.data()), 2017 * 8);
    EXPECT_GT(forever->FillVoiceBuffer(out.data()), 0);
}

TEST(SoundVoice, SoundsOfFewerThanThreeFramesPlayNothing)
{
    for (int frames : {0, 1, 2}) {
        for (int32_t passes : {1, 2, -1}) {
            SCOPED_TRACE(frames);
            std::vector<uint8_t> bytes = Ramp8(frames);
            sSoundView view = View8(bytes);
            if (frames == 0)
                view.samples = nullptr;
            auto voice = MakeVoice(view, passes, 0);
            std::vector<uint8_t> out(SoundVoice::kBufferSize);
            EXPECT_EQ(voice->FillVoiceBuffer(out.data()), 0);
        }
    }
}

TEST(SoundVoice, LoopingAPassShorterThanOneOutputFrameEnds)
{
    std::vector<uint8_t> bytes = Ramp8(3);
    for (int32_t semitones : {24, 5000, -5000}) {
        SCOPED_TRACE(semitones);
        auto voice = MakeVoice(View8(bytes), -1, semitones);
        std::vector<uint8_t> out(SoundVoice::kBufferSize);
        EXPECT_LE(voice->FillVoiceBuffer(out.data()), 2);
    }
}

TEST(SoundVoice, StreamedSoundPlaysOnlyAtItsOwnPitch)
{
    std::vector<uint8_t> bytes = Ramp8(100);
    sSoundView view = View8(bytes);
    view.fromStream = true;
    std::vector<uint8_t> out(SoundVoice::kBufferSize);
    EXPECT_EQ(MakeVoice(view, 1, 0)->FillVoiceBuffer(out.data()), 98);
    EXPECT_EQ(MakeVoice(view, 1, 3)->FillVoiceBuffer(out.data()), 0);
}

TEST(SoundVoice, WithoutSoundOutputTheVoiceFailsAtOnce)
{
    std::vector<uint8_t> bytes = Ramp8(100);
    auto voice = MakeVoice(View8(bytes), 1, 0);
    voice->Start(nullptr);
    EXPECT_EQ(voice->GetId(), -1);
    EXPECT_TRUE(voice->IsFinished());
}

TEST(SoundVoice, PlaysThroughTheMixerWithoutGapsAndFinishes)
{
    plat::ManualAudioBackend backend(44100);
    std::vector<int16_t> samples(20000);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(i * 3);
    auto voice = MakeVoice(View16(samples), 1, 0);
    voice->Start(&backend.GetMixer());
    ASSERT_GE(voice->GetId(), 0);
    std::vector<int16_t> left;
    // The voice counts as finished once its last refill comes up empty, which is while the
    // other buffer still plays: pump on past that.
    for (int block = 0; block < 30; ++block) {
        std::vector<int16_t> out = backend.Pump(1024);
        for (size_t i = 0; i < out.size(); i += 2)
            left.push_back(out[i]);
    }
    EXPECT_TRUE(voice->IsFinished());
    ASSERT_GE(left.size(), samples.size() - 2);
    for (size_t i = 0; i < samples.size() - 2; ++i)
        ASSERT_EQ(left[i], samples[i]) << i;
    EXPECT_EQ(left[samples.size() - 2], 0);
    voice->Dispose();
    EXPECT_EQ(backend.GetMixer().GetVoiceCount(), 0);
}

TEST(SoundVoice, ShortSoundQueuesOneBufferAndFinishesAtTheFirstCallback)
{
    plat::ManualAudioBackend backend(22000);
    std::vector<uint8_t> bytes = Ramp8(300);
    auto voice = MakeVoice(View8(bytes), 1, 0);
    voice->Start(&backend.GetMixer());
    EXPECT_FALSE(voice->IsFinished());
    (void)backend.Pump(297);
    EXPECT_FALSE(voice->IsFinished());
    (void)backend.Pump(2);
    EXPECT_TRUE(voice->IsFinished());
}
