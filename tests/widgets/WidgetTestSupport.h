// Helpers for the widget tests: widget data blocks from hex, the alerts the loaders showed, a
// backdrop with an offscreen image ready to draw, and a widget that paints one colour.
#pragma once

#include "FileIO/gCMemFile.h"
#include "imaging/CImNav.h"
#include "imaging/CImage.h"
#include "platform/AlertPresenter.h"
#include "support/ResourceFixtures.h"
#include "widgets/CBackdrop.h"
#include "widgets/CWidget.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

// The detail lines of the alerts shown since the last call ("code message" without the code's
// own text), and clears them.
inline std::vector<std::string> TakeAlertDetails()
{
    std::vector<std::string> details;
    for (const plat::sAlert& alert : plat::GetRecordedAlerts().GetAlerts()) {
        size_t line = alert.text.find('\n');
        details.push_back(line == std::string::npos ? std::string() : alert.text.substr(line + 1));
    }
    plat::GetRecordedAlerts().Clear();
    return details;
}

// A memory stream holding bytes, positioned at its start.
class CBytesStream : public gCMemFile {
public:
    explicit CBytesStream(const std::string& bytes)
    {
        if (!bytes.empty())
            (void)Write(bytes.data(), int32_t(bytes.size()));
        (void)Rewind();
    }
};

// Four-character code as the loaders compare it.
constexpr uint32_t FourCC(const char (&text)[5])
{
    return uint32_t(uint8_t(text[0])) << 24 | uint32_t(uint8_t(text[1])) << 16 |
           uint32_t(uint8_t(text[2])) << 8 | uint32_t(uint8_t(text[3]));
}

// Little-endian pieces of a block.
inline std::string I32(int32_t v)
{
    std::string s(4, '\0');
    std::memcpy(&s[0], &v, 4);
    return s;
}
inline std::string F32(float v)
{
    std::string s(4, '\0');
    std::memcpy(&s[0], &v, 4);
    return s;
}
inline std::string Tag(const char (&text)[5]) { return I32(int32_t(FourCC(text))); }
// A block text: the units, the line end the loader drops, and the 0 unit.
inline std::string Text(const std::string& ascii)
{
    std::string s;
    for (char c : ascii + "\n")
        s += std::string{c, '\0'};
    return s + std::string(2, '\0');
}
inline std::string Block(const std::string& chunks) { return I32(int32_t(chunks.size())) + chunks; }
// A resource chunk: type, size, id, the name line, the payload.
inline std::string Chunk(const char (&type)[5], int32_t id, const std::string& name, const std::string& payload)
{
    std::string line;
    for (char c : name + "\n")
        line += std::string{c, '\0'};
    return Tag(type) + I32(int32_t(4 + line.size() + payload.size())) + I32(id) + line + payload;
}

// A blend hook that stores the source word as it came, so a painted alpha is read back exactly.
inline void StoreBlendSource(CPixel* destination, const CPixel* source) { *destination = *source; }

// A widget with content: it paints its rect in one colour through the blend of the given alpha.
class CPaintWidget : public CWidget {
public:
    explicit CPaintWidget(uint32_t colour = 0xFF0000FFu) : colour(colour) {}
    uint32_t GetTypeCode() const override { return FourCC("tstw"); }
    eResultCode Paint(const gCRect& area, CImage* target, int32_t alpha) override
    {
        ++paints;
        lastAlpha = alpha;
        CImNav navigator(target, &area);
        if (!navigator.IsLocked())
            return eNoMemory;
        CPixel fill = (colour & 0x00FFFFFFu) | (uint32_t(alpha) << 24);
        navigator.Fill(&fill);
        return paintResult;
    }
    uint32_t colour;
    int paints = 0;
    int32_t lastAlpha = -1;
    eResultCode paintResult = eSuccess;
};

// A shown, ready backdrop of the given size whose first repaint is done.
inline void PrepareBackdrop(CBackdrop& backdrop, int32_t width, int32_t height)
{
    ASSERT_EQ(backdrop.SetSize(width, height, false), eSuccess);
    backdrop.SetBackgroundColour(0xFF000000u);
    backdrop.MarkWindowReady();
    ASSERT_EQ(backdrop.Update(), eSuccess);
}

// Adds a visible child at a rect.
template <typename T>
T* AddAt(CWidget& parent, T* child, const gCRect& rect)
{
    child->SetVisible(true, false);
    EXPECT_EQ(child->SetPosition(rect.left, rect.top, false), eSuccess);
    EXPECT_EQ(child->SetSize(rect.right - rect.left, rect.bottom - rect.top, false), eSuccess);
    EXPECT_EQ(parent.AddChild(child, false), eSuccess);
    return child;
}
