// Method 8 of the package codec, the coding of every update package: LZ77 without overlap.
// Literals are plain bytes; an escape byte (the input's least frequent value) introduces either
// the escape byte itself (E 00) or a match (E, varint length, varint distance).
#pragma once

#include "core/CMemBlockT.h"
#include "core/eResultCode.h"

#include <cstdint>

class CPNUByteWriter;
class CPNUMatchFinder;

class CPNUHashChainLZ {
public:
    // The encoding half, in the encoding library (encode/CPNUHashChainLZEncode.cpp and
    // encode/CPNUHashChainLZShares.cpp), down to Encode.
    //
    // How the coding of a large input is shared out among the processors: the input is cut
    // into `stretches` coded at once, each from its own start, by as many at a time as there
    // are `cursors` (each takes about 10 MB of the work area). Each stretch codes `overhang`
    // tokens past its end, and marks its first `marks` tokens: where the coding from the start,
    // which follows the stretch before into its overhang, meets a marked token, the two agree
    // from there on. Where they do not meet, the tokens are found again. The bytes are those of
    // one coding from the start either way.
    struct sShares {
        uint32_t cursors = 1;
        uint32_t stretches = 1;
        uint32_t marks = 4096;
        uint32_t overhang = 64;
    };
    // As many cursors as processors, within a byte of the work area per input byte; a few
    // stretches per cursor, so that one costly stretch does not hold up the rest.
    static sShares SharesFor(uint64_t n);

    // Bytes of the work area of the match search over the whole input (CPNUMatchFinder); 0 for
    // an input too large for it.
    static uint64_t WorkAreaSize(uint64_t n) { return WorkAreaSize(n, SharesFor(n)); }
    static uint64_t WorkAreaSize(uint64_t n, const sShares& shares);

    // Codes n bytes (n < 2^32). With a work area of WorkAreaSize(n) bytes every earlier position is
    // a candidate; without one (null) only those up to 100000 bytes back are. The two give the same
    // output whenever no chosen match lies farther back. eGenericFailure when the payload does not
    // fit in `capacity`.
    static eResultCode Encode(const uint8_t* in, uint64_t n, uint8_t* out, uint64_t capacity,
                              void* workArea, uint64_t& payloadLength)
    {
        return Encode(in, n, out, capacity, workArea, SharesFor(n), payloadLength);
    }
    // The same with the work area of WorkAreaSize(n, shares).
    static eResultCode Encode(const uint8_t* in, uint64_t n, uint8_t* out, uint64_t capacity,
                              void* workArea, const sShares& shares, uint64_t& payloadLength);

    // The decoding half, what the updater links.
    //
    // Decodes into exactly n bytes; eInvalidFile for a damaged payload (a cut token, a varint
    // longer than five bytes or above 32 bits, a distance of 0 or before the start, output other
    // than n).
    static eResultCode Decode(const uint8_t* payload, uint64_t m, uint8_t* out, uint64_t n);

    // The same in parts, for a payload that arrives in pieces or whose decoded part is given back
    // as it goes. The tokens that start before `stop` are decoded from payload[position..m) into
    // out[produced..n), and both positions move past them; a literal run may end anywhere. A token
    // is never split, so m - stop must be at least kLongestToken unless m is the payload's end.
    // eInvalidFile for a damaged token; eBufferOverrun for a token that does not fit in
    // out[produced..n), both positions left at its start (damage when n is the whole output, else
    // the room to grow); that the output is whole is the caller's check at the end.
    static constexpr uint64_t kLongestToken = 11;
    static eResultCode DecodePart(uint8_t escape, const uint8_t* payload, uint64_t m, uint64_t stop,
                                  uint64_t& position, uint8_t* out, uint64_t n, uint64_t& produced);

    // DecodePart into a block that grows with the output toward the n bytes announced: whenever a
    // token does not fit, the block's room doubles (up to n). A payload announcing far more than it
    // holds so fails having asked for about twice what it produced, never for n. eInvalidFile for a
    // token past n, eNoMemory when the block cannot grow.
    static eResultCode DecodePartGrowing(uint8_t escape, const uint8_t* payload, uint64_t m, uint64_t stop,
                                         uint64_t& position, CMemBlockT<unsigned char>& out, uint64_t n,
                                         uint64_t& produced);
    // The room a growing block starts with for n bytes from an m-byte payload.
    static uint64_t FirstRoom(uint64_t n, uint64_t m);

private:
    // The encoder's own, in the encoding library.
    //
    // Where a token begins and where its bytes begin in the coding.
    struct sMark {
        uint64_t pos;
        uint64_t offset;
    };
    struct sMarks {
        sMark* at = nullptr;
        uint32_t limit = 0;
        uint32_t count = 0;
    };

    // Tokens from pos on while pos < until and at least 4 bytes remain, the first ones marked
    // when `marks` is given; the position reached.
    static uint64_t CodeTokens(CPNUMatchFinder& finder, uint32_t cursor, const uint8_t* in, uint64_t n,
                               uint64_t pos, uint64_t until, uint8_t escape, CPNUByteWriter& writer,
                               sMarks* marks);
    // Codes the stretches at once and joins them; false (nothing written) when the memory for
    // their codings is not there.
    static bool CodeShares(CPNUMatchFinder& finder, const uint8_t* in, uint64_t n, uint8_t escape,
                           const sShares& shares, CPNUByteWriter& writer, uint64_t& pos);
};
