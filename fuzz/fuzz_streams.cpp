// The stream readers on arbitrary bytes, through a memory stream and a file stream: every read
// either succeeds or fails with a result code, and the position always stays inside the data.
#include "FuzzFile.h"

#include "FileIO/gCMemFile.h"
#include "core/CMemBlock.h"

#include <cstdlib>
#include <cstring>

namespace {

void ReadEverything(gCStream& stream, uint8_t plan)
{
    stream.SetEightBitText(plan & 1);
    for (int32_t step = 0; step < 64; ++step) {
        gCString text;
        eResultCode result = eSuccess;
        switch ((plan + step) % 7) {
        case 0: result = stream.ReadLine(text); break;
        case 1: result = stream.ReadUnicodeLine(text); break;
        case 2: result = stream.ReadUnicodeString(text); break;
        case 3: { int32_t value; result = stream.ReadLong(value); break; }
        case 4: { double value; result = stream.ReadDouble(value); break; }
        case 5: { uint8_t bytes[37]; result = stream.Read(bytes, int32_t(plan % 37)); break; }
        default: { uint16_t value; result = stream.ReadUShort(value); break; }
        }
        int64_t position = stream.GetPos();
        if (position < 0 || position > stream.GetLength())
            std::abort();
        if (result != eSuccess && result != eStreamError && result != eInvalidFile && result != eNoMemory)
            std::abort();
        if (stream.IsEOF())
            break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    uint8_t plan = data[0];
    CMemBlock block(uint32_t(size - 1));
    if (size > 1 && block.GetData())
        std::memcpy(block.GetData(), data + 1, size - 1);
    gCMemFile memory(&block);
    ReadEverything(memory, plan);

    FuzzFile file;
    if (file.Load(data + 1, size - 1))
        ReadEverything(file, plan);
    return 0;
}
