// The updater window's root widget: the status lines (shown and logged), the message panel with
// its kind and address, and the progress. It is the focus target, so the engine's status, progress
// and panel messages arrive at its command handler.
//
// The widgets of the window's resource are found by id and used only when they are of the class
// the window expects; a missing one skips the steps that use it. The status lines are kept in a
// list of their own until the status table exists.
#pragma once

#include "core/gCArray.h"
#include "core/gCString.h"
#include "updater/PNUButtonGlow.h"
#include "widgets/CBackdrop.h"

class CWidgetEffectBase;

class CPintrelUpdaterBackdrop : public CBackdrop {
public:
    // Message kinds: what the main button does next.
    enum : int32_t { kMessageCheck = 0, kMessageInstall = 1, kMessageURL = 2, kMessageFinish = 3 };

    struct sStatusRow {
        gCString text;
        uint32_t colour = 0;
    };

    CPintrelUpdaterBackdrop() = default;
    ~CPintrelUpdaterBackdrop() override = default;

    uint32_t OnCommand(uint32_t command, uintptr_t p1, intptr_t p2, uint32_t flag) override;

    eResultCode BuildWidgets();
    // Logs the text, then shows it in the colour; 22 while there is no status list.
    eResultCode AddStatusLine(const gCString& text, const uint32_t* colour, bool update);
    eResultCode AddStatusLineCopy(const gCString& text, const uint32_t* colour, bool update);
    eResultCode WriteLogLine(const gCString& text);
    void SetMessageActive(bool active);
    eResultCode SetProgress(float fraction, bool update);
    // The text of a control found by id; nothing when there is none.
    void SetControlText(int32_t id, const gCString& text);
    eResultCode ShowURLMessage(const gCString& text, const gCString& url);
    eResultCode ShowFinishMessage();
    eResultCode ShowInstallMessage();
    // The main button's actions for message kinds 1, 2 and 3.
    eResultCode DismissMessage();
    eResultCode OpenMessageURL();
    eResultCode QuitFromMessage();

    uint32_t IsMessageActive() const { return mMessageActive; }
    int32_t GetMessageKind() const { return mMessageKind; }
    const gCString& GetMessageText() const { return mMessageText; }
    const gCString& GetMessageURL() const { return mMessageURL; }
    float GetProgress() const { return mProgress; }
    uint32_t IsProgressShown() const { return mProgressShown; }
    const gCArray<sStatusRow>& GetStatusRows() const { return mStatusRows; }
    uint32_t HasStatusList() const { return mHasStatusList; }
    const gCString& GetPercentText() const { return mPercentText; }

    // Both glow parts dark; their effects transparent.
    void ResetButtonGlow();
    // One heartbeat of the main button's glow: overButton when the rollover widget is the button,
    // pointerX in the button's own coordinates.
    eResultCode OnButtonHeartbeat(bool overButton, int32_t pointerX);
    const PNUButtonGlow& GetButtonGlow() const { return mGlow; }

    // The part of a bar w x h (bar-local) that the progress gradient leaves uncovered at f.
    static gCRect ProgressCoveredRect(int32_t width, int32_t height, float fraction);
    static gCString ProgressPercentText(float fraction);

private:
    // The widget with the id when it is of class T; null otherwise.
    template <class T> T* FindWidgetOfClass(uint32_t id)
    {
        return dynamic_cast<T*>(FindWidgetById(id));
    }
    void ApplyGlowOpacities();

    CWidget* mMainButton = nullptr;
    CWidget* mMessagePanel = nullptr;
    CWidget* mProgressBar = nullptr;
    CWidgetEffectBase* mProgressEffect = nullptr;
    CWidgetEffectBase* mGlowEffects[2] = {nullptr, nullptr};
    PNUButtonGlow mGlow;
    gCString mPercentText;
    uint32_t mMessageActive = 1;
    int32_t mMessageKind = kMessageCheck;
    gCString mMessageText;
    gCString mMessageURL;
    float mProgress = 0.0f;
    uint32_t mProgressShown = 0;
    uint32_t mHasStatusList = 0;
    gCArray<sStatusRow> mStatusRows;
};

// Opens an address in the browser only when it is an http or https address; 9 otherwise.
eResultCode OpenWebAddress(const gCString& url);
