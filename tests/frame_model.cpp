#include "tests/frame_model.h"

#include <algorithm>
#include <cstring>
#include <random>

namespace {

// What the model knows of each format, from its definition: how its samples
// are laid out ('u' UYVY quads U Y0 V Y1, 'y' YUY2 quads Y0 U Y1 V, 'v' v210
// groups, 'p' Y, U and V planes, 's' a Y plane and a plane of U, V pairs),
// their depth, and whether the chroma rows are halved.
struct Described {
    int32_t code;
    char layout;
    int depth;
    bool half;
};

constexpr Described described[] = {{uyvy, 'u', 8, false},    {yuy2, 'y', 8, false},    {v210, 'v', 10, false},
                                   {i422, 'p', 8, false},    {nv16, 's', 8, false},    {i422_10, 'p', 10, false},
                                   {p210, 's', 10, false},   {i420, 'p', 8, true},     {nv12, 's', 8, true},
                                   {i010, 'p', 10, true},    {p010, 's', 10, true}};

Described describe(int32_t format)
{
    for (const Described& d : described)
        if (d.code == format)
            return d;
    return {format, '?', 0, false};
}

// A frame as numbers: of each kind of sample (0 luma, 1 Cb, 2 Cr), rows of
// `width` samples or width / 2; as many chroma rows as luma rows, or half as
// many.
struct Picture {
    int width, height, depth;
    bool half;
    std::vector<int> samples[3];
    int& at(int kind, int row, int index) { return samples[kind][size_t(row) * (kind ? width / 2 : width) + index]; }
};

Picture blank(int width, int height, int depth, bool half)
{
    Picture p{width, height, depth, half, {}};
    for (int kind = 0; kind < 3; ++kind)
        p.samples[kind].resize(size_t(kind ? width / 2 : width) * (kind && half ? height / 2 : height));
    return p;
}

// Visits every sample of a contiguous frame: `visit(word, bytes, shift, kind,
// row, index)`, where the sample lies at bit `shift` of the little-endian word
// of `bytes` bytes at `word`, kind is 0 for luma, 1 for Cb and 2 for Cr, and
// index the pixel or the pixel pair.
template <typename Visit>
void each_sample(const Described& d, int width, int height, uint8_t* frame, Visit visit)
{
    if (d.layout == 'u' || d.layout == 'y') {
        // The kind of each byte of a quad.
        const int kinds[2][4] = {{1, 0, 2, 0}, {0, 1, 0, 2}};
        for (int row = 0; row < height; ++row)
            for (int i = 0; i < width / 2; ++i)
                for (int b = 0; b < 4; ++b) {
                    const int kind = kinds[d.layout == 'y'][b];
                    visit(frame + (size_t(row) * width + 2 * i) * 2 + b, 1, 0, kind, row, kind ? i : 2 * i + b / 2);
                }
        return;
    }
    if (d.layout == 'v') {
        // Six pixels in four words, three samples to a word in bits 0-9,
        // 10-19 and 20-29: Cb0 Y0 Cr0 Y1 Cb1 Y2 Cr1 Y3 Cb2 Y4 Cr2 Y5.
        const size_t row_bytes = size_t(width + 47) / 48 * 128;
        for (int row = 0; row < height; ++row)
            for (int x = 0; x < width; x += 6)
                for (int n = 0; n < 12; ++n) {
                    const bool luma = n % 2 == 1;
                    const int pixel = luma ? x + n / 2 : x + n / 4 * 2;
                    if (pixel < width)
                        visit(frame + row * row_bytes + size_t(x) / 6 * 16 + size_t(n / 3) * 4, 4, 10 * (n % 3),
                              luma ? 0 : 1 + n / 2 % 2, row, luma ? pixel : pixel / 2);
                }
        return;
    }
    // A 10-bit word holds its sample in bits 0-9 of a planar layout, 6-15 of a
    // semi-planar one.
    const int bytes = d.depth > 8 ? 2 : 1, shift = d.layout == 's' && bytes == 2 ? 6 : 0;
    const int chroma_rows = d.half ? height / 2 : height;
    for (int row = 0; row < height; ++row)
        for (int x = 0; x < width; ++x)
            visit(frame + (size_t(row) * width + x) * bytes, bytes, shift, 0, row, x);
    uint8_t* plane = frame + size_t(width) * height * bytes;
    const int chroma_width = d.layout == 's' ? width : width / 2;
    for (int k = 1; k <= (d.layout == 's' ? 1 : 2); ++k, plane += size_t(chroma_width) * chroma_rows * bytes)
        for (int row = 0; row < chroma_rows; ++row)
            for (int x = 0; x < chroma_width; ++x)
                visit(plane + (size_t(row) * chroma_width + x) * bytes, bytes, shift, d.layout == 's' ? 1 + x % 2 : k,
                      row, d.layout == 's' ? x / 2 : x);
}

Picture unpack(const Described& d, std::vector<uint8_t> frame, int width, int height)
{
    Picture p = blank(width, height, d.depth, d.half);
    each_sample(d, width, height, frame.data(), [&](uint8_t* at, int bytes, int shift, int kind, int row, int index) {
        uint32_t word = 0;
        for (int b = 0; b < bytes; ++b)
            word |= uint32_t(at[b]) << (8 * b);
        p.at(kind, row, index) = int(word >> shift & ((1u << d.depth) - 1));
    });
    return p;
}

std::vector<uint8_t> pack(const Described& d, Picture& p)
{
    std::vector<uint8_t> frame(frame_bytes(d.code, p.width, p.height));
    each_sample(d, p.width, p.height, frame.data(), [&](uint8_t* at, int bytes, int shift, int kind, int row, int index) {
        const uint32_t bits = uint32_t(p.at(kind, row, index)) << shift;
        for (int b = 0; b < bytes; ++b)
            at[b] |= uint8_t(bits >> (8 * b));
    });
    return frame;
}

// The weighted mean `sum / weights` of samples of `from` bits as a sample of
// `to` bits: the exact value, rounded to nearest, halves up, and no more than
// the largest sample.
int rounded(long sum, long weights, int from, int to)
{
    const long numerator = sum << to, denominator = weights << from;
    return int(std::min((1L << to) - 1, (2 * numerator + denominator) / (2 * denominator)));
}

int black(int depth)
{
    return depth > 8 ? 64 : 16;
}

int neutral(int depth)
{
    return depth > 8 ? 512 : 128;
}

// 4:2:2 into 4:2:0. Interlaced, chroma row 2g of the output belongs to the top
// field and lies a quarter of the way from source row 4g to row 4g+2; chroma
// row 2g+1 to the bottom field, three quarters of the way from row 4g+1 to row
// 4g+3: weights 3 and 1 by nearness. Progressive, chroma row k is the mean of
// rows 2k and 2k+1. A sample beyond the source is neutral chroma or black luma.
Picture fold(Picture& in, const Described& out, int scan, const chromafold_geometry& g)
{
    Picture p = blank(g.dst_width, g.dst_height, out.depth, true);
    const auto inside = [&](int row, int x) { return row < g.src_height && x < g.src_width; };
    for (int row = 0; row < g.dst_height; ++row)
        for (int x = 0; x < g.dst_width; ++x)
            p.at(0, row, x) = inside(row, x) ? rounded(in.at(0, row, x), 1, in.depth, out.depth) : black(out.depth);
    for (int k = 0; k < g.dst_height / 2; ++k) {
        const int rows[2] = {scan == CHROMAFOLD_SCAN_PROGRESSIVE ? 2 * k : k % 2 ? 2 * k - 1 : 2 * k,
                             scan == CHROMAFOLD_SCAN_PROGRESSIVE ? 2 * k + 1 : k % 2 ? 2 * k + 1 : 2 * k + 2};
        const int weights[2] = {scan == CHROMAFOLD_SCAN_PROGRESSIVE ? 2 : k % 2 ? 1 : 3,
                                scan == CHROMAFOLD_SCAN_PROGRESSIVE ? 2 : k % 2 ? 3 : 1};
        for (int i = 0; i < p.width / 2; ++i)
            for (int c = 0; c < 2; ++c) {
                long sum = 0;
                for (int j = 0; j < 2; ++j)
                    sum += weights[j] * (inside(rows[j], 2 * i) ? in.at(1 + c, rows[j], i) : neutral(in.depth));
                p.at(1 + c, k, i) = rounded(sum, 4, in.depth, out.depth);
            }
    }
    return p;
}

// 4:2:0 back into 4:2:2. Interlaced, each field's lines l are frame rows 2l +
// f (f 0 for the top field, 1 for the bottom one) and its chroma rows c[m]
// frame chroma rows 2m + f; MPEG-2 sites the top field's c[m] at field line
// 2m + 1/4 and the bottom field's at 2m + 3/4. Progressive, chroma row k lies
// at row 2k + 1/2. Every line takes the linear interpolation between the two
// chroma rows around its position, and the nearest one beyond the outer ones.
Picture unfold(Picture& in, const Described& out, int scan, const chromafold_geometry& g)
{
    Picture p = blank(g.dst_width, g.dst_height, out.depth, false);
    const bool interlaced = scan == CHROMAFOLD_SCAN_INTERLACED;
    for (int row = 0; row < g.dst_height; ++row)
        for (int x = 0; x < g.dst_width; ++x) {
            const bool inside = row < g.src_height && x < g.src_width;
            p.at(0, row, x) = inside ? rounded(in.at(0, row, x), 1, in.depth, out.depth) : black(out.depth);
            if (x % 2)
                continue;
            if (!inside) {
                p.at(1, row, x / 2) = p.at(2, row, x / 2) = neutral(out.depth);
                continue;
            }
            const int field = interlaced ? row % 2 : 0, runs = interlaced ? 2 : 1;
            // Positions in quarters of a line of the run: line l at 4l, chroma
            // row m at 8m + 1 (top field), 8m + 3 (bottom field) or 8m + 2
            // (a picture).
            const int at = 4 * (row / runs), first = interlaced ? 1 + 2 * field : 2;
            const int last = g.src_height / runs / 2 - 1;
            int m = 0, toward_next = 0; // of eight, the weight of chroma row m + 1
            if (at > first) {
                m = std::min((at - first) / 8, last);
                toward_next = m == last ? 0 : at - (8 * m + first);
            }
            for (int c = 1; c <= 2; ++c) {
                const long sum = long(in.at(c, m * runs + field, x / 2)) * (8 - toward_next) +
                                 long(in.at(c, std::min(m + 1, last) * runs + field, x / 2)) * toward_next;
                p.at(c, row, x / 2) = rounded(sum, 8, in.depth, out.depth);
            }
        }
    return p;
}

} // namespace

int32_t model_planes(int32_t format)
{
    const Described d = describe(format);
    return d.layout == 'p' ? 3 : d.layout == 's' ? 2 : 1;
}

size_t model_row_bytes(int32_t format, int plane, int32_t width)
{
    const Described d = describe(format);
    if (plane >= model_planes(format))
        return 0;
    if (d.layout == 'v')
        return size_t(width + 47) / 48 * 128;
    if (d.layout == 'u' || d.layout == 'y')
        return 2 * size_t(width);
    return size_t(plane == 0 || d.layout == 's' ? width : width / 2) * (d.depth > 8 ? 2 : 1);
}

int32_t model_rows(int32_t format, int plane, int32_t height)
{
    return plane >= model_planes(format) ? 0 : plane > 0 && describe(format).half ? height / 2 : height;
}

size_t bytes_holding(int32_t format, int plane, int32_t width)
{
    return format == v210 ? size_t(width + 5) / 6 * 16 : model_row_bytes(format, plane, width);
}

size_t frame_bytes(int32_t format, int32_t width, int32_t height)
{
    size_t bytes = 0;
    for (int p = 0; p < 3; ++p)
        bytes += model_row_bytes(format, p, width) * size_t(model_rows(format, p, height));
    return bytes;
}

std::vector<uint8_t> model_frame(int32_t source, int32_t output, int32_t scan, const std::vector<uint8_t>& src,
                                 const chromafold_geometry& g)
{
    Picture in = unpack(describe(source), src, g.src_width, g.src_height);
    Picture out = describe(source).half ? unfold(in, describe(output), scan, g) : fold(in, describe(output), scan, g);
    return pack(describe(output), out);
}

std::array<int32_t, 3> rows_read(int32_t source, int32_t scan, const chromafold_geometry& g)
{
    const int32_t taken = std::min(g.src_height, g.dst_height);
    // The last row within a clipped output is a line 2j+1 of its run, whose
    // chroma rows are j and j + 1.
    const int32_t chroma = !describe(source).half ? taken
                           : taken == 0          ? 0
                                                 : std::min(taken / 2 + (scan == CHROMAFOLD_SCAN_INTERLACED ? 2 : 1),
                                                            g.src_height / 2);
    return {taken, chroma, chroma};
}

std::vector<uint8_t> random_bytes(uint64_t seed, size_t count)
{
    std::mt19937_64 generator(seed);
    std::vector<uint8_t> bytes(count);
    for (auto& byte : bytes)
        byte = uint8_t(generator());
    return bytes;
}

chromafold_source_planes StridedSource::planes() const
{
    chromafold_source_planes p{};
    for (int k = 0; k < 3; ++k)
        if (!block[k].empty())
            p.data[k] = block[k].data(), p.stride[k] = stride[k];
    return p;
}

StridedSource strided_source(int32_t format, const std::vector<uint8_t>& frame, int32_t frame_width,
                             int32_t frame_height, const int32_t rows[3], int32_t width, const ptrdiff_t extra[3])
{
    StridedSource s{};
    const uint8_t* plane = frame.data();
    for (int p = 0; p < model_planes(format); ++p) {
        const ptrdiff_t row = ptrdiff_t(model_row_bytes(format, p, frame_width));
        s.stride[p] = std::max(row + extra[p], row);
        // A plane of no rows read is still somewhere.
        s.block[p].assign(rows[p] ? size_t(s.stride[p] * (rows[p] - 1)) + bytes_holding(format, p, width) : 1, 0xA5);
        for (int32_t r = 0; r < rows[p]; ++r)
            std::memcpy(s.block[p].data() + r * s.stride[p], plane + r * row,
                        size_t(r + 1 < rows[p] ? row : ptrdiff_t(s.block[p].size()) - r * s.stride[p]));
        plane += row * model_rows(format, p, frame_height);
    }
    return s;
}

StridedPlanes strided_planes(int32_t format, int32_t width, int32_t height, const ptrdiff_t extra[3], uint8_t fill)
{
    constexpr ptrdiff_t guard = 32;
    StridedPlanes planes{};
    planes.fill = fill;
    planes.count = model_planes(format);
    ptrdiff_t end = 0;
    for (int p = 0; p < 3; ++p) {
        planes.length[p] = ptrdiff_t(model_row_bytes(format, p, width));
        planes.rows[p] = model_rows(format, p, height);
        planes.stride[p] = p < planes.count ? planes.length[p] + extra[p] : 0;
        planes.offset[p] = end + guard;
        end = planes.offset[p] + std::max(planes.stride[p], planes.length[p]) * planes.rows[p];
    }
    planes.block.assign(size_t(end + guard), fill);
    return planes;
}

std::string check_planes(const StridedPlanes& planes, const std::vector<uint8_t>& frame)
{
    std::vector<uint8_t> expected(planes.block.size(), planes.fill);
    size_t from = 0;
    for (int p = 0; p < 3; ++p)
        for (int32_t r = 0; r < planes.rows[p]; ++r, from += size_t(planes.length[p]))
            std::copy_n(frame.data() + from, planes.length[p], expected.data() + planes.offset[p] + r * planes.stride[p]);
    if (from != frame.size())
        return "the planes hold " + std::to_string(from) + " bytes, the frame " + std::to_string(frame.size());
    const auto differ = std::mismatch(expected.begin(), expected.end(), planes.block.begin());
    const ptrdiff_t at = differ.first - expected.begin();
    return at == ptrdiff_t(expected.size()) ? "" : "byte " + std::to_string(at) + " of the block (planes from " +
        std::to_string(planes.offset[1]) + " and " + std::to_string(planes.offset[2]) + " on): got " +
        std::to_string(*differ.second) + ", want " + std::to_string(*differ.first);
}
