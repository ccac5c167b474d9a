#include "platform/AudioMixer.h"

#include <algorithm>
#include <new>

namespace plat {

class AudioVoice {
public:
    tAudioCallback callback = nullptr;
    void* context = nullptr;

    sAudioCommand queue[AudioMixer::kQueueLength];
    int32_t head = 0;
    int32_t count = 0;

    bool playing = false;
    sAudioBuffer current;
    // Position in the current buffer, in its frames; the fraction carries into the next buffer
    // so that consecutive buffers join without a gap or a jump.
    double position = 0.0;
};

AudioMixer::AudioMixer(uint32_t outputRate) : mOutputRate(outputRate == 0 ? 44100 : outputRate)
{
    // The usual block sizes never make the audio thread allocate.
    mSum.reserve(8192 * 2);
}

AudioMixer::~AudioMixer()
{
    for (AudioVoice* voice : mVoices)
        delete voice;
}

AudioVoice* AudioMixer::OpenVoice(tAudioCallback callback, void* context)
{
    AudioVoice* voice = new (std::nothrow) AudioVoice;
    if (!voice)
        return nullptr;
    voice->callback = callback;
    voice->context = context;
    std::lock_guard<std::recursive_mutex> guard(mLock);
    try {
        mVoices.push_back(voice);
    } catch (const std::bad_alloc&) {
        delete voice;
        return nullptr;
    }
    return voice;
}

void AudioMixer::CloseVoice(AudioVoice* voice)
{
    if (!voice)
        return;
    std::lock_guard<std::recursive_mutex> guard(mLock);
    auto found = std::find(mVoices.begin(), mVoices.end(), voice);
    if (found == mVoices.end())
        return;
    mVoices.erase(found);
    delete voice;
}

int32_t AudioMixer::GetVoiceCount()
{
    std::lock_guard<std::recursive_mutex> guard(mLock);
    return int32_t(mVoices.size());
}

eAudioResult AudioMixer::Queue(AudioVoice* voice, const sAudioCommand& command)
{
    if (!voice)
        return eAudioResult::kNoVoice;
    std::lock_guard<std::recursive_mutex> guard(mLock);
    if (voice->count == kQueueLength)
        return eAudioResult::kQueueFull;
    voice->queue[(voice->head + voice->count) % kQueueLength] = command;
    voice->count++;
    return eAudioResult::kOk;
}

eAudioResult AudioMixer::QueueBuffer(AudioVoice* voice, const sAudioBuffer& buffer)
{
    if (buffer.channels < 1 || buffer.channels > 2 || (buffer.bits != 8 && buffer.bits != 16) ||
        buffer.rate == 0 || (buffer.frames > 0 && !buffer.samples))
        return eAudioResult::kBadFormat;
    sAudioCommand command;
    command.kind = sAudioCommand::eBuffer;
    command.buffer = buffer;
    return Queue(voice, command);
}

eAudioResult AudioMixer::QueueCallback(AudioVoice* voice, int16_t param1, uintptr_t param2)
{
    sAudioCommand command;
    command.kind = sAudioCommand::eCallback;
    command.param1 = param1;
    command.param2 = param2;
    return Queue(voice, command);
}

namespace {

void ReadFrame(const sAudioBuffer& buffer, uint32_t frame, int32_t& left, int32_t& right)
{
    if (buffer.bits == 16) {
        const int16_t* samples = static_cast<const int16_t*>(buffer.samples) + size_t(frame) * buffer.channels;
        left = samples[0];
        right = buffer.channels == 2 ? samples[1] : left;
    } else {
        const uint8_t* samples = static_cast<const uint8_t*>(buffer.samples) + size_t(frame) * buffer.channels;
        left = (int32_t(samples[0]) - 128) * 256;
        right = buffer.channels == 2 ? (int32_t(samples[1]) - 128) * 256 : left;
    }
}

} // namespace

void AudioMixer::MixVoice(AudioVoice& voice, int32_t* sum, uint32_t frames)
{
    // A queue that only ever yields callbacks and empty buffers must not hold the audio thread:
    // after this many commands without a sample the voice rests until the next mix.
    int32_t idleCommands = 0;
    uint32_t frame = 0;
    while (frame < frames) {
        if (!voice.playing) {
            if (voice.count == 0) {
                // Nothing more to play: whatever comes next starts afresh.
                voice.position = 0.0;
                return;
            }
            if (idleCommands > 2 * kQueueLength)
                return;
            sAudioCommand command = voice.queue[voice.head];
            voice.head = (voice.head + 1) % kQueueLength;
            voice.count--;
            idleCommands++;
            if (command.kind == sAudioCommand::eCallback) {
                if (voice.callback)
                    voice.callback(&voice, command, voice.context);
                continue;
            }
            if (command.buffer.frames == 0)
                continue;
            voice.current = command.buffer;
            voice.playing = true;
        }
        const sAudioBuffer& buffer = voice.current;
        const double step = double(buffer.rate) / double(mOutputRate);
        while (frame < frames) {
            uint32_t index = uint32_t(voice.position);
            if (index >= buffer.frames)
                break;
            double fraction = voice.position - index;
            int32_t left0, right0;
            ReadFrame(buffer, index, left0, right0);
            int32_t left = left0, right = right0;
            if (fraction > 0.0 && index + 1 < buffer.frames) {
                int32_t left1, right1;
                ReadFrame(buffer, index + 1, left1, right1);
                left = left0 + int32_t((left1 - left0) * fraction);
                right = right0 + int32_t((right1 - right0) * fraction);
            }
            sum[2 * frame] += left;
            sum[2 * frame + 1] += right;
            frame++;
            idleCommands = 0;
            voice.position += step;
        }
        if (voice.position >= buffer.frames) {
            voice.position -= buffer.frames;
            voice.playing = false;
        }
    }
}

void AudioMixer::Mix(int16_t* output, uint32_t frames)
{
    std::lock_guard<std::recursive_mutex> guard(mLock);
    if (mSum.size() < size_t(frames) * 2)
        mSum.resize(size_t(frames) * 2);
    std::fill(mSum.begin(), mSum.begin() + size_t(frames) * 2, 0);
    for (AudioVoice* voice : mVoices)
        MixVoice(*voice, mSum.data(), frames);
    for (size_t i = 0; i < size_t(frames) * 2; ++i)
        output[i] = int16_t(std::clamp(mSum[i], -32768, 32767));
}

} // namespace plat
