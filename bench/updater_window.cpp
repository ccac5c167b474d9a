// A full repaint of the updater's real window, as the program builds it from its resource file:
// the background gradient, the art stretched over the status frame, panel, track and button,
// a status table of 50 lines with its thumb, the progress bar part-way, the texts, and both parts
// of the main button glowing. The window is offscreen (headless), so the figure is the drawing
// and the copy into the window's picture.
#include "FileIO/AppBaseFolders.h"
#include "app/AppGlobals.h"
#include "app/CAppBase.h"
#include "app/CWindowBase.h"
#include "platform/InputState.h"
#include "platform/Process.h"
#include "platform/Screen.h"
#include "updater/CPintrelUpdaterApp.h"
#include "updater/CPintrelUpdaterBackdrop.h"
#include "updater/PNUMessages.h"
#include "widgets/CMLTableWidget.h"
#include "widgets/CWidgetEffectBase.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
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

} // namespace

BENCHMARK(WindowRepaint)->Unit(benchmark::kMicrosecond);
