// The updater window's root widget: the status lines (shown in a table and logged), the message
// panel with its kind and address, the progress bar, the scroll thumb beside the status lines and
// the main button's glow. It is the status target of every line while the window stands (the
// installer's, the transfers', the application's and its own): each goes to its table and to its
// owner's log. It is the focus target, so the engine's status, progress and panel messages arrive
// at its command handler, and it listens to the status table. What its main button asks of the
// program (install, check, quit) goes to its owner.
//
// The widgets of the window's resource are found by id and used only when they are of the class
// the window expects; a missing one skips the steps that use it.
#pragma once

#include "core/gCString.h"
#include "updater/CPNUStatusTarget.h"
#include "updater/PNUMessages.h"
#include "widgets/CBackdrop.h"
#include "widgets/TableMessages.h"

class CImWidget;
class CMLTableWidget;
class CPNUWindowOwner;
class CTxWidget;
class CWidgetEffectBase;

class CPintrelUpdaterBackdrop : public CBackdrop,
                                public CPNUMessageReceiver,
                                public CTableMessageReceiver,
                                public CPNUStatusTarget {
public:
    // Message kinds: what the main button does next.
    enum : int32_t { kMessageCheck = 0, kMessageInstall = 1, kMessageURL = 2, kMessageFinish = 3 };

    struct sStatusRow {
        gCString text;
        uint32_t colour = 0;
    };

    CPintrelUpdaterBackdrop() = default;
    ~CPintrelUpdaterBackdrop() override = default;

    // The updater messages and the status table's messages.
    uint32_t OnCommand(uint32_t command, uintptr_t p1, intptr_t p2, uint32_t flag) override;
    eResultCode OnKeyDown(CWidget** taker, int32_t key) override;

    eResultCode OnStatusLine(const gCString& text, uint32_t colour) override;
    eResultCode OnStatusLineCopy(const gCString& text, uint32_t colour) override;
    // The bar shows the percentage as a fraction.
    eResultCode OnProgress(int64_t percentage) override;
    // The install message, drawn at once.
    eResultCode OnPackageReceived(gCMemFile* body) override;
    eResultCode OnQuit() override;
    // A refusal and the panel message both make the message panel active.
    eResultCode OnServerRefused(int64_t failType) override;
    eResultCode OnMessagePanelOn() override;
    eResultCode OnSourceRequested() override;
    eResultCode OnSetMessagePanel(bool on) override;
    // The scroll thumb follows the status table.
    eResultCode OnRowsChanged(CTableWidget* table, bool update) override;
    eResultCode OnTableScrolled(CTableWidget* table, bool update) override;

    // Completes the loaded tree: art, status table, button, texts and progress. eCreateFailed
    // without the main button, eResourceNotFound without its glow effects or the progress bar's
    // effect, else the table's code.
    eResultCode BuildWidgets();
    // The program whose log the lines are written to and that the main button acts on (none: the
    // lines are only shown); not owned.
    void SetOwner(CPNUWindowOwner* owner) { mOwner = owner; }
    CPNUWindowOwner* GetOwner() const { return mOwner; }

    // Logs the text, then appends it as a status line in the colour; eResourceNotFound while there
    // is no table.
    eResultCode AddStatusLine(const gCString& text, const uint32_t* colour, bool update) override;
    eResultCode AddStatusLineCopy(const gCString& text, const uint32_t* colour, bool update);
    eResultCode WriteLogLine(const gCString& text) override;
    void SetMessageActive(bool active);
    eResultCode SetProgress(float fraction, bool update) override;
    // The text of a control found by id; nothing when there is none.
    void SetControlText(int32_t id, const gCString& text) override;
    eResultCode ShowURLMessage(const gCString& text, const gCString& url);
    eResultCode ShowFinishMessage();
    eResultCode ShowInstallMessage();
    // The main button's actions for message kinds 1, 2 and 3.
    eResultCode DismissMessage();
    // Opens the kept address; a failure is told in a red status line naming the page.
    eResultCode OpenMessageURL();
    eResultCode QuitFromMessage();
    // The product's web page, from the link under the title.
    eResultCode OpenWebPage();

    // The scroll thumb beside the status lines.
    eResultCode RecalcScrollThumb(bool update);
    eResultCode PositionScrollThumb(bool update);
    // Scrolls the table while the thumb is dragged; the thumb follows the table's reports. The
    // drag runs from `press`, where the button went down (window-content coordinates), so a press
    // handled late still drags by every pixel the pointer moved.
    eResultCode DragThumb(CWidget* thumb, const gCPoint& press);
    // Moves the thumb with the pointer from `press` on and scrolls the table to it.
    virtual eResultCode DragScrollThumb(const gCPoint& press);
    // A press on the track that drags the thumb along (not registered by the window itself).
    static eResultCode OnTrackPress(uintptr_t backdrop, CWidget* widget, CWidget** taker, const gCPoint& point);

    // Both glow parts dark, their animators restarted at 0.
    eResultCode ResetButtonGlow(bool update);
    // One heartbeat of the main button's glow, from the rollover widget and the pointer.
    eResultCode OnButtonHeartbeat(CWidget* button);

    uint32_t IsMessageActive() const { return mMessageActive; }
    int32_t GetMessageKind() const { return mMessageKind; }
    gCString GetMessageText() const;
    const gCString& GetMessageURL() const { return mMessageURL; }
    float GetProgress() const { return mProgress; }
    gCString GetPercentText() const;
    // The status lines shown so far (none while there is no table); a row past the end is empty.
    int32_t GetStatusRowCount() const;
    sStatusRow GetStatusRow(int32_t index) const;
    CMLTableWidget* GetStatusTable() const { return mStatusTable; }
    CImWidget* GetScrollThumb() const { return mScrollThumb; }
    const gCRect& GetSavedWindowBounds() const { return mSavedWindowBounds; }

    // The part of a bar w x h (bar-local) that the progress gradient leaves uncovered at f.
    static gCRect ProgressCoveredRect(int32_t width, int32_t height, float fraction);
    static gCString ProgressPercentText(float fraction);

private:
    // The widget with the id when it is of class T; null otherwise.
    template <class T> T* FindWidgetOfClass(uint32_t id) { return dynamic_cast<T*>(FindWidgetById(id)); }
    void BuildBackground();
    void BuildStatusArea();
    eResultCode BuildMainButton();
    void BuildTexts();
    eResultCode BuildProgress();
    eResultCode BuildStatusTable();
    void SetTextOf(CTxWidget* widget, const gCString& text);
    int32_t ThumbTrackLength() const;

    CPNUWindowOwner* mOwner = nullptr;
    CMLTableWidget* mStatusTable = nullptr;
    CWidget* mMainButton = nullptr;
    CImWidget* mScrollThumb = nullptr;
    CTxWidget* mMessageText = nullptr;
    CTxWidget* mPercentText = nullptr;
    CWidget* mProgressPanel = nullptr;
    CWidget* mProgressBar = nullptr;
    gCRect mSavedWindowBounds{0, 0, 0, 0};
    uint32_t mMessageActive = 1;
    int32_t mMessageKind = kMessageCheck;
    gCString mMessageURL;
    float mProgress = 0.0f;
};

// Opens an address in the browser only when it is an http or https address; eFileNotFound
// otherwise.
eResultCode OpenWebAddress(const gCString& url);
