// Reading and writing RIFF WAVE data for a CSound.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it: WriteWave.
#pragma once

#include "core/CMemBlockT.h"
#include "core/eResultCode.h"

#include <cstdint>

class gCStream;
class CSound;

// Checks the header from the stream's position and sets the sound's format; the data size comes
// back through `dataSize` and the stream stands at the first sample byte.
eResultCode ReadWaveFile(gCStream& stream, CSound& sound, uint32_t& dataSize);
// The same on a block holding a whole WAV file from byte 0; `dataOffset` is where the samples start.
eResultCode ReadWaveFile(const CMemBlockT<uint8_t>& block, CSound& sound, uint32_t& dataSize, int64_t& dataOffset);

// Reads the header and the samples (whole frames) into the sound's own memory.
eResultCode LoadWaveData(gCStream& stream, CSound& sound);
eResultCode LoadWaveData(const CMemBlockT<uint8_t>& block, CSound& sound);
// As LoadWaveData when the stream holds RIFF data at its position; otherwise eNotWritten, and the
// stream is left where it was.
eResultCode LoadWaveChecked(gCStream& stream, CSound& sound);
// The sound plays from the stream: only the header is read.
eResultCode AttachWave(gCStream& stream, CSound& sound);

// Writes the sound as a PCM WAV file (whole frames only); eNoMemory when it has no samples in
// memory.
eResultCode WriteWave(gCStream& stream, CSound& sound);
