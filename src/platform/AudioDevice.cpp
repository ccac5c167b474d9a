#include "platform/AudioDevice.h"

#include <SDL.h>

#include <atomic>

namespace plat {

namespace {

void DeviceCallback(void* userData, Uint8* stream, int length)
{
    static_cast<AudioMixer*>(userData)->Mix(reinterpret_cast<int16_t*>(stream), uint32_t(length) / 4);
}

// Opened once; deliberately never closed or freed, because the application object's destructor
// (a static) still closes voices after every function-local static is gone.
AudioMixer* OpenDeviceMixer()
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return nullptr;
    SDL_AudioSpec wanted{};
    wanted.freq = 44100;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = 1024;
    wanted.callback = DeviceCallback;
    AudioMixer* mixer = new AudioMixer(uint32_t(wanted.freq));
    wanted.userdata = mixer;
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to whatever the hardware wants.
    SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device == 0) {
        delete mixer;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    SDL_PauseAudioDevice(device, 0);
    return mixer;
}

class DeviceBackend final : public AudioBackend {
public:
    AudioMixer* GetOutputMixer() override
    {
        static AudioMixer* deviceMixer = OpenDeviceMixer();
        return deviceMixer;
    }
};

DeviceBackend gDeviceBackend;
std::atomic<AudioBackend*> gBackend{&gDeviceBackend};

} // namespace

AudioBackend& GetAudioBackend() { return *gBackend.load(); }

void SetAudioBackend(AudioBackend* backend) { gBackend.store(backend ? backend : &gDeviceBackend); }

ManualAudioBackend::ManualAudioBackend(uint32_t outputRate) : mMixer(outputRate)
{
    SetAudioBackend(this);
}

ManualAudioBackend::~ManualAudioBackend()
{
    SetAudioBackend(nullptr);
}

std::vector<int16_t> ManualAudioBackend::Pump(uint32_t frames)
{
    std::vector<int16_t> output(size_t(frames) * 2);
    mMixer.Mix(output.data(), frames);
    return output;
}

} // namespace plat
