// Turns sounds into audio: every Play makes a voice of its own; voices that have finished are
// disposed of by TidyVoices, which the heartbeat calls every 256 ticks.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it: StopVoice.
#pragma once

#include "core/gCArray.h"
#include "core/gCBaseObject.h"

#include <cstdint>

class CSound;
class SoundVoice;

class CSoundPlayer : public gCBaseObject {
public:
    CSoundPlayer() = default;
    ~CSoundPlayer() override;

    CSoundPlayer(const CSoundPlayer&) = delete;
    CSoundPlayer& operator=(const CSoundPlayer&) = delete;

    // The new voice's id, or -1 when no voice could be made (it then stays, finished, until the
    // next tidy). Passes -1 repeats until stopped.
    int32_t PlaySound(CSound* sound, int32_t passes, int32_t semitones);
    void StopSound(const CSound* sound);
    void StopVoice(int32_t id);
    int32_t IsSoundPlaying(const CSound* sound) const;
    void TidyVoices();
    // Disposes of every voice, first to last (the application's destructor does this first).
    void StopAll();

    int32_t GetVoiceCount() const { return mVoices.GetSize(); }

private:
    template <typename Matches>
    void DisposeWhere(Matches matches);

    gCArray<SoundVoice*> mVoices;
};
