#include "sound/WaveFile.h"

#include "FileIO/gCStream.h"
#include "sound/CSound.h"
#include "sound/WaveReader.h"

#include <bit>
#include <cstring>

namespace {

// Samples are little-endian in WAV files and in the processor's order in memory.
void SwapSixteenBitSamples(uint8_t* bytes, int64_t count)
{
    if constexpr (std::endian::native == std::endian::big) {
        for (int64_t i = 0; i + 1 < count; i += 2)
            std::swap(bytes[i], bytes[i + 1]);
    } else {
        (void)bytes;
        (void)count;
    }
}

eResultCode ApplyLayout(CSound& sound, const sWaveLayout& layout)
{
    return sound.SetFormat(layout.bits, layout.channels == 2, layout.rate, 0);
}

// The data size rounded down to whole frames, in the block that SetFrameCount makes.
eResultCode PrepareSamples(CSound& sound, uint32_t dataSize, int32_t& bytes)
{
    uint32_t frames = dataSize / sound.GetBytesPerFrame();
    PNU_TRY(sound.SetFrameCount(frames));
    bytes = int32_t(frames * sound.GetBytesPerFrame());
    if (bytes > 0 && !sound.GetSampleBlock().GetData())
        return eNoMemory;
    return eSuccess;
}

} // namespace

eResultCode ReadWaveFile(gCStream& stream, CSound& sound, uint32_t& dataSize)
{
    sWaveLayout layout;
    PNU_TRY(ReadWaveLayout(stream, stream.GetLength(), layout, true));
    PNU_TRY(ApplyLayout(sound, layout));
    dataSize = layout.dataSize;
    return eSuccess;
}

eResultCode ReadWaveFile(const CMemBlockT<uint8_t>& block, CSound& sound, uint32_t& dataSize, int64_t& dataOffset)
{
    CByteSpanReader reader(block.GetData(), block.GetSize());
    sWaveLayout layout;
    PNU_TRY(ReadWaveLayout(reader, reader.GetLength(), layout, false));
    PNU_TRY(ApplyLayout(sound, layout));
    dataSize = layout.dataSize;
    dataOffset = layout.dataOffset;
    return eSuccess;
}

eResultCode LoadWaveData(gCStream& stream, CSound& sound)
{
    sound.DetachStream();
    uint32_t dataSize = 0;
    PNU_TRY(ReadWaveFile(stream, sound, dataSize));
    int32_t bytes = 0;
    PNU_TRY(PrepareSamples(sound, dataSize, bytes));
    if (bytes == 0)
        return eSuccess;
    uint8_t* samples = sound.GetSampleBlock().GetData();
    int64_t before = stream.GetPos();
    PNU_TRY(stream.Read(samples, bytes));
    // A short read is the end of the stream, not samples.
    if (stream.GetPos() - before != bytes)
        return eStreamError;
    if (sound.IsSixteenBit())
        SwapSixteenBitSamples(samples, bytes);
    return eSuccess;
}

eResultCode LoadWaveData(const CMemBlockT<uint8_t>& block, CSound& sound)
{
    sound.DetachStream();
    uint32_t dataSize = 0;
    int64_t dataOffset = 0;
    PNU_TRY(ReadWaveFile(block, sound, dataSize, dataOffset));
    int32_t bytes = 0;
    PNU_TRY(PrepareSamples(sound, dataSize, bytes));
    if (bytes == 0)
        return eSuccess;
    uint8_t* samples = sound.GetSampleBlock().GetData();
    std::memcpy(samples, block.GetData() + dataOffset, size_t(bytes));
    if (sound.IsSixteenBit())
        SwapSixteenBitSamples(samples, bytes);
    return eSuccess;
}

eResultCode LoadWaveChecked(gCStream& stream, CSound& sound)
{
    int64_t position = stream.GetPos();
    if (stream.GetLength() - position < 20)
        return eInvalidFile;
    uint32_t tag = 0;
    PNU_TRY(stream.ReadULong(tag));
    PNU_TRY(stream.SetPos(position));
    if (tag != kWaveTagRIFF)
        return eNotWritten;
    return LoadWaveData(stream, sound);
}

eResultCode AttachWave(gCStream& stream, CSound& sound)
{
    sound.DetachStream();
    uint32_t dataSize = 0;
    PNU_TRY(ReadWaveFile(stream, sound, dataSize));
    if (dataSize > uint32_t(INT32_MAX))
        return eInvalidFile;
    sound.AttachStream(&stream, uint64_t(stream.GetPos()), int32_t(dataSize));
    return eSuccess;
}

eResultCode WriteWave(gCStream& stream, CSound& sound)
{
    uint8_t* samples = sound.LockSamples();
    if (!samples)
        return eNoMemory;
    const uint32_t bpf = sound.GetBytesPerFrame();
    int64_t held = int64_t(sound.GetSampleBlock().GetSize());
    int64_t length = sound.GetDataLength() < held ? sound.GetDataLength() : held;
    const uint32_t data = uint32_t(length / bpf * bpf);
    PNU_TRY(stream.WriteULong(kWaveTagRIFF));
    PNU_TRY(stream.WriteULong(36 + data));
    PNU_TRY(stream.WriteULong(kWaveTagWAVE));
    PNU_TRY(stream.WriteULong(kWaveTagFmt));
    PNU_TRY(stream.WriteULong(16));
    PNU_TRY(stream.WriteUShort(1));
    PNU_TRY(stream.WriteUShort(sound.IsStereo() ? 2 : 1));
    PNU_TRY(stream.WriteULong(sound.GetRate()));
    PNU_TRY(stream.WriteULong(sound.GetRate() * bpf));
    PNU_TRY(stream.WriteUShort(uint16_t(bpf)));
    PNU_TRY(stream.WriteUShort(sound.IsSixteenBit() ? 16 : 8));
    PNU_TRY(stream.WriteULong(kWaveTagData));
    PNU_TRY(stream.WriteULong(data));
    if (sound.IsSixteenBit())
        SwapSixteenBitSamples(samples, data);
    eResultCode result = data > 0 ? stream.Write(samples, int32_t(data)) : eSuccess;
    if (sound.IsSixteenBit())
        SwapSixteenBitSamples(samples, data);
    return result;
}
