#include "platform/AudioDevice.h"
#include "platform/AudioMixer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

struct sCallbackLog {
    std::vector<uintptr_t> params;
    plat::AudioMixer* mixer = nullptr;
    plat::sAudioBuffer refill;      // queued again from inside the callback when it has frames
    int refills = 0;
};

void LogCallback(plat::AudioVoice* voice, const plat::sAudioCommand& command, void* context)
{
    auto* log = static_cast<sCallbackLog*>(context);
    log->params.push_back(command.param2);
    if (log->refills > 0) {
        log->refills--;
        EXPECT_EQ(log->mixer->QueueBuffer(voice, log->refill), plat::eAudioResult::kOk);
        EXPECT_EQ(log->mixer->QueueCallback(voice, 1, command.param2 + 100), plat::eAudioResult::kOk);
    }
}

plat::sAudioBuffer Buffer16(const std::vector<int16_t>& samples, uint32_t rate, uint8_t channels = 1)
{
    return {samples.data(), uint32_t(samples.size() / channels), rate, channels, 16};
}

std::vector<int16_t> Left(const std::vector<int16_t>& stereo)
{
    std::vector<int16_t> left;
    for (size_t i = 0; i < stereo.size(); i += 2)
        left.push_back(stereo[i]);
    return left;
}

} // namespace

TEST(AudioMixer, PlaysBuffersInOrderWithoutGapsAtTheOutputRate)
{
    plat::ManualAudioBackend backend(1000);
    plat::AudioMixer& mixer = backend.GetMixer();
    sCallbackLog log;
    plat::AudioVoice* voice = mixer.OpenVoice(LogCallback, &log);
    ASSERT_NE(voice, nullptr);
    std::vector<int16_t> a{1, 2, 3}, b{4, 5};
    ASSERT_EQ(mixer.QueueBuffer(voice, Buffer16(a, 1000)), plat::eAudioResult::kOk);
    ASSERT_EQ(mixer.QueueCallback(voice, 1, 7), plat::eAudioResult::kOk);
    ASSERT_EQ(mixer.QueueBuffer(voice, Buffer16(b, 1000)), plat::eAudioResult::kOk);

    std::vector<int16_t> out = backend.Pump(4);
    EXPECT_EQ(out, (std::vector<int16_t>{1, 1, 2, 2, 3, 3, 4, 4}));
    EXPECT_EQ(log.params, std::vector<uintptr_t>{7});
    EXPECT_EQ(Left(backend.Pump(3)), (std::vector<int16_t>{5, 0, 0}));
}

TEST(AudioMixer, ConvertsEightBitAndStereoSamples)
{
    plat::AudioMixer mixer(8000);
    plat::AudioVoice* voice = mixer.OpenVoice(nullptr, nullptr);
    std::vector<uint8_t> eight{128, 255, 0};
    std::vector<int16_t> stereo{100, -100};
    ASSERT_EQ(mixer.QueueBuffer(voice, {eight.data(), 3, 8000, 1, 8}), plat::eAudioResult::kOk);
    ASSERT_EQ(mixer.QueueBuffer(voice, Buffer16(stereo, 8000, 2)), plat::eAudioResult::kOk);
    std::vector<int16_t> out(8);
    mixer.Mix(out.data(), 4);
    EXPECT_EQ(out, (std::vector<int16_t>{0, 0, 127 * 256, 127 * 256, -32768, -32768, 100, -100}));
}

TEST(AudioMixer, RefusesFormatsItCannotPlayAndAFullQueue)
{
    plat::AudioMixer mixer(8000);
    plat::AudioVoice* voice = mixer.OpenVoice(nullptr, nullptr);
    std::vector<int16_t> samples{1, 2};
    EXPECT_EQ(mixer.QueueBuffer(voice, {samples.data(), 2, 8000, 3, 16}), plat::eAudioResult::kBadFormat);
    EXPECT_EQ(mixer.QueueBuffer(voice, {samples.data(), 2, 8000, 1, 24}), plat::eAudioResult::kBadFormat);
    EXPECT_EQ(mixer.QueueBuffer(voice, {samples.data(), 2, 0, 1, 16}), plat::eAudioResult::kBadFormat);
    EXPECT_EQ(mixer.QueueBuffer(voice, {nullptr, 2, 8000, 1, 16}), plat::eAudioResult::kBadFormat);
    for (int32_t i = 0; i < plat::AudioMixer::kQueueLength; ++i)
        ASSERT_EQ(mixer.QueueCallback(voice, 1, 0), plat::eAudioResult::kOk);
    EXPECT_EQ(mixer.QueueCallback(voice, 1, 0), plat::eAudioResult::kQueueFull);
}

TEST(AudioMixer, ResamplesFromTheVoiceRate)
{
    plat::AudioMixer mixer(2000);
    plat::AudioVoice* voice = mixer.OpenVoice(nullptr, nullptr);
    std::vector<int16_t> samples{0, 100, 200, 300};
    ASSERT_EQ(mixer.QueueBuffer(voice, Buffer16(samples, 1000)), plat::eAudioResult::kOk);
    std::vector<int16_t> out(20);
    mixer.Mix(out.data(), 10);
    // Half the rate: every source frame lasts two output frames, with the midpoint between.
    EXPECT_EQ(Left(out), (std::vector<int16_t>{0, 50, 100, 150, 200, 250, 300, 300, 0, 0}));
}

TEST(AudioMixer, CallbackRefillsKeepTheVoiceGoingAcrossMixes)
{
    plat::AudioMixer mixer(1000);
    sCallbackLog log;
    log.mixer = &mixer;
    std::vector<int16_t> samples{9, 9};
    log.refill = Buffer16(samples, 1000);
    log.refills = 3;
    plat::AudioVoice* voice = mixer.OpenVoice(LogCallback, &log);
    ASSERT_EQ(mixer.QueueBuffer(voice, log.refill), plat::eAudioResult::kOk);
    ASSERT_EQ(mixer.QueueCallback(voice, 1, 1), plat::eAudioResult::kOk);
    std::vector<int16_t> out(6);
    std::vector<int16_t> all;
    for (int i = 0; i < 4; ++i) {
        mixer.Mix(out.data(), 3);
        auto left = Left(out);
        all.insert(all.end(), left.begin(), left.end());
    }
    EXPECT_EQ(all, (std::vector<int16_t>{9, 9, 9, 9, 9, 9, 9, 9, 0, 0, 0, 0}));
    EXPECT_EQ(log.params, (std::vector<uintptr_t>{1, 101, 201, 301}));
}

TEST(AudioMixer, EndlessEmptyRefillsDoNotHoldTheAudioThread)
{
    plat::AudioMixer mixer(1000);
    sCallbackLog log;
    log.mixer = &mixer;
    log.refill = {nullptr, 0, 1000, 1, 16};
    log.refills = 1000000;
    plat::AudioVoice* voice = mixer.OpenVoice(LogCallback, &log);
    ASSERT_EQ(mixer.QueueCallback(voice, 1, 0), plat::eAudioResult::kOk);
    std::vector<int16_t> out(8);
    mixer.Mix(out.data(), 4);
    EXPECT_EQ(out, std::vector<int16_t>(8, 0));
    EXPECT_LT(log.params.size(), size_t(1000));
}

TEST(AudioMixer, ClippedSumOfVoices)
{
    plat::AudioMixer mixer(1000);
    std::vector<int16_t> loud{30000};
    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(mixer.QueueBuffer(mixer.OpenVoice(nullptr, nullptr), Buffer16(loud, 1000)), plat::eAudioResult::kOk);
    std::vector<int16_t> out(2);
    mixer.Mix(out.data(), 1);
    EXPECT_EQ(out[0], 32767);
}

namespace {
struct sBlockingCallback {
    std::atomic<bool> entered{false};
    std::atomic<bool> release{false};
    std::atomic<bool> returned{false};
};

void BlockingCallback(plat::AudioVoice*, const plat::sAudioCommand&, void* context)
{
    auto* state = static_cast<sBlockingCallback*>(context);
    state->entered = true;
    while (!state->release)
        std::this_thread::yield();
    state->returned = true;
}
} // namespace

TEST(AudioMixer, ClosingAVoiceWaitsForItsRunningCallback)
{
    plat::AudioMixer mixer(1000);
    sBlockingCallback state;
    plat::AudioVoice* voice = mixer.OpenVoice(BlockingCallback, &state);
    ASSERT_EQ(mixer.QueueCallback(voice, 1, 0), plat::eAudioResult::kOk);
    std::thread audio([&] {
        std::vector<int16_t> out(2);
        mixer.Mix(out.data(), 1);
    });
    while (!state.entered)
        std::this_thread::yield();
    std::atomic<bool> closed{false};
    std::thread closer([&] {
        mixer.CloseVoice(voice);
        closed = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(closed);
    state.release = true;
    closer.join();
    audio.join();
    EXPECT_TRUE(state.returned);
    EXPECT_EQ(mixer.GetVoiceCount(), 0);
}

TEST(AudioDevice, OverrideStandsForNoDeviceOrAManualBackend)
{
    plat::SilentAudioBackend silent;
    plat::SetAudioBackend(&silent);
    EXPECT_EQ(plat::AudioDevice::GetMixer(), nullptr);
    {
        plat::ManualAudioBackend backend;
        EXPECT_EQ(plat::AudioDevice::GetMixer(), &backend.GetMixer());
    }
    plat::SetAudioBackend(nullptr);
}

namespace {
void CountingCallback(plat::AudioVoice*, const plat::sAudioCommand&, void* context)
{
    static_cast<std::atomic<int>*>(context)->fetch_add(1);
}
} // namespace

TEST(AudioDevice, SdlDeviceRunsCallbacksOnItsOwnThread)
{
    // SDL's dummy driver runs the callback thread without sound hardware.
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    plat::AudioMixer* mixer = plat::AudioDevice::GetMixer();
    ASSERT_NE(mixer, nullptr);
    std::atomic<int> calls{0};
    plat::AudioVoice* voice = mixer->OpenVoice(CountingCallback, &calls);
    std::vector<int16_t> samples(64, 5);
    ASSERT_EQ(mixer->QueueBuffer(voice, Buffer16(samples, 22050)), plat::eAudioResult::kOk);
    ASSERT_EQ(mixer->QueueCallback(voice, 1, 0), plat::eAudioResult::kOk);
    // Only a device thread that never runs takes a minute.
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (calls == 0 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    mixer->CloseVoice(voice);
    EXPECT_EQ(calls, 1);
}
