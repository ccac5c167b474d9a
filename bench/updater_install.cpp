// Installing a package of 500 files: into a folder that holds the previous 500 (the whole
// install per iteration, and the time per file), into a fresh folder beside rsync -a and sync of
// the same files (rsync too writes each file beside its name and renames it), and ten installs in
// a row into one folder, the first against the tenth. Also the memory holding and installing a
// downloaded package takes beyond the idle process: at its peak, and still resident once it ended.
#include "../tools/pnupack/PNUArchiveWriter.h"

#include "FileIO/gCMemFile.h"
#include "updater/install/CPNUDesquasher.h"
#include "updater/install/CPNUInstallServices.h"
#include "updater/CPNUStatusTarget.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
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
    eResultCode SetProgress(float, bool) override { return eSuccess; }
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

std::vector<sPackageFile> MakeFiles()
{
    std::mt19937 random(5);
    std::vector<sPackageFile> files(kFileCount);
    for (int i = 0; i < kFileCount; ++i) {
        sPackageFile& file = files[size_t(i)];
        file.name = "/Pintrel 2.app/Contents/Resources/data" + std::to_string(i / 50) + "/file" + std::to_string(i) + ".dat";
        file.data.resize(kFileSize);
        // Half repetitive, half random, like the program's own data files.
        for (size_t b = 0; b < kFileSize; ++b)
            file.data[b] = b < kFileSize / 2 ? uint8_t(b / 64) : uint8_t(random());
    }
    return files;
}

std::vector<uint8_t> MakePackage()
{
    PNUArchiveWriter writer;
    for (const sPackageFile& file : MakeFiles())
        writer.AddFile(file);
    std::vector<uint8_t> package;
    if (!writer.BuildPackage(package))
        package.clear();
    return package;
}

// One whole install from a held copy of the package; its milliseconds, or a negative value when
// it failed.
double TimedInstall(QuietHost& host, const std::vector<uint8_t>& package)
{
    const auto start = std::chrono::steady_clock::now();
    CPNUDesquasher installer(&host, &host);
    gCMemFile stream;
    if (stream.Write(package.data(), int32_t(package.size())) != eSuccess
        || installer.InstallHeldPackage(stream) != eSuccess)
        return -1;
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

std::filesystem::path FreshFolder(const std::filesystem::path& parent, int64_t number)
{
    const std::filesystem::path folder = parent / ("run" + std::to_string(number));
    std::filesystem::create_directories(folder);
    return folder;
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
        const double ms = TimedInstall(host, package);
        if (ms < 0) {
            state.SkipWithError("the install failed");
            break;
        }
        totalMs += ms;
    }
    if (state.iterations() > 0)
        state.counters["ms_per_file"] = totalMs / (double(state.iterations()) * kFileCount);
    std::filesystem::remove_all(folder);
}

// The same package into a fresh folder each time, beside rsync -a of its files into a fresh folder
// followed by sync: the installer flushes its files before it moves any into place, so the yard-
// stick flushes too. Folders are made and removed outside the timing.
void Install500FilesFresh(benchmark::State& state)
{
    const std::vector<uint8_t> package = MakePackage();
    if (package.empty()) {
        state.SkipWithError("the package could not be built");
        return;
    }
    const std::filesystem::path parent = std::filesystem::temp_directory_path() / "pnu-install-fresh";
    std::filesystem::remove_all(parent);
    int64_t runs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QuietHost host(FreshFolder(parent, runs++));
        state.ResumeTiming();
        if (TimedInstall(host, package) < 0) {
            state.SkipWithError("the install failed");
            break;
        }
    }
    std::filesystem::remove_all(parent);
}

void Rsync500FilesFresh(benchmark::State& state)
{
    if (std::system("rsync --version >/dev/null 2>&1") != 0) {
        state.SkipWithError("rsync is not installed");
        return;
    }
    const std::filesystem::path parent = std::filesystem::temp_directory_path() / "pnu-rsync-fresh";
    std::filesystem::remove_all(parent);
    const std::filesystem::path source = parent / "source";
    for (const sPackageFile& file : MakeFiles()) {
        const std::filesystem::path path = source / file.name.substr(1);
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data.data()),
                                                    std::streamsize(file.data.size()));
    }
    const std::string from = "'" + source.string() + "/'";
    int64_t runs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string to = "'" + FreshFolder(parent, runs++).string() + "/'";
        state.ResumeTiming();
        if (std::system(("rsync -a " + from + " " + to + " && sync").c_str()) != 0) {
            state.SkipWithError("rsync failed");
            break;
        }
    }
    std::filesystem::remove_all(parent);
}

// The middle value; 0 for none.
double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Ten installs in a row into one fresh folder: the first writes the files, the others each keep,
// replace and remove 500 of them. What the tenth costs against the first and the second, as the
// median over the rows: a single row is at the mercy of whatever else the machine does meanwhile.
void InstallTenInARow(benchmark::State& state)
{
    const std::vector<uint8_t> package = MakePackage();
    if (package.empty()) {
        state.SkipWithError("the package could not be built");
        return;
    }
    const std::filesystem::path parent = std::filesystem::temp_directory_path() / "pnu-install-ten";
    std::filesystem::remove_all(parent);
    std::vector<double> first, second, tenth, perFirst, perSecond;
    int64_t runs = 0;
    for (auto _ : state) {
        QuietHost host(FreshFolder(parent, runs++));
        double ms[10] = {};
        for (double& one : ms) {
            one = TimedInstall(host, package);
            if (one < 0) {
                state.SkipWithError("the install failed");
                return;
            }
        }
        first.push_back(ms[0]);
        second.push_back(ms[1]);
        tenth.push_back(ms[9]);
        perFirst.push_back(ms[9] / ms[0]);
        perSecond.push_back(ms[9] / ms[1]);
    }
    state.counters["first_ms"] = Median(first);
    state.counters["second_ms"] = Median(second);
    state.counters["tenth_ms"] = Median(tenth);
    state.counters["tenth_per_first"] = Median(perFirst);
    state.counters["tenth_per_second"] = Median(perSecond);
    std::filesystem::remove_all(parent);
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
        // Resets the peak to the current size.
        std::ofstream("/proc/self/clear_refs") << "5";
        const double before = StatusKB("VmRSS");
        // The package as the application holds it after a download.
        gCMemFile held;
        if (held.Write(package.data(), int32_t(package.size())) != eSuccess) {
            state.SkipWithError("no memory for the package");
            break;
        }
        if (installer.InstallHeldPackage(held) != eSuccess) {
            state.SkipWithError("the install failed");
            break;
        }
        peakMB = (StatusKB("VmHWM") - before) / 1024;
        residentMB = (StatusKB("VmRSS") - before) / 1024;
    }
    state.counters["package_MB"] = double(package.size()) / (1 << 20);
    // Beyond the idle process: the package is held, then given back as its archive is decoded.
    state.counters["peak_MB"] = peakMB;
    state.counters["peak_per_package"] = peakMB / (double(package.size()) / (1 << 20));
    state.counters["resident_MB_after"] = residentMB;
    std::filesystem::remove_all(folder);
}

} // namespace

BENCHMARK(InstallMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(Install500Files)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(Install500FilesFresh)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(Rsync500FilesFresh)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(InstallTenInARow)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
