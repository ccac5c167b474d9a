// Loading a 4000 x 3000 PNG and JPEG through the toolkit (memory stream, format dispatch, image)
// against the bare libraries decoding the same bytes into a pixel buffer of the same layout.
// The files are made by this program in /tmp on first use. The ratios (toolkit / bare) follow
// the table.
#include "FileIO/gCMemFile.h"
#include "core/CMemBlock.h"
#include "imaging/CImage.h"
#include "imaging/ImageFiles.h"

#include "SummaryMain.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
const char kPngPath[] = "/tmp/pnu_bench_4000x3000.png";
const char kJpegPath[] = "/tmp/pnu_bench_4000x3000.jpg";

// A photograph-like test card: smooth gradients with some noise, partly transparent.
std::vector<uint8_t> MakeRgba()
{
    std::vector<uint8_t> rgba(size_t(kWidth) * kHeight * 4);
    uint32_t seed = 12345;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            seed = seed * 1664525u + 1013904223u;
            uint8_t* p = &rgba[(size_t(y) * kWidth + x) * 4];
            int noise = int(seed >> 28) - 8;
            p[0] = uint8_t(std::clamp(x * 255 / kWidth + noise, 0, 255));
            p[1] = uint8_t(std::clamp(y * 255 / kHeight + noise, 0, 255));
            p[2] = uint8_t(std::clamp(((x + y) / 16) % 256 + noise, 0, 255));
            p[3] = uint8_t(x < kWidth / 2 ? 255 : 128 + (y & 127));
        }
    return rgba;
}

void WritePng(const std::vector<uint8_t>& rgba)
{
    FILE* file = std::fopen(kPngPath, "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < kHeight; ++y)
        png_write_row(png, &rgba[size_t(y) * kWidth * 4]);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

void WriteJpeg(const std::vector<uint8_t>& rgba)
{
    FILE* file = std::fopen(kJpegPath, "wb");
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = kWidth;
    info.image_height = kHeight;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(size_t(kWidth) * 3);
    while (info.next_scanline < info.image_height) {
        const uint8_t* source = &rgba[size_t(info.next_scanline) * kWidth * 4];
        for (int x = 0; x < kWidth; ++x)
            std::memcpy(&row[size_t(x) * 3], source + x * 4, 3);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(file);
}

std::vector<uint8_t> ReadAll(const char* path)
{
    std::vector<uint8_t> bytes;
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return bytes;
    std::fseek(file, 0, SEEK_END);
    bytes.resize(size_t(std::ftell(file)));
    std::fseek(file, 0, SEEK_SET);
    if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size())
        bytes.clear();
    std::fclose(file);
    return bytes;
}

const std::vector<uint8_t>& FileBytes(const char* path)
{
    static std::map<std::string, std::vector<uint8_t>> files;
    auto found = files.find(path);
    if (found != files.end())
        return found->second;
    std::vector<uint8_t> bytes = ReadAll(path);
    if (bytes.empty()) {
        std::vector<uint8_t> rgba = MakeRgba();
        WritePng(rgba);
        WriteJpeg(rgba);
        bytes = ReadAll(path);
    }
    return files[path] = bytes;
}

void LoadThroughToolkit(benchmark::State& state, const char* path)
{
    const std::vector<uint8_t>& bytes = FileBytes(path);
    CMemBlock block(uint32_t(bytes.size()));
    std::memcpy(block.GetData(), bytes.data(), bytes.size());
    for (auto _ : state) {
        gCMemFile stream(&block);
        CImage image;
        if (LoadImage(stream, &image) != eSuccess)
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(image.GetWidth());
    }
}

void Png_toolkit(benchmark::State& state) { LoadThroughToolkit(state, kPngPath); }
void Jpeg_toolkit(benchmark::State& state) { LoadThroughToolkit(state, kJpegPath); }

struct sMemoryReader {
    const uint8_t* data;
    size_t left;
};

void ReadFromMemory(png_structp png, png_bytep out, size_t length)
{
    sMemoryReader* reader = static_cast<sMemoryReader*>(png_get_io_ptr(png));
    if (length > reader->left)
        png_error(png, "short");
    std::memcpy(out, reader->data, length);
    reader->data += length;
    reader->left -= length;
}

// The plain libpng way to get 0xAARRGGBB words: the same transformations, rows in one buffer.
void Png_bare(benchmark::State& state)
{
    const std::vector<uint8_t>& bytes = FileBytes(kPngPath);
    for (auto _ : state) {
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        sMemoryReader reader{bytes.data(), bytes.size()};
        png_set_read_fn(png, &reader, ReadFromMemory);
        png_read_info(png, info);
        png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
        png_set_bgr(png);
        png_set_filler(png, 255, PNG_FILLER_AFTER);
        png_read_update_info(png, info);
        std::vector<uint32_t> pixels(size_t(width) * height);
        std::vector<png_bytep> rows(height);
        for (png_uint_32 y = 0; y < height; ++y)
            rows[y] = reinterpret_cast<png_bytep>(&pixels[size_t(y) * width]);
        png_read_image(png, rows.data());
        png_read_end(png, nullptr);
        png_destroy_read_struct(&png, &info, nullptr);
        benchmark::DoNotOptimize(pixels.data());
    }
}

// The plain libjpeg way: decode from memory into RGB scanlines, packed into 32-bit words.
void Jpeg_bare(benchmark::State& state)
{
    const std::vector<uint8_t>& bytes = FileBytes(kJpegPath);
    for (auto _ : state) {
        jpeg_decompress_struct info;
        jpeg_error_mgr error;
        info.err = jpeg_std_error(&error);
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, bytes.data(), (unsigned long)bytes.size());
        jpeg_read_header(&info, TRUE);
        jpeg_start_decompress(&info);
        std::vector<uint32_t> pixels(size_t(info.output_width) * info.output_height);
        std::vector<uint8_t> row(size_t(info.output_width) * 3);
        while (info.output_scanline < info.output_height) {
            uint32_t* out = &pixels[size_t(info.output_scanline) * info.output_width];
            JSAMPROW rows[1] = {row.data()};
            jpeg_read_scanlines(&info, rows, 1);
            for (JDIMENSION x = 0; x < info.output_width; ++x)
                out[x] = 0xFF000000u | uint32_t(row[3 * x]) << 16 | uint32_t(row[3 * x + 1]) << 8 | row[3 * x + 2];
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
        benchmark::DoNotOptimize(pixels.data());
    }
}

BENCHMARK(Png_toolkit)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Png_bare)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Jpeg_toolkit)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Jpeg_bare)->Unit(benchmark::kMillisecond)->MinTime(2.0);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                mTimes[run.benchmark_name().substr(0, run.benchmark_name().find('/'))] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintSummary() const
    {
        std::printf("\ntoolkit time / bare library time (goal: at most 1.2):\n");
        for (const char* format : {"Png", "Jpeg"}) {
            auto toolkit = mTimes.find(std::string(format) + "_toolkit");
            auto bare = mTimes.find(std::string(format) + "_bare");
            if (toolkit != mTimes.end() && bare != mTimes.end() && bare->second > 0)
                std::printf("  %-6s %6.2f\n", format, toolkit->second / bare->second);
        }
    }

private:
    std::map<std::string, double> mTimes;
};

} // namespace

int main(int argc, char** argv)
{
    return RunWithSummary<RatioReporter>(argc, argv);
}
