// The updater's block codec: a block of bytes to a coded frame (its raw length, big-endian, then
// the payload of one of nine methods) and back. The method number is not stored in the frame;
// both sides must agree on it. Packages use method 8.
//
// The codec is two libraries. This folder is the decoding half (pnu_codec_decode: core and the
// platform layer beneath it, nothing else), the only half the updater links: DecodeFrame,
// DecodePayload, ReadRawLength, the method decoders, the bit reader. The encoding half, in
// encode/ (pnu_codec_encode, over the decoding half and libdivsufsort), holds EncodeFrame, the
// method encoders, the match finder with its suffix sorters and worker shares, the bit and byte
// writers, and the CodecRun calls, which take either direction. The package tool, the fuzz
// targets, the benchmarks and the tests link it; each class below keeps its encoding members in a
// file of its own there (<class>Encode.cpp).
//
// Kept for programs built on the codec; the updater does not call it: CodecRunStreams.
#pragma once

#include "core/CMemBlockT.h"
#include "core/eResultCode.h"
#include "core/gCBaseObject.h"

#include <cstdint>

class gCStream;

class CPNUCompressor : public gCBaseObject {
public:
    static constexpr uint32_t kMethodCount = 9;
    // The element parameter of methods 2-7, in method order.
    static constexpr uint32_t kElementParameter[6] = {2, 4, 8, 1, 3, 7};

    CPNUCompressor() = default;
    ~CPNUCompressor() override = default;

    // In the encoding library. The output block is resized by the call. Results: eSuccess done;
    // eBadParameter a method above 8, or input for methods 2-7 whose length is not a whole number
    // of elements; eOutOfRange input whose frame could not be sized in 32 bits (encoding);
    // eGenericFailure the encoder failed (method 1's codes grew longer than 32 bits); eNoMemory a
    // block could not be sized, or a raw length beyond the memory the system has (decoding, refused
    // before allocating); eInvalidFile a frame shorter than its length word, or a damaged payload
    // (decoding). Decoding touches no output memory beyond what the payload produces, and a failed
    // decode leaves the output block empty.
    eResultCode CodecRun(uint32_t encode, uint32_t method, CMemBlockT<unsigned char>& in,
                         CMemBlockT<unsigned char>& out);
    // The whole stream, from its start, as the input.
    eResultCode CodecRunStream(uint32_t encode, uint32_t method, gCStream& in,
                               CMemBlockT<unsigned char>& out);
    // The result block written to the output stream.
    eResultCode CodecRunStreams(uint32_t encode, uint32_t method, gCStream& in, gCStream& out);

    // The size an encoder's frame may reach for n input bytes.
    static uint64_t EncodeBound(uint64_t n) { return (n * 104 + 50) / 100 + 388; }

    // The raw work behind CodecRun, over plain memory: encode into at most `capacity` bytes
    // (frame length in frameLength; in the encoding library), decode into exactly the announced
    // raw length.
    static eResultCode EncodeFrame(uint32_t method, const uint8_t* in, uint64_t n, uint8_t* out,
                                   uint64_t capacity, uint64_t& frameLength);
    static eResultCode DecodePayload(uint32_t method, const uint8_t* payload, uint64_t m, uint8_t* out,
                                     uint64_t n);
    // A whole frame of `length` bytes decoded into `out`, sized to its raw length: what CodecRun
    // does for a block, for a frame that lies elsewhere (inside a package held in memory).
    static eResultCode DecodeFrame(uint32_t method, const uint8_t* frame, uint64_t length,
                                   CMemBlockT<unsigned char>& out);
    // The raw length a frame announces; eInvalidFile for a frame shorter than its length word.
    static eResultCode ReadRawLength(const uint8_t* frame, uint64_t length, uint64_t& n);

private:
    static eResultCode Decode(uint32_t method, CMemBlockT<unsigned char>& in, CMemBlockT<unsigned char>& out);
    // In the encoding library.
    static eResultCode Encode(uint32_t method, CMemBlockT<unsigned char>& in, CMemBlockT<unsigned char>& out);
};
