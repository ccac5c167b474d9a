// The sound output the toolkit plays through: one SDL audio device (signed 16-bit stereo) whose
// callback runs a CAudioMixer, opened on first use and kept until the process ends, so voices can
// still be closed while static objects are destroyed.
#pragma once

#include "platform/CAudioMixer.h"

#include <cstdint>
#include <vector>

namespace plat {

class CAudioDevice {
public:
    // The mixer to open voices on, or null when no audio device can be opened (a machine without
    // sound), which makes every voice fail to open.
    static CAudioMixer* GetMixer();

    // Tests: play through `mixer` instead of the device; a null mixer stands for "no device".
    static void SetMixerOverride(CAudioMixer* mixer);
    static void ClearMixerOverride();
};

// Runs the mixer step by step in place of the device, for tests. Installs itself while it lives.
class CManualAudioBackend {
public:
    explicit CManualAudioBackend(uint32_t outputRate = 44100);
    ~CManualAudioBackend();

    CManualAudioBackend(const CManualAudioBackend&) = delete;
    CManualAudioBackend& operator=(const CManualAudioBackend&) = delete;

    CAudioMixer& GetMixer() { return mMixer; }
    // Mixes the next `frames` stereo frames, as the device would ask for them.
    std::vector<int16_t> Pump(uint32_t frames);

private:
    CAudioMixer mMixer;
};

} // namespace plat
