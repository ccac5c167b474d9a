// A test application for the framework: a 640 x 240 window centred on the screen, a backdrop
// with one coloured panel that changes colour when it is clicked, a text field on the window
// system's clipboard, and a report of what happened on standard output (the window scripts read
// it).
#include "app/AppGlobals.h"
#include "app/AppMain.h"
#include "app/CApp.h"
#include "app/CWindowBase.h"
#include "core/CMemBlock.h"
#include "imaging/CImNav.h"
#include "imaging/CImage.h"
#include "platform/Clipboard.h"
#include "widgets/CBackdrop.h"
#include "widgets/CTxEdWidget.h"

#include <cstdio>

namespace {

constexpr uint32_t kBackground = 0xFF2060A0u;
constexpr uint32_t kPanelIdle = 0xFFE08020u;
constexpr uint32_t kPanelClicked = 0xFF20C040u;
constexpr uint32_t kReturnPressed = 0xF0000003u;

// The text as a UTF-8 C string kept in `bytes`; empty when it cannot be held.
const char* PrintableText(const gCString& text, CMemBlock& bytes)
{
    return text.ToUTF8CString(bytes) == eSuccess ? reinterpret_cast<const char*>(bytes.GetData()) : "";
}

class CPanel : public CWidget {
public:
    CPanel()
    {
        SetVisible(true, false);
        SetOpacityThreshold(1);
        EnableEvents(kEventLeftButton, false);
    }
    // A widget with content of its own: a plain container's area is only what its children cover.
    uint32_t GetTypeCode() const override { return 0x706E6C77; } // 'pnlw'
    eResultCode Paint(const gCRect& area, CImage* target, int32_t) override
    {
        CImNav navigator(target, &area);
        if (navigator.IsLocked())
            navigator.Fill(&mColour);
        return eSuccess;
    }
    eResultCode OnLButtonDown(CWidget**, const gCPoint& point) override
    {
        std::printf("click %d,%d\n", point.x + GetRect().left, point.y + GetRect().top);
        std::fflush(stdout);
        mColour = kPanelClicked;
        return Invalidate(true);
    }

private:
    CPixel mColour = kPanelIdle;
};

// A white field of 200 x 20 at (220, 180).
CTxEdWidget* MakeTextField()
{
    auto* field = new CTxEdWidget();
    auto* image = field ? new CImage(200, 20) : nullptr;
    if (!image || !image->HasPixelBuffer()) {
        delete image;
        delete field;
        return nullptr;
    }
    CImNav navigator(image, nullptr);
    CPixel white = 0xFFFFFFFFu;
    navigator.Fill(&white);
    field->SetVisible(true, false);
    if (field->SetImage(image, true, false) != eSuccess || field->SetFontPixelSize(14, true, false) != eSuccess ||
        field->SetPosition({220, 180}, false) != eSuccess) {
        delete field;
        return nullptr;
    }
    return field;
}

class CTestApplication : public CApp {
public:
    eResultCode Run(const gCString& document) override
    {
        auto* backdrop = new CBackdrop();
        if (!backdrop)
            return eNoMemory;
        backdrop->SetBackgroundColour(kBackground);
        backdrop->EnableEvents(kEventLeftButton, false);
        auto* panel = new CPanel();
        if (!panel || panel->SetPosition({220, 80}, false) != eSuccess ||
            panel->SetSize(200, 80, false) != eSuccess || backdrop->AddChild(panel, false) != eSuccess) {
            delete panel;
            delete backdrop;
            return eNoMemory;
        }
        // The field copies to and pastes from the display's clipboard even in a headless run.
        plat::SetClipboard(&plat::GetWindowSystemClipboard());
        mField = MakeTextField();
        if (!mField || backdrop->AddChild(mField, false) != eSuccess) {
            delete mField;
            delete backdrop;
            return eNoMemory;
        }
        // Keys and heartbeats travel down to the field (its caret blinks on the heartbeat).
        mField->EnableEvents(kEventKeys | kEventHeartbeat, true);
        eResultCode result = CreateMainWindow(backdrop, 0, kPlaceCentreHorizontally | kPlaceCentreVertically,
                                              {640.0f, 240.0f}, {-1.0f, -1.0f}, nullptr, false);
        if (result != eSuccess) {
            delete backdrop;
            return result;
        }
        CWindowBase* window = GetMainWindow();
        (void)window->SetTitle(gCString(u"Pintrel Framework Test"));
        gCCmdTarget::SetFocusTarget(backdrop);
        gCCmdTarget::SetDefaultTarget(this);
        ResumeHeartbeat();
        gCRect bounds = window->GetBounds();
        CMemBlock documentBytes;
        std::printf("document '%s'\nwindow %d,%d %dx%d\n", PrintableText(document, documentBytes), bounds.left,
                    bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
        std::fflush(stdout);
        return eSuccess;
    }

    // Return in the text field reports the field's text.
    uint32_t OnMessage(uint32_t message, uintptr_t p1, uintptr_t) override
    {
        if (message != kReturnPressed || p1 != uintptr_t(mField))
            return 0;
        gCString text;
        mField->GetText(text);
        CMemBlock textBytes;
        std::printf("field '%s'\n", PrintableText(text, textBytes));
        std::fflush(stdout);
        return 1;
    }

    eResultCode HeartbeatHook() override
    {
        ++mTicks;
        return eSuccess;
    }

    void PrepareToQuit() override
    {
        std::printf("quit after %u heartbeats\n", mTicks);
        std::fflush(stdout);
    }

private:
    uint32_t mTicks = 0;
    CTxEdWidget* mField = nullptr;
};

CTestApplication gTestApplication;

} // namespace

int main(int argc, char** argv) { return AppMain(argc, argv); }
