#include "sound/CSoundPlayer.h"

#include "core/gCMemory.h"
#include "platform/AudioDevice.h"
#include "sound/CSound.h"
#include "sound/SoundVoice.h"

CSoundPlayer::~CSoundPlayer()
{
    StopAll();
}

void CSoundPlayer::StopAll()
{
    for (SoundVoice* voice : mVoices)
        delete voice;
    mVoices.RemoveAll();
}

int32_t CSoundPlayer::PlaySound(CSound* sound, int32_t passes, int32_t semitones)
{
    if (!sound)
        return -1;
    uint8_t* ownedCopy = nullptr;
    sSoundView view = sound->GetPlaybackView(semitones == 0, ownedCopy);
    SoundVoice* voice = new SoundVoice(sound, view, passes, semitones, ownedCopy);
    if (!voice) {
        MemFree(ownedCopy);
        return -1;
    }
    voice->Start(plat::AudioDevice::GetMixer());
    if (mVoices.Add(voice) != eSuccess) {
        delete voice;
        return -1;
    }
    return voice->GetId();
}

template <typename Matches>
void CSoundPlayer::DisposeWhere(Matches matches)
{
    for (int32_t i = mVoices.GetSize() - 1; i >= 0; --i) {
        SoundVoice* voice = mVoices[i];
        if (matches(*voice)) {
            delete voice;
            mVoices.RemoveAt(i);
        }
    }
}

void CSoundPlayer::StopSound(const CSound* sound)
{
    DisposeWhere([sound](const SoundVoice& voice) { return voice.GetSound() == sound; });
}

void CSoundPlayer::StopVoice(int32_t id)
{
    DisposeWhere([id](const SoundVoice& voice) { return voice.GetId() == id; });
}

int32_t CSoundPlayer::IsSoundPlaying(const CSound* sound) const
{
    for (const SoundVoice* voice : mVoices)
        if (voice->GetSound() == sound && !voice->IsFinished())
            return 1;
    return 0;
}

void CSoundPlayer::TidyVoices()
{
    DisposeWhere([](const SoundVoice& voice) { return voice.IsFinished(); });
}
