// One playing instance of a sound: two sample buffers that take turns on a mixer voice, refilled
// on the audio thread from the sound's samples, with linear-interpolation resampling for a pitch
// change. The sound player creates, tidies and disposes of voices on the main thread.
#pragma once

#include "core/gCBaseObject.h"
#include "platform/AudioMixer.h"

#include <atomic>
#include <cstdint>

// What a voice needs of its sound, taken when it starts. Every operation that changes a sound's
// samples or format stops its voices first, so the view stays valid while the voice lives.
struct sSoundView {
    const uint8_t* samples = nullptr;
    int32_t length = 0;           // bytes of sample data
    uint32_t bytesPerFrame = 1;
    uint32_t sixteenBit = 0;
    uint32_t stereo = 0;
    uint32_t rate = 0;
    // The samples were read from the stream the sound is attached to; such a sound plays only at
    // its own pitch.
    bool fromStream = false;
};

// 2^(n/12), computed as 10^(n * log10(2) / 12) in double precision and rounded to float.
float SemitonesToPitchRatio(int32_t semitones);

class SoundVoice : public gCBaseObject {
public:
    static constexpr int32_t kBufferSize = 16384;
    static constexpr int32_t kMinimumRefillFrames = 256;

    // `ownedSamples`, when given, is memory from the hooks that the voice frees (a copy of a
    // streamed sound's data).
    SoundVoice(const void* sound, const sSoundView& view, int32_t passes, int32_t semitones,
               uint8_t* ownedSamples = nullptr);
    ~SoundVoice() override;

    // Opens the mixer voice and queues the first buffers. On failure the voice is finished and
    // its id is -1. A null mixer stands for a machine without sound output.
    void Start(plat::AudioMixer* mixer);
    // Marks the voice stopped and closes its mixer voice, which returns only when no callback of
    // it can still run; the record may then be freed.
    void Dispose();

    // Writes whole frames into `destination` (kBufferSize bytes) and returns the bytes written;
    // 0 when the sound has nothing (more) to play.
    int32_t FillVoiceBuffer(uint8_t* destination);

    const void* GetSound() const { return mSound; }
    int32_t GetId() const { return mId.load(std::memory_order_acquire); }
    bool IsFinished() const { return mFinished.load(std::memory_order_acquire) != 0; }
    float GetPosition() const { return mPosition; }
    int32_t GetPasses() const { return mPasses; }

private:
    static void ChannelCallback(plat::AudioVoice* channel, const plat::sAudioCommand& command, void* context);
    bool QueueBuffer(int32_t which, int32_t bytes);
    void Fail();

    std::atomic<uint32_t> mFinished{0};
    std::atomic<uint32_t> mStopped{0};
    std::atomic<int32_t> mId{-1};
    float mStep = 1.0f;
    float mPosition = 0.0f;
    int32_t mPasses = 1;
    const void* mSound;
    sSoundView mView;
    uint8_t* mOwnedSamples;
    plat::AudioMixer* mMixer = nullptr;
    plat::AudioVoice* mChannel = nullptr;
    alignas(4) uint8_t mBuffers[2][kBufferSize];
};
