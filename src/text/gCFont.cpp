#include "text/gCFont.h"

#include "FileIO/gCStream.h"
#include "core/CMemBlock.h"
#include "core/gCMemory.h"
#include "FileIO/gCFile.h"
#include "platform/SystemFonts.h"
#include "resources/CResourceContext.h"
#include "text/GlyphCache.h"

#include <cstring>

FT_Library* gFontLibrary = nullptr;

namespace {

inline int32_t RoundHalfAway(float value)
{
    return value > 0.0f ? int32_t(value + 0.5f) : int32_t(value - 0.5f);
}

// A font size rounded to a whole number of its units; false when it is not a number or beyond
// what 32 bits hold (sizes come from data files).
bool SizeInUnits(float value, int32_t& units)
{
    if (!(value > -2147483520.0f && value < 2147483520.0f))
        return false;
    units = RoundHalfAway(value);
    return true;
}

FT_Face* NewHolder()
{
    auto* holder = static_cast<FT_Face*>(MemAllocate(sizeof(FT_Face)));
    if (holder)
        *holder = nullptr;
    return holder;
}

const char* Bytes(const CMemBlock& block)
{
    return reinterpret_cast<const char*>(block.GetData());
}

// The text's UTF-8 with a terminating 0, for calls that take a C string.
eResultCode ToTerminatedUTF8(const gCString& text, CMemBlock& bytes)
{
    PNU_TRY(text.ToUTF8(bytes));
    const uint32_t length = bytes.GetSize();
    if (length == UINT32_MAX || !bytes.SetSize(length + 1))
        return eNoMemory;
    bytes.GetData()[length] = 0;
    return eSuccess;
}

// Opens an installed font by name (`length` bytes of UTF-8), or with standIn the nearest font of
// that family whatever it is; the face lands in the holder.
bool OpenSystemFace(const char* name, size_t length, bool standIn, FT_Face* holder)
{
    plat::sSystemFontFile file;
    bool found = standIn
        ? (plat::FindSystemFontFile(name, length, file) == plat::eFileResult::kOk ||
           plat::FindNearestFontFile(name, length, file) == plat::eFileResult::kOk)
        : plat::FindSystemFontFile(name, length, file) == plat::eFileResult::kOk;
    if (!found)
        return false;
    return FT_New_Face(*gFontLibrary, file.path, file.index, holder) == 0;
}

constexpr char kStandInFamily[] = "Helvetica";
constexpr size_t kStandInLength = sizeof kStandInFamily - 1;

} // namespace

eResultCode InitFontLibrary()
{
    if (gFontLibrary)
        return eSuccess;
    auto* holder = static_cast<FT_Library*>(MemAllocate(sizeof(FT_Library)));
    if (!holder)
        return eNoMemory;
    if (FT_Init_FreeType(holder) != 0) {
        MemFree(holder);
        return eCreateFailed;
    }
    gFontLibrary = holder;
    return eSuccess;
}

void ReleaseFontLibrary()
{
    if (!gFontLibrary)
        return;
    FT_Done_FreeType(*gFontLibrary);
    MemFree(gFontLibrary);
    gFontLibrary = nullptr;
}

eResultCode GetFontFilePath(const char* family, char path[256])
{
    plat::sSystemFontFile file;
    if (!family || plat::FindSystemFontFile(family, std::strlen(family), file) != plat::eFileResult::kOk)
        return eCreateFailed;
    size_t n = std::min<size_t>(std::strlen(file.path), 255);
    std::memcpy(path, file.path, n);
    path[n] = 0;
    return eSuccess;
}

gCString ResolveFontFamilyName(const gCString& family)
{
    // A name whose bytes cannot be held resolves to nothing, as with no font library.
    CMemBlock bytes;
    if (!gFontLibrary || family.ToUTF8(bytes) != eSuccess)
        return gCString();
    plat::sSystemFontFile file;
    if (plat::FindSystemFontFile(Bytes(bytes), bytes.GetSize(), file) == plat::eFileResult::kOk)
        return family;
    if (plat::FindSystemFontFile(kStandInFamily, kStandInLength, file) == plat::eFileResult::kOk
        || plat::FindNearestFontFile(kStandInFamily, kStandInLength, file) == plat::eFileResult::kOk)
        return gCString(kStandInFamily);
    return gCString();
}

gCFont::gCFont()
{
    mTypeCode = kFontTypeCode;
    mKerning.SetCompareFunction(CompareKerning, reinterpret_cast<intptr_t>(this));
}

gCFont::~gCFont()
{
    Reset();
}

int32_t gCFont::CompareKerning(CKerning* key, CKerning* element, intptr_t)
{
    if (key->left > element->left)
        return -1;
    if (key->left < element->left)
        return 1;
    if (key->right > element->right)
        return -1;
    if (key->right < element->right)
        return 1;
    return 0;
}

void gCFont::ReleaseFace()
{
    if (!mFaceHolder)
        return;
    ReleaseGlyphCache(*mFaceHolder);
    if (*mFaceHolder)
        FT_Done_Face(*mFaceHolder);
    MemFree(mFaceHolder);
    mFaceHolder = nullptr;
}

void gCFont::ClearKerning()
{
    for (CKerning* pair : mKerning)
        delete pair;
    mKerning.RemoveAll();
}

void gCFont::Reset()
{
    ReleaseFace();
    (void)mData.SetSize(0);
    mPixelSize = -1;
    mPointSize = -1.0f;
    mXScale = 1.0f;
    ClearKerning();
}

void gCFont::FreeGlyphCache()
{
    if (mFaceHolder)
        ReleaseGlyphCache(*mFaceHolder);
}

eResultCode gCFont::LoadFromId(uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    Reset();
    gCFile* source = nullptr;
    PNU_TRY(LocateById(id, file, directory, source));
    return LoadFromStream(*source);
}

eResultCode gCFont::LoadFromName(const gCString& name, gCFile* file, CResourceDirectory* directory)
{
    Reset();
    gCFile* source = nullptr;
    PNU_TRY(LocateByName(name, file, directory, source));
    return LoadFromStream(*source);
}

eResultCode gCFont::LoadFromStream(gCStream& stream)
{
    Reset();
    uint32_t count = 0;
    if (eResultCode result = stream.ReadULong(count); result != eSuccess) {
        ReportResourceError(eResourceReadError, "Font load size failed.");
        return result;
    }
    // The count comes from the file: one larger than what is left would only allocate for bytes
    // that cannot be read.
    int64_t remaining = stream.GetLength() - stream.GetPos();
    if (int64_t(count) > remaining) {
        ReportResourceError(eResourceReadError, "Font failed to load from resources.");
        return eStreamError;
    }
    if (!mData.SetSize(count)) {
        ReportResourceError(eNoMemory, "Not enough memory to load font");
        return eNoMemory;
    }
    if (count > 0) {
        if (eResultCode result = stream.Read(mData.GetData(), int32_t(count)); result != eSuccess) {
            ReportResourceError(eResourceReadError, "Font failed to load from resources.");
            return result;
        }
    }
    FT_Face* holder = NewHolder();
    if (!holder)
        return eNoMemory;
    if (!gFontLibrary
        || FT_New_Memory_Face(*gFontLibrary, mData.GetData(), FT_Long(count), 0, holder) != 0) {
        MemFree(holder);
        ReportResourceError(eCreateFailed, "Font failed to create from loaded resources.");
        return eCreateFailed;
    }
    mFaceHolder = holder;
    return eSuccess;
}

eResultCode gCFont::SetCharSize(float points, float xScale)
{
    FT_Face face = GetFace();
    if (!face)
        return eCreateFailed;
    if (points == mPointSize && xScale == mXScale) {
        mPixelSize = -1;
        return eSuccess;
    }
    FreeGlyphCache();
    int32_t width = 0, height = 0;
    if (!SizeInUnits(points * xScale * 64.0f, width) || !SizeInUnits(points * 64.0f, height) ||
        FT_Set_Char_Size(face, width, height, 72, 72) != 0)
        return eCreateFailed;
    mPointSize = points;
    mXScale = xScale;
    mPixelSize = -1;
    return eSuccess;
}

eResultCode gCFont::SetPixelSize(int32_t pixels, float xScale)
{
    FT_Face face = GetFace();
    if (!face)
        return eCreateFailed;
    if (pixels == mPixelSize && xScale == mXScale) {
        mPointSize = -1.0f;
        return eSuccess;
    }
    FreeGlyphCache();
    int32_t width = 0;
    if (pixels < 0 || !SizeInUnits(float(pixels) * xScale, width) ||
        FT_Set_Pixel_Sizes(face, FT_UInt(width), FT_UInt(pixels)) != 0)
        return eCreateFailed;
    mPixelSize = pixels;
    mXScale = xScale;
    mPointSize = -1.0f;
    return eSuccess;
}

eResultCode gCFont::GetKerning(FT_Face face, uint32_t left, uint32_t right, int32_t* delta) const
{
    if (mKerning.GetSize() == 0 || !face || !face->size)
        return eGenericFailure;
    CKerning key(left, right, 0);
    int32_t index = mKerning.GetIndexOfElement(&key);
    if (index < 0)
        return eGenericFailure;
    FT_Long scaled = FT_MulFix(mKerning[index]->value, face->size->metrics.x_scale);
    *delta = int32_t((scaled + 32) & ~FT_Long(63));
    return eSuccess;
}

eResultCode gCFont::GetKerning(uint32_t left, uint32_t right, int32_t* delta) const
{
    return GetKerning(GetFace(), left, right, delta);
}

eResultCode gCFont::AddKerning(uint32_t left, uint32_t right, int32_t value)
{
    CKerning key(left, right, value);
    int32_t index = mKerning.GetIndexOfElement(&key);
    if (index >= 0) {
        mKerning[index]->value = value;
        return eSuccess;
    }
    auto* pair = new CKerning(left, right, value);
    if (!pair)
        return eNoMemory;
    if (eResultCode result = mKerning.AddKey(pair); result != eSuccess) {
        delete pair;
        return result;
    }
    return eSuccess;
}

gCFont* gCFont::FindInPool(const gCString& name)
{
    CResourceContext* context = GetResourceContext();
    if (!context)
        return nullptr;
    // The pool answers by name whatever the class; only a font counts here.
    return dynamic_cast<gCFont*>(context->FindPoolResourceByName(eFontPool, name));
}

namespace {

// The pool owns the font once added; a font it cannot take is deleted with its face.
eResultCode AddToFontPool(gCFont* font, eResultCode failure)
{
    CResourceContext* context = GetResourceContext();
    if (!context || context->pools[eFontPool].Add(font) != eSuccess) {
        delete font;
        return failure;
    }
    return eSuccess;
}

} // namespace

eResultCode gCFont::CreateFromName(const gCString& name, gCFile* file, CResourceDirectory* directory)
{
    auto* font = new gCFont;
    if (!font)
        return eNoMemory;
    if (eResultCode result = font->LoadFromName(name, file, directory); result != eSuccess) {
        delete font;
        return result;
    }
    return AddToFontPool(font, eNoMemory);
}

eResultCode gCFont::CreateFromId(uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    auto* font = new gCFont;
    if (!font)
        return eNoMemory;
    if (eResultCode result = font->LoadFromId(id, file, directory); result != eSuccess) {
        delete font;
        return result;
    }
    return AddToFontPool(font, eNoMemory);
}

eResultCode gCFont::AddFontWithFace(FT_Face* holder, const gCString& name, uint32_t id)
{
    auto* font = new gCFont;
    if (!font) {
        FT_Done_Face(*holder);
        MemFree(holder);
        return eNoMemory;
    }
    // The font owns the holder from here on, so a failed pool insertion releases the face too.
    font->mFaceHolder = holder;
    font->mId = id;
    font->mName = name;
    return AddToFontPool(font, eCreateFailed);
}

eResultCode gCFont::AddFontFromPath(const gCString& path, const gCString& name, uint32_t id)
{
    if (!gFontLibrary)
        return eCreateFailed;
    CMemBlock pathBytes;
    PNU_TRY(ToTerminatedUTF8(path, pathBytes));
    FT_Face* holder = NewHolder();
    if (!holder)
        return eNoMemory;
    if (FT_New_Face(*gFontLibrary, Bytes(pathBytes), 0, holder) != 0) {
        MemFree(holder);
        return eCreateFailed;
    }
    return AddFontWithFace(holder, name, id);
}

eResultCode gCFont::AddSystemFont(const gCString& family, uint32_t id)
{
    if (!gFontLibrary)
        return eCreateFailed;
    CMemBlock familyBytes;
    PNU_TRY(family.ToUTF8(familyBytes));
    FT_Face* holder = NewHolder();
    if (!holder)
        return eNoMemory;
    // "Helvetica" stands in for a family that is not installed; it accepts fontconfig's nearest
    // font, so that the retry finds a face on any machine with fonts.
    if (!OpenSystemFace(Bytes(familyBytes), familyBytes.GetSize(), false, holder)
        && !OpenSystemFace(kStandInFamily, kStandInLength, true, holder)) {
        MemFree(holder);
        return eCreateFailed;
    }
    return AddFontWithFace(holder, family, id);
}

eResultCode gCFont::FindFont(gCFont** font, const gCString& name)
{
    if (!gFontLibrary)
        return eCreateFailed;
    *font = FindInPool(name);
    if (*font)
        return eSuccess;
    if (CreateFromName(name, nullptr, nullptr) == eSuccess) {
        *font = FindInPool(name);
        return *font ? eSuccess : eResourceNotFound;
    }
    PNU_TRY(AddSystemFont(name, 0));
    *font = FindInPool(name);
    return *font ? eSuccess : eCreateFailed;
}
