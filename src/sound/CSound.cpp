#include "sound/CSound.h"

#include "FileIO/gCFile.h"
#include "FileIO/gCStream.h"
#include "core/CheckedSize.h"
#include "resources/CResourceContext.h"
#include "resources/ResourceCreation.h"
#include "sound/CSoundPlayer.h"
#include "sound/WaveFile.h"

#include <atomic>
#include <cstring>

namespace {

std::atomic<uint32_t> gNextSoundSerial{0};

CSoundPlayer* Player()
{
    CResourceContext* context = GetResourceContext();
    return context ? context->soundPlayer : nullptr;
}

uint32_t BytesPerFrame(uint32_t sixteenBit, uint32_t stereo)
{
    return (sixteenBit ? 2 : 1) * (stereo ? 2 : 1);
}

} // namespace

CSound::CSound() : mSerial(gNextSoundSerial.fetch_add(1))
{
    mTypeCode = kTypeCode;
}

CSound::~CSound()
{
    StopVoices();
}

void CSound::StopVoices() const
{
    if (CSoundPlayer* player = Player())
        player->StopSound(this);
}

eResultCode CSound::ResizeSamples(int64_t length)
{
    // Lengths are kept in 32 bits; a larger sound cannot be held.
    if (length < 0 || length > INT32_MAX)
        return eNoMemory;
    if (!mSamples.SetSize(uint32_t(length), 1))
        return eNoMemory;
    mDataLength = int32_t(length);
    return eSuccess;
}

eResultCode CSound::SetFormat(uint32_t bits, uint32_t stereo, uint32_t rate, uint32_t frames)
{
    mSixteenBit = bits == 16;
    mStereo = stereo;
    mRate = rate;
    mBytesPerFrame = BytesPerFrame(mSixteenBit, mStereo);
    StopVoices();
    int64_t length = int64_t(frames) * mBytesPerFrame;
    mDataLength = length > INT32_MAX ? INT32_MAX : int32_t(length);
    return eSuccess;
}

eResultCode CSound::SetBitsPerSample(uint32_t bits)
{
    int64_t frames = mDataLength / int32_t(mBytesPerFrame);
    mSixteenBit = bits == 16;
    mBytesPerFrame = BytesPerFrame(mSixteenBit, mStereo);
    StopVoices();
    return ResizeSamples(frames * mBytesPerFrame);
}

eResultCode CSound::SetStereo(uint32_t stereo)
{
    mStereo = stereo;
    mBytesPerFrame = BytesPerFrame(mSixteenBit, mStereo);
    StopVoices();
    return ResizeSamples(mDataLength);
}

eResultCode CSound::SetFrameCount(uint32_t frames)
{
    if (!GetResourceContext())
        return eGenericFailure;
    StopVoices();
    int32_t length = 0;
    if (!MulSizes({frames, mBytesPerFrame}, length))
        return eNoMemory;
    return ResizeSamples(length);
}

eResultCode CSound::SetDuration(uint32_t milliseconds)
{
    if (!GetResourceContext())
        return eGenericFailure;
    StopVoices();
    // 64-bit: a long sound at a high rate would overflow 32 bits.
    int64_t frames = int64_t(milliseconds) * mRate / 1000;
    return ResizeSamples(frames * mBytesPerFrame);
}

void CSound::Silence()
{
    StopVoices();
    mSamples.Clear();
}

uint32_t CSound::GetDuration()
{
    StopVoices();
    uint64_t divisor = uint64_t(mBytesPerFrame) * mRate;
    if (divisor == 0 || mDataLength <= 0)
        return 0;
    uint64_t milliseconds = uint64_t(mDataLength) * 1000 / divisor;
    return milliseconds > UINT32_MAX ? UINT32_MAX : uint32_t(milliseconds);
}

int32_t CSound::Play(int32_t semitones)
{
    return Play(1, semitones);
}

int32_t CSound::Play(int32_t passes, int32_t semitones)
{
    CSoundPlayer* player = Player();
    return player ? player->PlaySound(this, passes, semitones) : -1;
}

void CSound::Stop()
{
    StopVoices();
}

int32_t CSound::IsPlaying() const
{
    CSoundPlayer* player = Player();
    return player ? player->IsSoundPlaying(this) : 0;
}

eResultCode CSound::LoadWave(gCFile* stream)
{
    return TakeWave(stream, LoadWaveChecked);
}

eResultCode CSound::AttachWaveStream(gCFile* stream)
{
    return TakeWave(stream, AttachWave);
}

eResultCode CSound::TakeWave(gCFile* stream, eResultCode (*take)(gCStream& stream, CSound& sound))
{
    if (!GetResourceContext())
        return eGenericFailure;
    // The voices stop even when there is no stream to take.
    StopVoices();
    if (!stream)
        return eBadParameter;
    return take(*stream, *this);
}

namespace {

eResultCode LoadPayload(CSound& sound, gCFile& source)
{
    uint32_t byteCount = 0;
    if (eResultCode result = source.ReadULong(byteCount); result != eSuccess) {
        ReportResourceError(eResourceReadError, "Sound load size failed.");
        return result;
    }
    sound.StopVoices();
    return LoadWaveChecked(source, sound);
}

} // namespace

eResultCode CSound::LoadFromId(uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    gCFile* source = nullptr;
    PNU_TRY(LocateById(id, file, directory, source));
    return LoadPayload(*this, *source);
}

eResultCode CSound::LoadFromName(const gCString& name, gCFile* file, CResourceDirectory* directory)
{
    gCFile* source = nullptr;
    PNU_TRY(LocateByName(name, file, directory, source));
    return LoadPayload(*this, *source);
}

CSound* CSound::CreateFromId(uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    CResourceContext* context = GetResourceContext();
    if (!context)
        return nullptr;
    return CreateResourceFromId<CSound>(id, file ? file : context->resourceFile, directory);
}

CSound* CSound::CreateFromName(const gCString& name, gCFile* file, CResourceDirectory* directory)
{
    return CreateResourceFromName<CSound>(name, file, directory);
}

uint8_t* CSound::LockSamples()
{
    if (mStream && mStream->GetKind() == 1)
        return nullptr;
    return mSamples.GetData();
}

void CSound::UnlockSamples() {}

void CSound::AttachStream(gCStream* stream, uint64_t dataOffset, int32_t length)
{
    mStream = stream;
    mDataOffset = dataOffset;
    mDataLength = length;
}

sSoundView CSound::GetPlaybackView(bool ownPitch, uint8_t*& ownedCopy)
{
    ownedCopy = nullptr;
    sSoundView view;
    view.sixteenBit = mSixteenBit;
    view.stereo = mStereo;
    view.bytesPerFrame = mBytesPerFrame;
    view.rate = mRate;
    if (!mStream) {
        view.samples = mSamples.GetData();
        // The format can be set without resizing the block: never play past it.
        int64_t held = int64_t(mSamples.GetSize());
        view.length = mDataLength < held ? mDataLength : int32_t(held);
        return view;
    }
    view.fromStream = true;
    if (!ownPitch || mDataLength <= 0)
        return view;
    // The stream may be the application's resource file, which the main thread reads at any
    // time: it is read here, never on the audio thread. Its position is kept for its other users.
    uint8_t* copy = static_cast<uint8_t*>(MemAllocate(size_t(mDataLength)));
    if (!copy)
        return view;
    int64_t saved = mStream->GetPos();
    bool read = mStream->SetPos(int64_t(mDataOffset)) == eSuccess &&
                mStream->Read(copy, mDataLength) == eSuccess &&
                mStream->GetPos() == int64_t(mDataOffset) + mDataLength;
    (void)mStream->SetPos(saved);
    if (!read) {
        MemFree(copy);
        return view;
    }
    ownedCopy = copy;
    view.samples = copy;
    view.length = mDataLength;
    return view;
}
