// Stopping a sound and silencing it: both end its voices; only silencing touches the samples, and
// it keeps their length.
#include "support/ResourceFixtures.h"

#include "platform/AudioDevice.h"
#include "sound/CSound.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(SoundSilence, StopEndsTheVoicesSilenceAlsoZeroesTheSamplesInPlace)
{
    struct sCase {
        const char* what;
        void (CSound::*operation)();
        bool zeroed;
    } cases[] = {{"stop", &CSound::Stop, false}, {"silence", &CSound::Silence, true}};
    for (const sCase& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedResourceContext scope;
        plat::ManualAudioBackend backend{22000};
        CSound sound;
        ASSERT_EQ(sound.SetFrameCount(100), eSuccess);
        uint8_t* samples = sound.GetSampleBlock().GetData();
        for (int i = 0; i < 100; ++i)
            samples[i] = uint8_t(128 + i);
        ASSERT_GE(sound.Play(-1, 0), 0);
        (void)backend.Pump(10);
        ASSERT_EQ(sound.IsPlaying(), 1);

        (sound.*c.operation)();
        EXPECT_EQ(sound.IsPlaying(), 0);
        EXPECT_EQ(backend.GetMixer().GetVoiceCount(), 0);
        ASSERT_EQ(sound.GetDataLength(), 100);
        ASSERT_EQ(sound.GetSampleBlock().GetSize(), 100u);
        samples = sound.GetSampleBlock().GetData();
        EXPECT_EQ(samples[99], c.zeroed ? 0 : 227);

        // Played again, a silenced 8-bit sound gives its zero bytes: (0 - 128) * 256.
        ASSERT_GE(sound.Play(0), 0);
        std::vector<int16_t> out = backend.Pump(100);
        EXPECT_EQ(out[2 * 50], c.zeroed ? -32768 : (178 - 128) * 256);
    }
}

} // namespace
