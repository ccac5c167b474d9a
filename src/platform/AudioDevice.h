// The sound output the toolkit plays through: one SDL audio device (signed 16-bit stereo) whose
// callback runs a AudioMixer, opened on first use and kept until the process ends, so voices can
// still be closed while static objects are destroyed.
#pragma once

#include "platform/AudioMixer.h"

#include <cstdint>
#include <vector>

namespace plat {

class AudioBackend {
public:
    virtual ~AudioBackend() = default;
    // The mixer to open voices on, or null when there is no sound output (a machine without
    // sound), which makes every voice fail to open.
    virtual AudioMixer* GetOutputMixer() = 0;
};

// The backend in use: the device unless a test replaced it.
AudioBackend& GetAudioBackend();
// Puts `backend` in place (null restores the device). The caller keeps ownership.
void SetAudioBackend(AudioBackend* backend);

class AudioDevice {
public:
    // The mixer of the backend in use.
    static AudioMixer* GetMixer() { return GetAudioBackend().GetOutputMixer(); }
};

// Tests: a machine without sound output.
class SilentAudioBackend final : public AudioBackend {
public:
    AudioMixer* GetOutputMixer() override { return nullptr; }
};

// Runs the mixer step by step in place of the device, for tests. Installs itself while it lives.
class ManualAudioBackend final : public AudioBackend {
public:
    explicit ManualAudioBackend(uint32_t outputRate = 44100);
    ~ManualAudioBackend() override;

    ManualAudioBackend(const ManualAudioBackend&) = delete;
    ManualAudioBackend& operator=(const ManualAudioBackend&) = delete;

    AudioMixer* GetOutputMixer() override { return &mMixer; }
    AudioMixer& GetMixer() { return mMixer; }
    // Mixes the next `frames` stereo frames, as the device would ask for them.
    std::vector<int16_t> Pump(uint32_t frames);

private:
    AudioMixer mMixer;
};

} // namespace plat
