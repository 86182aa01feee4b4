// Times convert_frame with each kernel set on common frame sizes, next to two
// references on the same source frame: memcpy of the frame (the floor) and, when
// it is installed, libyuv's UYVYToI420 (a peer that filters chroma across
// fields). The C interface, into planes with rows back to back and into planes
// whose rows are 64 bytes longer than the frame is wide, runs beside the
// contiguous convert_frame with the same kernels.
//
// Every frame and plane starts on a page boundary, as capture drivers map
// their frames and as allocators place large blocks: blocks that lie alike in
// their pages keep the comparisons free of one layout's chance collisions of
// addresses.

#include <chromafold/chromafold.h>
#include "lib/frame_walk.h"
#include "lib/geometry.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#ifdef CHROMAFOLD_BENCH_LIBYUV
#include <libyuv/convert.h>
#endif

namespace {

struct FreeBlock {
    void operator()(uint8_t* data) const { std::free(data); }
};
using Block = std::unique_ptr<uint8_t, FreeBlock>;

// A page-aligned block filled with a pattern that no kernel can shortcut.
Block page_block(size_t size)
{
    constexpr size_t page = 4096;
    const size_t rounded = (size + page - 1) / page * page + page;
    Block block(static_cast<uint8_t*>(std::aligned_alloc(page, rounded)));
    for (size_t i = 0; i < rounded; ++i)
        block.get()[i] = uint8_t(i * 2654435761u >> 13);
    return block;
}

void count_source_bytes(benchmark::State& state, const chromafold_geometry& g)
{
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(g.src_bytes));
}

void convert(benchmark::State& state, RowGroupKernel kernel, int32_t width, int32_t height, int32_t mode)
{
    const chromafold_geometry g = frame_geometry(width, height, mode);
    const Block src = page_block(g.src_bytes);
    const Block dst = page_block(g.dst_bytes);
    for (auto _ : state) {
        convert_frame_with(kernel, contiguous_frame_layout(g, dst.get(), src.get()));
        benchmark::DoNotOptimize(dst.get());
        benchmark::ClobberMemory();
    }
    count_source_bytes(state, g);
}

// convert_frame, with the kernels it chooses itself, on contiguous frames.
void contiguous(benchmark::State& state, int32_t width, int32_t height, int32_t mode)
{
    const chromafold_geometry g = frame_geometry(width, height, mode);
    const Block src = page_block(g.src_bytes);
    const Block dst = page_block(g.dst_bytes);
    for (auto _ : state) {
        convert_frame(g, dst.get(), src.get());
        benchmark::DoNotOptimize(dst.get());
        benchmark::ClobberMemory();
    }
    count_source_bytes(state, g);
}

// The C interface with every row of the source and of each plane `gap` bytes
// longer than its data.
void c_interface(benchmark::State& state, int32_t width, int32_t height, int32_t mode,
                 ptrdiff_t gap)
{
    chromafold_geometry g;
    chromafold_frame_geometry(width, height, mode, &g);
    const ptrdiff_t src_stride = 2 * ptrdiff_t(width) + gap;
    const ptrdiff_t y_stride = g.dst_width + gap;
    const ptrdiff_t chroma_stride = g.dst_width / 2 + gap;
    const Block src = page_block(size_t(src_stride) * size_t(height));
    const Block y = page_block(size_t(y_stride) * size_t(g.dst_height));
    const Block u = page_block(size_t(chroma_stride) * size_t(g.dst_height / 2));
    const Block v = page_block(size_t(chroma_stride) * size_t(g.dst_height / 2));
    for (auto _ : state) {
        chromafold_convert_frame(&g, src.get(), src_stride, y.get(), y_stride, u.get(),
                                 chroma_stride, v.get(), chroma_stride);
        benchmark::DoNotOptimize(y.get());
        benchmark::ClobberMemory();
    }
    count_source_bytes(state, g);
}

void copy_source(benchmark::State& state, int32_t width, int32_t height)
{
    const chromafold_geometry g = frame_geometry(width, height, CHROMAFOLD_MODE_CLIP);
    const Block src = page_block(g.src_bytes);
    const Block copy = page_block(g.src_bytes);
    for (auto _ : state) {
        std::memcpy(copy.get(), src.get(), g.src_bytes);
        benchmark::DoNotOptimize(copy.get());
        benchmark::ClobberMemory();
    }
    count_source_bytes(state, g);
}

#ifdef CHROMAFOLD_BENCH_LIBYUV
void libyuv_uyvy_to_i420(benchmark::State& state, int32_t width, int32_t height)
{
    // The same clipped output size, so both write the same number of bytes.
    const chromafold_geometry g = frame_geometry(width, height, CHROMAFOLD_MODE_CLIP);
    const Block src = page_block(g.src_bytes);
    const Block dst = page_block(g.dst_bytes);
    uint8_t* y = dst.get();
    uint8_t* u = y + size_t(g.dst_width) * size_t(g.dst_height);
    uint8_t* v = u + size_t(g.dst_width) * size_t(g.dst_height) / 4;
    for (auto _ : state) {
        libyuv::UYVYToI420(src.get(), g.src_width * 2, y, g.dst_width, u, g.dst_width / 2, v,
                           g.dst_width / 2, g.dst_width, g.dst_height);
        benchmark::DoNotOptimize(dst.get());
        benchmark::ClobberMemory();
    }
    count_source_bytes(state, g);
}
#endif

struct Size {
    const char* name;
    int32_t width, height, mode;
};

constexpr Size sizes[] = {{"720x486/clip", 720, 486, CHROMAFOLD_MODE_CLIP},
                          {"720x486/padding", 720, 486, CHROMAFOLD_MODE_PADDING},
                          {"1920x1080/clip", 1920, 1080, CHROMAFOLD_MODE_CLIP},
                          {"1920x1080/padding", 1920, 1080, CHROMAFOLD_MODE_PADDING},
                          {"3840x2160/clip", 3840, 2160, CHROMAFOLD_MODE_CLIP}};

int register_benchmarks()
{
    const KernelLadder ladder = kernel_ladder();
    for (const Size& s : sizes) {
        for (int k = 0; k < ladder.count; ++k)
            benchmark::RegisterBenchmark(
                (std::string("convert_frame/") + ladder.rungs[k].instruction_set + "/" + s.name).c_str(),
                convert, ladder.rungs[k], s.width, s.height, s.mode);
        benchmark::RegisterBenchmark((std::string("contiguous/") + s.name).c_str(), contiguous,
                                     s.width, s.height, s.mode);
        benchmark::RegisterBenchmark((std::string("c_interface_contiguous/") + s.name).c_str(),
                                     c_interface, s.width, s.height, s.mode, 0);
        benchmark::RegisterBenchmark((std::string("c_interface_strided/") + s.name).c_str(),
                                     c_interface, s.width, s.height, s.mode, 64);
        if (s.mode != CHROMAFOLD_MODE_CLIP)
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
