// Drawing costs side by side: the normal blend of a 640 x 240 image over another against
// pixman's OVER on the same pixels, the blur of a 640 x 240 image at radii 2, 8 and 32 (the
// cost should grow with the logarithm of the radius), and drawing a block of 71 interface texts
// (glyphs per second). A summary closes the run.
#include "imaging/BlendModes.h"
#include "imaging/Blur.h"
#include "imaging/CImNav.h"
#include "imaging/CImage.h"
#include "resources/CResourceContext.h"
#include "text/CTextRenderer.h"
#include "text/TextGamma.h"
#include "text/gCFont.h"

#include "PixmanOverAnchor.h"
#include "SummaryMain.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

namespace {

constexpr int32_t kWidth = kAnchorWidth;
constexpr int32_t kHeight = kAnchorHeight;

void Blend_Normal(benchmark::State& state)
{
    CImage source(kWidth, kHeight), base(kWidth, kHeight);
    FillRandom(source, 1, true);
    FillRandom(base, 2, false);
    for (auto _ : state) {
        eResultCode result = BlendImages(&base, &source, &base, eBlendNormal);
        benchmark::DoNotOptimize(result);
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(Blend_Normal);

#ifdef PNU_HAVE_PIXMAN
BENCHMARK(Blend_PixmanOver);
#endif

void Blur_Mask(benchmark::State& state)
{
    CImage image(kWidth, kHeight);
    FillRandom(image, 3, true);
    float radius = float(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(BlurImage(&image, radius, 0));
}
BENCHMARK(Blur_Mask)->Arg(2)->Arg(8)->Arg(32);

void Blur_ColourAlpha(benchmark::State& state)
{
    CImage image(kWidth, kHeight);
    FillRandom(image, 4, true);
    float radius = float(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(BlurImageColourAlpha(&image, radius, nullptr));
}
BENCHMARK(Blur_ColourAlpha)->Arg(2)->Arg(8)->Arg(32);

// The 71 texts of the updater's first language block, read from the string-table source beside
// the sources; the "|" fields of a text are drawn as texts of their own. Without the file, a
// few texts of the same kind stand in, repeated to 71.
std::vector<gCString> LanguageBlock()
{
    std::string source = __FILE__;
    source = source.substr(0, source.rfind("/bench/")) + "/assets/PNUpdater.mst";
    std::vector<gCString> texts;
    std::ifstream in(source);
    std::string line;
    while (std::getline(in, line)) {
        unsigned long long id = std::strtoull(line.c_str(), nullptr, 10);
        if (id < 3000000004ull || id >= 3000000004ull + 71)
            continue;
        size_t last = line.rfind('"');
        size_t first = last == std::string::npos ? last : line.rfind('"', last - 1);
        if (first == std::string::npos)
            continue;
        std::string text = line.substr(first + 1, last - first - 1);
        size_t start = 0;
        for (;;) {
            size_t bar = text.find('|', start);
            gCString field;
            (void)field.SetFromUTF8(text.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
            texts.push_back(field);
            if (bar == std::string::npos)
                break;
            start = bar + 1;
        }
    }
    if (!texts.empty())
        return texts;
    const char* samples[] = {"Pintrel Updater", "Check for Updates", "Quit", "Checking for updates...",
                             "The update server could not be reached. Please try again later."};
    for (int i = 0; i < 71; ++i)
        texts.emplace_back(samples[i % 5]);
    return texts;
}

int64_t Glyphs(const std::vector<gCString>& texts)
{
    int64_t count = 0;
    for (const gCString& text : texts)
        for (int32_t i = 0; i < text.GetLength(); ++i)
            count += text[i] != u' ';
    return count;
}

void Text_LanguageBlock(benchmark::State& state)
{
    if (InitFontLibrary() != eSuccess) {
        state.SkipWithError("no font library");
        return;
    }
    BuildTextGammaTables(1.3f);
    // The font pool of an application, without the application.
    static CResourceContext context;
    SetResourceContext(&context);
    static bool added = false;
    if (!added) {
        added = gCFont::AddFontFromPath(gCString("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"),
                                        gCString("Bench Sans"), 1) == eSuccess;
    }
    CTextRenderer renderer;
    renderer.mFontName = gCString("Bench Sans");
    renderer.mPointSize = 13.0f;
    renderer.mSubpixelPositioning = state.range(0);
    std::vector<gCString> texts = LanguageBlock();
    CImage image(kWidth, 24);
    for (auto _ : state) {
        for (const gCString& text : texts) {
            image.Clear();
            benchmark::DoNotOptimize(renderer.DrawTextInImage(text, &image));
        }
    }
    state.counters["glyphs/s"] =
        benchmark::Counter(double(Glyphs(texts)) * double(state.iterations()), benchmark::Counter::kIsRate);
}
// 0: the glyph cache serves small faces; 1: sub-pixel positioning renders every glyph afresh.
BENCHMARK(Text_LanguageBlock)->Arg(0)->Arg(1);

class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            mTimes[run.benchmark_name()] = run.GetAdjustedRealTime();
            auto glyphs = run.counters.find("glyphs/s");
            if (glyphs != run.counters.end())
                mRates[run.benchmark_name()] = glyphs->second.value;
        }
    }

    void PrintSummary() const
    {
        auto time = [&](const char* name) {
            auto found = mTimes.find(name);
            return found == mTimes.end() ? 0.0 : found->second;
        };
        std::printf("\nnormal blend 640x240: %.1f us", time("Blend_Normal") / 1000.0);
        if (time("Blend_PixmanOver") > 0.0)
            std::printf("; pixman OVER: %.1f us; ratio %.2f", time("Blend_PixmanOver") / 1000.0,
                        time("Blend_Normal") / time("Blend_PixmanOver"));
        std::printf("\n");
        for (const char* kind : {"Blur_Mask", "Blur_ColourAlpha"}) {
            double r2 = time((std::string(kind) + "/2").c_str());
            std::printf("%-17s", kind);
            for (int radius : {2, 8, 32}) {
                double t = time((std::string(kind) + "/" + std::to_string(radius)).c_str());
                std::printf("  r%-2d %8.1f us (x%.2f)", radius, t / 1000.0, r2 > 0.0 ? t / r2 : 0.0);
            }
            std::printf("\n");
        }
        for (const auto& [name, rate] : mRates)
            std::printf("%-22s %12.0f glyphs/s\n", name.c_str(), rate);
    }

private:
    std::map<std::string, double> mTimes;
    std::map<std::string, double> mRates;
};

} // namespace

int main(int argc, char** argv)
{
    return RunWithSummary<SummaryReporter>(argc, argv);
}
