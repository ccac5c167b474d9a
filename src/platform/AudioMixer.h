// The software mixer behind the sound output: each voice plays a queue of PCM buffers and callback
// commands in order, without gaps, converted from its own format and rate to the output's. It runs
// on the audio thread (or step by step in tests); a callback command calls the voice's owner there.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

namespace plat {

class AudioVoice;

// 8-bit samples are unsigned, 16-bit ones signed in the processor's byte order; stereo frames
// hold the left sample first.
struct sAudioBuffer {
    const void* samples = nullptr;
    uint32_t frames = 0;
    uint32_t rate = 0;
    uint8_t channels = 1;
    uint8_t bits = 16;
};

struct sAudioCommand {
    enum eKind : uint8_t { eBuffer, eCallback };
    eKind kind = eBuffer;
    int16_t param1 = 0;
    uintptr_t param2 = 0;
    sAudioBuffer buffer;
};

// What queuing on a voice came to.
enum class [[nodiscard]] eAudioResult : uint8_t {
    kOk,
    kNoVoice,   // there is no voice to queue on
    kQueueFull, // the voice holds kQueueLength commands already
    kBadFormat, // the buffer's format is not one the mixer plays
};

// Runs on the audio thread while the mixer is locked: it may queue commands on its voice, but
// must not open or close voices.
using tAudioCallback = void (*)(AudioVoice* voice, const sAudioCommand& command, void* context);

class AudioMixer {
public:
    static constexpr int32_t kQueueLength = 128;

    explicit AudioMixer(uint32_t outputRate);
    ~AudioMixer();

    AudioMixer(const AudioMixer&) = delete;
    AudioMixer& operator=(const AudioMixer&) = delete;

    // A new silent voice, or null when memory runs out.
    AudioVoice* OpenVoice(tAudioCallback callback, void* context);
    // Waits for a mix in progress, so that no callback of the voice runs after it returns.
    void CloseVoice(AudioVoice* voice);
    int32_t GetVoiceCount();

    eAudioResult QueueBuffer(AudioVoice* voice, const sAudioBuffer& buffer);
    eAudioResult QueueCallback(AudioVoice* voice, int16_t param1, uintptr_t param2);

    // Holds the mixer (the device lock): no mix and no callback runs until Unlock. Recursive, so
    // the queue calls above may be made while holding it.
    void Lock() { mLock.lock(); }
    void Unlock() { mLock.unlock(); }

    // Mixes `frames` stereo frames of signed 16-bit samples into `output`.
    void Mix(int16_t* output, uint32_t frames);

private:
    eAudioResult Queue(AudioVoice* voice, const sAudioCommand& command);
    void MixVoice(AudioVoice& voice, int32_t* sum, uint32_t frames);

    uint32_t mOutputRate;
    // Recursive: a callback run inside Mix queues commands on its voice from the same thread.
    std::recursive_mutex mLock;
    std::vector<AudioVoice*> mVoices;
    std::vector<int32_t> mSum;
};

} // namespace plat
