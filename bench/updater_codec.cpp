// The package codec against zlib on real binaries: 64 MB of the system's shared objects in name
// order. Method 8 (every package's coding) decodes against zlib's inflate on the whole corpus,
// and encodes against deflate level 6 on 1, 4, 16 and 64 MB in the same run (the throughputs show
// how the cost per byte grows with the input). The first method-8 frame of the whole corpus is kept
// in /tmp, so a later encoder's frame is compared with it (same_as_kept, and the frame's hash in
// the label): a faster encoder must give the same bytes. The other methods are timed on 4 MB for
// the record. Counters give the coded sizes.
#include "core/CMemBlockT.h"
#include "updater/codec/CPNUCompressor.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t kCorpusSize = 64 << 20;

// The shared objects of the system in name order, concatenated up to the corpus size.
const Bytes& Corpus()
{
    static const Bytes corpus = [] {
        std::vector<std::filesystem::path> paths;
        for (const char* folder : {"/usr/lib/x86_64-linux-gnu", "/usr/lib"}) {
            std::error_code error;
            for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
                const std::string name = entry.path().filename().string();
                if (entry.is_regular_file(error) && !entry.is_symlink(error) && name.find(".so") != std::string::npos)
                    paths.push_back(entry.path());
            }
        }
        std::sort(paths.begin(), paths.end());
        Bytes bytes;
        for (const auto& path : paths) {
            std::ifstream file(path, std::ios::binary);
            bytes.insert(bytes.end(), std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
            if (bytes.size() >= kCorpusSize)
                break;
        }
        if (bytes.size() > kCorpusSize)
            bytes.resize(kCorpusSize);
        return bytes;
    }();
    return corpus;
}

uint64_t Checksum(const Bytes& bytes)
{
    uint64_t hash = 1469598103934665603ull;
    for (uint8_t byte : bytes)
        hash = (hash ^ byte) * 1099511628211ull;
    return hash;
}

Bytes Encode(uint32_t method, const uint8_t* data, size_t size)
{
    CMemBlockT<unsigned char> in{uint32_t(size)};
    memcpy(in.GetData(), data, size);
    CMemBlockT<unsigned char> out;
    CPNUCompressor codec;
    if (codec.CodecRun(1, method, in, out) != eSuccess)
        return {};
    return Bytes(out.GetData(), out.GetData() + out.GetSize());
}

// The corpus coded with method 8, from /tmp when an earlier run left it there.
const Bytes& CorpusFrame()
{
    static const Bytes frame = [] {
        const Bytes& corpus = Corpus();
        char name[128];
        snprintf(name, sizeof name, "/tmp/pnu-bench-codec-%zu-%016llx.m8", corpus.size(),
                 static_cast<unsigned long long>(Checksum(corpus)));
        std::ifstream cached(name, std::ios::binary);
        if (cached) {
            Bytes bytes((std::istreambuf_iterator<char>(cached)), std::istreambuf_iterator<char>());
            if (bytes.size() > 4)
                return bytes;
        }
        fprintf(stderr, "coding the %zu-byte corpus with method 8 once (kept in %s)...\n", corpus.size(), name);
        Bytes bytes = Encode(8, corpus.data(), corpus.size());
        std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    std::streamsize(bytes.size()));
        return bytes;
    }();
    return frame;
}

const Bytes& CorpusDeflated()
{
    static const Bytes deflated = [] {
        const Bytes& corpus = Corpus();
        uLongf length = compressBound(uLong(corpus.size()));
        Bytes bytes(length);
        compress2(bytes.data(), &length, corpus.data(), uLong(corpus.size()), 6);
        bytes.resize(length);
        return bytes;
    }();
    return deflated;
}

void Method8Decode(benchmark::State& state)
{
    const Bytes& corpus = Corpus();
    const Bytes& frame = CorpusFrame();
    Bytes out(corpus.size());
    for (auto _ : state) {
        if (CPNUCompressor::DecodePayload(8, frame.data() + 4, frame.size() - 4, out.data(), out.size()) != eSuccess)
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(out.data());
    }
    if (out != corpus)
        state.SkipWithError("decoded bytes differ");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(corpus.size()));
    state.counters["input"] = double(corpus.size());
    state.counters["coded"] = double(frame.size());
    state.counters["ratio"] = double(frame.size()) / double(corpus.size());
}

void ZlibInflate(benchmark::State& state)
{
    const Bytes& corpus = Corpus();
    const Bytes& deflated = CorpusDeflated();
    Bytes out(corpus.size());
    for (auto _ : state) {
        uLongf length = uLongf(out.size());
        if (uncompress(out.data(), &length, deflated.data(), uLong(deflated.size())) != Z_OK)
            state.SkipWithError("inflate failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(corpus.size()));
    state.counters["input"] = double(corpus.size());
    state.counters["coded"] = double(deflated.size());
    state.counters["ratio"] = double(deflated.size()) / double(corpus.size());
}

void Method8Encode(benchmark::State& state)
{
    const size_t size = std::min(size_t(state.range(0)) << 20, Corpus().size());
    const Bytes& corpus = Corpus();
    // Coded first, so a run that finds no kept frame keeps one before timing starts.
    const Bytes* kept = size == corpus.size() ? &CorpusFrame() : nullptr;
    // The input block is made once, as deflate's buffers are: only the coding is timed.
    CMemBlockT<unsigned char> in{uint32_t(size)};
    memcpy(in.GetData(), corpus.data(), size);
    CMemBlockT<unsigned char> out;
    for (auto _ : state) {
        CPNUCompressor codec;
        if (codec.CodecRun(1, 8, in, out) != eSuccess)
            state.SkipWithError("encode failed");
        benchmark::DoNotOptimize(out.GetData());
    }
    const Bytes frame(out.GetData(), out.GetData() + out.GetSize());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
    state.counters["coded"] = double(frame.size());
    state.counters["ratio"] = double(frame.size()) / double(size);
    if (kept) {
        state.counters["same_as_kept"] = frame == *kept ? 1 : 0;
        char label[64];
        snprintf(label, sizeof label, "frame %016llx", static_cast<unsigned long long>(Checksum(frame)));
        state.SetLabel(label);
    }
}

void ZlibDeflate6(benchmark::State& state)
{
    const size_t size = std::min(size_t(state.range(0)) << 20, Corpus().size());
    const Bytes& corpus = Corpus();
    Bytes out(compressBound(uLong(size)));
    uLongf length = 0;
    for (auto _ : state) {
        length = uLongf(out.size());
        compress2(out.data(), &length, corpus.data(), uLong(size), 6);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
    state.counters["coded"] = double(length);
    state.counters["ratio"] = double(length) / double(size);
}

// Methods 0-7 on the first 4 MB: encode, then decode of that frame.
void OtherMethodEncode(benchmark::State& state)
{
    const uint32_t method = uint32_t(state.range(0));
    const size_t size = 4 << 20;
    Bytes frame;
    for (auto _ : state) {
        frame = Encode(method, Corpus().data(), size);
        benchmark::DoNotOptimize(frame.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
    state.counters["ratio"] = double(frame.size()) / double(size);
}

void OtherMethodDecode(benchmark::State& state)
{
    const uint32_t method = uint32_t(state.range(0));
    const size_t size = 4 << 20;
    const Bytes frame = Encode(method, Corpus().data(), size);
    Bytes out(size);
    for (auto _ : state) {
        if (CPNUCompressor::DecodePayload(method, frame.data() + 4, frame.size() - 4, out.data(), size) != eSuccess)
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
}

BENCHMARK(Method8Decode)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(ZlibInflate)->Unit(benchmark::kMillisecond)->MinTime(2.0);
// Each size of the encoder next to deflate on the same bytes.
BENCHMARK(Method8Encode)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(ZlibDeflate6)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Method8Encode)->Arg(4)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(ZlibDeflate6)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Method8Encode)->Arg(16)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(ZlibDeflate6)->Arg(16)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Method8Encode)->Arg(64)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(ZlibDeflate6)->Arg(64)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(OtherMethodEncode)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);
BENCHMARK(OtherMethodDecode)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);

} // namespace
