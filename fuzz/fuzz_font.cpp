// Reads arbitrary bytes as a font resource's payload (a byte count, then font data handed to
// FreeType from memory), then measures and draws a short text with whatever face came out.
#include "FileIO/gCMemFile.h"
#include "core/CMemBlock.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "resources/CResourceContext.h"
#include "text/CTextRenderer.h"
#include "text/TextGamma.h"
#include "text/gCFont.h"

#include <cstdint>
#include <cstring>

namespace {

void Quiet(eResultCode, const char*) {}

CResourceContext gContext;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    gContext.reportError = Quiet;
    SetResourceContext(&gContext);
    (void)InitFontLibrary();
    BuildTextGammaTables(1.3f);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    CMemBlock block(uint32_t(size + 4));
    if (!block.GetData())
        return 0;
    uint32_t count = uint32_t(size);
    std::memcpy(block.GetData(), &count, 4);
    if (size)
        std::memcpy(block.GetData() + 4, data, size);
    gCMemFile stream(&block);
    auto* font = new gCFont;
    if (font->LoadFromStream(stream) != eSuccess) {
        delete font;
        return 0;
    }
    font->SetName(gCString("Fuzzed Font"));
    if (gContext.pools[eFontPool].Add(font) != eSuccess) {
        delete font;
        return 0;
    }
    for (int32_t pixels : {7, 13}) {
        CTextRenderer renderer;
        renderer.mFontName = gCString("Fuzzed Font");
        renderer.mPixelSize = pixels;
        renderer.mUnderline = pixels == 13;
        renderer.mWrap = pixels == 7;
        CImage image(40, 16);
        (void)renderer.GetTextWidth(gCString(u"Ag W\u00e9 \u4e00"));
        (void)renderer.RenderText(gCString(u"Ag W\u00e9 fi\nx \u4e00"), &image, 0);
        CImage8 mask(20, 10);
        FT_Face* face = nullptr;
        if (renderer.SelectFontStyle(&face) == eSuccess)
            (void)renderer.DrawTextToImage(face, u"AV", &mask, -3.0f, 2.0f, 0, 0, 0);
    }
    gContext.pools[eFontPool].RemoveAll();
    return 0;
}
