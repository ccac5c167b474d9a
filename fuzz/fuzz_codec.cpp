// The package codec on hostile frames: the first byte chooses the method, the rest is the frame.
// Every decoder must stay in bounds and either fail with 17 or give exactly the announced length;
// small inputs are also coded and decoded back, which must give them unchanged.
#include "core/CMemBlockT.h"
#include "platform/SystemMemory.h"
#include "updater/codec/CPNUCompressor.h"

#include <cstdlib>
#include <cstring>

namespace {

// Frames announcing more than this are skipped: allocating up to the package size limit on
// every run would only slow the fuzzer down, and the decoders do not depend on the size.
constexpr uint64_t kLargestFuzzedLength = 1 << 22;

void CheckDecode(uint32_t method, const uint8_t* frame, size_t size)
{
    uint64_t n = 0;
    if (CPNUCompressor::ReadRawLength(frame, size, n) == eSuccess && n > kLargestFuzzedLength)
        return;
    CMemBlockT<unsigned char> in;
    if (!in.SetSize(uint32_t(size)))
        return;
    if (size > 0)
        memcpy(in.GetData(), frame, size);
    CMemBlockT<unsigned char> out;
    CPNUCompressor codec;
    const eResultCode result = codec.CodecRun(0, method, in, out);
    if (result == eSuccess && out.GetSize() != n)
        abort();
    if (result != eSuccess && result != eInvalidFile && result != eNoMemory)
        abort();
}

void CheckRoundTrip(uint32_t method, const uint8_t* data, size_t size)
{
    if (method >= 2 && method <= 7)
        size -= size % 4;
    CMemBlockT<unsigned char> raw;
    if (!raw.SetSize(uint32_t(size)))
        return;
    if (size > 0)
        memcpy(raw.GetData(), data, size);
    CMemBlockT<unsigned char> frame;
    CMemBlockT<unsigned char> back;
    CPNUCompressor codec;
    const eResultCode encoded = codec.CodecRun(1, method, raw, frame);
    if (encoded != eSuccess)
        return;
    if (codec.CodecRun(0, method, frame, back) != eSuccess || back.GetSize() != size)
        abort();
    if (size > 0 && memcmp(back.GetData(), data, size) != 0)
        abort();
}

} // namespace

// A frame may announce any length the machine could hold; the fuzzer's own memory limit is far
// below that, so the decoder is told the machine holds 256 MB.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static plat::FixedSystemMemory machine(uint64_t(256) << 20);
    plat::SetSystemMemory(&machine);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const uint32_t method = data[0] % CPNUCompressor::kMethodCount;
    CheckDecode(method, data + 1, size - 1);
    if (size - 1 <= 4096)
        CheckRoundTrip(method, data + 1, size - 1);
    return 0;
}
