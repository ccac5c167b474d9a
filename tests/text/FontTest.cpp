#include "TextTestSupport.h"

#include "text/GlyphCache.h"

#include "support/AllocationFailure.h"
#include "support/ResourceFixtures.h"
#include "support/TempFolder.h"
#include "support/StringBytes.h"

#include <cstring>
#include <limits>

namespace {

::testing::Environment* const gEnvironment = ::testing::AddGlobalTestEnvironment(new TextEnvironment);

class Fonts : public ::testing::Test {
protected:
    void SetUp() override { gReports.clear(); }
    std::vector<std::pair<int32_t, std::string>>& gReports = TextReports();
};

} // namespace

TEST(TextGamma, TablesHoldTheWorkedEntries)
{
    BuildTextGammaTables(1.3f);
    const int32_t index[] = {0, 1, 64, 128, 192, 255};
    const int32_t thin[] = {0, 0, 42, 104, 176, 255};
    const int32_t thick[] = {0, 4, 88, 150, 205, 255};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(gTextGammaTable[index[i]], thin[i]) << index[i];
        EXPECT_EQ(gTextInverseGammaTable[index[i]], thick[i]) << index[i];
    }
}

TEST_F(Fonts, LoadsAFontFromAResourcePayload)
{
    std::vector<uint8_t> bytes = ReadWholeFile(kDejaVuSans);
    ASSERT_GT(bytes.size(), 1000u);
    gCMemFile file;
    LoadPayload(file, bytes, uint32_t(bytes.size()));
    gCFont font;
    ASSERT_EQ(font.LoadFromStream(file), eSuccess);
    ASSERT_NE(font.GetFace(), nullptr);
    EXPECT_EQ(font.GetFace()->units_per_EM, 2048);
    EXPECT_EQ(font.GetPixelSize(), -1);
    EXPECT_EQ(font.GetPointSize(), -1.0f);
    EXPECT_TRUE(gReports.empty());

    gCMemFile again;
    LoadPayload(again, bytes, uint32_t(bytes.size()));
    ASSERT_EQ(font.AddKerning(65, 86, -100), eSuccess);
    ASSERT_EQ(font.SetPixelSize(12, 1.0f), eSuccess);
    ASSERT_EQ(font.LoadFromStream(again), eSuccess) << "loading again replaces the face";
    EXPECT_EQ(font.GetKerningCount(), 0);
    EXPECT_EQ(font.GetPixelSize(), -1);
}

TEST_F(Fonts, DamagedPayloadsAreReportedAndLeaveTheFontEmpty)
{
    struct sCase { std::vector<uint8_t> bytes; uint32_t count; eResultCode result; int32_t code; const char* text; };
    std::vector<uint8_t> noise(300);
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = uint8_t(i * 37 + 11);
    const sCase cases[] = {
        {{}, 0, eCreateFailed, eCreateFailed, "Font failed to create from loaded resources."},
        {noise, uint32_t(noise.size()), eCreateFailed, eCreateFailed, "Font failed to create from loaded resources."},
        {noise, 100000, eStreamError, eResourceReadError, "Font failed to load from resources."},
    };
    for (const sCase& c : cases) {
        gReports.clear();
        gCMemFile file;
        LoadPayload(file, c.bytes, c.count);
        gCFont font;
        EXPECT_EQ(font.LoadFromStream(file), c.result) << c.text;
        EXPECT_EQ(font.GetFace(), nullptr);
        ASSERT_EQ(gReports.size(), 1u);
        EXPECT_EQ(gReports[0].first, c.code);
        EXPECT_EQ(gReports[0].second, c.text);
    }
    gReports.clear();
    CMemBlock block(2);
    gCMemFile shortFile(block);
    gCFont font;
    EXPECT_EQ(font.LoadFromStream(shortFile), eStreamError);
    ASSERT_EQ(gReports.size(), 1u);
    EXPECT_EQ(gReports[0].second, "Font load size failed.");
}

TEST_F(Fonts, OutOfMemoryWhileLoadingFailsCleanly)
{
    std::vector<uint8_t> bytes = ReadWholeFile(kDejaVuSans);
    ForEachAllocationFailure(
        [&] {
            gCMemFile file;
            if (file.WriteULong(uint32_t(bytes.size())) != eSuccess
                || file.Write(bytes.data(), int32_t(bytes.size())) != eSuccess || file.Rewind() != eSuccess)
                return;
            gCFont font;
            eResultCode result = font.LoadFromStream(file);
            EXPECT_TRUE(result == eSuccess || result == eNoMemory || result == eCreateFailed) << result;
        },
        [](bool) {});
}

TEST_F(Fonts, SizeSelectionRoundsAndSkipsRepeats)
{
    gCFont* font = nullptr;
    ASSERT_EQ(gCFont::FindFont(&font, gCString("Test Sans")), eSuccess);
    FT_Face face = font->GetFace();
    ASSERT_EQ(font->SetPixelSize(13, 1.5f), eSuccess);
    EXPECT_EQ(face->size->metrics.x_ppem, 20) << "13 x 1.5 = 19.5 rounds half away";
    EXPECT_EQ(face->size->metrics.y_ppem, 13);
    EXPECT_EQ(font->GetPointSize(), -1.0f);

    ASSERT_EQ(font->SetCharSize(12.0f, 1.0f), eSuccess);
    EXPECT_EQ(face->size->metrics.x_ppem, 12);
    EXPECT_EQ(font->GetPixelSize(), -1);
    ASSERT_NE(PrepareGlyphCache(face), nullptr);
    ASSERT_EQ(font->SetCharSize(12.0f, 1.0f), eSuccess);
    EXPECT_NE(GetGlyphCache(face), nullptr) << "the same size again keeps the cache";
    ASSERT_EQ(font->SetCharSize(10.3f, 1.0f), eSuccess);
    EXPECT_EQ(GetGlyphCache(face), nullptr) << "a new size drops it";
    EXPECT_EQ(face->size->metrics.x_ppem, 10);

    gCFont empty;
    EXPECT_EQ(empty.SetCharSize(12.0f, 1.0f), eCreateFailed);
    EXPECT_EQ(empty.SetPixelSize(12, 1.0f), eCreateFailed);

    // Sizes from a data file that no size unit can hold are refused; the size in use stays.
    for (float points : {3.0e9f, -3.0e9f, std::numeric_limits<float>::quiet_NaN()})
        EXPECT_EQ(font->SetCharSize(points, 1.0f), eCreateFailed) << points;
    EXPECT_EQ(font->SetCharSize(12.0f, 1.0e30f), eCreateFailed);
    EXPECT_EQ(font->SetPixelSize(12, 1.0e30f), eCreateFailed);
    EXPECT_EQ(face->size->metrics.y_ppem, 10);
}

TEST_F(Fonts, KerningPairsScaleToTheSize)
{
    std::vector<uint8_t> bytes = ReadWholeFile(kDejaVuSans);
    gCMemFile file;
    LoadPayload(file, bytes, uint32_t(bytes.size()));
    gCFont font;
    ASSERT_EQ(font.LoadFromStream(file), eSuccess);
    ASSERT_EQ(font.SetPixelSize(16, 1.0f), eSuccess);
    int32_t delta = 12345;
    EXPECT_EQ(font.GetKerning(65, 86, &delta), eGenericFailure) << "an empty table answers 1";
    ASSERT_EQ(font.AddKerning(65, 86, 100), eSuccess);
    ASSERT_EQ(font.AddKerning(66, 86, 60), eSuccess);
    ASSERT_EQ(font.AddKerning(65, 87, -100), eSuccess);
    ASSERT_EQ(font.AddKerning(65, 86, 100), eSuccess) << "a known pair is replaced";
    EXPECT_EQ(font.GetKerningCount(), 3);
    ASSERT_EQ(font.GetFace()->size->metrics.x_scale, 0x8000);
    struct sCase { uint32_t left, right; int32_t delta; };
    for (sCase c : {sCase{65, 86, 64}, sCase{66, 86, 0}, sCase{65, 87, -64}}) {
        ASSERT_EQ(font.GetKerning(c.left, c.right, &delta), eSuccess);
        EXPECT_EQ(delta, c.delta) << c.left << "," << c.right;
    }
    EXPECT_EQ(font.GetKerning(87, 65, &delta), eGenericFailure);
}

TEST_F(Fonts, UnknownFamiliesResolveToTheStandInFaceUnderTheirOwnName)
{
    gCFont* first = nullptr;
    ASSERT_EQ(gCFont::FindFont(&first, gCString("No Such Family Anywhere")), eSuccess);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first->GetFace(), nullptr);
    gCFont* second = nullptr;
    ASSERT_EQ(gCFont::FindFont(&second, gCString("No Such Family Anywhere")), eSuccess);
    EXPECT_EQ(first, second) << "the second lookup finds the pooled font";

    gCFont* bold = nullptr;
    ASSERT_EQ(gCFont::FindFont(&bold, gCString("DejaVu Sans Bold")), eSuccess);
    EXPECT_STREQ(bold->GetFace()->style_name, "Bold");
    gCFont* italic = nullptr;
    ASSERT_EQ(gCFont::FindFont(&italic, gCString("DejaVu Sans Italic")), eSuccess);
    EXPECT_STREQ(italic->GetFace()->family_name, "DejaVu Sans");
    EXPECT_TRUE(italic->GetFace()->style_flags & FT_STYLE_FLAG_ITALIC);
}

TEST_F(Fonts, SystemNamesAndPaths)
{
    char path[256];
    ASSERT_EQ(GetFontFilePath("DejaVu Sans", path), eSuccess);
    EXPECT_STREQ(path, kDejaVuSans);
    EXPECT_EQ(GetFontFilePath("No Such Family Anywhere", path), eCreateFailed);
    EXPECT_EQ(Utf8(ResolveFontFamilyName(gCString("DejaVu Sans"))), "DejaVu Sans");
    EXPECT_EQ(Utf8(ResolveFontFamilyName(gCString("No Such Family Anywhere"))), "Helvetica");
    EXPECT_EQ(gCFont::AddFontFromPath(gCString("/no/such/font.ttf"), gCString("x"), 3), eCreateFailed);
}

TEST_F(Fonts, BitmapFontLoadsFromMemory)
{
    std::string bdf = TinyBitmapFont();
    gCMemFile file;
    LoadPayload(file, std::vector<uint8_t>(bdf.begin(), bdf.end()), uint32_t(bdf.size()));
    gCFont font;
    ASSERT_EQ(font.LoadFromStream(file), eSuccess);
    EXPECT_EQ(font.GetFace()->units_per_EM, 0);
    EXPECT_EQ(font.SetPixelSize(8, 1.0f), eSuccess);
}

TEST_F(Fonts, FindFontLoadsFontResourcesFromTheApplicationsFile)
{
    TempFolder folder;
    std::string path = CompileResources(folder.Path(), "resources", "f.mrs",
                                        std::string("font 3 \"Resource Sans\" \"") + kDejaVuSans + "\"\n"
                                        "chunk 'font' 4 \"Empty Font\" {\n  u32 0\n}\n");
    ASSERT_FALSE(path.empty());
    TestResourceFile file;
    ASSERT_EQ(file.OpenAt(path), eSuccess);
    CResourceDirectory directory;
    ASSERT_EQ(ReadResourceDirectory(directory, &file), eSuccess);
    TextContext().resourceFile = &file;
    TextContext().directory = &directory;

    gCFont* font = nullptr;
    EXPECT_EQ(gCFont::FindFont(&font, gCString("Resource Sans")), eSuccess);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->GetId(), 3u);
    EXPECT_EQ(font->GetFace()->units_per_EM, 2048);
    gCFont byId;
    EXPECT_EQ(byId.LoadFromId(3, nullptr, nullptr), eSuccess);
    EXPECT_EQ(byId.LoadFromId(77, nullptr, nullptr), eResourceNotFound);
    EXPECT_TRUE(gReports.empty());
    EXPECT_EQ(gCFont::CreateFromId(4, nullptr, nullptr), eCreateFailed);
    ASSERT_EQ(gReports.size(), 1u);
    EXPECT_EQ(gReports[0].second, "Font failed to create from loaded resources.");

    TextContext().resourceFile = nullptr;
    TextContext().directory = nullptr;
}

TEST_F(Fonts, FontsThatCannotJoinThePoolReleaseTheirFace)
{
    // Without an application there is no pool: the new font and its face are released (the leak
    // checker of the sanitizer build sees a face that is not).
    SetResourceContext(nullptr);
    EXPECT_EQ(gCFont::AddFontFromPath(gCString(kDejaVuSans), gCString("Orphan"), 9), eCreateFailed);
    EXPECT_EQ(gCFont::AddSystemFont(gCString("DejaVu Sans"), 9), eCreateFailed);
    SetResourceContext(&TextContext());
}

// Running out of memory at any step of adding a font by path or by family (converting the name
// included) fails with 5 or the pool's refusal, and the leak checker sees no face left open.
TEST_F(Fonts, OutOfMemoryWhileAddingFontsFailsCleanly)
{
    const gCString path(kDejaVuSans), name("Orphan"), family("DejaVu Sans");
    SetResourceContext(nullptr);
    for (bool byPath : {true, false}) {
        ForEachAllocationFailure(
            [&] {
                eResultCode result = byPath ? gCFont::AddFontFromPath(path, name, 9) : gCFont::AddSystemFont(family, 9);
                EXPECT_TRUE(result == eNoMemory || result == eCreateFailed) << byPath << " " << result;
            },
            [](bool) {});
    }
    SetResourceContext(&TextContext());
}
