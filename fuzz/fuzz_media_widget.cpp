// Reads arbitrary bytes as the data block of an image, a mask or a text widget (the first byte
// chooses which), with a shared picture, a shared mask and a font at hand under names a block
// may give and allocations held to a budget, then lays out and draws whatever loaded, so that no name,
// index, size or text in such a block can reach outside its memory.
#include "FuzzWidgetSupport.h"

#include "FileIO/gCMemFile.h"
#include "core/CMemBlock.h"
#include "imaging/CImNav.h"
#include "imaging/CImNav8.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "platform/AlertPresenter.h"
#include "resources/CResourceContext.h"
#include "text/FontLibrary.h"
#include "text/TextGamma.h"
#include "text/gCFont.h"
#include "widgets/CBackdrop.h"
#include "widgets/CImWidget.h"
#include "widgets/CMaskWidget.h"
#include "widgets/CTxWidget.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace {

// Pool entries carry their names; a block names them with 'imag' and 'imsh' 1.
template <typename Image>
class CNamed : public Image {
public:
    explicit CNamed(const char16_t* name)
    {
        this->mName = gCString(name);
        (void)this->SetSize(6, 4);
    }
};

fuzzwidget::CQuietPresenter gPresenter;
CResourceContext gContext;

// Read once; the font is built again from these bytes whenever its pool is put back.
const std::string& FontBytes()
{
    static const std::string bytes = [] {
        std::ifstream in("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }();
    return bytes;
}

void AddFont()
{
    const std::string& bytes = FontBytes();
    if (bytes.empty() || !gFontLibrary)
        return;
    CMemBlock block(uint32_t(bytes.size() + 4));
    gCMemFile file(block);
    auto* font = new gCFont;
    if (file.WriteULong(uint32_t(bytes.size())) != eSuccess ||
        file.Write(bytes.data(), int32_t(bytes.size())) != eSuccess || file.Rewind() != eSuccess ||
        font->LoadFromStream(file) != eSuccess) {
        delete font;
        return;
    }
    font->SetName(gCString(u"Helvetica"));
    if (gContext.pools[eFontPool].Add(font) != eSuccess)
        delete font;
}

void AddImages()
{
    auto* picture = new CNamed<CImage>(u"Picture");
    {
        CImNav fill(picture, nullptr);
        const CPixel grey = 0x80808080u;
        if (fill.IsLocked())
            fill.Fill(&grey);
    }
    auto* mask = new CNamed<CImage8>(u"Mask");
    {
        CImNav8 fill(mask, nullptr);
        if (fill.IsLocked())
            fill.Fill(0xC0);
    }
    if (gContext.pools[eImagePool].Add(picture) != eSuccess)
        delete picture;
    if (gContext.pools[eImagePool].Add(mask) != eSuccess)
        delete mask;
}

// What set-up put in each pool.
int32_t gSetUpCounts[kResourcePoolCount] = {};

bool SetUp()
{
    fuzzwidget::CapAllocations();
    plat::SetAlertPresenter(&gPresenter);
    gContext.reportError = fuzzwidget::Quiet;
    SetResourceContext(&gContext);
    AddImages();
    if (InitFontLibrary() == eSuccess) {
        BuildTextGammaTables(1.3f);
        AddFont();
    }
    for (uint32_t i = 0; i < kResourcePoolCount; ++i)
        gSetUpCounts[i] = gContext.pools[i].GetCount();
    return true;
}

// An application keeps what its pools load for its whole run: its own blocks name a handful of
// fonts and pictures. Here every input is a block of its own, and each font name not seen before
// adds a face to the pool, so the pools go back to what set-up put there after each input.
void RestorePools()
{
    for (uint32_t i = 0; i < kResourcePoolCount; ++i) {
        if (gContext.pools[i].GetCount() == gSetUpCounts[i])
            continue;
        gContext.pools[i].RemoveAll();
        if (i == eImagePool)
            AddImages();
        else if (i == eFontPool)
            AddFont();
    }
}

} // namespace

// Font names from a block reach the system's font lookup, whose library keeps what it learns of
// each name until the process ends: that is its cache, not a leak of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = SetUp();
    if (!ready || size < 1 || size > (1u << 16))
        return 0;
    const uint8_t kind = data[0];
    ++data;
    --size;
    CMemBlock block(uint32_t(size ? size : 1));
    if (!block.GetData())
        return 0;
    if (size)
        std::memcpy(block.GetData(), data, size);
    fuzzwidget::StartInput();
    switch (kind % 3) {
    case 0: fuzzwidget::LoadAndDraw<CImWidget>(block); break;
    case 1: fuzzwidget::LoadAndDraw<CMaskWidget>(block); break;
    default: fuzzwidget::LoadAndDraw<CTxWidget>(block); break;
    }
    fuzzwidget::StartInput();
    RestorePools();
    return 0;
}
