#include "FileIO/gCMemFile.h"
#include "imaging/CGradient.h"
#include "imaging/CImNav.h"
#include "imaging/CImage.h"

#include "support/ResourceFixtures.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class Gradient : public ::testing::Test {
protected:
    ScopedResourceContext mScope;
    CPixel mBlack = 0xFF000000, mWhite = 0xFFFFFFFF;
};

// A memory stream holding the given bytes, positioned at the start.
void Load(gCMemFile& file, const std::vector<uint8_t>& bytes)
{
    ASSERT_EQ(file.Write(bytes.data(), int32_t(bytes.size())), eSuccess);
    ASSERT_EQ(file.Rewind(), eSuccess);
}

void PutLong(std::vector<uint8_t>& bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back(uint8_t(value >> (8 * i)));
}

void PutFloat(std::vector<uint8_t>& bytes, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    PutLong(bytes, bits);
}

std::vector<uint8_t> Payload(const std::vector<std::pair<uint32_t, float>>& stops, int32_t count)
{
    std::vector<uint8_t> bytes;
    PutLong(bytes, uint32_t(count));
    for (auto [colour, position] : stops) {
        PutLong(bytes, colour);
        PutFloat(bytes, position);
    }
    return bytes;
}

} // namespace

TEST_F(Gradient, DefaultTableRunsFromBlackToWhite)
{
    CGradient gradient(&mBlack, &mWhite);
    EXPECT_EQ(gradient.GetColour(0, 100), 0xFF000000u);
    EXPECT_EQ(gradient.GetEntry(4095), 0xFFFFFFFFu);
    EXPECT_EQ(gradient.GetEntry(2048), 0xFF7F7F7Fu);
    EXPECT_EQ(gradient.GetEntry(4096), 0u);
    EXPECT_EQ(gradient.GetColour(99, 100), gradient.GetEntry(4055));
    EXPECT_EQ(gradient.GetColour(1000, 3000), gradient.GetInterpolatedColour(349440));
    EXPECT_EQ(gradient.GetInterpolatedColour(349440), gradient.GetEntry(1365));
    EXPECT_EQ(gradient.GetColour(100, 100), 0u) << "the value equal to a small range reads entry 4096";
}

TEST_F(Gradient, AddingStopsInsertsOrReplaces)
{
    CGradient gradient(&mBlack, &mWhite);
    CPixel red = 0xFFFF0000, green = 0xFF00FF00;
    EXPECT_EQ(gradient.AddGradientPoint(&red, 0.5f), 1);
    EXPECT_EQ(gradient.AddGradientPoint(&green, 0.5f), 1);
    EXPECT_EQ(gradient.GetPointCount(), 3);
    EXPECT_EQ(gradient.GetPoint(1).colour, green);
    EXPECT_EQ(gradient.AddGradientPoint(&red, 1.0f), 2);
    EXPECT_EQ(gradient.GetPoint(2).colour, red);
    EXPECT_EQ(gradient.AddGradientPoint(&green, 0.0f), 0);
    EXPECT_EQ(gradient.GetPoint(0).colour, green);
    EXPECT_EQ(gradient.AddGradientPoint(&green, 2.5f), -1);
    EXPECT_EQ(gradient.AddGradientPoint(&green, std::numeric_limits<float>::quiet_NaN()), -1);
    EXPECT_EQ(gradient.AddGradientPoint(&green, std::numeric_limits<float>::infinity()), -1);
    EXPECT_EQ(gradient.AddGradientPoint(&green, 3e9f), -1);
    EXPECT_EQ(gradient.AddGradientPoint(&green, -3e9f), 0) << "below the first stop: inserted first";
    EXPECT_EQ(gradient.AddGradientPointAtFraction(&green, 1, 0), -1);
    EXPECT_EQ(gradient.SetAlphaAt(0x80, 5e20f), -1);
    EXPECT_EQ(gradient.GetPointCount(), 4);
}

TEST_F(Gradient, FirstStopAboveZeroStartsFromOpaqueBlack)
{
    CGradient gradient(&mBlack, &mWhite);
    CGradient reference(&mBlack, &mWhite);
    CPixel red = 0xFFFF0000;
    ASSERT_EQ(gradient.AddGradientPoint(&red, 0.25f), 1);
    // Replace the first stop's position by rebuilding the stops from a versioned stream.
    gCMemFile file;
    std::vector<uint8_t> bytes;
    PutLong(bytes, kGradientTypeCode);
    PutLong(bytes, 1);
    PutLong(bytes, 0);
    PutLong(bytes, 0);
    PutLong(bytes, 1);
    PutFloat(bytes, 0.25f);
    PutLong(bytes, red);
    Load(file, bytes);
    ASSERT_EQ(gradient.ReadVersioned(file), eSuccess);
    gradient.BuildTable();
    EXPECT_EQ(gradient.GetEntry(0), 0xFF000000u);
    EXPECT_EQ(gradient.GetColour(1023, 4096), 0xFF000000u | (((255u * ((1023u * 256u / 1024u) & 255u)) >> 8) << 16));
    EXPECT_EQ(gradient.GetEntry(1024), 0xFFFF0000u) << "the stop's own entry starts the next fill";
    EXPECT_EQ(gradient.GetEntry(4095), 0xFFFFFFFFu) << "the end runs towards opaque white and reaches it";
}

TEST_F(Gradient, ResourcePayloadAddsItsStops)
{
    CGradient gradient(&mBlack, &mWhite);
    gCMemFile file;
    Load(file, Payload({{0xFFFF0000, 0.0f}, {0xFF0000FF, 1.0f}}, 2));
    ASSERT_EQ(gradient.Read(file), eSuccess);
    EXPECT_EQ(gradient.GetPointCount(), 2);
    EXPECT_EQ(gradient.GetColour(0, 10), 0xFFFF0000u);
    EXPECT_EQ(gradient.GetEntry(4095), 0xFF0000FFu);
    EXPECT_EQ(ScopedResourceContext::LastErrors(), "");
}

TEST_F(Gradient, DamagedPayloadsReportWhatFailed)
{
    struct sCase { std::vector<uint8_t> bytes; eResultCode result; const char* text; };
    std::vector<uint8_t> full = Payload({{0xFFFF0000, 0.5f}}, 1);
    const sCase cases[] = {
        {{1, 0}, eStreamError, "Error reading number of gradient items."},
        {std::vector<uint8_t>(full.begin(), full.begin() + 6), eStreamError, "Error reading gradient point colour."},
        {std::vector<uint8_t>(full.begin(), full.begin() + 10), eStreamError, "Error reading gradient position."},
        {Payload({{0xFF00FF00, 2.5f}}, 1), eResourceReadError, "Error adding gradient point."},
    };
    for (const sCase& c : cases) {
        ScopedResourceContext::LastErrors().clear();
        CGradient gradient(&mBlack, &mWhite);
        CMemBlock block;
        ASSERT_EQ(block.SetSize(uint32_t(c.bytes.size())), 1);
        std::memcpy(block.GetData(), c.bytes.data(), c.bytes.size());
        gCMemFile file(block);
        EXPECT_EQ(gradient.Read(file), c.result) << c.text;
        EXPECT_EQ(ScopedResourceContext::LastErrors(), "23 " + std::string(c.text) + "\n");
    }
}

TEST_F(Gradient, VersionedFormRoundTripsAndMatchesTheDocumentedBytes)
{
    CGradient gradient(&mBlack, &mWhite);
    gCMemFile file;
    ASSERT_EQ(gradient.Write(file), eSuccess);
    EXPECT_EQ(file.GetPos(), 36);
    const uint8_t expected[36] = {0x64, 0x61, 0x72, 0x67, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0,
                                  0, 0, 0, 0, 0, 0, 0, 0xFF, 0, 0, 0x80, 0x3F, 0xFF, 0xFF, 0xFF, 0xFF};
    uint8_t written[36];
    ASSERT_EQ(file.Rewind(), eSuccess);
    ASSERT_EQ(file.Read(written, 36), eSuccess);
    EXPECT_EQ(std::memcmp(written, expected, 36), 0);

    CPixel red = 0x80FF0000;
    ASSERT_EQ(gradient.AddGradientPoint(&red, 0.3f), 1);
    gradient.SetGrey(1);
    gradient.SetInterpolation(CGradient::eCubic);
    gCMemFile second;
    ASSERT_EQ(gradient.Write(second), eSuccess);
    ASSERT_EQ(second.Rewind(), eSuccess);
    CGradient copy(&mWhite, &mBlack);
    ASSERT_EQ(copy.ReadVersioned(second), eSuccess);
    ASSERT_EQ(copy.GetPointCount(), 3);
    EXPECT_EQ(copy.GetPoint(1).colour, red);
    EXPECT_EQ(copy.GetPoint(1).position, 0.3f);
    EXPECT_EQ(copy.IsGrey(), 1);
    for (int32_t i = 0; i <= 4096; i += 7)
        EXPECT_EQ(copy.GetColour(i, 4097), gradient.GetColour(i, 4097));
}

TEST_F(Gradient, VersionedFormRefusesOtherTypesVersionsAndImpossibleCounts)
{
    auto header = [](uint32_t type, uint32_t version, int32_t count) {
        std::vector<uint8_t> bytes;
        PutLong(bytes, type);
        PutLong(bytes, version);
        PutLong(bytes, 0);
        PutLong(bytes, 0);
        PutLong(bytes, uint32_t(count));
        return bytes;
    };
    struct sCase { std::vector<uint8_t> bytes; eResultCode result; };
    const sCase cases[] = {
        {header(0x696D6167, 1, 0), eBadParameter},
        {header(kGradientTypeCode, 2, 0), eBadParameter},
        {header(kGradientTypeCode, 1, -1), eStreamError},
        {header(kGradientTypeCode, 1, 0x7FFFFFFF), eStreamError},
        {header(kGradientTypeCode, 1, 0), eSuccess},
    };
    for (const sCase& c : cases) {
        CGradient gradient(&mBlack, &mWhite);
        gCMemFile file;
        Load(file, c.bytes);
        EXPECT_EQ(gradient.ReadVersioned(file), c.result);
    }
}

TEST_F(Gradient, PositionsOutsideTheRangeStayInsideTheTable)
{
    CGradient gradient(&mBlack, &mWhite);
    std::vector<uint8_t> bytes;
    PutLong(bytes, kGradientTypeCode);
    PutLong(bytes, 1);
    PutLong(bytes, 0);
    PutLong(bytes, 0);
    PutLong(bytes, 3);
    for (auto [position, colour] : {std::pair{-0.5f, 0xFFFF0000u}, {0.5f, 0xFF00FF00u}, {1.5f, 0xFF0000FFu}}) {
        PutFloat(bytes, position);
        PutLong(bytes, colour);
    }
    gCMemFile file;
    Load(file, bytes);
    ASSERT_EQ(gradient.ReadVersioned(file), eSuccess);
    gradient.BuildTable();
    EXPECT_EQ(gradient.GetEntry(4095), 0xFF0000FFu);
    EXPECT_EQ(gradient.GetEntry(4096), 0u) << "nothing is written past the table";
    EXPECT_EQ(gradient.GetEntry(2048), 0xFF00FF00u);
    EXPECT_EQ(gradient.GetPoint(0).position, -0.5f) << "the stops around the table are intact";
    EXPECT_EQ(gradient.GetPoint(2).colour, 0xFF0000FFu);

    CPixel red = 0xFFFF0000;
    CGradient added(&mBlack, &mWhite);
    EXPECT_EQ(added.AddGradientPoint(&red, 1.7f), 1) << "a position in [1, 2) replaces the last stop";
    EXPECT_EQ(added.GetEntry(4095), 0u);
    EXPECT_EQ(added.GetInterpolatedColour(4095 * 256), 0xFFFF0000u);
}

TEST_F(Gradient, InterpolationsReachTheirStopColours)
{
    CPixel from = 0xFF204060, to = 0x80C0A010;
    for (int32_t interpolation : {CGradient::eLinear, CGradient::eCubic, CGradient::eSmoothstep}) {
        CGradient gradient(&from, &to);
        gradient.SetInterpolation(interpolation);
        EXPECT_EQ(gradient.GetColour(0, 4096), from) << interpolation;
        EXPECT_EQ(gradient.GetEntry(4095), to) << interpolation;
        uint32_t middle = gradient.GetEntry(2048);
        EXPECT_GT(PixelRed(middle), 0x40u) << interpolation;
        EXPECT_LT(PixelRed(middle), 0xC0u) << interpolation;
    }
    CGradient smooth(&from, &to);
    smooth.SetInterpolation(CGradient::eSmoothstep);
    // Smoothstep moves slower than linear near the start.
    EXPECT_LT(PixelRed(smooth.GetEntry(400)), PixelRed(CGradient(&from, &to).GetColour(400, 4096)));
}

TEST_F(Gradient, GreyTableKeepsTheGreyLevelWhenAlphaChanges)
{
    CPixel clearBlack = 0x00000000, opaqueBlack = 0xFF000000;
    CGradient gradient(&clearBlack, &opaqueBlack);
    gradient.SetGrey(1);
    gradient.BuildTable();
    for (int32_t i = 0; i < 4096; i += 97)
        EXPECT_EQ(gradient.GetEntry(i) & 0xFFFFu, 0u) << i;
    EXPECT_EQ(gradient.GetEntry(2048) >> 24, 127u);

    CPixel dark = 0xFF303030, light = 0xFFF0F0F0;
    CGradient grey(&dark, &light);
    grey.SetGrey(1);
    grey.BuildTable();
    // Equal alphas: the table is the literal 16-bit formula.
    uint32_t s = 0xFF000000u | 0x30u * 257u, e = 0xFF000000u | 0xF0u * 257u;
    for (uint32_t k = 0; k < 4095; k += 101) {
        uint32_t f = (k * 65536u / 4095u) & 0xFFFFu;
        uint32_t literal = ((((e - s) * f) >> 16) + s) & 0xFFFFu;
        EXPECT_EQ(grey.GetEntry(int32_t(k)) & 0xFFFFu, literal) << k;
    }
}

TEST_F(Gradient, RendersRowsColumnsAndCheckerboard)
{
    CPixel clear = 0x00FF0000, half = 0x80FF0000, opaque = 0xFF112233;
    struct sCase { CPixel colour; CPixel overWhite; CPixel overGrey; };
    const sCase cases[] = {
        {clear, 0xFFFFFFFF, 0xFFCCCCCC},
        {half, 0xFFFF8080, 0xFFE66666},
        {opaque, opaque, opaque},
    };
    for (const sCase& c : cases) {
        CGradient gradient(&c.colour, &c.colour);
        CImage image(8, 8);
        ASSERT_EQ(gradient.RenderToImage(&image, 0, 1), eSuccess);
        CImNav nav(&image, nullptr);
        EXPECT_EQ(nav.Row(0)[0], c.overWhite);
        EXPECT_EQ(nav.Row(0)[4], c.overGrey);
        EXPECT_EQ(nav.Row(5)[6], c.overWhite);
        EXPECT_EQ(nav.Row(5)[2], c.overGrey);
    }
    CGradient ramp(&mBlack, &mWhite);
    CImage tall(3, 16);
    ASSERT_EQ(ramp.RenderToImage(&tall, 1, 0), eSuccess);
    CImNav nav(&tall, nullptr);
    for (int32_t y = 0; y < 16; ++y)
        EXPECT_EQ(nav.Row(y)[2], ramp.GetEntry(y * 4096 / 16)) << y;
    nav.Unlock();
    CImage never;
    EXPECT_EQ(ramp.RenderToImage(&never, 1, 0), eNoMemory);
}

TEST_F(Gradient, LoadsFromTheApplicationsResourceFile)
{
    TempFolder folder;
    std::string path = CompileResources(folder.Path(), "resources", "g.mrs",
                                        "chunk 'grad' 7 \"PNU_BackGrad\" {\n"
                                        "  i32 2\n  u32 0xFFFF0000 f32 0.0\n  u32 0xFF0000FF f32 1.0\n}\n"
                                        "chunk 'grad' 8 \"Half\" {\n  i32 1\n  u32 0x80808080 f32 0.5\n}\n");
    ASSERT_FALSE(path.empty());
    ASSERT_EQ(mScope.UseResourceFile(path), eSuccess);
    std::unique_ptr<CGradient> back(CGradient::CreateFromName(gCString("PNU_BackGrad"), nullptr, nullptr));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetPointCount(), 2);
    EXPECT_EQ(back->GetColour(0, 100), 0xFFFF0000u);
    EXPECT_EQ(back->GetId(), 7u);
    std::unique_ptr<CGradient> half(CGradient::CreateFromId(8, nullptr, nullptr));
    ASSERT_NE(half, nullptr);
    EXPECT_EQ(half->GetPointCount(), 3) << "the stop is added to the default ones";
    EXPECT_EQ(half->GetPoint(1).colour, 0x80808080u);
    EXPECT_EQ(CGradient::CreateFromId(99, nullptr, nullptr), nullptr);
    CGradient gradient(&mBlack, &mWhite);
    EXPECT_EQ(gradient.LoadFromName(gCString("Missing"), nullptr, nullptr), eResourceNotFound);
}

TEST_F(Gradient, LoadsFromAHandWrittenResourceFile)
{
    // A 'grad' chunk written by hand, so the loader is checked against bytes no tool of ours made:
    // type reversed, size, id 3, name "G" and LF, then the payload of one stop.
    std::string bytes = HexBytes(
        "64617267 14000000 03000000 | 'grad', id + name + payload = 20 bytes, id 3\n"
        "47000a00             | \"G\" LF\n"
        "01000000 0000FF80 0000003F | one stop: 0x80FF0000 at 0.5\n");
    TempFolder folder;
    std::string path = folder.WriteFile("hand.mrf", bytes);
    ASSERT_EQ(mScope.UseResourceFile(path), eSuccess);
    std::unique_ptr<CGradient> gradient(CGradient::CreateFromId(3, nullptr, nullptr));
    ASSERT_NE(gradient, nullptr);
    ASSERT_EQ(gradient->GetPointCount(), 3);
    EXPECT_EQ(gradient->GetPoint(1).colour, 0x80FF0000u);
    EXPECT_EQ(gradient->GetPoint(1).position, 0.5f);
}
