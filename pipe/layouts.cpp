#include "pipe/layouts.h"

namespace {

constexpr PipeLayout layouts[] = {
    {"uyvy", CHROMAFOLD_FORMAT_UYVY, false, false, nullptr},
    {"yuy2", CHROMAFOLD_FORMAT_YUY2, false, false, nullptr},
    {"v210", CHROMAFOLD_FORMAT_V210, false, true, nullptr},
    {"i422", CHROMAFOLD_FORMAT_I422, false, false, "422"},
    {"nv16", CHROMAFOLD_FORMAT_NV16, false, false, nullptr},
    {"i422_10", CHROMAFOLD_FORMAT_I422_10, false, true, "422p10"},
    {"p210", CHROMAFOLD_FORMAT_P210, false, true, nullptr},
    {"i420", CHROMAFOLD_FORMAT_I420, true, false, "420mpeg2"},
    {"nv12", CHROMAFOLD_FORMAT_NV12, true, false, nullptr},
    {"i010", CHROMAFOLD_FORMAT_I010, true, true, "420p10"},
    {"p010", CHROMAFOLD_FORMAT_P010, true, true, nullptr},
};

} // namespace

const PipeLayout* layout_named(std::string_view name)
{
    for (const PipeLayout& l : layouts)
        if (name == l.name)
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

const PipeLayout& planar_counterpart(const PipeLayout& layout)
{
    const char* name = layout.subsampled ? layout.ten_bit ? "i422_10" : "i422" : layout.ten_bit ? "i010" : "i420";
    return *layout_named(name);
}

std::string layout_names(bool subsampled)
{
    std::string names;
    for (const PipeLayout& l : layouts)
        if (l.subsampled == subsampled)
            names += (names.empty() ? "" : ", ") + std::string(l.name);
    const size_t last = names.rfind(", ");
    return last == std::string::npos ? names : names.replace(last, 2, " or ");
}

FramePlanes contiguous_frame(const PipeLayout& layout, int32_t width, int32_t height)
{
    FramePlanes f{};
    for (int32_t p = 0; p < 3; ++p) {
        const uint64_t rows = uint64_t(p > 0 && layout.subsampled ? height / 2 : height);
        f.offset[p] = f.bytes;
        f.stride[p] = ptrdiff_t(chromafold_row_bytes(layout.code, p, width));
        f.bytes += rows * uint64_t(f.stride[p]);
    }
    return f;
}
