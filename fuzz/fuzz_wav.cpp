// WAV headers from outside data, and the voice fill that then reads their samples.
#include "sound/SoundVoice.h"
#include "sound/WaveReader.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CByteSpanReader reader(data, int64_t(size));
    sWaveLayout layout;
    if (ReadWaveLayout(reader, reader.GetLength(), layout, false) != eSuccess)
        return 0;
    sSoundView view;
    view.sixteenBit = layout.bits == 16;
    view.stereo = layout.channels == 2;
    view.bytesPerFrame = (view.sixteenBit ? 2 : 1) * (view.stereo ? 2 : 1);
    view.rate = layout.rate;
    // Whole frames only, as the loader keeps them.
    view.length = int32_t(layout.dataSize / view.bytesPerFrame * view.bytesPerFrame);
    std::vector<uint8_t> samples(data + layout.dataOffset, data + layout.dataOffset + view.length);
    view.samples = samples.data();
    static const int kTag = 0;
    for (int32_t semitones : {0, 7, -12}) {
        SoundVoice voice(&kTag, view, 2, semitones);
        std::vector<uint8_t> buffer(SoundVoice::kBufferSize);
        for (int round = 0; round < 4 && voice.FillVoiceBuffer(buffer.data()) > 0; ++round) {
        }
    }
    return 0;
}
