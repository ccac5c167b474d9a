// Reads arbitrary bytes as a gradient resource payload and as the versioned gradient form, then
// builds the table and reads it, so that damaged stops cannot reach outside the table.
#include "FileIO/gCMemFile.h"
#include "core/CMemBlock.h"
#include "imaging/CGradient.h"
#include "imaging/CImage.h"
#include "resources/CResourceContext.h"

#include <cstdint>
#include <cstring>

namespace {

void Quiet(eResultCode, const char*) {}

CResourceContext gQuietContext;

void Exercise(CGradient& gradient)
{
    gradient.BuildTable();
    for (int32_t value = -1; value <= 4097; value += 512)
        (void)gradient.GetColour(value, 4096);
    (void)gradient.GetColour(3, 7);
    (void)gradient.GetInterpolatedColour(-5);
    CImage image(9, 5);
    (void)gradient.RenderToImage(&image, 0, 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    gQuietContext.reportError = Quiet;
    SetResourceContext(&gQuietContext);
    CMemBlock block(uint32_t(size ? size : 1));
    if (!block.GetData())
        return 0;
    if (size)
        std::memcpy(block.GetData(), data, size);
    CPixel black = 0xFF000000, white = 0xFFFFFFFF;
    for (int32_t mode : {CGradient::eLinear, CGradient::eCubic, CGradient::eSmoothstep}) {
        gCMemFile stream(&block);
        CGradient gradient(&black, &white);
        gradient.SetInterpolation(mode);
        gradient.SetGrey(mode == CGradient::eCubic);
        (void)gradient.Read(stream);
        Exercise(gradient);
    }
    gCMemFile stream(&block);
    CGradient versioned(&black, &white);
    (void)versioned.ReadVersioned(stream);
    Exercise(versioned);
    versioned.SetGrey(!versioned.IsGrey());
    Exercise(versioned);
    return 0;
}
