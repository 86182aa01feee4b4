#include "pipe/layouts.h"

namespace {

constexpr PipeLayout layouts[] = {
    {CHROMAFOLD_FORMAT_UYVY, nullptr},    {CHROMAFOLD_FORMAT_YUY2, nullptr},      {CHROMAFOLD_FORMAT_V210, nullptr},
    {CHROMAFOLD_FORMAT_I422, "422"},      {CHROMAFOLD_FORMAT_NV16, nullptr},      {CHROMAFOLD_FORMAT_I422_10, "422p10"},
    {CHROMAFOLD_FORMAT_P210, nullptr},    {CHROMAFOLD_FORMAT_I420, "420mpeg2"},   {CHROMAFOLD_FORMAT_NV12, nullptr},
    {CHROMAFOLD_FORMAT_I010, "420p10"},   {CHROMAFOLD_FORMAT_P010, nullptr},
};

} // namespace

chromafold_format_description describe(const PipeLayout& layout)
{
    chromafold_format_description d{};
    chromafold_format_info(layout.code, &d);
    return d;
}

bool subsampled(const PipeLayout& layout)
{
    return describe(layout).subsampling == 420;
}

const PipeLayout* layout_named(std::string_view name)
{
    for (const PipeLayout& l : layouts)
        if (name == describe(l).name)
            return &l;
    return nullptr;
}

const PipeLayout* layout_of_chroma(std::string_view chroma)
{
    if (chroma == "420" || chroma == "420jpeg")
        return layout_named("i420");
    for (const PipeLayout& l : layouts)
        if (l.y4m && chroma == l.y4m)
            return &l;
    return nullptr;
}

const PipeLayout& planar_counterpart(const PipeLayout& layout, int32_t depth)
{
    const chromafold_format_description from = describe(layout);
    for (const PipeLayout& l : layouts)
        if (const chromafold_format_description d = describe(l);
            d.planes == 3 && d.subsampling != from.subsampling && d.depth == (depth ? depth : from.depth))
            return l;
    return layout;
}

std::string layout_names(bool subsampled_ones)
{
    std::string names;
    for (const PipeLayout& l : layouts)
        if (subsampled(l) == subsampled_ones)
            names += (names.empty() ? "" : ", ") + std::string(describe(l).name);
    const size_t last = names.rfind(", ");
    return last == std::string::npos ? names : names.replace(last, 2, " or ");
}

FramePlanes contiguous_frame(const PipeLayout& layout, int32_t width, int32_t height)
{
    FramePlanes f{};
    for (int32_t p = 0; p < 3; ++p) {
        const uint64_t rows = uint64_t(p > 0 && subsampled(layout) ? height / 2 : height);
        f.offset[p] = f.bytes;
        f.stride[p] = ptrdiff_t(chromafold_row_bytes(layout.code, p, width));
        f.bytes += rows * uint64_t(f.stride[p]);
    }
    return f;
}
