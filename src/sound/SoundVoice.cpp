#include "sound/SoundVoice.h"

#include "core/gCMemory.h"

#include <cmath>
#include <cstring>

namespace {

std::atomic<int32_t> gNextVoiceId{0};

// Rounds half away from zero, as the stored buffer arithmetic expects.
int32_t RoundToInt(float value)
{
    return int32_t(value >= 0.0f ? value + 0.5f : value - 0.5f);
}

} // namespace

float SemitonesToPitchRatio(int32_t semitones)
{
    return float(std::pow(10.0, double(semitones) * (std::log10(2.0) / 12.0)));
}

SoundVoice::SoundVoice(const void* sound, const sSoundView& view, int32_t passes, int32_t semitones,
                       uint8_t* ownedSamples)
    : mSound(sound), mView(view), mOwnedSamples(ownedSamples)
{
    mId.store(gNextVoiceId.fetch_add(1), std::memory_order_release);
    mStep = SemitonesToPitchRatio(semitones);
    mPasses = passes;
}

SoundVoice::~SoundVoice()
{
    Dispose();
    MemFree(mOwnedSamples);
}

void SoundVoice::Fail()
{
    mFinished.store(1, std::memory_order_release);
    mId.store(-1, std::memory_order_release);
}

bool SoundVoice::QueueBuffer(int32_t which, int32_t bytes)
{
    plat::sAudioBuffer buffer;
    buffer.samples = mBuffers[which];
    buffer.frames = uint32_t(bytes) / mView.bytesPerFrame;
    buffer.rate = mView.rate;
    buffer.channels = mView.stereo ? 2 : 1;
    buffer.bits = mView.sixteenBit ? 16 : 8;
    return mMixer->QueueBuffer(mChannel, buffer) == plat::eAudioResult::kOk &&
           mMixer->QueueCallback(mChannel, 1, uintptr_t(which)) == plat::eAudioResult::kOk;
}

void SoundVoice::Start(plat::AudioMixer* mixer)
{
    mMixer = mixer;
    mChannel = mixer ? mixer->OpenVoice(ChannelCallback, this) : nullptr;
    if (!mChannel) {
        Fail();
        return;
    }
    // Both buffers go on the queue before the audio thread may call back for the first.
    mixer->Lock();
    bool queued = QueueBuffer(0, FillVoiceBuffer(mBuffers[0]));
    if (queued && mPosition < 1.0f)
        queued = QueueBuffer(1, FillVoiceBuffer(mBuffers[1]));
    mixer->Unlock();
    if (!queued)
        Fail();
}

void SoundVoice::Dispose()
{
    mStopped.store(1, std::memory_order_release);
    if (mChannel) {
        mMixer->CloseVoice(mChannel);
        mChannel = nullptr;
    }
}

void SoundVoice::ChannelCallback(plat::AudioVoice*, const plat::sAudioCommand& command, void* context)
{
    if (command.param1 != 1)
        return;
    auto* voice = static_cast<SoundVoice*>(context);
    if (voice->mStopped.load(std::memory_order_acquire))
        return;
    int32_t which = command.param2 == 1 ? 1 : 0;
    int32_t bytes = voice->FillVoiceBuffer(voice->mBuffers[which]);
    if (bytes / int32_t(voice->mView.bytesPerFrame) == 0) {
        voice->mFinished.store(1, std::memory_order_release);
        return;
    }
    if (!voice->QueueBuffer(which, bytes))
        voice->Fail();
}

int32_t SoundVoice::FillVoiceBuffer(uint8_t* destination)
{
    if (!mSound || mPosition >= 1.0f || mPasses == 0)
        return 0;
    const int32_t bpf = int32_t(mView.bytesPerFrame);
    if (bpf != int32_t((mView.sixteenBit ? 2 : 1) * (mView.stereo ? 2 : 1)) || !mView.samples ||
        mView.length <= 0)
        return 0;
    // The last two frames are never played; a sound of fewer than three frames has nothing to
    // play (and would divide by zero or copy a negative count).
    const int32_t totalFrames = mView.length / bpf - 2;
    if (totalFrames <= 0)
        return 0;
    // A pitch so far off that the step is not a usable number plays nothing.
    if (!(mStep > 0.0f) || !std::isfinite(mStep))
        return 0;
    // Read from memory only: a streamed sound's data was copied on the main thread, at its own
    // pitch only.
    if (mView.fromStream && mStep != 1.0f)
        return 0;

    const float total = float(totalFrames);
    int32_t room = kBufferSize / bpf;
    if (room < kMinimumRefillFrames)
        return 0;
    int32_t written = 0;
    // A pass too short for one output frame at this step makes no progress; twice in a row would
    // repeat for ever on a sound that loops.
    int32_t emptyRounds = 0;
    for (;;) {
        float start = total * mPosition;
        float end = float(room) * mStep + start;
        if (end > total)
            end = total;
        mPosition = end / total;
        if (mPosition > 1.0f)
            mPosition = 1.0f;
        if (mPosition == 1.0f) {
            int32_t before = mPasses;
            if (mPasses >= 1)
                mPasses--;
            if (mPasses >= 1 || before == -1)
                mPosition = 0.0f;
        }
        int32_t frames = RoundToInt((end - start) / mStep);
        if (frames > room)
            frames = room;
        if (frames < 0)
            frames = 0;
        uint8_t* out = destination + written;
        if (mStep == 1.0f) {
            int32_t first = RoundToInt(start);
            int64_t available = int64_t(mView.length / bpf) - first;
            if (first < 0 || available < 0)
                frames = 0;
            else if (frames > available)
                frames = int32_t(available);
            std::memcpy(out, mView.samples + int64_t(first) * bpf, size_t(frames) * size_t(bpf));
        } else {
            const int32_t channels = mView.stereo ? 2 : 1;
            const int64_t sourceFrames = mView.length / bpf;
            for (int32_t i = 0; i < frames; ++i) {
                int32_t p = RoundToInt((float(i) * mStep + start) * 256.0f);
                int32_t k = p >> 8;
                int32_t w = (p & 255) + 1;
                if (k < 0 || k + 1 >= sourceFrames) {
                    frames = i;
                    break;
                }
                for (int32_t c = 0; c < channels; ++c) {
                    if (mView.sixteenBit) {
                        int16_t s0, s1;
                        std::memcpy(&s0, mView.samples + (int64_t(k) * channels + c) * 2, 2);
                        std::memcpy(&s1, mView.samples + (int64_t(k + 1) * channels + c) * 2, 2);
                        int16_t value = int16_t(s0 + (((int32_t(s1) - s0) * w) >> 8));
                        std::memcpy(out + (i * channels + c) * 2, &value, 2);
                    } else {
                        uint8_t s0 = mView.samples[int64_t(k) * channels + c];
                        uint8_t s1 = mView.samples[int64_t(k + 1) * channels + c];
                        out[i * channels + c] = uint8_t(s0 + (((int32_t(s1) - s0) * w) >> 8));
                    }
                }
            }
        }
        written += frames * bpf;
        if (mPasses == 0)
            break;
        emptyRounds = frames == 0 ? emptyRounds + 1 : 0;
        if (emptyRounds == 2)
            break;
        room = (kBufferSize - written) / bpf;
        if (room < kMinimumRefillFrames)
            break;
    }
    return written;
}
