// The toolkit's font: one FreeType face, the font-file bytes it was made from, the size selected
// on it and an optional table of kerning pairs of its own. Fonts come from font data in a stream
// (a 'font' resource), from a file path or from an installed family. The fonts the creators make
// live in the application's font pool; the text renderer asks for them by name through FindFont.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// GetFontFilePath, ResolveFontFamilyName and AddKerning.
#pragma once

#include "core/CMemBlockT.h"
#include "core/FourCharCode.h"
#include "core/eResultCode.h"
#include "core/gCDictionary.h"
#include "core/gCString.h"
#include "resources/gCResourceObject.h"
#include "text/FontLibrary.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>

class CResourceDirectory;
class gCFile;
class gCStream;

inline constexpr uint32_t kFontTypeCode = FourCharCode("font");

// The one FreeType library of the application, in an owned one-word holder; null until
// InitFontLibrary.
extern FT_Library* gFontLibrary;

// The file of an installed family (UTF-8 path, at most 255 bytes); eSuccess or eCreateFailed.
eResultCode GetFontFilePath(const char* family, char path[256]);
// The family when installed, else "Helvetica" when that resolves, else the empty string.
gCString ResolveFontFamilyName(const gCString& family);

class gCFont : public gCResourceObject {
public:
    class CKerning : public gCBaseObject {
    public:
        CKerning(uint32_t leftCode, uint32_t rightCode, int32_t designValue)
            : left(leftCode), right(rightCode), value(designValue) {}
        uint32_t left;
        uint32_t right;
        int32_t value; // font design units
    };

    gCFont();
    ~gCFont() override;

    gCFont(const gCFont&) = delete;
    gCFont& operator=(const gCFont&) = delete;

    void Reset();
    void FreeGlyphCache();

    // Fonts are looked for in the application's resource file unless another file is given.
    eResultCode LoadFromId(uint32_t id, gCFile* file, CResourceDirectory* directory) override;
    eResultCode LoadFromName(const gCString& name, gCFile* file, CResourceDirectory* directory) override;
    // Reads a font resource's payload (u32 byte count, then a complete font file) and makes the
    // face from it; the loaders come here once the chunk is found.
    eResultCode LoadFromStream(gCStream& stream);

    eResultCode SetCharSize(float points, float xScale);
    eResultCode SetPixelSize(int32_t pixels, float xScale);

    eResultCode GetKerning(FT_Face face, uint32_t left, uint32_t right, int32_t* delta) const;
    eResultCode GetKerning(uint32_t left, uint32_t right, int32_t* delta) const;
    eResultCode AddKerning(uint32_t left, uint32_t right, int32_t value);
    int32_t GetKerningCount() const { return mKerning.GetSize(); }

    // Load a font resource into the font pool.
    static eResultCode CreateFromName(const gCString& name, gCFile* file, CResourceDirectory* directory);
    static eResultCode CreateFromId(uint32_t id, gCFile* file, CResourceDirectory* directory);
    static eResultCode AddFontFromPath(const gCString& path, const gCString& name, uint32_t id);
    static eResultCode AddSystemFont(const gCString& family, uint32_t id);
    static eResultCode FindFont(gCFont** font, const gCString& name);

    FT_Face* GetFaceHolder() const { return mFaceHolder; }
    FT_Face GetFace() const { return mFaceHolder ? *mFaceHolder : nullptr; }
    int32_t GetPixelSize() const { return mPixelSize; }
    float GetPointSize() const { return mPointSize; }
    void SetId(uint32_t id) { mId = id; }
    void SetName(const gCString& name) { mName = name; }

private:
    static int32_t CompareKerning(CKerning* key, CKerning* element, intptr_t font);
    void ReleaseFace();
    void ClearKerning();
    static gCFont* FindInPool(const gCString& name);
    // Makes a font of the given face holder in the pool; the holder's face is released on failure.
    static eResultCode AddFontWithFace(FT_Face* holder, const gCString& name, uint32_t id);

    FT_Face* mFaceHolder = nullptr;
    CMemBlockT<unsigned char> mData;
    int32_t mPixelSize = -1;
    float mPointSize = -1.0f;
    float mXScale = 1.0f;
    gCDictionary<CKerning*> mKerning;
};
