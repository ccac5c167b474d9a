// gCString against std::u16string doing the same work: appending, comparing, searching and the
// Mac Roman conversions. After the runs a summary prints each pair's time ratio (gCString time /
// std::u16string time; above 1 means gCString is slower). The figures are a baseline, not a goal.
#include "core/CMemBlock.h"
#include "core/MacRoman.h"
#include "core/gCString.h"

#include "SummaryMain.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr int kUnits = 1000;

// Mostly ASCII with some Mac Roman letters and symbols, as in real interface text.
std::u16string MakeText(int units)
{
    const char16_t pattern[] = u"Pintrel caf\u00E9 \u2022 r\u00E9sum\u00E9 \u20AC 123 ";
    std::u16string text;
    while (int(text.size()) < units)
        text += pattern;
    text.resize(size_t(units));
    return text;
}

std::string ToMacRomanBytes(const std::u16string& text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (char16_t unit : text) {
        int32_t byte = UnicodeToMacRoman(unit);
        bytes.push_back(byte < 0 ? '?' : char(byte));
    }
    return bytes;
}

void Append_gCString(benchmark::State& state)
{
    for (auto _ : state) {
        gCString text;
        for (int i = 0; i < kUnits; ++i)
            text += char16_t(u'a' + i % 26);
        benchmark::DoNotOptimize(text.GetText());
    }
}

void Append_u16string(benchmark::State& state)
{
    for (auto _ : state) {
        std::u16string text;
        for (int i = 0; i < kUnits; ++i)
            text += char16_t(u'a' + i % 26);
        benchmark::DoNotOptimize(text.data());
    }
}

void AppendChunks_gCString(benchmark::State& state)
{
    const gCString chunk(u"0123456789abcdef");
    for (auto _ : state) {
        gCString text;
        for (int i = 0; i < kUnits / 16; ++i)
            (void)text.Append(chunk);
        benchmark::DoNotOptimize(text.GetText());
    }
}

void AppendChunks_u16string(benchmark::State& state)
{
    const std::u16string chunk(u"0123456789abcdef");
    for (auto _ : state) {
        std::u16string text;
        for (int i = 0; i < kUnits / 16; ++i)
            text += chunk;
        benchmark::DoNotOptimize(text.data());
    }
}

// gCString compares with 8-bit text, decoding it as it goes; the standard string compares with the
// same text already held as UTF-16.
void Compare_gCString(benchmark::State& state)
{
    const std::u16string units = MakeText(kUnits);
    const gCString text(units.c_str());
    const std::string bytes = ToMacRomanBytes(units);
    for (auto _ : state)
        benchmark::DoNotOptimize(text == bytes.c_str());
}

void Compare_u16string(benchmark::State& state)
{
    const std::u16string text = MakeText(kUnits);
    const std::u16string other = text;
    for (auto _ : state)
        benchmark::DoNotOptimize(text == other);
}

void Find_gCString(benchmark::State& state)
{
    const gCString text((MakeText(kUnits) + u"needle").c_str());
    const gCString pattern(u"needle");
    for (auto _ : state)
        benchmark::DoNotOptimize(text.Find(pattern));
}

void Find_u16string(benchmark::State& state)
{
    const std::u16string text = MakeText(kUnits) + u"needle";
    const std::u16string pattern(u"needle");
    for (auto _ : state)
        benchmark::DoNotOptimize(text.find(pattern));
}

void ToMacRoman_gCString(benchmark::State& state)
{
    const gCString text(MakeText(kUnits).c_str());
    for (auto _ : state)
        benchmark::DoNotOptimize(text.ToChars());
}

void ToMacRoman_u16string(benchmark::State& state)
{
    const std::u16string text = MakeText(kUnits);
    for (auto _ : state)
        benchmark::DoNotOptimize(ToMacRomanBytes(text));
}

void ToMacRomanUnbounded_gCString(benchmark::State& state)
{
    const gCString text(MakeText(kUnits).c_str());
    for (auto _ : state) {
        CMemBlock bytes;
        benchmark::DoNotOptimize(text.ToMacRoman(bytes));
        benchmark::DoNotOptimize(bytes.GetData());
    }
}

void ToMacRomanUnbounded_u16string(benchmark::State& state) { ToMacRoman_u16string(state); }

void FromMacRoman_gCString(benchmark::State& state)
{
    const std::string bytes = ToMacRomanBytes(MakeText(kUnits));
    for (auto _ : state) {
        gCString text;
        (void)text.AssignFromChars(bytes.c_str());
        benchmark::DoNotOptimize(text.GetText());
    }
}

void FromMacRoman_u16string(benchmark::State& state)
{
    const std::string bytes = ToMacRomanBytes(MakeText(kUnits));
    for (auto _ : state) {
        std::u16string text;
        text.reserve(bytes.size());
        for (char byte : bytes)
            text.push_back(MacRomanToUnicode(uint8_t(byte)));
        benchmark::DoNotOptimize(text.data());
    }
}

BENCHMARK(Append_gCString);
BENCHMARK(Append_u16string);
BENCHMARK(AppendChunks_gCString);
BENCHMARK(AppendChunks_u16string);
BENCHMARK(Compare_gCString);
BENCHMARK(Compare_u16string);
BENCHMARK(Find_gCString);
BENCHMARK(Find_u16string);
BENCHMARK(ToMacRoman_gCString);
BENCHMARK(ToMacRoman_u16string);
BENCHMARK(ToMacRomanUnbounded_gCString);
BENCHMARK(ToMacRomanUnbounded_u16string);
BENCHMARK(FromMacRoman_gCString);
BENCHMARK(FromMacRoman_u16string);

// Shows every run as usual and keeps the time per iteration of each, for the closing summary.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            std::string name = run.benchmark_name();
            size_t split = name.rfind('_');
            if (split == std::string::npos)
                continue;
            mTimes[name.substr(0, split)][name.substr(split + 1)] = run.GetAdjustedRealTime();
        }
    }

    void PrintSummary() const
    {
        std::printf("\n%-22s %14s %14s %8s\n", "work (1000 units)", "gCString ns", "u16string ns", "ratio");
        for (const auto& [work, times] : mTimes) {
            auto mine = times.find("gCString");
            auto theirs = times.find("u16string");
            if (mine == times.end() || theirs == times.end() || theirs->second <= 0.0)
                continue;
            std::printf("%-22s %14.1f %14.1f %8.2f\n", work.c_str(), mine->second, theirs->second,
                        mine->second / theirs->second);
        }
    }

private:
    std::map<std::string, std::map<std::string, double>> mTimes;
};

} // namespace

int main(int argc, char** argv)
{
    return RunWithSummary<RatioReporter>(argc, argv);
}
