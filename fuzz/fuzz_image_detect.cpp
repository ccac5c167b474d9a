// Fuzzes format detection and the dispatching loader over any bytes.
#include "FuzzImageSupport.h"
#include "imaging/ImageFiles.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzimage::Initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 24))
        return 0;
    CMemBlock block(uint32_t(size ? size : 1));
    if (!block.GetData())
        return 0;
    if (size)
        memcpy(block.GetData(), data, size);
    (void)DetectImageFormat(block);
    gCMemFile stream(&block);
    CImage image;
    (void)LoadImage(stream, &image);
    CImage8 grey;
    (void)LoadImage(block, &grey);
    return 0;
}
