// Times convert_frame with each kernel set on common frame sizes, next to two
// references on the same source frame: memcpy of the frame (the floor) and, when
// it is installed, libyuv's UYVYToI420 (a peer that filters chroma across
// fields).

#include <chromafold/convert.h>
#include "convert/frame_layout.h"
#include "convert/kernel_table.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#ifdef CHROMAFOLD_BENCH_LIBYUV
#include <libyuv/convert.h>
#endif

namespace {

struct Frames {
    FrameGeometry geometry;
    std::vector<uint8_t> src;
    std::vector<uint8_t> dst;
};

Frames make_frames(int32_t width, int32_t height, int32_t mode)
{
    Frames frames{frame_geometry(Settings{width, height, mode}), {}, {}};
    frames.src.resize(frames.geometry.src_bytes);
    for (size_t i = 0; i < frames.src.size(); ++i)
        frames.src[i] = uint8_t(i * 2654435761u >> 13);
    frames.dst.resize(frames.geometry.dst_bytes);
    return frames;
}

void count_source_bytes(benchmark::State& state, const Frames& frames)
{
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(frames.geometry.src_bytes));
}

void convert(benchmark::State& state, RowKernels kernels, int32_t width, int32_t height, int32_t mode)
{
    Frames f = make_frames(width, height, mode);
    const FrameGeometry& g = f.geometry;
    for (auto _ : state) {
        convert_frame_with(kernels, frame_layout(f.dst.data(), f.src.data(), g.src_width,
                                                 g.src_height, g.dst_width, g.dst_height));
        benchmark::DoNotOptimize(f.dst.data());
        benchmark::ClobberMemory();
    }
    count_source_bytes(state, f);
}

void copy_source(benchmark::State& state, int32_t width, int32_t height)
{
    Frames f = make_frames(width, height, mode_clip);
    std::vector<uint8_t> copy(f.src.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), f.src.data(), f.src.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    count_source_bytes(state, f);
}

#ifdef CHROMAFOLD_BENCH_LIBYUV
void libyuv_uyvy_to_i420(benchmark::State& state, int32_t width, int32_t height)
{
    // The same clipped output size, so both write the same number of bytes.
    Frames f = make_frames(width, height, mode_clip);
    const FrameGeometry& g = f.geometry;
    uint8_t* y = f.dst.data();
    uint8_t* u = y + size_t(g.dst_width) * size_t(g.dst_height);
    uint8_t* v = u + size_t(g.dst_width) * size_t(g.dst_height) / 4;
    for (auto _ : state) {
        libyuv::UYVYToI420(f.src.data(), g.src_width * 2, y, g.dst_width, u, g.dst_width / 2, v,
                           g.dst_width / 2, g.dst_width, g.dst_height);
        benchmark::DoNotOptimize(f.dst.data());
        benchmark::ClobberMemory();
    }
    count_source_bytes(state, f);
}
#endif

struct Size {
    const char* name;
    int32_t width, height, mode;
};

constexpr Size sizes[] = {{"720x486/clip", 720, 486, mode_clip},
                          {"720x486/padding", 720, 486, mode_padding},
                          {"1920x1080/clip", 1920, 1080, mode_clip},
                          {"3840x2160/clip", 3840, 2160, mode_clip}};

int register_benchmarks()
{
    const RowKernelLadder ladder = available_row_kernels();
    for (const Size& s : sizes) {
        for (int k = 0; k < ladder.count; ++k)
            benchmark::RegisterBenchmark(
                (std::string("convert_frame/") + ladder.rungs[k].name + "/" + s.name).c_str(),
                convert, ladder.rungs[k], s.width, s.height, s.mode);
        if (s.mode != mode_clip)
            continue;
        benchmark::RegisterBenchmark((std::string("memcpy_source/") + s.name).c_str(), copy_source,
                                     s.width, s.height);
#ifdef CHROMAFOLD_BENCH_LIBYUV
        benchmark::RegisterBenchmark((std::string("libyuv_UYVYToI420/") + s.name).c_str(),
                                     libyuv_uyvy_to_i420, s.width, s.height);
#endif
    }
    return 0;
}

const int registered = register_benchmarks();

} // namespace

BENCHMARK_MAIN();
