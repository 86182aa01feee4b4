// Frames from fuzz input: the first five bytes choose the geometry (even
// widths 0 to 300, heights 0 to 300, either mode), the rest are the pixels,
// repeated to fill the frame. The dispatched convert_frame must equal the
// per-sample model byte for byte and touch nothing outside the frame.

#include <chromafold/convert.h>
#include "tests/frame_model.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 5)
        return 0;
    const Settings settings{int32_t(2 * ((data[0] | data[1] << 8) % 151)),
                            int32_t((data[2] | data[3] << 8) % 301), int32_t(data[4] & 1)};
    const FrameGeometry g = frame_geometry(settings);
    const uint8_t* pixels = data + 5;
    const size_t pixel_count = size - 5;

    // The source in a block of its exact size, so AddressSanitizer sees any
    // read past it; the output between guard zones that must stay as they are.
    std::vector<uint8_t> src(g.src_bytes);
    for (size_t i = 0; i < src.size() && pixel_count > 0; ++i)
        src[i] = pixels[i % pixel_count];
    std::unique_ptr<uint8_t[]> exact(new uint8_t[g.src_bytes]);
    std::copy(src.begin(), src.end(), exact.get());

    constexpr size_t guard = 64;
    const uint8_t fill = uint8_t(data[0] ^ 0x5A);
    std::vector<uint8_t> out(g.dst_bytes + 2 * guard, fill);
    convert_frame(out.data() + guard, exact.get(), g.src_width, g.src_height, g.dst_width,
                  g.dst_height);

    const std::vector<uint8_t> expected =
        model_frame(src, g.src_width, g.src_height, g.dst_width, g.dst_height);
    for (size_t i = 0; i < guard; ++i) {
        if (out[i] != fill || out[out.size() - 1 - i] != fill)
            std::abort();
    }
    if (!std::equal(expected.begin(), expected.end(), out.begin() + guard))
        std::abort();
    return 0;
}
