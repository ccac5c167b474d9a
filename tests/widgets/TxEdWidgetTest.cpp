#include "app/AppTestSupport.h"

#include "TinyFont.h"
#include "WidgetTestSupport.h"
#include "TabletIO/TabletState.h"
#include "app/AppMain.h"
#include "platform/Clipboard.h"
#include "resources/CTextList.h"
#include "widgets/CTxEdWidget.h"
#include "widgets/WidgetFactory.h"
#include "support/StringBytes.h"

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

namespace {

// A bitmap font whose every character is blank and 8 pixels wide. The renderer's rounding puts
// caret index i > 0 at 8 i + 1.
std::string BlankFont()
{
    std::vector<int> codes;
    for (int c = 32; c < 127; ++c)
        codes.push_back(c);
    codes.push_back(0xE9);
    std::string font = "STARTFONT 2.1\nFONT -pnu-blank-medium-r-normal--8-80-75-75-c-80-iso10646-1\n"
                       "SIZE 8 75 75\nFONTBOUNDINGBOX 8 8 0 -1\nSTARTPROPERTIES 3\nFONT_ASCENT 7\n"
                       "FONT_DESCENT 1\nDEFAULT_CHAR 32\nENDPROPERTIES\nCHARS " +
                       std::to_string(codes.size()) + "\n";
    for (int code : codes)
        font += "STARTCHAR u" + std::to_string(code) + "\nENCODING " + std::to_string(code) +
                "\nSWIDTH 1000 0\nDWIDTH 8 0\nBBX 8 8 0 -1\nBITMAP\n00\n00\n00\n00\n00\n00\n00\n00\nENDCHAR\n";
    return font + "ENDFONT\n";
}

// A clipboard that refuses every put and holds no text.
class CBrokenClipboard final : public plat::Clipboard {
public:
    plat::eClipboardResult PutText(const char*) override { return plat::eClipboardResult::kUnavailable; }
    plat::eClipboardResult GetText(plat::TextReceiver&) override { return plat::eClipboardResult::kNoText; }
};

constexpr uint32_t kField = 0xFFFFFFFFu;
const gCPoint kWindowOrigin{320, 392};
const gCPoint kEditorAt{10, 10};

class TxEdWidgetTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        TakeAlertDetails();
        AddBitmapFont(app.GetResources().GetPool(eFontPool), BlankFont(), u"Blank");
        plat::SetClipboard(&clipboard);

        backdrop = MakeMainWindow(app);
        window = static_cast<CMacWindow*>(GetMainWindow());
        editor = MakeEditor(100);
        editor->SetFocus(true);
    }
    void TearDown() override
    {
        plat::SetClipboard(nullptr);
        AppTest::TearDown();
        app.GetResources().GetPool(eFontPool).RemoveAll();
        ReleaseFontLibrary();
        TakeAlertDetails();
    }

    // A shown editor with an opaque white field of the given width and 12 pixels height.
    CTxEdWidget* MakeEditor(int32_t width)
    {
        auto* field = new CTxEdWidget();
        auto* image = new CImage(width, 12);
        CImNav navigator(image, nullptr);
        CPixel white = kField;
        navigator.Fill(&white);
        EXPECT_EQ(field->SetImage(image, true, false), eSuccess);
        EXPECT_EQ(field->SetFontName(gCString(u"Blank"), true, false), eSuccess);
        EXPECT_EQ(field->SetFontPixelSize(8, true, false), eSuccess);
        AddAt(*backdrop, field, {kEditorAt.x, kEditorAt.y, kEditorAt.x + width, kEditorAt.y + 12});
        return field;
    }

    plat::sEvent Key(int32_t macKey, uint32_t character)
    {
        plat::sEvent event;
        event.kind = plat::eEventKind::kKeyDown;
        event.windowId = window->GetPlatformId();
        event.keyCode = macKey;
        event.character = character;
        // A key comes with the modifiers held when it went down.
        event.modifiers = input.modifiers;
        return event;
    }
    void Type(const std::u16string& text)
    {
        for (char16_t unit : text)
            DispatchPlatformEvent(Key(-1, unit));
    }
    void Command(const char (&code)[5])
    {
        plat::sEvent event;
        event.kind = plat::eEventKind::kCommand;
        event.windowId = window->GetPlatformId();
        event.command = plat::FourCharCode(code);
        DispatchPlatformEvent(event);
    }
    std::string Shown() const
    {
        gCString text;
        editor->GetText(text);
        return Utf8(text);
    }
    float LabelX() { return editor->GetLabel()->GetLayoutValues()->x; }

    CTestApp app;
    plat::InProcessClipboard clipboard;
    CTestBackdrop* backdrop = nullptr;
    CMacWindow* window = nullptr;
    CTxEdWidget* editor = nullptr;
};

// Mac key codes and the characters their keys type.
constexpr int32_t kLeft = 123, kRight = 124, kHome = 115, kEnd = 119, kBackspace = 51, kForwardDelete = 117;
constexpr uint32_t kCmd = plat::kModCommand, kShift = plat::kModShift;

TEST_F(TxEdWidgetTest, TypingSelectingDeletingAndTheClipboardGiveTheExpectedTextAndCaret)
{
    struct sStep {
        const char* what;
        std::u16string typed;      // typed first, one key per unit
        int32_t macKey;            // then this key (-1: none) ...
        uint32_t character;        // ... typing this character
        int32_t repeat;
        uint32_t modifiers;        // held while the key is pressed
        const char* command;       // then this edit command (nullptr: none)
        const char* text;
        int32_t caret, anchor;
        const char* clipboard;
    };
    ASSERT_EQ(editor->SetText(gCString(u"hello world"), true, false), eSuccess);
    const sStep steps[] = {
        {"typing replaces the whole selection", u"Hi", -1, 0, 0, 0, nullptr, "Hi", 2, 2, ""},
        {"text beyond ASCII is typed", u" th\u00e9re", -1, 0, 0, 0, nullptr, "Hi th\u00e9re", 8, 8, ""},
        {"Shift-Left extends", u"", kLeft, 28, 3, kShift, "copy", "Hi th\u00e9re", 5, 8, "\u00e9re"},
        {"Home collapses, paste inserts", u"", kHome, 1, 1, 0, "past", "\u00e9reHi th\u00e9re", 3, 3, "\u00e9re"},
        {"End then Backspace", u"", kEnd, 4, 1, 0, nullptr, "\u00e9reHi th\u00e9re", 11, 11, "\u00e9re"},
        {"", u"", kBackspace, 8, 1, 0, nullptr, "\u00e9reHi th\u00e9r", 10, 10, "\u00e9re"},
        {"Command-Left is not the editor's", u"", kLeft, 28, 1, kCmd, nullptr, "\u00e9reHi th\u00e9r", 10, 10,
         "\u00e9re"},
        {"Shift-Left over the word, then cut", u"", kLeft, 28, 4, kShift, "cut ", "\u00e9reHi ", 6, 6, "th\u00e9r"},
        {"Left collapses and moves", u"", kLeft, 28, 2, 0, nullptr, "\u00e9reHi ", 4, 4, "th\u00e9r"},
        {"forward Delete", u"", kForwardDelete, 127, 1, 0, nullptr, "\u00e9reH ", 4, 4, "th\u00e9r"},
        {"Shift-Right at the end stays", u"", kRight, 29, 3, kShift, nullptr, "\u00e9reH ", 5, 4, "th\u00e9r"},
        {"Command-A then paste", u"", 0, 'a', 1, kCmd, "past", "th\u00e9r", 4, 4, "th\u00e9r"},
        {"Escape changes nothing", u"", 53, 27, 1, 0, nullptr, "th\u00e9r", 4, 4, "th\u00e9r"},
    };
    for (const sStep& step : steps) {
        SCOPED_TRACE(step.what);
        Type(step.typed);
        input.modifiers = step.modifiers;
        for (int32_t i = 0; i < step.repeat; ++i)
            DispatchPlatformEvent(Key(step.macKey, step.character));
        input.modifiers = 0;
        if (step.command)
            Command(*reinterpret_cast<const char(*)[5]>(step.command));
        EXPECT_EQ(Shown(), step.text);
        EXPECT_EQ(editor->GetCaret(), step.caret);
        EXPECT_EQ(editor->GetAnchor(), step.anchor);
        std::string held;
        (void)clipboard.GetText(held);
        EXPECT_EQ(held, step.clipboard);
    }
    // The positions follow the text: one more than its units.
    ASSERT_EQ(editor->GetCaretPositions().GetSize(), 5);
    EXPECT_EQ(editor->GetCaretPositions()[4], 33);
    EXPECT_TRUE(TakeAlertDetails().empty());
}

TEST_F(TxEdWidgetTest, CommandWithArrowsJumpsByWords)
{
    ASSERT_EQ(editor->SetText(gCString(u"ab  cd ef"), true, false), eSuccess);
    struct sCase {
        int32_t from, key, to;
    };
    const sCase cases[] = {
        {9, kKeyLeft, 7}, {7, kKeyLeft, 4}, {5, kKeyLeft, 4}, {4, kKeyLeft, 0}, {3, kKeyLeft, 0},
        {0, kKeyRight, 4}, {2, kKeyRight, 4}, {4, kKeyRight, 7}, {7, kKeyRight, 9}, {9, kKeyRight, 9},
    };
    input.modifiers = kCmd;
    for (const sCase& c : cases) {
        ASSERT_EQ(editor->SetCaret(c.from, false, false), eSuccess);
        ASSERT_EQ(editor->MoveCaret(c.key), eSuccess);
        EXPECT_EQ(editor->GetCaret(), c.to) << c.from << " " << c.key;
        EXPECT_EQ(editor->GetAnchor(), c.to);
    }
    input.modifiers = 0;
}

TEST_F(TxEdWidgetTest, AKeyCountsTheModifiersThatCameWithItNotThoseHeldWhenItIsHandled)
{
    const struct {
        uint32_t withKey, heldLater;
        const char* text;
        int32_t anchor;
    } cases[] = {{kCmd, 0, "abc", 0}, {0, kCmd, "abca", 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.withKey);
        ASSERT_EQ(editor->SetText(gCString(u"abc"), true, false), eSuccess);
        ASSERT_EQ(editor->SetCaret(3, false, false), eSuccess);
        plat::sEvent key = Key(0, 'a');
        key.modifiers = c.withKey;
        input.modifiers = c.heldLater;
        DispatchPlatformEvent(key);
        input.modifiers = 0;
        EXPECT_EQ(Shown(), c.text);
        EXPECT_EQ(editor->GetAnchor(), c.anchor);
    }
}

TEST_F(TxEdWidgetTest, AFieldWithoutAnImageTypesInOrder)
{
    auto* bare = new CTxEdWidget();
    ASSERT_EQ(bare->SetFontName(gCString(u"Blank"), true, false), eSuccess);
    AddAt(*backdrop, bare, {10, 40, 70, 52});
    bare->SetFocus(true);
    Type(u"abc");
    gCString text;
    bare->GetText(text);
    EXPECT_EQ(Utf8(text), "abc");
    EXPECT_EQ(bare->GetCaret(), 3);
}

TEST_F(TxEdWidgetTest, ReturnAndEscapeAreRoutedAsMessagesAndKeysWithoutFocusAreLeft)
{
    ASSERT_EQ(editor->SetText(gCString(u"ab"), true, false), eSuccess);
    app.messages.clear();
    DispatchPlatformEvent(Key(36, 13));
    DispatchPlatformEvent(Key(53, 27));
    ASSERT_EQ(app.messages.size(), 2u);
    EXPECT_EQ(app.messages[0].message, 0xF0000003u);
    EXPECT_EQ(app.messages[0].p1, uintptr_t(editor));
    EXPECT_EQ(app.messages[1].message, 0xF0000004u);
    EXPECT_EQ(Shown(), "ab");

    // Command-B and Tab are not the editor's: they reach the backdrop.
    input.modifiers = kCmd;
    DispatchPlatformEvent(Key(11, 'b'));
    input.modifiers = 0;
    DispatchPlatformEvent(Key(48, 9));
    EXPECT_EQ(backdrop->keys, (std::vector<int32_t>{'b', 9}));

    // Another widget takes the focus: typing reaches the backdrop and changes nothing here.
    CTxEdWidget* other = MakeEditor(40);
    other->SetFocus(true);
    CWidget* taker = nullptr;
    EXPECT_EQ(editor->OnKeyDown(&taker, 'x'), eSuccess);
    EXPECT_EQ(taker, nullptr);
    EXPECT_EQ(Shown(), "ab");
}

TEST_F(TxEdWidgetTest, NumericAndLengthFiltersRefuseWhatWouldBreakThem)
{
    struct sCase {
        bool numeric, decimal;
        int32_t maxLength;
        const char16_t* start;
        std::u16string typed;
        const char* pasted;
        const char* text;
    };
    const sCase cases[] = {
        {true, false, -1, u"", u"-", nullptr, "-"},       // a lone minus is on its way to a number
        {true, false, -1, u"", u"1.", nullptr, "1"},      // no decimal point without decimals
        {true, true, -1, u"", u"12.5", nullptr, "12.5"},  // "12." passes as "12.0"
        {true, true, -1, u"", u"1a", "x7", "1"},          // letters neither typed nor pasted
        {true, true, -1, u"", u"", "-42", "-42"},
        {false, true, 3, u"", u"abcd", nullptr, "abc"},
        {false, true, 3, u"", u"a", "bcd", "a"},          // the paste would make 4 units
        {false, true, 3, u"", u"a", "bc", "abc"},
    };
    for (const sCase& c : cases) {
        CTxEdWidget* field = MakeEditor(60);
        field->SetNumeric(c.numeric, c.decimal);
        field->SetMaxLength(c.maxLength);
        field->SetFocus(true);
        for (char16_t unit : c.typed) {
            CWidget* taker = nullptr;
            EXPECT_EQ(backdrop->DispatchKeyDownEvent(&taker, unit), eSuccess);
            EXPECT_EQ(taker, field) << "a refused key is still consumed";
        }
        if (c.pasted) {
            ASSERT_EQ(clipboard.PutText(c.pasted), plat::eClipboardResult::kOk);
            EXPECT_EQ(field->Paste(), eSuccess);
        }
        gCString text;
        field->GetText(text);
        EXPECT_EQ(Utf8(text), c.text) << c.text;
    }
    // The setter refuses with 2 and keeps the text.
    CTxEdWidget* field = MakeEditor(60);
    field->SetNumeric(true, false);
    EXPECT_EQ(field->SetText(gCString(u"-"), true, false), eSuccess);
    EXPECT_EQ(field->SetText(gCString(u""), true, false), eHandled);
    field->SetNumeric(false, true);
    field->SetMaxLength(2);
    EXPECT_EQ(field->SetText(gCString(u"abc"), true, false), eHandled);
    gCString text;
    field->GetText(text);
    EXPECT_EQ(Utf8(text), "-");
}

TEST_F(TxEdWidgetTest, ClicksPlaceTheCaretSelectWordsAndDragsExtendTheSelection)
{
    ASSERT_EQ(editor->SetText(gCString(u"ab cd"), true, false), eSuccess);
    clock->Advance(300000);
    auto click = [&](int32_t x) {
        CWidget* taker = nullptr;
        EXPECT_EQ(editor->OnLButtonDown(&taker, {x, 6}), eSuccess);
        EXPECT_EQ(taker, editor);
    };
    // The label starts 2 pixels in; unit 2 spans 17..25 of it, its left 60 percent below 21.8.
    click(2 + 21);
    EXPECT_EQ(editor->GetCaret(), 2);
    clock->Advance(300000);
    click(2 + 22);
    EXPECT_EQ(editor->GetCaret(), 3);
    clock->Advance(150000);
    click(2 + 22);
    EXPECT_EQ(std::make_pair(editor->GetAnchor(), editor->GetCaret()), std::make_pair(3, 5)) << "the word";
    clock->Advance(150000);
    click(2 + 22);
    EXPECT_EQ(std::make_pair(editor->GetAnchor(), editor->GetCaret()), std::make_pair(0, 5)) << "all";
    clock->Advance(150000);
    click(2 + 22);
    EXPECT_EQ(std::make_pair(editor->GetAnchor(), editor->GetCaret()), std::make_pair(3, 3)) << "caret only";
    clock->Advance(300000);
    click(2 + 17);
    clock->Advance(150000);
    click(2 + 17);
    EXPECT_EQ(std::make_pair(editor->GetAnchor(), editor->GetCaret()), std::make_pair(3, 2)) << "the space alone";
    clock->Advance(300000);
    click(90);
    EXPECT_EQ(editor->GetCaret(), 5) << "right of the text: the end";

    // A drag: the pointer moves while the button is held, the anchor stays at the press.
    clock->Advance(300000);
    app.ResumeHeartbeat();
    input.buttons = plat::kButtonStatePrimary;
    const gCPoint at{kWindowOrigin.x + kEditorAt.x, kWindowOrigin.y + kEditorAt.y};
    input.pointer = {at.x + 2 + 8, at.y + 6};
    int heartbeats = 0;
    app.onHook = [&] {
        if (++heartbeats == 2)
            input.pointer = {at.x + 2 + 33, at.y + 6};
        if (heartbeats == 4)
            input.buttons = 0;
        return eSuccess;
    };
    click(2 + 8);
    EXPECT_EQ(std::make_pair(editor->GetAnchor(), editor->GetCaret()), std::make_pair(1, 4));
    app.onHook = nullptr;
}

TEST_F(TxEdWidgetTest, CaretAndSelectionAreDrawnInvertedOnlyForTheFocusWidgetAndTheCaretBlinks)
{
    backdrop->MarkWindowReady();
    ASSERT_EQ(editor->SetText(gCString(u"abcd"), true, false), eSuccess);
    ASSERT_EQ(editor->SetCaret(1, false, false), eSuccess);
    ASSERT_EQ(editor->SetCaret(3, true, true), eSuccess);
    ASSERT_EQ(backdrop->Update(), eSuccess);
    auto pixel = [&](int32_t x, int32_t y) { return backdrop->GetImagePixel({kEditorAt.x + x, kEditorAt.y + y}); };
    // The selection covers x 2 + 9 .. 2 + 25 of the band; the rest of the field stays white.
    EXPECT_EQ(pixel(2 + 9, 6), 0xFF000000u);
    EXPECT_EQ(pixel(2 + 24, 6), 0xFF000000u);
    EXPECT_EQ(pixel(2 + 25, 6), kField);
    EXPECT_EQ(pixel(2 + 8, 6), kField);
    EXPECT_EQ(pixel(2 + 9, 0), kField) << "above the band";

    // Without a selection the caret is two pixels left of the index's position.
    ASSERT_EQ(editor->SetCaret(2, false, true), eSuccess);
    ASSERT_EQ(backdrop->Update(), eSuccess);
    EXPECT_EQ(pixel(2 + 16, 6), 0xFF000000u);
    EXPECT_EQ(pixel(2 + 17, 6), 0xFF000000u);
    EXPECT_EQ(pixel(2 + 18, 6), kField);
    EXPECT_EQ(pixel(2 + 15, 6), kField);
    EXPECT_EQ(pixel(2 + 10, 6), kField) << "the old selection is gone";

    // Shown for 250 ms after a restart, then hidden for 500 ms.
    CWidget* taker = nullptr;
    ASSERT_EQ(editor->OnKeyDown(&taker, kKeyEnd), eSuccess);
    clock->Advance(200000);
    (void)editor->OnHeartbeat();
    EXPECT_EQ(editor->GetBlinkPhase(), 0);
    clock->Advance(100000);
    (void)editor->OnHeartbeat();
    EXPECT_EQ(editor->GetBlinkPhase(), 50);
    ASSERT_EQ(backdrop->Update(), eSuccess);
    EXPECT_EQ(pixel(2 + 32, 6), kField) << "hidden";
    clock->Advance(500000);
    (void)editor->OnHeartbeat();
    EXPECT_EQ(editor->GetBlinkPhase(), 0);
    ASSERT_EQ(backdrop->Update(), eSuccess);
    EXPECT_EQ(pixel(2 + 32, 6), 0xFF000000u) << "shown again";

    // Another widget takes the focus: nothing is drawn over this editor any more.
    ASSERT_EQ(editor->SetCaret(0, false, false), eSuccess);
    ASSERT_EQ(editor->SetCaret(4, true, true), eSuccess);
    CTxEdWidget* other = MakeEditor(20);
    ASSERT_EQ(other->SetPosition(10, 40, false), eSuccess);
    other->SetFocus(true);
    EXPECT_EQ(editor->GetCaret(), editor->GetAnchor()) << "the selection collapsed";
    EXPECT_EQ(editor->GetBlinkPhase(), 1);
    ASSERT_EQ(backdrop->Update(), eSuccess);
    EXPECT_EQ(pixel(2 + 32, 6), kField);
    EXPECT_EQ(pixel(2 + 9, 6), kField);
}

TEST_F(TxEdWidgetTest, FocusOfANumericEditorSetsTheTabletFlag)
{
    ASSERT_EQ(app.CreateTabletState(), eSuccess);
    CTxEdWidget* numeric = MakeEditor(40);
    numeric->SetNumeric(true, true);
    numeric->SetFocus(true);
    EXPECT_EQ(app.GetTabletState()->focusFlag, 1u);
    editor->SetFocus(true);
    EXPECT_EQ(app.GetTabletState()->focusFlag, 0u);
    numeric->SetFocus(true);
    EXPECT_EQ(app.GetTabletState()->focusFlag, 1u);
}

TEST_F(TxEdWidgetTest, ClipboardFailuresAreReportedAndLeaveTheTextAlone)
{
    ASSERT_EQ(editor->SetText(gCString(u"keep"), true, false), eSuccess);
    CBrokenClipboard broken;
    plat::SetClipboard(&broken);
    EXPECT_EQ(editor->Cut(), eNoMemory);
    EXPECT_EQ(editor->Copy(), eNoMemory);
    EXPECT_EQ(TakeAlertDetails(), (std::vector<std::string>{"Failed to cut the requested text.",
                                                           "Failed to copy the requested text."}));
    EXPECT_EQ(Shown(), "keep");
    // A clipboard without text pastes nothing: the selected text is not deleted.
    EXPECT_EQ(editor->Paste(), eSuccess);
    EXPECT_EQ(Shown(), "keep");
    EXPECT_EQ(editor->GetCaret(), 4);
    EXPECT_EQ(editor->GetAnchor(), 0);

    // Copy with nothing selected leaves the clipboard as it was.
    plat::SetClipboard(&clipboard);
    ASSERT_EQ(clipboard.PutText("before"), plat::eClipboardResult::kOk);
    ASSERT_EQ(editor->SetCaret(2, false, false), eSuccess);
    EXPECT_EQ(editor->Copy(), eSuccess);
    std::string held;
    ASSERT_EQ(clipboard.GetText(held), plat::eClipboardResult::kOk);
    EXPECT_EQ(held, "before");
}

TEST_F(TxEdWidgetTest, EditCommandsAfterTheFocusedEditorWasRemovedReachNothing)
{
    ASSERT_EQ(editor->SetText(gCString(u"gone"), true, false), eSuccess);
    ASSERT_EQ(backdrop->RemoveChild(editor, false), eSuccess);
    editor = nullptr;
    EXPECT_EQ(backdrop->GetFocusWidget(), nullptr);
    ASSERT_EQ(clipboard.PutText("kept"), plat::eClipboardResult::kOk);
    for (const char* command : {"copy", "cut ", "past"})
        Command(*reinterpret_cast<const char(*)[5]>(command));
    DispatchPlatformEvent(Key(-1, 'x'));
    std::string held;
    ASSERT_EQ(clipboard.GetText(held), plat::eClipboardResult::kOk);
    EXPECT_EQ(held, "kept");
}

TEST_F(TxEdWidgetTest, ALongTextScrollsToKeepTheCaretInView)
{
    CTxEdWidget* narrow = MakeEditor(60);
    narrow->SetFocus(true);
    // 13 units: 105 pixels in a 60-pixel field.
    ASSERT_EQ(narrow->SetText(gCString(u"abcdefghijklm"), true, false), eSuccess);
    EXPECT_EQ(narrow->GetLabel()->GetLayoutValues()->x, 2.0f);
    ASSERT_EQ(narrow->SetCaret(13, false, false), eSuccess);
    EXPECT_EQ(narrow->GetLabel()->GetLayoutValues()->x, 60.0f - 105.0f - 2.0f);
    EXPECT_EQ(narrow->GetLabel()->GetRect().left, -47);
    ASSERT_EQ(narrow->SetCaret(0, false, false), eSuccess);
    EXPECT_EQ(narrow->GetLabel()->GetRect().left, 2);
    // Deleting until the text fits brings it back to its place.
    ASSERT_EQ(narrow->SetCaret(13, false, false), eSuccess);
    for (int i = 0; i < 8; ++i)
        ASSERT_EQ(narrow->DeleteChar(true), eSuccess);
    EXPECT_EQ(narrow->GetLabel()->GetRect().left, 2);
    EXPECT_EQ(narrow->SetCaret(6, false, false), eHandled) << "beyond the end";
}

TEST(FontPixelsFromTag, RoundsHalfAwayAndHoldsWhatNoIntegerCanHold)
{
    const std::pair<float, int32_t> cases[] = {
        {12.5f, 13}, {-2.5f, -3}, {0.4f, 0}, {3.0e9f, INT32_MAX}, {-3.0e9f, -INT32_MAX},
        {std::numeric_limits<float>::infinity(), INT32_MAX}, {std::numeric_limits<float>::quiet_NaN(), 0},
    };
    for (const auto& [value, pixels] : cases)
        EXPECT_EQ(FontPixelsFromTag(value), pixels) << value;
}

TEST_F(TxEdWidgetTest, DataBlocksColourTheTextAndTheFactoryMakesEditors)
{
    auto load = [](CTxEdWidget& field, const std::string& chunks) {
        CBytesStream stream(Block(chunks));
        return field.LoadWidgetDataBlock(&stream);
    };
    CTxEdWidget plain;
    ASSERT_EQ(load(plain, Tag("text") + Text("ok")), eSuccess);
    EXPECT_EQ(plain.GetLabel()->GetColour(), 0xFF000000u) << "black without 'txcl'";
    // A list handed to the editor is let go at once (the leak checker watches); the text stays.
    EXPECT_EQ(plain.SetTextList(new CTextList), eSuccess);
    EXPECT_EQ(plain.GetLabel()->GetTextList(), nullptr);
    CTxEdWidget coloured;
    ASSERT_EQ(load(coloured, Tag("txcl") + I32(int32_t(0xFF204080u)) + Tag("text") + Text("ok")), eSuccess);
    EXPECT_EQ(coloured.GetLabel()->GetColour(), 0xFF204080u);
    TakeAlertDetails();

    CTxEdWidget cut;
    EXPECT_NE(load(cut, Tag("txcl") + "\x01\x02"), eSuccess);
    CTxEdWidget numeric;
    numeric.SetNumeric(true, false);
    EXPECT_EQ(load(numeric, Tag("text") + Text("abc")), eHandled);
    const std::vector<std::string> alerts = TakeAlertDetails();
    ASSERT_GE(alerts.size(), 2u);
    EXPECT_EQ(alerts[0], "TxEdWidget txcl.");
    EXPECT_NE(std::find(alerts.begin(), alerts.end(), "TxWidget text."), alerts.end());

    // A font size no window could show, with a long text: refused before a text image is
    // allocated for it (the sanitizer build stops at any allocation of that size).
    for (float size : {3.0e9f, -3.0e9f, 1.0e5f}) {
        CTxEdWidget huge;
        ASSERT_EQ(huge.SetImage(new CImage(40, 12), true, false), eSuccess);
        EXPECT_NE(load(huge, Tag("fsiz") + F32(size) + Tag("text") + Text(std::string(300, 'W'))), eSuccess) << size;
    }
    TakeAlertDetails();

    const sWidgetFactoryEntry* entry = FindWidgetFactoryEntry(FourCC("tewg"));
    ASSERT_NE(entry, nullptr);
    EXPECT_STREQ(entry->failure, "Widget Constructor txedwidget create failed.");
}

} // namespace
