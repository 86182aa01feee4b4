// Times the frame walk of every pair of formats with each kernel set that has
// a kernel for it, on common frame sizes, next to memcpy of the pair's own
// source frame (the floor) and, when it is installed, libyuv's UYVYToI420 (a
// peer that filters chroma across fields). UYVY into I420 also runs through
// convert_frame, the program's contiguous path, and through the C interface
// into planes with rows back to back and into planes whose rows are 64 bytes
// longer than the frame is wide.
//
// Every frame and plane starts on a page boundary, as capture drivers map
// their frames and as allocators place large blocks: blocks that lie alike in
// their pages keep the comparisons free of one layout's chance collisions of
// addresses.

#include <chromafold/chromafold.h>
#include "lib/frame_walk.h"
#include "lib/geometry.h"
#include "lib/kernel_ladder.h"

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

size_t source_frame_bytes(int32_t source, const chromafold_geometry& g)
{
    return chromafold_source_row_bytes(source, g.src_width) * size_t(g.src_height);
}

void count_source_bytes(benchmark::State& state, size_t bytes)
{
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

// The planes of one output frame, each in a page-aligned block of its own,
// with rows `gap` bytes longer than their samples.
struct OutputPlanes {
    Block blocks[3];
    chromafold_planes planes;
};

OutputPlanes output_planes(int32_t output, const chromafold_geometry& g, ptrdiff_t gap)
{
    OutputPlanes out;
    const ptrdiff_t bytes = sample_bytes(output);
    for (int p = 0; p < (interleaved_chroma(output) ? 2 : 3); ++p) {
        const ptrdiff_t samples = p == 0 || interleaved_chroma(output) ? g.dst_width : g.dst_width / 2;
        out.planes.stride[p] = samples * bytes + gap;
        out.blocks[p] = page_block(size_t(out.planes.stride[p]) * size_t(p ? g.dst_height / 2 : g.dst_height));
        out.planes.data[p] = out.blocks[p].get();
    }
    return out;
}

void walk(benchmark::State& state, RowGroupFunction kernel, int32_t source, int32_t output, int32_t width,
          int32_t height, int32_t mode)
{
    const chromafold_geometry g = frame_geometry(width, height, mode);
    const Block src = page_block(source_frame_bytes(source, g));
    const OutputPlanes out = output_planes(output, g, 0);
    const FrameLayout frame = frame_layout(g, source, src.get(), ptrdiff_t(chromafold_source_row_bytes(source, width)),
                                           output, out.planes);
    for (auto _ : state) {
        convert_frame_with(kernel, frame);
        benchmark::DoNotOptimize(out.blocks[0].get());
        benchmark::ClobberMemory();
    }
    count_source_bytes(state, source_frame_bytes(source, g));
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
    count_source_bytes(state, g.src_bytes);
}

// The C interface with every row of the source and of each plane `gap` bytes
// longer than its data.
void c_interface(benchmark::State& state, int32_t width, int32_t height, int32_t mode, ptrdiff_t gap)
{
    chromafold_geometry g;
    chromafold_frame_geometry(width, height, mode, &g);
    const ptrdiff_t src_stride = 2 * ptrdiff_t(width) + gap;
    const Block src = page_block(size_t(src_stride) * size_t(height));
    const OutputPlanes out = output_planes(CHROMAFOLD_OUTPUT_I420, g, gap);
    for (auto _ : state) {
        chromafold_convert(&g, CHROMAFOLD_SOURCE_UYVY, src.get(), src_stride, CHROMAFOLD_OUTPUT_I420, &out.planes);
        benchmark::DoNotOptimize(out.blocks[0].get());
        benchmark::ClobberMemory();
    }
    count_source_bytes(state, g.src_bytes);
}

void copy_source(benchmark::State& state, int32_t source, int32_t width, int32_t height)
{
    const size_t bytes = source_frame_bytes(source, frame_geometry(width, height, CHROMAFOLD_MODE_CLIP));
    const Block src = page_block(bytes);
    const Block copy = page_block(bytes);
    for (auto _ : state) {
        std::memcpy(copy.get(), src.get(), bytes);
        benchmark::DoNotOptimize(copy.get());
        benchmark::ClobberMemory();
    }
    count_source_bytes(state, bytes);
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
        libyuv::UYVYToI420(src.get(), g.src_width * 2, y, g.dst_width, u, g.dst_width / 2, v, g.dst_width / 2,
                           g.dst_width, g.dst_height);
        benchmark::DoNotOptimize(dst.get());
        benchmark::ClobberMemory();
    }
    count_source_bytes(state, g.src_bytes);
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

const char* const source_names[] = {"uyvy", "yuy2", "v210"};
const char* const output_names[] = {"i420", "nv12", "i010", "p010"};

int register_benchmarks()
{
    const KernelLadder ladder = kernel_ladder();
    for (const Size& s : sizes) {
        // Every pair at the two common sizes; UYVY into I420 at every size.
        const bool common = s.width < 3840;
        for (int32_t source = 0; source < source_formats; ++source) {
            for (int32_t output = 0; output < output_formats; ++output) {
                const std::string pair = std::string(source_names[source]) + "_" + output_names[output] + "/";
                for (int k = 0; k < ladder.count; ++k)
                    if (ladder.rungs[k].row_group[source][output] && (common || source + output == 0))
                        benchmark::RegisterBenchmark(
                            ("walk/" + pair + ladder.rungs[k].instruction_set + "/" + s.name).c_str(), walk,
                            ladder.rungs[k].row_group[source][output], source, output, s.width, s.height, s.mode);
            }
            if (s.mode == CHROMAFOLD_MODE_CLIP && (common || source == CHROMAFOLD_SOURCE_UYVY))
                benchmark::RegisterBenchmark((std::string("memcpy_source/") + source_names[source] + "/" + s.name).c_str(),
                                             copy_source, source, s.width, s.height);
        }
        benchmark::RegisterBenchmark((std::string("contiguous/") + s.name).c_str(), contiguous, s.width, s.height,
                                     s.mode);
        benchmark::RegisterBenchmark((std::string("c_interface_contiguous/") + s.name).c_str(), c_interface, s.width,
                                     s.height, s.mode, 0);
        benchmark::RegisterBenchmark((std::string("c_interface_strided/") + s.name).c_str(), c_interface, s.width,
                                     s.height, s.mode, 64);
#ifdef CHROMAFOLD_BENCH_LIBYUV
        if (s.mode == CHROMAFOLD_MODE_CLIP)
            benchmark::RegisterBenchmark((std::string("libyuv_UYVYToI420/") + s.name).c_str(), libyuv_uyvy_to_i420,
                                         s.width, s.height);
#endif
    }
    return 0;
}

const int registered = register_benchmarks();

} // namespace

BENCHMARK_MAIN();
