// The developer's panel over a live widget tree: a list of the widgets around one of them (its
// ancestors, itself and its subtree), the inspector's labels describing one widget, a search by
// resource id or by name, and a red note on why a widget may stay unseen or deaf to events.
// The backdrop opens it as its modal widget; Escape or a click outside closes it.
// Its texts are developer texts: 8-bit Mac Roman, formatted printf-style.
#pragma once

#include "app/CTimer.h"
#include "core/FourCharCode.h"
#include "widgets/BackdropMessages.h"
#include "widgets/CRoRectWidget.h"
#include "widgets/TableMessages.h"

class CTableWidget;

class CDebugInfoWidget : public CRoRectWidget, public CBackdropMessageReceiver, public CTableMessageReceiver {
public:
    static constexpr uint32_t kPanelId = FourCharCode("_Db_");
    static constexpr const char* kPanelName = "CBackdrop Info Widget for Debugging.";
    static constexpr const char* kRecursionText = "*** Possible recursion error: Depth greater than 100 ***";
    // Deeper than this, a tree or a parent chain is taken for a cycle and not followed.
    static constexpr int32_t kMaxDepth = 100;

    // Search states.
    enum : int32_t { kLookingForSelected = 0, kPastSelected = 1, kFound = 2, kEnded = 3 };

    CDebugInfoWidget();
    ~CDebugInfoWidget() override;

    // Adds the child, or deletes it when that fails. A failed add may still have put the child in
    // the list (the redraw after it failed): then it is removed from there, never deleted twice.
    static eResultCode AddChildOrDelete(CWidget* parent, CWidget* child, bool update);

    // Whether the widget is an open panel: the backdrop knows one by its id and its name.
    static bool IsPanel(CWidget* widget);

    // Builds the inspector, the list, its scroll bar and the note, then shows the widget.
    eResultCode BuildInspectorPanel(CWidget* widget);
    eResultCode ShowWidgetInfo(CWidget* widget);

    // The list: the widget's ancestors from the root, the widget (selected), then its subtree.
    eResultCode FillWidgetList(CTableWidget* table, CWidget* widget);
    eResultCode AddSubtreeRows(CWidget* widget, CTableWidget* table, const gCString& prefix, int32_t depth);
    // The note: the widget's own warnings, then each ancestor's, root first.
    eResultCode DescribeWidgetTree(CWidget* widget);
    static eResultCode AppendAncestorWarnings(CWidget* widget, CWidget* ancestor, gCString& text);

    // Searches from the main window's backdrop, going on after the widget shown last and
    // wrapping once; a miss shows an alert and changes nothing.
    eResultCode FindById(const gCString& text);
    eResultCode FindByName(const gCString& text);
    eResultCode FindWidgetInHierarchy(CWidget* widget, uint32_t id, int32_t depth);
    eResultCode FindWidgetByNameInHierarchy(CWidget* widget, const gCString& upperText, int32_t depth);

    eResultCode AddInfoRow(uint32_t id, const char* caption, int32_t captionX, int32_t valueX, int32_t y,
                           int32_t valueRight);
    eResultCode AddButton(uint32_t id, const char* caption, int32_t x, int32_t y, int32_t width,
                          int32_t height);
    static eResultCode OnButton(uintptr_t panel, CWidget* button, CWidget** taker, const gCPoint& point);
    static eResultCode OnGripDrag(uintptr_t table, CWidget* grip, CWidget** taker, const gCPoint& point);

    eResultCode OnKeyDown(CWidget** taker, int32_t key) override;
    eResultCode OnLButtonDown(CWidget** taker, const gCPoint& point) override;
    uint32_t OnMessage(uint32_t message, uintptr_t p1, uintptr_t p2) override;
    // A left press outside the panel closes it.
    eResultCode OnUnclaimedPress(ePressButton button, CBackdrop* backdrop, const gCPoint* point) override;
    // The panel's own list drives its scroll bar; a click on a row shows that widget, and a second
    // click on it soon after re-centres the list on it. Other tables' messages change nothing.
    eResultCode OnRowsChanged(CTableWidget* table, bool update) override;
    eResultCode OnTableScrolled(CTableWidget* table, bool update) override;
    eResultCode OnSelectionClicked(CTableWidget* table) override;

    // Leaves the modal stack and the tree; the backdrop deletes the panel once the dispatch that
    // closed it has unwound, since that dispatch still walks the panel and its children.
    void Close();

    CWidget* GetSelectedWidget() const { return mSelected; }
    int32_t GetSearchState() const { return mSearchState; }

private:
    template <typename Match>
    void SearchFrom(CWidget* widget, const Match& match, int32_t depth);
    template <typename Match>
    eResultCode RunSearch(const gCString& text, const Match& match);
    // The panel's list when `from` is that list; null otherwise.
    CTableWidget* OwnTable(CTableWidget* from);
    // A widget a list row names, only while it is still in this panel's tree.
    CWidget* LiveWidget(uintptr_t rowId);
    eResultCode AttachCutout(CWidget* widget, float radius);
    // The rows of the widget's children, one level below the prefix.
    eResultCode AddChildRows(CWidget* widget, CTableWidget* table, const gCString& prefix, int32_t depth);
    eResultCode SetLabel(uint32_t id, const gCString& text);
    eResultCode BuildListAndNote(CWidget* widget);

    CWidget* mSelected = nullptr;
    int32_t mSearchState = kLookingForSelected;
    CWidget* mLastClicked = nullptr;
    CTimer mClickTimer;
};

// The colour of the panel's text field and of its buttons: red, green and blue moved about
// 80/256 of the way toward 256 (lighter) or toward 1 (darker), alpha kept.
uint32_t LightenPanelColour(uint32_t colour);
uint32_t DarkenPanelColour(uint32_t colour);
