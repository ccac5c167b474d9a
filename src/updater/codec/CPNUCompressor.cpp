#include "updater/codec/CPNUCompressor.h"

#include "updater/codec/CPNUElementCoder.h"
#include "updater/codec/CPNUEscapeRLE.h"
#include "updater/codec/CPNUHashChainLZ.h"
#include "updater/codec/CPNUShannonFano.h"
#include "platform/SystemMemory.h"

namespace {

// The most bytes methods 0-7 can give for an m-byte payload: a method-0 token of 4 bytes gives
// at most 32768, a method-1 symbol takes a bit at least, and so does an element of methods 2-7
// (its trailing bytes aside).
uint64_t LargestOutput(uint32_t method, uint64_t m)
{
    if (method == 0)
        return 8192 * m;
    if (method == 1)
        return 8 * m;
    return uint64_t(CPNUElementCoder::ElementSize(CPNUCompressor::kElementParameter[method - 2])) * (8 * m + 1);
}

// Methods 0-7 into a block of the whole raw length, not cleared: its pages are touched only as
// they are decoded, and a raw length beyond what the payload can give is damage.
eResultCode DecodeWhole(uint32_t method, const uint8_t* payload, uint64_t m, uint64_t n,
                        CMemBlockT<unsigned char>& out)
{
    if (n > LargestOutput(method, m))
        return eInvalidFile;
    if (!out.SetSize(uint32_t(n)))
        return eNoMemory;
    return CPNUCompressor::DecodePayload(method, payload, m, out.GetData(), n);
}

// Method 8 into a block that grows with the output: a match may copy gigabytes from a few
// bytes, so no bound comes from the payload's length.
eResultCode DecodeGrowing(const uint8_t* payload, uint64_t m, uint64_t n, CMemBlockT<unsigned char>& out)
{
    if (!out.SetSize(uint32_t(CPNUHashChainLZ::FirstRoom(n, m))))
        return eNoMemory;
    if (m == 0)
        return n == 0 ? eSuccess : eInvalidFile;
    uint64_t p = 1;
    uint64_t o = 0;
    PNU_TRY(CPNUHashChainLZ::DecodePartGrowing(payload[0], payload, m, m, p, out, n, o));
    return o == n ? eSuccess : eInvalidFile;
}

} // namespace

eResultCode CPNUCompressor::ReadRawLength(const uint8_t* frame, uint64_t length, uint64_t& n)
{
    if (length < 4)
        return eInvalidFile;
    n = uint64_t(frame[0]) << 24 | uint64_t(frame[1]) << 16 | uint64_t(frame[2]) << 8 | frame[3];
    return eSuccess;
}

eResultCode CPNUCompressor::DecodePayload(uint32_t method, const uint8_t* payload, uint64_t m,
                                          uint8_t* out, uint64_t n)
{
    switch (method) {
    case 0:
        return CPNUEscapeRLE::Decode(payload, m, out, n);
    case 1:
        return CPNUShannonFano::Decode(payload, m, out, n);
    case 8:
        return CPNUHashChainLZ::Decode(payload, m, out, n);
    default:
        if (method >= kMethodCount)
            return eBadParameter;
        return CPNUElementCoder::Decode(kElementParameter[method - 2], payload, m, out, n);
    }
}

eResultCode CPNUCompressor::Decode(uint32_t method, CMemBlockT<unsigned char>& in,
                                   CMemBlockT<unsigned char>& out)
{
    return DecodeFrame(method, in.GetData(), in.GetSize(), out);
}

eResultCode CPNUCompressor::DecodeFrame(uint32_t method, const uint8_t* frame, uint64_t length,
                                        CMemBlockT<unsigned char>& out)
{
    if (method >= kMethodCount)
        return eBadParameter;
    uint64_t n = 0;
    PNU_TRY(ReadRawLength(frame, length, n));
    // Any length the field can hold is taken, as long as the system can back it: a request it
    // would grant lazily and then fail to back is refused before allocating.
    const uint64_t available = plat::GetAvailableMemory();
    if (available != 0 && n > available)
        return eNoMemory;
    // No memory is touched, nor for method 8 even asked for, beyond what the payload produces:
    // a small damaged frame announcing gigabytes fails as cheaply as it is small.
    (void)out.SetSize(0);
    const eResultCode result = method == 8 ? DecodeGrowing(frame + 4, length - 4, n, out)
                                           : DecodeWhole(method, frame + 4, length - 4, n, out);
    // A failed decode leaves no block that could pass for the output.
    if (result != eSuccess)
        (void)out.SetSize(0);
    return result;
}
