#include "platform/AlertPresenter.h"
#include "platform/Clipboard.h"
#include "platform/Clock.h"
#include "platform/Cursor.h"
#include "platform/Event.h"
#include "platform/InputState.h"
#include "platform/ManualClock.h"
#include "platform/Process.h"
#include "platform/Screen.h"
#include "platform/SdlSession.h"
#include "platform/Tablet.h"
#include "platform/WorkerThreads.h"

#include <gtest/gtest.h>

#include <sched.h>

#include <thread>

namespace {

TEST(Clock, TicksAreSixtiethsAndMicrosecondsDoNotWrap)
{
    plat::ScopedManualClock clock(0);
    EXPECT_EQ(plat::TickCount(), 0u);
    clock->Advance(1000000);
    EXPECT_EQ(plat::TickCount(), 60u);
    clock->Advance(16666);
    EXPECT_EQ(plat::TickCount(), 60u);
    clock->Advance(1);
    EXPECT_EQ(plat::TickCount(), 61u);
    // 72 minutes: past the 32-bit microsecond wrap.
    clock->Advance(uint64_t(72) * 60 * 1000000);
    EXPECT_GT(plat::Microseconds(), uint64_t(UINT32_MAX));
}

TEST(Clock, SystemClockIsMonotonicAndSleepsToADeadline)
{
    uint64_t before = plat::Microseconds();
    plat::GetClock().SleepUntil(before + 20000);
    uint64_t after = plat::Microseconds();
    EXPECT_GE(after, before + 20000);
    // Taking the deadline in the wrong unit would sleep 20 s; a busy machine wakes the thread late,
    // but not by seconds.
    EXPECT_LT(after, before + 10000000);
}

TEST(Process, BundleIsTwoLevelsAboveContentsMacOS)
{
    struct sCase {
        const char* executable;
        const char* bundle;
    };
    const sCase cases[] = {
        {"/opt/x/Pintrel Updater.app/Contents/MacOS/Pintrel Updater", "/opt/x/Pintrel Updater.app"},
        {"/home/u/build/Pintrel Updater", "/home/u/build"},
        {"/Contents/MacOS/a", "/"},
        {"/a", "/"},
    };
    for (const sCase& c : cases)
        EXPECT_EQ(plat::BundlePathOfExecutable(c.executable), c.bundle) << c.executable;
    EXPECT_FALSE(plat::GetExecutablePath().empty());
    plat::FixedBundleLocation location("/tmp/Test.app/");
    plat::SetBundleLocation(&location);
    plat::sPathText bundle;
    EXPECT_EQ(plat::GetBundlePath(bundle), plat::eFileResult::kOk);
    EXPECT_EQ(bundle.path, "/tmp/Test.app");
    location.SetPath("");
    EXPECT_EQ(plat::GetBundlePath(bundle), plat::eFileResult::kNotFound);
    plat::SetBundleLocation(nullptr);
    bundle.path.clear();
    (void)plat::GetBundlePath(bundle);
    EXPECT_EQ(bundle.path, plat::BundlePathOfExecutable(plat::GetExecutablePath()));
}

TEST(Process, LaunchDocumentsAreTheArguments)
{
    char program[] = "updater", first[] = "/tmp/one.pnu", second[] = "two";
    char* argv[] = {program, first, second, nullptr};
    plat::SetCommandLine(3, argv);
    struct Documents final : plat::PathReceiver {
        std::vector<std::string> paths;
        bool TakePath(const char* path) override
        {
            paths.push_back(path);
            return paths.size() < 2;
        }
    } documents;
    // A receiver that cannot keep one ends the hand-over.
    EXPECT_EQ(plat::GetLaunchDocuments(documents), plat::eFileResult::kNoMemory);
    EXPECT_EQ(documents.paths, (std::vector<std::string>{"/tmp/one.pnu", "two"}));
    plat::SetCommandLine(1, argv);
    documents.paths.clear();
    EXPECT_EQ(plat::GetLaunchDocuments(documents), plat::eFileResult::kOk);
    EXPECT_TRUE(documents.paths.empty());
}

TEST(Headless, AlertsAreRecordedAndTheClipboardIsOurOwn)
{
    // The test harness sets PNU_HEADLESS=1.
    ASSERT_TRUE(plat::IsHeadless());
    plat::GetRecordedAlerts().Clear();
    plat::GetAlertPresenter().Show({"Error.", "Generic Failure."});
    ASSERT_EQ(plat::GetRecordedAlerts().GetAlerts().size(), 1u);
    EXPECT_EQ(plat::GetRecordedAlerts().GetAlerts()[0].title, "Error.");
    EXPECT_EQ(plat::GetRecordedAlerts().GetAlerts()[0].text, "Generic Failure.");
    plat::GetRecordedAlerts().Clear();

    plat::InProcessClipboard own;
    plat::SetClipboard(&own);
    std::string text = "unchanged";
    EXPECT_EQ(plat::GetClipboard().GetText(text), plat::eClipboardResult::kNoText);
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(plat::GetClipboard().PutText("caf\xC3\xA9"), plat::eClipboardResult::kOk);
    EXPECT_EQ(plat::GetClipboard().GetText(text), plat::eClipboardResult::kOk);
    EXPECT_EQ(text, "caf\xC3\xA9");
    plat::SetClipboard(nullptr);
}

TEST(Screen, DummyDisplayAndFixedScreens)
{
    ASSERT_EQ(plat::SdlSession::Get().StartVideo(), plat::eDisplayResult::kOk);
    plat::sRect bounds = plat::GetScreen().GetBounds(0);
    EXPECT_GT(bounds.Width(), 0);
    EXPECT_GT(bounds.Height(), 0);
    EXPECT_EQ(plat::GetScreen().GetMenuBarHeight(), 0);
    plat::FixedScreen fixed({0, 0, 1920, 1080}, 22);
    plat::SetScreen(&fixed);
    EXPECT_EQ(plat::GetScreen().GetBounds(5).Width(), 1920);
    EXPECT_EQ(plat::GetScreen().GetMenuBarHeight(), 22);
    plat::SetScreen(nullptr);
}

TEST(InputState, ManualStateAnswersWhatItHolds)
{
    plat::ManualInputState manual;
    plat::SetInputState(&manual);
    manual.buttons = plat::kButtonStatePrimary;
    manual.SetKey(53, true);
    manual.SetKey(200, true);
    EXPECT_EQ(plat::GetInputState().GetButtons(), plat::kButtonStatePrimary);
    EXPECT_TRUE(plat::GetInputState().IsKeyDown(53));
    EXPECT_FALSE(plat::GetInputState().IsKeyDown(0));
    EXPECT_FALSE(plat::GetInputState().IsKeyDown(200));
    plat::GetInputState().WarpPointer({3, 4});
    EXPECT_EQ(plat::GetInputState().GetPointer(), (plat::sPoint{3, 4}));
    plat::SetInputState(nullptr);
    // The window system's state without a key code of its own.
    EXPECT_FALSE(plat::GetInputState().IsKeyDown(200));
}

TEST(Cursor, ShownFlagFollowsTheCalls)
{
    plat::SetCursorShown(false);
    EXPECT_FALSE(plat::IsCursorShown());
    plat::InitCursor();
    plat::SetCursorShown(true);
    EXPECT_TRUE(plat::IsCursorShown());
}

TEST(Tablet, DriverQueryFindsNoDriverAtOnce)
{
    uint32_t version = 0x12345678;
    EXPECT_EQ(plat::QueryTabletDriver(&version, 4), plat::eTabletResult::kNoDriver);
    EXPECT_EQ(version, 0x12345678u);
}

} // namespace

TEST(Workers, AsManyAsTheProcessorsTheCallerMayRunOn)
{
    // A thread of its own is kept to one processor, as taskset keeps a whole process.
    uint32_t count = 0;
    std::thread pinned([&count] {
        cpu_set_t allowed;
        CPU_ZERO(&allowed);
        ASSERT_EQ(sched_getaffinity(0, sizeof allowed, &allowed), 0);
        int first = 0;
        while (!CPU_ISSET(first, &allowed))
            ++first;
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(first, &one);
        ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
        count = plat::GetWorkers().Count();
    });
    pinned.join();
    EXPECT_EQ(count, 1u);
}
