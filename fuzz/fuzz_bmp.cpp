// Fuzzes the BMP reader with 32-bit and 8-bit target images.
#include "FuzzImageSupport.h"
#include "imaging/gCBmpIO.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzimage::Initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzimage::LoadBoth<gCBmpIO>(data, size);
    return 0;
}
