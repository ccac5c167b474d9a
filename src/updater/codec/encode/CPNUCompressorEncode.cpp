// The encoding half of the block codec, and the runs in either direction (which take the
// decoding half from the decoding library).
#include "updater/codec/CPNUCompressor.h"

#include "FileIO/gCStream.h"
#include "core/gCMemory.h"
#include "updater/codec/CPNUElementCoder.h"
#include "updater/codec/CPNUEscapeRLE.h"
#include "updater/codec/CPNUHashChainLZ.h"
#include "updater/codec/CPNUShannonFano.h"
#include "platform/SystemMemory.h"
#include "platform/WorkerThreads.h"
#include "updater/codec/PNULimits.h"

#include <algorithm>

namespace {

bool IsElementMethod(uint32_t method) { return method >= 2 && method <= 7; }

// Input for methods 2-7 must be whole elements: the format would drop a trailing part.
bool HasWholeElements(uint32_t method, uint64_t n)
{
    return !IsElementMethod(method)
        || n % CPNUElementCoder::ElementSize(CPNUCompressor::kElementParameter[method - 2]) == 0;
}

// Stream reads and writes take at most this many bytes at once.
constexpr int64_t kStreamChunk = 1 << 30;

// Big-endian whatever the processor, unlike the toolkit's typed stream values.
void WriteRawLength(uint64_t n, uint8_t* frame)
{
    frame[0] = uint8_t(n >> 24);
    frame[1] = uint8_t(n >> 16);
    frame[2] = uint8_t(n >> 8);
    frame[3] = uint8_t(n);
}

// The search tables of a large input span hundreds of megabytes: their pages are given back by
// every processor at once before the block is freed.
constexpr uint64_t kReleasePart = uint64_t(16) << 20;

void ReleaseWorkArea(void* workArea, uint64_t bytes)
{
    struct sArea {
        uint8_t* start;
        uint64_t bytes;
    } area{static_cast<uint8_t*>(workArea), bytes};
    if (!workArea || bytes < 2 * kReleasePart)
        return;
    plat::GetWorkers().Run(uint32_t((bytes + kReleasePart - 1) / kReleasePart), [](void* context, uint32_t part) {
        const sArea& whole = *static_cast<const sArea*>(context);
        const uint64_t begin = uint64_t(part) * kReleasePart;
        plat::ReleasePages(whole.start + begin, std::min(kReleasePart, whole.bytes - begin));
    }, &area);
}

} // namespace

eResultCode CPNUCompressor::EncodeFrame(uint32_t method, const uint8_t* in, uint64_t n, uint8_t* out,
                                        uint64_t capacity, uint64_t& frameLength)
{
    frameLength = 0;
    if (method >= kMethodCount)
        return eBadParameter;
    if (n > kPNUFrameRawLengthLimit)
        return eOutOfRange;
    if (capacity < 4)
        return eGenericFailure;
    WriteRawLength(n, out);

    uint8_t* payload = out + 4;
    const uint64_t room = capacity - 4;
    uint64_t m = 0;
    eResultCode result = eSuccess;
    switch (method) {
    case 0:
        result = CPNUEscapeRLE::Encode(in, n, payload, room, m);
        break;
    case 1:
        result = CPNUShannonFano::Encode(in, n, payload, room, m);
        break;
    case 8: {
        // Without memory for the search tables the window search gives the same format. Memory
        // the system cannot back is not asked for: it would be granted and then fail on use.
        const uint64_t workSize = CPNUHashChainLZ::WorkAreaSize(n);
        const uint64_t available = plat::GetAvailableMemory();
        const bool fits = workSize > 0 && (available == 0 || workSize <= available);
        void* workArea = n > 0 && fits ? MemAllocate(size_t(workSize)) : nullptr;
        result = CPNUHashChainLZ::Encode(in, n, payload, room, workArea, m);
        ReleaseWorkArea(workArea, workSize);
        MemFree(workArea);
        break;
    }
    default:
        if (!HasWholeElements(method, n))
            return eBadParameter;
        result = CPNUElementCoder::Encode(kElementParameter[method - 2], in, n, payload, room, m);
        break;
    }
    if (result != eSuccess)
        return result;
    frameLength = m + 4;
    return eSuccess;
}

eResultCode CPNUCompressor::CodecRun(uint32_t encode, uint32_t method, CMemBlockT<unsigned char>& in,
                                     CMemBlockT<unsigned char>& out)
{
    return encode ? Encode(method, in, out) : Decode(method, in, out);
}

eResultCode CPNUCompressor::Encode(uint32_t method, CMemBlockT<unsigned char>& in,
                                   CMemBlockT<unsigned char>& out)
{
    const uint64_t n = in.GetSize();
    const uint64_t bound = EncodeBound(n);
    // The output block's size is a 32-bit count.
    if (n > kPNUFrameRawLengthLimit || bound > 0xFFFFFFFFull)
        return eOutOfRange;
    if (!HasWholeElements(method, n))
        return eBadParameter;
    if (method >= kMethodCount) {
        // An unknown method keeps the bound size, zeros with the raw length in front.
        if (!out.SetSize(uint32_t(bound), 1))
            return eNoMemory;
        WriteRawLength(n, out.GetData());
        return eBadParameter;
    }
    // Not cleared: the encoders write every byte they keep, and pages never written are never
    // backed, so the block costs the coded size rather than the bound.
    if (!out.SetSize(uint32_t(bound)))
        return eNoMemory;
    uint64_t frameLength = 0;
    const eResultCode result = EncodeFrame(method, in.GetData(), n, out.GetData(), bound, frameLength);
    if (result != eSuccess) {
        // A failed encode leaves only the raw length, never a frame that would decode to
        // something else.
        (void)out.SetSize(4);
        return result;
    }
    if (!out.SetSize(uint32_t(frameLength)))
        return eNoMemory;
    return eSuccess;
}

eResultCode CPNUCompressor::CodecRunStream(uint32_t encode, uint32_t method, gCStream& in,
                                           CMemBlockT<unsigned char>& out)
{
    PNU_TRY(in.Rewind());
    const int64_t length = in.GetLength();
    if (length < 0 || uint64_t(length) > 0xFFFFFFFFull)
        return eNoMemory;
    CMemBlockT<unsigned char> buffer;
    if (!buffer.SetSize(uint32_t(length)))
        return eNoMemory;
    for (int64_t done = 0; done < length;) {
        const int64_t chunk = length - done < kStreamChunk ? length - done : kStreamChunk;
        PNU_TRY(in.Read(buffer.GetData() + done, int32_t(chunk)));
        done += chunk;
    }
    return CodecRun(encode, method, buffer, out);
}

eResultCode CPNUCompressor::CodecRunStreams(uint32_t encode, uint32_t method, gCStream& in, gCStream& out)
{
    CMemBlockT<unsigned char> result;
    PNU_TRY(CodecRunStream(encode, method, in, result));
    const int64_t length = result.GetSize();
    for (int64_t done = 0; done < length;) {
        const int64_t chunk = length - done < kStreamChunk ? length - done : kStreamChunk;
        PNU_TRY(out.Write(result.GetData() + done, int32_t(chunk)));
        done += chunk;
    }
    return eSuccess;
}
