// Times convert_frame with each kernel set on common frame sizes, next to two
// references on the same source frame: memcpy of the frame (the floor) and, when
// it is installed, libyuv's UYVYToI420 (a peer that filters chroma across
// fields). The C interface, into planes with rows back to back and into planes
// whose rows are 64 bytes longer than the frame is wide, runs beside the
// contiguous convert_frame with the same kernels.

#include <chromafold/chromafold.h>
#include <chromafold/convert.h>
#include "convert/frame_layout.h"
#include "convert/kernel_table.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
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

// A block starting on a page boundary, as capture drivers map their frames
// and as allocators place large blocks, filled from the source pattern. Blocks
// that lie at the same offset within their pages keep the comparisons free of
// one layout's chance collisions of addresses.
struct Aligned {
    uint8_t* data;
    ~Aligned() { std::free(data); }
};

Aligned aligned_block(size_t size)
{
    constexpr size_t page = 4096;
    const size_t rounded = (size + page - 1) / page * page;
    Aligned block{static_cast<uint8_t*>(std::aligned_alloc(page, rounded ? rounded : page))};
    for (size_t i = 0; i < rounded; ++i)
        block.data[i] = uint8_t(i * 2654435761u >> 13);
    return block;
}

// The contiguous path of convert_frame, and the C interface with every row of
// the source and of each plane 0 or 64 bytes longer than its data.
void contiguous(benchmark::State& state, int32_t width, int32_t height, int32_t mode)
{
    const FrameGeometry g = frame_geometry(Settings{width, height, mode});
    const Aligned src = aligned_block(g.src_bytes);
    const Aligned dst = aligned_block(g.dst_bytes);
    for (auto _ : state) {
        convert_frame(dst.data, src.data, g.src_width, g.src_height, g.dst_width, g.dst_height);
        benchmark::DoNotOptimize(dst.data);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(g.src_bytes));
}

// Every row `gap` bytes longer than its data.
void c_interface(benchmark::State& state, int32_t width, int32_t height, int32_t mode,
                 ptrdiff_t gap)
{
    chromafold_geometry g;
    chromafold_frame_geometry(width, height, mode, &g);
    const ptrdiff_t src_stride = 2 * ptrdiff_t(width) + gap;
    const ptrdiff_t y_stride = g.dst_width + gap;
    const ptrdiff_t chroma_stride = g.dst_width / 2 + gap;
    const Aligned src = aligned_block(size_t(src_stride) * size_t(height));
    const Aligned y = aligned_block(size_t(y_stride) * size_t(g.dst_height));
    const Aligned u = aligned_block(size_t(chroma_stride) * size_t(g.dst_height / 2));
    const Aligned v = aligned_block(size_t(chroma_stride) * size_t(g.dst_height / 2));
    for (auto _ : state) {
        chromafold_convert_frame(&g, src.data, src_stride, y.data, y_stride, u.data,
                                 chroma_stride, v.data, chroma_stride);
        benchmark::DoNotOptimize(y.data);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(g.src_bytes));
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
        benchmark::RegisterBenchmark((std::string("contiguous/") + s.name).c_str(), contiguous,
                                     s.width, s.height, s.mode);
        benchmark::RegisterBenchmark((std::string("c_interface_contiguous/") + s.name).c_str(),
                                     c_interface, s.width, s.height, s.mode, 0);
        benchmark::RegisterBenchmark((std::string("c_interface_strided/") + s.name).c_str(),
                                     c_interface, s.width, s.height, s.mode, 64);
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
