// A full repaint of a 640 x 240 backdrop with a gradient background and a few dozen coloured
// widgets (opaque, translucent and nested), as the updater's window repaints after a resize.
#include "imaging/CGradient.h"
#include "widgets/CBackdrop.h"
#include "widgets/CCoWidget.h"

#include <benchmark/benchmark.h>

namespace {

CCoWidget* Add(CWidget& parent, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour)
{
    auto* widget = new CCoWidget();
    widget->SetColour(colour, false);
    widget->SetVisible(true, false);
    (void)widget->SetPosition(x, y, false);
    (void)widget->SetSize(w, h, false);
    (void)parent.AddChild(widget, false);
    return widget;
}

// 40 widgets: a status panel of rows, a progress bar, a message panel with a button, and a grid
// of translucent tiles.
void Build(CBackdrop& backdrop, bool gradient)
{
    (void)backdrop.SetSize(640, 240, false);
    if (gradient) {
        CPixel top = 0xFF203040u, bottom = 0xFF8090A0u;
        backdrop.SetGradient(new CGradient(&top, &bottom));
    }
    CCoWidget* panel = Add(backdrop, 10, 10, 400, 160, 0xC0101820u);
    for (int32_t row = 0; row < 12; ++row)
        Add(*panel, 4, 4 + row * 13, 392, 12, row % 2 ? 0x40FFFFFFu : 0x20FFFFFFu);
    CCoWidget* bar = Add(backdrop, 10, 180, 400, 16, 0xFF303030u);
    Add(*bar, 1, 1, 260, 14, 0xFF40A040u);
    CCoWidget* message = Add(backdrop, 420, 10, 210, 220, 0xFFE0E0E0u);
    message->SetOpaqueBlit(true);
    Add(*message, 20, 170, 170, 36, 0xFF3060C0u);
    for (int32_t i = 0; i < 22; ++i)
        Add(backdrop, 10 + (i % 11) * 37, 200 + (i / 11) * 18, 34, 16, 0x80C08040u);
    backdrop.MarkWindowReady();
    (void)backdrop.Update();
}

void FullRepaint(benchmark::State& state)
{
    CBackdrop backdrop;
    Build(backdrop, state.range(0) != 0);
    state.counters["widgets"] = double(backdrop.CountWidgets() - 1);
    for (auto _ : state) {
        (void)backdrop.InvalidateArea({0, 0, 640, 240}, true);
        benchmark::DoNotOptimize(backdrop.GetUpdateCount());
    }
    state.counters["pixels/s"] = benchmark::Counter(double(640 * 240) * double(state.iterations()),
                                                    benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(FullRepaint)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
