// Fuzzes the PNG reader with 32-bit and 8-bit target images.
#include "FuzzImageSupport.h"
#include "imaging/gCPngIO.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzimage::Initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzimage::LoadBoth<gCPngIO>(data, size);
    return 0;
}
