// The finished window of the real program: the resource file's widgets completed by the window,
// with the window where it really opens (centred, away from the screen's origin).
#include "updater/UpdaterTestSupport.h"

#include "app/CWindowBase.h"
#include "platform/ManualClock.h"
#include "platform/Launcher.h"
#include "updater/window/PNUButtonGlow.h"
#include "updater/PNUMessages.h"
#include "widgets/CImWidget.h"
#include "widgets/CMLTableWidget.h"
#include "widgets/CTxWidget.h"
#include "widgets/CWidgetEffectBase.h"
#include "support/StringBytes.h"

namespace {

class UpdaterWindow : public UpdaterTest {
protected:
    void SetUp() override
    {
        UpdaterTest::SetUp();
        ASSERT_EQ(Start(app, gCString("")), eSuccess);
        backdrop = app.GetBackdrop();
        ASSERT_NE(backdrop, nullptr);
    }
    void TearDown() override
    {
        plat::SetLauncher(nullptr);
        UpdaterTest::TearDown();
    }

    // The pointer at a point of the widget, as the window system reports it.
    void PointAt(CWidget* widget, int32_t x, int32_t y)
    {
        gCPoint content = widget->LocalToRoot(gCPoint(x, y));
        gCPoint origin = gMainWindow->GetContentOrigin();
        input.pointer = {origin.x + content.x, origin.y + content.y};
        backdrop->UpdateRollover();
    }

    // The glow opacities of the quit and message parts after heartbeats for the given time.
    std::pair<int32_t, int32_t> Glow(CWidget* button, int32_t milliseconds)
    {
        for (int32_t t = 0; t <= milliseconds; t += 10) {
            EXPECT_EQ(backdrop->DispatchHeartbeatEvent(), eSuccess);
            clock->Advance(10000);
        }
        return {button->GetOverEffect(1)->GetOpacity(), button->GetOverEffect(2)->GetOpacity()};
    }

    plat::ScopedManualClock clock;
    CPintrelUpdaterApp app;
    CPintrelUpdaterBackdrop* backdrop = nullptr;
};

TEST_F(UpdaterWindow, TheGlowLightsThePartUnderThePointer)
{
    ASSERT_NE(gMainWindow->GetContentOrigin(), gCPoint(0, 0));
    CWidget* button = backdrop->FindWidgetById(300);
    ASSERT_NE(button, nullptr);
    const std::pair<int32_t, int32_t> dark{0, 0};
    const int32_t full = PNUButtonGlow::kGlowOpacity;
    EXPECT_EQ(Glow(button, 50), dark);

    PointAt(button, PNUButtonGlow::kSplitX + 40, 20);
    ASSERT_EQ(backdrop->GetRolloverWidget(), button);
    EXPECT_EQ(Glow(button, 300), std::make_pair(full, 0));

    PointAt(button, 40, 20);
    EXPECT_EQ(Glow(button, 300), std::make_pair(0, full));

    // With the panel off the message part stays dark; the quit part still glows.
    backdrop->SetMessageActive(false);
    EXPECT_EQ(Glow(button, 300), dark);
    PointAt(button, PNUButtonGlow::kSplitX + 40, 20);
    EXPECT_EQ(Glow(button, 300), std::make_pair(full, 0));

    // Leaving the button lets both fall back.
    PointAt(backdrop, 5, 5);
    EXPECT_EQ(Glow(button, 300), dark);
}

TEST_F(UpdaterWindow, TheThumbAppearsOnceTheLinesOverflowAndFollowsTheScrollPosition)
{
    CMLTableWidget* table = backdrop->GetStatusTable();
    CImWidget* thumb = backdrop->GetScrollThumb();
    ASSERT_NE(table, nullptr);
    ASSERT_NE(thumb, nullptr);
    EXPECT_EQ(table->GetParent(), backdrop->FindWidgetById(201));
    EXPECT_FALSE(thumb->IsVisible());

    const uint32_t brown = kStatusBrown;
    for (int32_t i = 0; i < 30; ++i)
        ASSERT_EQ(backdrop->AddStatusLine(gCString("A status line that is long enough to wrap once"), &brown, false), eSuccess);
    const int32_t usable = thumb->GetParent()->GetHeight() - 10;
    ASSERT_TRUE(thumb->IsVisible());
    EXPECT_GE(thumb->GetHeight(), 10);
    EXPECT_LT(thumb->GetHeight(), usable);
    // The newest line is shown, so the thumb sits at the track's end.
    EXPECT_EQ(thumb->GetRect().top, 5 + usable - thumb->GetHeight());
    EXPECT_EQ(backdrop->GetStatusRow(backdrop->GetStatusRowCount() - 1).colour, kStatusBrown);

    ASSERT_EQ(table->ScrollToTop(false), eSuccess);
    EXPECT_EQ(thumb->GetRect().top, 5);

    ASSERT_EQ(table->RemoveAllRows(false), eSuccess);
    EXPECT_FALSE(thumb->IsVisible());
}

TEST_F(UpdaterWindow, EscapeGivesTheWindowBackItsOpeningSize)
{
    const gCRect opened = gMainWindow->GetBounds();
    EXPECT_EQ(backdrop->GetSavedWindowBounds(), opened);
    (void)gMainWindow->SetSizeAndPosition(opened.left + 7, opened.top + 9, 800, 300, 0);
    const gCRect moved = gMainWindow->GetBounds();
    CWidget* taker = nullptr;
    ASSERT_EQ(backdrop->DispatchKeyDownEvent(&taker, 'a'), eSuccess);
    EXPECT_EQ(taker, nullptr);
    EXPECT_EQ(gMainWindow->GetBounds().right - gMainWindow->GetBounds().left, 800);

    ASSERT_EQ(backdrop->DispatchKeyDownEvent(&taker, 27), eSuccess);
    EXPECT_EQ(taker, backdrop);
    const gCRect now = gMainWindow->GetBounds();
    EXPECT_EQ(now.right - now.left, opened.right - opened.left);
    EXPECT_EQ(now.bottom - now.top, opened.bottom - opened.top);
    EXPECT_EQ(gCPoint(now.left, now.top), gCPoint(moved.left, moved.top));
    EXPECT_EQ(backdrop->GetWidth(), opened.right - opened.left);
}

TEST_F(UpdaterWindow, PanelProgressAndInstallMessageShowInTheirWidgets)
{
    CWidget* panel = backdrop->FindWidgetById(310);
    auto* percent = dynamic_cast<CTxWidget*>(backdrop->FindWidgetById(503));
    ASSERT_NE(panel, nullptr);
    ASSERT_NE(percent, nullptr);
    EXPECT_EQ(Utf8(backdrop->GetMessageText()), "Click here to check for updates");

    EXPECT_EQ(app.OnCommand(kPNUSetMessagePanel, 0, 0, 1), 0u);
    EXPECT_EQ(panel->GetOpacity(), 100);
    EXPECT_EQ(app.OnCommand(kPNUMessagePanelOn, 0, 0, 1), 0u);
    EXPECT_EQ(panel->GetOpacity(), 255);

    EXPECT_FALSE(percent->IsVisible());
    EXPECT_EQ(app.OnCommand(kPNUProgress, 0, 42, 1), 0u);
    EXPECT_TRUE(percent->IsVisible());
    EXPECT_EQ(Utf8(backdrop->GetPercentText()), "42%");
    EXPECT_TRUE(backdrop->FindWidgetById(504)->IsVisible());

    ASSERT_EQ(backdrop->ShowInstallMessage(), eSuccess);
    EXPECT_FALSE(percent->IsVisible());
    EXPECT_EQ(backdrop->GetMessageKind(), CPintrelUpdaterBackdrop::kMessageInstall);
    EXPECT_EQ(Utf8(backdrop->GetMessageText()), "Click here to install the update");
}

TEST_F(UpdaterWindow, TheWebLinkOpensTheProductPageOrSaysItCannot)
{
    plat::RecordingLauncher launcher;
    std::vector<std::string>& opened = launcher.urls;
    bool& opens = launcher.answer;
    plat::SetLauncher(&launcher);
    CWidget* link = backdrop->FindWidgetById(401);
    ASSERT_NE(link, nullptr);
    // Centred under the title, with its underline just below it.
    EXPECT_EQ(link->GetRect().left, 165 - link->GetWidth() / 2);
    CWidget* underline = backdrop->FindWidgetById(402);
    EXPECT_EQ(underline->GetRect().top, link->GetRect().bottom - 2);
    EXPECT_EQ(underline->GetWidth(), link->GetWidth());

    const int32_t lines = backdrop->GetStatusRowCount();
    PointAt(link, 3, 3);
    CWidget* taker = nullptr;
    ASSERT_EQ(backdrop->DispatchLButtonDownEvent(&taker, link->LocalToRoot(gCPoint(3, 3))), eSuccess);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(backdrop->GetStatusRowCount(), lines);

    opens = false;
    ASSERT_EQ(backdrop->OpenWebPage(), eSuccess);
    EXPECT_EQ(backdrop->GetStatusRowCount(), lines + 1);
}

TEST_F(UpdaterWindow, ADownloadPageThatCannotBeOpenedIsNamedInARedLine)
{
    plat::RecordingLauncher launcher;
    launcher.answer = false;
    plat::SetLauncher(&launcher);
    struct sCase {
        const char* url;
        plat::eLaunchResult failure;
        const char* line;
    };
    const sCase cases[] = {
        {"http://127.0.0.1/pintrel2/download.html", plat::eLaunchResult::kNoOpener,
         "No program on this computer could open the page http://127.0.0.1/pintrel2/download.html."},
        {"https://127.0.0.1/d", plat::eLaunchResult::kFailed, "The page https://127.0.0.1/d could not be opened."},
        // Never handed over: only web pages are opened.
        {"file:///etc/passwd", plat::eLaunchResult::kOk, "The page file:///etc/passwd could not be opened."},
    };
    for (const sCase& c : cases) {
        SCOPED_TRACE(c.url);
        launcher.urlFailure = c.failure;
        ASSERT_EQ(backdrop->ShowURLMessage(gCString("Download it by hand."), gCString(c.url)), eSuccess);
        EXPECT_EQ(backdrop->OpenMessageURL(), eSuccess);
        EXPECT_EQ(Shown(*backdrop).back(), (sShownLine{c.line, kStatusRed}));
        EXPECT_TRUE(Alerts().empty());
    }
    EXPECT_EQ(launcher.urls.size(), 2u);
}

class UpdaterWindowLanguages : public UpdaterTest {};

TEST_F(UpdaterWindowLanguages, TheCaptionShrinksOnlyForTheThirdLanguageBlock)
{
    const std::pair<const char*, float> cases[] = {{"English", 16.0f}, {"Deutsch", 16.0f}, {"Français", 18.0f}};
    for (const auto& [language, size] : cases) {
        SCOPED_TRACE(language);
        WriteSettings(language);
        CPintrelUpdaterApp app;
        ASSERT_EQ(Start(app, gCString("")), eSuccess);
        auto* caption = dynamic_cast<CTxWidget*>(app.GetBackdrop()->FindWidgetById(313));
        ASSERT_NE(caption, nullptr);
        EXPECT_FLOAT_EQ(caption->GetFontPointSize(), size);
        TearDown();
        SetUp();
    }
}

// A hand on the mouse: the button held for a number of polls while the pointer moves down
// 3 pixels per poll, then released. A hand `ahead` moved that many steps before the program
// first looked (a press handled late).
class DraggingHand final : public plat::InputState {
public:
    DraggingHand(plat::sPoint start, int32_t polls, int32_t ahead = 0) : mStart(start), mPolls(polls), mAhead(ahead) {}
    uint32_t GetButtons() override { return mPolled++ < mPolls ? uint32_t(plat::kButtonStatePrimary) : 0u; }
    uint32_t GetModifiers() override { return 0; }
    bool IsKeyDown(int32_t) override { return false; }
    plat::sPoint GetPointer() override { return {mStart.x, mStart.y + 3 * std::min(mPolled + mAhead, mPolls)}; }
    void WarpPointer(plat::sPoint) override {}

private:
    plat::sPoint mStart;
    int32_t mPolls;
    int32_t mAhead;
    int32_t mPolled = 0;
};

TEST_F(UpdaterWindow, DraggingTheThumbScrollsTheTableAndTheThumbFollowsTheTable)
{
    CMLTableWidget* table = backdrop->GetStatusTable();
    CImWidget* thumb = backdrop->GetScrollThumb();
    const uint32_t black = kStatusBlack;
    for (int32_t i = 0; i < 40; ++i)
        ASSERT_EQ(backdrop->AddStatusLine(gCString("line"), &black, false), eSuccess);
    ASSERT_EQ(table->ScrollToTop(false), eSuccess);
    const int32_t usable = thumb->GetParent()->GetHeight() - 10;
    gCPoint origin = gMainWindow->GetContentOrigin();
    gCPoint grip = thumb->LocalToRoot(gCPoint(2, 2));

    DraggingHand hand({origin.x + grip.x, origin.y + grip.y}, 10);
    plat::SetInputState(&hand);
    EXPECT_EQ(backdrop->DragThumb(thumb, grip), eSuccess);
    plat::SetInputState(&input);
    EXPECT_GT(table->GetScrollOffset(), 0);
    EXPECT_EQ(thumb->GetRect().top, table->GetThumbPosition(usable, thumb->GetHeight()) + 5);
    EXPECT_EQ(backdrop->GetModalDepth(), 0);

    // The track's press moves the thumb with the pointer and scrolls on from there.
    const int32_t before = table->GetScrollOffset();
    grip = thumb->LocalToRoot(gCPoint(2, 2));
    DraggingHand again({origin.x + grip.x, origin.y + grip.y}, 10);
    plat::SetInputState(&again);
    EXPECT_EQ(CPintrelUpdaterBackdrop::OnTrackPress(reinterpret_cast<uintptr_t>(backdrop), thumb->GetParent(), nullptr,
                                                    thumb->GetParent()->RootToLocal(grip)),
              eSuccess);
    plat::SetInputState(&input);
    EXPECT_GT(table->GetScrollOffset(), before);
}

TEST_F(UpdaterWindow, ADragEndsAlikeWhenItsPressIsHandledLate)
{
    CMLTableWidget* table = backdrop->GetStatusTable();
    CImWidget* thumb = backdrop->GetScrollThumb();
    const uint32_t black = kStatusBlack;
    for (int32_t i = 0; i < 40; ++i)
        ASSERT_EQ(backdrop->AddStatusLine(gCString("line"), &black, false), eSuccess);
    const gCPoint origin = gMainWindow->GetContentOrigin();
    const struct {
        bool onTrack;
        int32_t ahead;
    } cases[] = {{false, 0}, {false, 4}, {false, 10}, {true, 0}, {true, 10}};
    int32_t onTime[2] = {};
    for (const auto& [onTrack, ahead] : cases) {
        SCOPED_TRACE(testing::Message() << (onTrack ? "track" : "thumb") << ", " << ahead << " steps ahead");
        ASSERT_EQ(table->ScrollToTop(false), eSuccess);
        ASSERT_EQ(backdrop->PositionScrollThumb(false), eSuccess);
        const gCPoint grip = thumb->LocalToRoot(gCPoint(2, 2));
        DraggingHand hand({origin.x + grip.x, origin.y + grip.y}, 10, ahead);
        plat::SetInputState(&hand);
        CWidget* taker = nullptr;
        if (onTrack)
            EXPECT_EQ(CPintrelUpdaterBackdrop::OnTrackPress(reinterpret_cast<uintptr_t>(backdrop), thumb->GetParent(),
                                                            &taker, thumb->GetParent()->RootToLocal(grip)),
                      eSuccess);
        else
            EXPECT_EQ(backdrop->DispatchLButtonDownEvent(&taker, grip), eSuccess);
        plat::SetInputState(&input);
        if (ahead == 0)
            onTime[onTrack] = table->GetScrollOffset();
        EXPECT_GT(table->GetScrollOffset(), 0);
        EXPECT_EQ(table->GetScrollOffset(), onTime[onTrack]);
    }
}

} // namespace
