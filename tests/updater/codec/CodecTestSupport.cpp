#include "updater/codec/CodecTestSupport.h"

#include "core/CMemBlockT.h"
#include "updater/codec/CPNUCompressor.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

namespace {

bool ToBlock(const Bytes& bytes, CMemBlockT<unsigned char>& block)
{
    if (!block.SetSize(uint32_t(bytes.size())))
        return false;
    if (!bytes.empty())
        memcpy(block.GetData(), bytes.data(), bytes.size());
    return true;
}

Bytes FromBlock(CMemBlockT<unsigned char>& block)
{
    return Bytes(block.GetData(), block.GetData() + block.GetSize());
}

// One run of the codec over bytes, encoding or decoding.
eResultCode RunBytes(uint32_t encode, uint32_t method, const Bytes& from, Bytes& to)
{
    CMemBlockT<unsigned char> in;
    CMemBlockT<unsigned char> out;
    if (!ToBlock(from, in))
        return eNoMemory;
    CPNUCompressor codec;
    const eResultCode result = codec.CodecRun(encode, method, in, out);
    to = FromBlock(out);
    return result;
}

} // namespace

eResultCode EncodeBytes(uint32_t method, const Bytes& data, Bytes& frame) { return RunBytes(1, method, data, frame); }

eResultCode DecodeBytes(uint32_t method, const Bytes& frame, Bytes& data) { return RunBytes(0, method, frame, data); }

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Repeated(const Bytes& unit, size_t times)
{
    Bytes result;
    for (size_t i = 0; i < times; ++i)
        result.insert(result.end(), unit.begin(), unit.end());
    return result;
}

Bytes RandomBytes(size_t count, uint32_t seed)
{
    std::mt19937 generator(seed);
    Bytes result(count);
    for (uint8_t& byte : result)
        byte = uint8_t(generator());
    return result;
}

Bytes SystemLibraryBytes(size_t count)
{
    static const char* const kCandidates[] = {
        "/usr/lib/x86_64-linux-gnu/libc.so.6",
        "/usr/lib/x86_64-linux-gnu/libstdc++.so.6",
        "/lib/x86_64-linux-gnu/libc.so.6",
        "/usr/lib/x86_64-linux-gnu/libz.so.1",
    };
    for (const char* path : kCandidates) {
        std::ifstream file(path, std::ios::binary);
        if (!file)
            continue;
        Bytes bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (bytes.size() > count)
            bytes.resize(count);
        if (!bytes.empty())
            return bytes;
    }
    return {};
}

Bytes Frame(uint32_t rawLength, const Bytes& payload)
{
    Bytes frame = {uint8_t(rawLength >> 24), uint8_t(rawLength >> 16), uint8_t(rawLength >> 8), uint8_t(rawLength)};
    frame.insert(frame.end(), payload.begin(), payload.end());
    return frame;
}

void RepeatPayload::Literals(const Bytes& bytes)
{
    for (uint8_t byte : bytes) {
        mBytes.push_back(byte);
        if (byte == mBytes[0])
            mBytes.push_back(0);
    }
    mRawLength += bytes.size();
}

void RepeatPayload::PutVarint(uint64_t value)
{
    int shift = 28;
    while (shift > 0 && (value >> shift) == 0)
        shift -= 7;
    for (; shift > 0; shift -= 7)
        mBytes.push_back(uint8_t(0x80 | ((value >> shift) & 0x7F)));
    mBytes.push_back(uint8_t(value & 0x7F));
}

void RepeatPayload::Match(uint64_t length, uint64_t distance)
{
    mBytes.push_back(mBytes[0]);
    PutVarint(length);
    PutVarint(distance);
    mRawLength += length;
}

void RepeatPayload::Repeat(const Bytes& seed, uint64_t total)
{
    Literals(seed);
    for (uint64_t done = seed.size(); done < total;) {
        const uint64_t length = std::min(done, total - done);
        Match(length, done);
        done += length;
    }
}

Bytes RepeatPayload::Frame() const
{
    return ::Frame(uint32_t(mRawLength), mBytes);
}
