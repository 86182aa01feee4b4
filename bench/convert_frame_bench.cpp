// Times the frame walk of every pair of formats with each kernel set that has
// a kernel for it, interlaced, at common frame sizes, next to memcpy of a frame
// of every format (a pair's floor is that of the larger of its two frames:
// the conversion reads one and writes the other) and, when it is installed, libyuv's
// UYVYToI420 (a peer that filters chroma across fields). UYVY into I420 also
// runs through the C interface, as the command runs it, into planes with rows
// back to back and into planes whose rows are 64 bytes longer than the frame
// is wide.
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

size_t frame_bytes(const Format& f, int32_t width, int32_t height)
{
    size_t bytes = 0;
    for (int32_t p = 0; p < plane_count(f); ++p)
        bytes += size_t(row_bytes(f, p, width)) * size_t(plane_rows(f, p, height));
    return bytes;
}

void count_source_bytes(benchmark::State& state, size_t bytes)
{
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

// The planes of one frame, each in a page-aligned block of its own, with rows
// `gap` bytes longer than their samples.
struct FrameBlocks {
    Block blocks[3];
    Planes planes;
};

FrameBlocks frame_blocks(const Format& f, int32_t width, int32_t height, ptrdiff_t gap)
{
    FrameBlocks out{};
    for (int32_t p = 0; p < plane_count(f); ++p) {
        out.planes.stride[p] = row_bytes(f, p, width) + gap;
        out.blocks[p] = page_block(size_t(out.planes.stride[p]) * size_t(plane_rows(f, p, height)));
        out.planes.data[p] = out.blocks[p].get();
    }
    return out;
}

chromafold_source_planes source_planes(const Planes& p)
{
    return {{p.data[0], p.data[1], p.data[2]}, {p.stride[0], p.stride[1], p.stride[2]}};
}

chromafold_planes output_planes(const Planes& p)
{
    return {{p.data[0], p.data[1], p.data[2]}, {p.stride[0], p.stride[1], p.stride[2]}};
}

void walk(benchmark::State& state, RowGroupFunction kernel, Pair pair, int32_t width, int32_t height, int32_t mode)
{
    const chromafold_geometry g = frame_geometry(width, height, mode);
    const Format source = format_info(pair.source), output = format_info(pair.output);
    const FrameBlocks src = frame_blocks(source, g.src_width, g.src_height, 0);
    const FrameBlocks dst = frame_blocks(output, g.dst_width, g.dst_height, 0);
    const FrameLayout frame = frame_layout(g, CHROMAFOLD_SCAN_INTERLACED, pair.source, source_planes(src.planes),
                                           pair.output, output_planes(dst.planes));
    for (auto _ : state) {
        convert_frame_with(kernel, frame);
        benchmark::DoNotOptimize(dst.blocks[0].get());
        benchmark::ClobberMemory();
    }
    count_source_bytes(state, frame_bytes(source, width, height));
}

// The C interface with every row of the source and of each plane `gap` bytes
// longer than its data.
void c_interface(benchmark::State& state, int32_t width, int32_t height, int32_t mode, ptrdiff_t gap)
{
    chromafold_geometry g;
    chromafold_frame_geometry(width, height, mode, &g);
    const FrameBlocks src = frame_blocks(format_info(CHROMAFOLD_FORMAT_UYVY), width, height, gap);
    const FrameBlocks dst = frame_blocks(format_info(CHROMAFOLD_FORMAT_I420), g.dst_width, g.dst_height, gap);
    const chromafold_source_planes source = source_planes(src.planes);
    const chromafold_planes planes = output_planes(dst.planes);
    for (auto _ : state) {
        chromafold_convert_planes(&g, CHROMAFOLD_SCAN_INTERLACED, CHROMAFOLD_FORMAT_UYVY, &source,
                                  CHROMAFOLD_FORMAT_I420, &planes);
        benchmark::DoNotOptimize(dst.blocks[0].get());
        benchmark::ClobberMemory();
    }
    count_source_bytes(state, g.src_bytes);
}

void copy_frame(benchmark::State& state, int32_t format, int32_t width, int32_t height)
{
    const size_t bytes = frame_bytes(format_info(format), width, height);
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

// Every pair at the two common sizes, kept; UYVY into I420 also clipped,
// padded and at 3840 x 2160.
constexpr Size sizes[] = {{"720x486/keep", 720, 486, CHROMAFOLD_MODE_KEEP},
                          {"1920x1080/keep", 1920, 1080, CHROMAFOLD_MODE_KEEP},
                          {"720x486/clip", 720, 486, CHROMAFOLD_MODE_CLIP},
                          {"1920x1080/clip", 1920, 1080, CHROMAFOLD_MODE_CLIP},
                          {"720x486/padding", 720, 486, CHROMAFOLD_MODE_PADDING},
                          {"1920x1080/padding", 1920, 1080, CHROMAFOLD_MODE_PADDING},
                          {"3840x2160/clip", 3840, 2160, CHROMAFOLD_MODE_CLIP}};

int register_benchmarks()
{
    const KernelLadder ladder = kernel_ladder();
    for (const Size& s : sizes) {
        const bool every_pair = s.mode == CHROMAFOLD_MODE_KEEP;
        for (int32_t p = 0; p < pair_count; ++p) {
            const std::string pair = std::string(format_info(pairs[p].source).name) + "_" +
                                     format_info(pairs[p].output).name + "/";
            const bool shown = every_pair || (pairs[p].source == CHROMAFOLD_FORMAT_UYVY &&
                                               pairs[p].output == CHROMAFOLD_FORMAT_I420);
            for (int k = 0; k < ladder.count && shown; ++k)
                if (ladder.rungs[k].kernel[p])
                    benchmark::RegisterBenchmark(("walk/" + pair + ladder.rungs[k].instruction_set + "/" + s.name).c_str(),
                                                 walk, ladder.rungs[k].kernel[p], pairs[p], s.width, s.height, s.mode);
        }
        for (const Format& f : formats)
            if (every_pair || (f.code == CHROMAFOLD_FORMAT_UYVY && s.mode == CHROMAFOLD_MODE_CLIP))
                benchmark::RegisterBenchmark((std::string("memcpy/") + f.name + "/" + s.name).c_str(), copy_frame,
                                             f.code, s.width, s.height);
        if (every_pair)
            continue;
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
