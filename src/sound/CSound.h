// One sound as PCM samples, held in memory or played straight from a stream, with the RIFF WAVE
// reader and writer. Playing, stopping and the voices belong to the sound player.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// SetBitsPerSample, SetStereo, SetDuration, Silence, Stop, IsPlaying, LoadWave, AttachWaveStream
// and UnlockSamples.
#pragma once

#include "core/CMemBlockT.h"
#include "core/FourCharCode.h"
#include "resources/gCResourceObject.h"
#include "sound/SoundVoice.h"

#include <cstdint>

class gCFile;
class gCStream;
class CResourceDirectory;

class CSound : public gCResourceObject {
public:
    static constexpr uint32_t kTypeCode = FourCharCode("audi");

    CSound();
    ~CSound() override;

    eResultCode SetFormat(uint32_t bits, uint32_t stereo, uint32_t rate, uint32_t frames);
    eResultCode SetBitsPerSample(uint32_t bits);
    eResultCode SetStereo(uint32_t stereo);
    eResultCode SetFrameCount(uint32_t frames);
    eResultCode SetDuration(uint32_t milliseconds);
    void Silence();
    uint32_t GetDuration();

    int32_t Play(int32_t semitones);
    int32_t Play(int32_t passes, int32_t semitones);
    void Stop();
    int32_t IsPlaying() const;

    eResultCode LoadWave(gCFile* stream);
    eResultCode AttachWaveStream(gCFile* stream);

    eResultCode LoadFromId(uint32_t id, gCFile* file, CResourceDirectory* directory) override;
    eResultCode LoadFromName(const gCString& name, gCFile* file, CResourceDirectory* directory) override;
    static CSound* CreateFromId(uint32_t id, gCFile* file, CResourceDirectory* directory);
    static CSound* CreateFromName(const gCString& name, gCFile* file, CResourceDirectory* directory);

    // The sample bytes, or null for a sound played from a file stream.
    uint8_t* LockSamples();
    void UnlockSamples();

    uint32_t IsSixteenBit() const { return mSixteenBit; }
    uint32_t IsStereo() const { return mStereo; }
    uint32_t GetRate() const { return mRate; }
    uint32_t GetBytesPerFrame() const { return mBytesPerFrame; }
    int32_t GetDataLength() const { return mDataLength; }
    CMemBlockT<uint8_t>& GetSampleBlock() { return mSamples; }

    // What a voice plays. A sound attached to a stream is read here, on the calling (main) thread,
    // into memory from the hooks that `ownedCopy` returns and the voice frees; only a voice at the
    // sound's own pitch gets its data.
    sSoundView GetPlaybackView(bool ownPitch, uint8_t*& ownedCopy);

    // For the WAV readers.
    void AttachStream(gCStream* stream, uint64_t dataOffset, int32_t length);
    void DetachStream() { mStream = nullptr; }
    // Stops every voice of this sound: before any change to its samples or format.
    void StopVoices() const;

private:
    eResultCode ResizeSamples(int64_t length);
    // What both wave entry points do before take reads or attaches the stream's wave.
    eResultCode TakeWave(gCFile* stream, eResultCode (*take)(gCStream& stream, CSound& sound));

    CMemBlockT<uint8_t> mSamples;
    uint32_t mSixteenBit = 0;
    uint32_t mStereo = 0;
    uint32_t mRate = 22000;
    uint32_t mBytesPerFrame = 1;
    gCStream* mStream = nullptr;
    uint64_t mDataOffset = 0;
    int32_t mDataLength = 0;
    uint32_t mSerial;
};
