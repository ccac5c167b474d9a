// Installing a package of 500 files into a folder that holds the previous 500: the whole install
// (decode, index, write with fsync, keep, place, remove) per iteration, and the time per file.
// Also the memory an install of a package held in memory takes beyond the package: at its peak,
// and still resident once it has ended.
#include "../tools/pnupack/PNUArchiveWriter.h"

#include "FileIO/gCMemFile.h"
#include "updater/CPNUDesquasher.h"
#include "updater/CPNUInstallServices.h"
#include "updater/CPNUStatusTarget.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>

namespace {

constexpr int kFileCount = 500;
constexpr size_t kFileSize = 8192;

class QuietHost : public CPNUStatusTarget, public CPNUInstallServices {
public:
    explicit QuietHost(std::filesystem::path folder) : mFolder(std::move(folder)) {}

    eResultCode AddStatusLine(const gCString&, const uint32_t*, bool) override { return eSuccess; }
    eResultCode WriteLogLine(const gCString&) override { return eSuccess; }
    void SetProgress(float, bool) override {}
    void SetControlText(int32_t, const gCString&) override {}
    gCString GetText(uint32_t, int32_t) override { return gCString("text"); }
    gCString GetInstalledBuildString() override { return gCString("FULL"); }
    gCString GetInstallFolderText() override
    {
        gCString text;
        (void)text.SetFromUTF8(mFolder.string() + "/");
        return text;
    }
    void RunHeartbeat() override {}
    void Quit() override {}

private:
    std::filesystem::path mFolder;
};

std::vector<uint8_t> MakePackage()
{
    std::mt19937 random(5);
    PNUArchiveWriter writer;
    for (int i = 0; i < kFileCount; ++i) {
        sPackageFile file;
        file.name = "/Pintrel 2.app/Contents/Resources/data" + std::to_string(i / 50) + "/file" + std::to_string(i) + ".dat";
        file.data.resize(kFileSize);
        // Half repetitive, half random, like the program's own data files.
        for (size_t b = 0; b < kFileSize; ++b)
            file.data[b] = b < kFileSize / 2 ? uint8_t(b / 64) : uint8_t(random());
        writer.AddFile(file);
    }
    std::vector<uint8_t> package;
    if (!writer.BuildPackage(package))
        package.clear();
    return package;
}

void Install500Files(benchmark::State& state)
{
    const std::vector<uint8_t> package = MakePackage();
    if (package.empty()) {
        state.SkipWithError("the package could not be built");
        return;
    }
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "pnu-install-bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    QuietHost host(folder);

    double totalMs = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        CPNUDesquasher installer(&host, &host);
        gCMemFile stream;
        if (stream.Write(package.data(), int32_t(package.size())) != eSuccess
            || installer.InstallPackage(stream) != eSuccess) {
            state.SkipWithError("the install failed");
            break;
        }
        totalMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    }
    if (state.iterations() > 0)
        state.counters["ms_per_file"] = totalMs / (double(state.iterations()) * kFileCount);
    std::filesystem::remove_all(folder);
}

// A value in kB from /proc/self/status ("VmRSS", "VmHWM").
double StatusKB(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
        if (word == std::string(key) + ":") {
            double value = 0;
            status >> value;
            return value;
        }
    }
    return 0;
}

void InstallMemory(benchmark::State& state)
{
    // 48 MB of files, half of each random: a package of about 24 MB.
    std::mt19937 random(7);
    PNUArchiveWriter writer;
    constexpr size_t kLargeFile = 256 << 10;
    for (int i = 0; i < 192; ++i) {
        sPackageFile file;
        file.name = "/Pintrel 2.app/Contents/Resources/large" + std::to_string(i) + ".dat";
        file.data.resize(kLargeFile);
        for (size_t b = 0; b < kLargeFile; ++b)
            file.data[b] = b < kLargeFile / 2 ? uint8_t(b / 64) : uint8_t(random());
        writer.AddFile(file);
    }
    std::vector<uint8_t> package;
    if (!writer.BuildPackage(package)) {
        state.SkipWithError("the package could not be built");
        return;
    }
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "pnu-install-memory";
    double peakMB = 0, residentMB = 0;
    for (auto _ : state) {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        QuietHost host(folder);
        CPNUDesquasher installer(&host, &host);
        // The package as the application holds it after a download.
        gCMemFile held;
        if (held.Write(package.data(), int32_t(package.size())) != eSuccess) {
            state.SkipWithError("no memory for the package");
            break;
        }
        // Resets the peak to the current size.
        std::ofstream("/proc/self/clear_refs") << "5";
        const double before = StatusKB("VmRSS");
        if (installer.InstallPackage(held) != eSuccess) {
            state.SkipWithError("the install failed");
            break;
        }
        peakMB = (StatusKB("VmHWM") - before) / 1024;
        residentMB = (StatusKB("VmRSS") - before) / 1024;
    }
    state.counters["package_MB"] = double(package.size()) / (1 << 20);
    state.counters["peak_MB_beyond_package"] = peakMB;
    state.counters["resident_MB_after"] = residentMB;
    std::filesystem::remove_all(folder);
}

} // namespace

BENCHMARK(InstallMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(Install500Files)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
