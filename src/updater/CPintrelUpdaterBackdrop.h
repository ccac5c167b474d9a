// The updater window's root widget: the status lines (shown and logged), the message panel with
// its kind and address, and the progress. It is the focus target, so the engine's status, progress
// and panel messages arrive at its command handler.
//
// Built here: what the update engine calls. The widgets of the window's resource come with the
// widget library; until then the window shows a plain backdrop and keeps its status lines in a
// list of its own.
#pragma once

#include "core/gCArray.h"
#include "core/gCString.h"
#include "widgets/CBackdrop.h"

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

private:
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
