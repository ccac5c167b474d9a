// The updater's status list: 1,000 status lines appended one by one to a multi-line table of the
// status panel's size (250 x 130 in a 640 x 240 window), each followed by a repaint, as the
// updater does for every line the engine reports. The per-line cost of the first and the last
// hundred lines shows whether it grows with the rows already there; a full repaint of the same
// window with the 1,000 lines is the yardstick.
#include "FileIO/gCMemFile.h"
#include "core/CMemBlock.h"
#include "platform/Clock.h"
#include "resources/CResourceContext.h"
#include "text/TextGamma.h"
#include "text/gCFont.h"
#include "widgets/CBackdrop.h"
#include "widgets/CMLTableWidget.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

constexpr int kLines = 1000;

class CFontSetup {
public:
    CFontSetup()
    {
        SetResourceContext(&mContext);
        ok = InitFontLibrary() == eSuccess;
        BuildTextGammaTables(1.3f);
        std::ifstream in("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        CMemBlock block(uint32_t(bytes.size() + 4));
        gCMemFile file(block);
        auto* font = new gCFont;
        ok = ok && !bytes.empty() && file.WriteULong(uint32_t(bytes.size())) == eSuccess &&
             file.Write(bytes.data(), int32_t(bytes.size())) == eSuccess && file.Rewind() == eSuccess &&
             font->LoadFromStream(file) == eSuccess;
        font->SetName(gCString(u"Helvetica"));
        ok = ok && mContext.pools[eFontPool].Add(font) == eSuccess;
    }
    bool ok = false;

private:
    CResourceContext mContext;
};

// The window: a backdrop, the status panel and the status table set up as the updater does.
struct sWindow {
    CBackdrop backdrop;
    CMLTableWidget* table = nullptr;

    sWindow()
    {
        (void)backdrop.SetSize(640, 240, false);
        backdrop.SetBackgroundColour(0xFF202840u);
        auto* panel = new CCoWidget();
        panel->SetColour(0xFFD8DCE4u, false);
        panel->SetVisible(true, false);
        (void)panel->SetPosition(336, 34, false);
        (void)panel->SetSize(270, 130, false);
        (void)backdrop.AddChild(panel, false);
        table = new CMLTableWidget();
        table->SetVisible(true, false);
        (void)table->SetPosition(10, 0, false);
        (void)table->SetSize(250, 130, false);
        CPixel clear = 0x00FFFFFFu;
        table->SetColour(clear, false);
        (void)table->SetEvenRowColour(&clear, false);
        (void)table->SetTextShadow(false);
        (void)panel->AddChild(table, false);
        backdrop.MarkWindowReady();
        (void)backdrop.Update();
    }

    void AddStatusLine(int i)
    {
        static const char* kTexts[] = {"Checking for updates...", "Connecting to update.pintrel.example",
                                       "Downloading the update package (4,180 KB): the transfer may take a few "
                                       "minutes on a slow connection",
                                       "Installing Pintrel 2.1"};
        CPixel colour = i % 7 == 0 ? 0xFFB00000u : 0xFF000000u;
        (void)table->AddRow(false);
        int32_t last = table->GetRowCount() - 1;
        (void)table->SetRowColour(last, &colour, false);
        (void)table->SetCellText(last, 0, gCString(kTexts[i % 4]), true);
        (void)table->EnsureRowVisible(last, false);
        (void)backdrop.Update();
    }
};

void StatusLines(benchmark::State& state)
{
    static CFontSetup fonts;
    if (!fonts.ok) {
        state.SkipWithError("DejaVu Sans (fonts-dejavu-core) is needed");
        return;
    }
    double first = 0.0, last = 0.0, all = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        auto* window = new sWindow();
        state.ResumeTiming();
        for (int i = 0; i < kLines; ++i) {
            uint64_t start = plat::Microseconds();
            window->AddStatusLine(i);
            double spent = double(plat::Microseconds() - start);
            all += spent;
            if (i < 100)
                first += spent;
            else if (i >= kLines - 100)
                last += spent;
        }
        state.PauseTiming();
        delete window;
        state.ResumeTiming();
    }
    double runs = double(state.iterations());
    state.counters["line_us"] = all / runs / kLines;
    state.counters["first100_line_us"] = first / runs / 100;
    state.counters["last100_line_us"] = last / runs / 100;
}

void FullRepaintWithLines(benchmark::State& state)
{
    static CFontSetup fonts;
    if (!fonts.ok) {
        state.SkipWithError("DejaVu Sans (fonts-dejavu-core) is needed");
        return;
    }
    sWindow window;
    for (int i = 0; i < kLines; ++i)
        window.AddStatusLine(i);
    for (auto _ : state) {
        (void)window.backdrop.InvalidateArea({0, 0, 640, 240}, true);
        benchmark::DoNotOptimize(window.backdrop.GetUpdateCount());
    }
}

} // namespace

BENCHMARK(StatusLines)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(FullRepaintWithLines)->Unit(benchmark::kMicrosecond);
