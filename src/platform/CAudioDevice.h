// The sound output the toolkit plays through: one SDL audio device (signed 16-bit stereo) whose
// callback runs a CAudioMixer, opened on first use and kept until the process ends, so voices can
// still be closed while static objects are destroyed.
#pragma once

#include "platform/CAudioMixer.h"

#include <cstdint>
#include <vector>

namespace plat {

class AudioBackend {
public:
    virtual ~AudioBackend() = default;
    // The mixer to open voices on, or null when there is no sound output (a machine without
    // sound), which makes every voice fail to open.
    virtual CAudioMixer* GetOutputMixer() = 0;
};

// The backend in use: the device unless a test replaced it.
AudioBackend& GetAudioBackend();
// Puts `backend` in place (null restores the device). The caller keeps ownership.
void SetAudioBackend(AudioBackend* backend);

class CAudioDevice {
public:
    // The mixer of the backend in use.
    static CAudioMixer* GetMixer() { return GetAudioBackend().GetOutputMixer(); }
};

// Tests: a machine without sound output.
class SilentAudioBackend final : public AudioBackend {
public:
    CAudioMixer* GetOutputMixer() override { return nullptr; }
};

// Runs the mixer step by step in place of the device, for tests. Installs itself while it lives.
class CManualAudioBackend final : public AudioBackend {
public:
    explicit CManualAudioBackend(uint32_t outputRate = 44100);
    ~CManualAudioBackend() override;

    CManualAudioBackend(const CManualAudioBackend&) = delete;
    CManualAudioBackend& operator=(const CManualAudioBackend&) = delete;

    CAudioMixer* GetOutputMixer() override { return &mMixer; }
    CAudioMixer& GetMixer() { return mMixer; }
    // Mixes the next `frames` stereo frames, as the device would ask for them.
    std::vector<int16_t> Pump(uint32_t frames);

private:
    CAudioMixer mMixer;
};

} // namespace plat
