// A full repaint of the updater's real window, as the program builds it from its resource file:
// the background gradient, the art stretched over the status frame, panel, track and button,
// a status table of 50 lines with its thumb, the progress bar part-way, the texts, and both parts
// of the main button glowing. The window is offscreen (headless), so the figure is the drawing
// and the copy into the window's picture. pixman's OVER of a 640 x 240 image runs beside it as the
// yardstick, and a closing line gives the repaint in multiples of it.
#include "FileIO/AppBaseFolders.h"
#include "app/AppGlobals.h"
#include "app/CAppBase.h"
#include "app/CWindowBase.h"
#include "platform/InputState.h"
#include "platform/Process.h"
#include "platform/Screen.h"
#include "updater/CPintrelUpdaterApp.h"
#include "updater/window/CPintrelUpdaterBackdrop.h"
#include "updater/PNUMessages.h"
#include "widgets/CMLTableWidget.h"
#include "widgets/CWidgetEffectBase.h"

#include "PixmanOverAnchor.h"
#include "SummaryMain.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

namespace {

namespace fs = std::filesystem;

// A bundle holding the built resource files, beside a product with the demo's settings.
fs::path MakeInstallation()
{
    std::string pattern = (fs::temp_directory_path() / "pnu-bench-window.XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        return {};
    const fs::path folder = pattern;
    const fs::path built = fs::path(PNU_BINARY_DIR);
    const fs::path resources = folder / "Pintrel Updater.app/Contents/Resources";
    const fs::path product = folder / "Pintrel 2.app/Contents/Resources";
    std::error_code error;
    fs::create_directories(resources, error);
    fs::create_directories(product, error);
    for (const char* name : {"PNUpdater.msf", "PNUpdater.mrf"})
        fs::copy_file(built / "Pintrel Updater.app/Contents/Resources" / name, resources / name, error);
    fs::copy_file(built / "demo/system.msf", product / "system.msf", error);
    return error ? fs::path() : folder;
}

void WindowRepaint(benchmark::State& state)
{
    setenv("PNU_HEADLESS", "1", 1);
    const fs::path folder = MakeInstallation();
    if (folder.empty()) {
        state.SkipWithError("no installation");
        return;
    }
    plat::ManualInputState input;
    plat::FixedScreen screen{{0, 0, 1280, 1024}, 0};
    plat::SetInputState(&input);
    plat::SetScreen(&screen);
    const std::string bundle = (folder / "Pintrel Updater.app").string();
    gCString bundleText;
    (void)bundleText.SetFromUTF8(bundle);
    (void)SetAppBundleFolder(bundleText);
    plat::FixedBundleLocation bundleLocation(bundle);
    plat::SetBundleLocation(&bundleLocation);
    {
        CPintrelUpdaterApp app;
        CPintrelUpdaterBackdrop* backdrop = nullptr;
        if (app.LoadSystemResources() == eSuccess && app.Run(gCString("")) == eSuccess)
            backdrop = app.GetBackdrop();
        if (!backdrop || !backdrop->GetStatusTable()) {
            state.SkipWithError("the window did not open");
        } else {
            const uint32_t black = kStatusBlack;
            for (int32_t i = backdrop->GetStatusTable()->GetRowCount(); i < 50; ++i)
                (void)backdrop->AddStatusLine(gCString("Received response from server, download is ready to begin."),
                                              &black, false);
            (void)backdrop->SetProgress(0.42f, false);
            if (CWidget* button = backdrop->FindWidgetById(300))
                for (int32_t index : {1, 2})
                    if (CWidgetEffectBase* glow = button->GetOverEffect(index))
                        (void)glow->SetOpacity(80, false);
            (void)backdrop->Update();
            for (auto _ : state) {
                (void)backdrop->InvalidateArea({0, 0, 640, 240}, true);
                benchmark::DoNotOptimize(backdrop->GetUpdateCount());
            }
            state.counters["widgets"] = double(backdrop->CountWidgets());
        }
        gCArray<CWindowBase*>& windows = GetWindowList();
        while (windows.GetSize() > 0)
            windows[windows.GetSize() - 1]->DisposeWindow();
        gMainWindow = nullptr;
    }
    plat::SetInputState(nullptr);
    plat::SetScreen(nullptr);
    plat::SetBundleLocation(nullptr);
    ClearAppBaseFolders();
    std::error_code error;
    fs::remove_all(folder, error);
}

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        // With repetitions the median, which comes after the single runs, is the one kept.
        for (const Run& run : runs)
            if (!run.error_occurred && (run.run_type == Run::RT_Iteration || run.aggregate_name == "median"))
                mTimes[run.run_name.str()] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
    }

    void PrintSummary() const
    {
        auto window = mTimes.find("WindowRepaint"), anchor = mTimes.find("Blend_PixmanOver");
        if (window == mTimes.end() || anchor == mTimes.end() || anchor->second.first <= 0.0
            || anchor->second.second <= 0.0)
            return;
        std::printf("\nwindow repaint / pixman OVER 640x240: real %.2f, CPU %.2f\n",
                    window->second.first / anchor->second.first, window->second.second / anchor->second.second);
    }

private:
    // Real and CPU time of each benchmark, in the unit it reports.
    std::map<std::string, std::pair<double, double>> mTimes;
};

} // namespace

BENCHMARK(WindowRepaint)->Unit(benchmark::kMicrosecond);
#ifdef PNU_HAVE_PIXMAN
BENCHMARK(Blend_PixmanOver)->Unit(benchmark::kMicrosecond);
#endif

int main(int argc, char** argv)
{
    return RunWithSummary<RatioReporter>(argc, argv);
}
