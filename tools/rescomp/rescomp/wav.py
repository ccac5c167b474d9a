"""Sounds: any PCM WAV file in, the plain 44-byte-header form the sound loader accepts out."""

import struct
import wave

# A sound plays every frame but its last two; shorter sounds would make no sound at all.
MIN_FRAMES = 3


def canonical_wave(path):
    """Reads a PCM WAV file (other chunks such as LIST are dropped) and writes it back in the
    layout the loader insists on: 'fmt ' right after 'WAVE', then 'data'."""
    try:
        with wave.open(path, "rb") as source:
            channels = source.getnchannels()
            width = source.getsampwidth()
            rate = source.getframerate()
            frames = source.getnframes()
            samples = source.readframes(frames)
    except (wave.Error, EOFError, struct.error) as error:
        raise ValueError("%s is not a PCM WAV file the compiler can read (%s)" % (path, error))
    if channels not in (1, 2):
        raise ValueError("%s has %d channels; sounds are mono or stereo" % (path, channels))
    if width not in (1, 2):
        raise ValueError("%s has %d-bit samples; sounds are 8- or 16-bit" % (path, width * 8))
    if rate <= 0:
        raise ValueError("%s has sample rate 0" % path)
    block = channels * width
    frames = len(samples) // block
    if frames < MIN_FRAMES:
        raise ValueError("%s holds %d frames; a sound needs at least %d to be heard"
                         % (path, frames, MIN_FRAMES))
    samples = samples[:frames * block]
    header = b"RIFF" + struct.pack("<I", 36 + len(samples)) + b"WAVE"
    header += b"fmt " + struct.pack("<IHHIIHH", 16, 1, channels, rate, rate * block, block, width * 8)
    header += b"data" + struct.pack("<I", len(samples))
    return header + samples


def check_wave(data):
    """Applies the sound loader's rules to a whole WAV file; returns (channels, bits, rate,
    data size) or raises ValueError naming the broken rule."""
    def u32(offset):
        if offset + 4 > len(data):
            raise ValueError("the WAV data ends inside its header")
        return struct.unpack_from("<I", data, offset)[0]

    def u16(offset):
        if offset + 2 > len(data):
            raise ValueError("the WAV data ends inside its header")
        return struct.unpack_from("<H", data, offset)[0]

    if len(data) < 20:
        raise ValueError("a WAV file has at least 20 bytes")
    if data[0:4] != b"RIFF":
        raise ValueError("the WAV data does not start with 'RIFF'")
    if len(data) - 4 - 4 < u32(4):
        raise ValueError("the RIFF size is larger than the data")
    if data[8:12] != b"WAVE" or data[12:16] != b"fmt ":
        raise ValueError("'WAVE' and 'fmt ' must follow the RIFF size")
    fmt_size = u32(16)
    channels, rate, align, bits = u16(22), u32(24), u16(32), u16(34)
    if bits == 0 and align == 1:
        bits = 8
    if align == 0 or align != (channels * bits) // 8:
        raise ValueError("the block align does not match the channels and bits")
    if rate == 0:
        raise ValueError("the sample rate is 0")
    pos = 20 + fmt_size
    tag = data[pos:pos + 4]
    pos += 4
    if tag == b"fact":
        pos += 4 + u32(pos)
        tag = data[pos:pos + 4]
        pos += 4
    if tag != b"data":
        raise ValueError("'data' (or 'fact', then 'data') must follow the 'fmt ' chunk")
    size = u32(pos)
    pos += 4
    if pos + size > len(data):
        raise ValueError("the sample data runs past the end of the WAV data")
    return channels, bits, rate, size
