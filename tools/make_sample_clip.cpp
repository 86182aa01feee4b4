// Writes an interlaced UYVY test clip: colour bars scrolling sideways and a box
// bouncing up and down. The two fields of a frame are sampled half a frame
// apart, as an interlaced camera samples them, so every moving edge differs
// between the even and the odd rows.
//
// usage: make_sample_clip output.yuv [width height frames]

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct Colour {
    uint8_t y, u, v;
};

// 75% colour bars in studio-range BT.601: white, yellow, cyan, green, magenta,
// red, blue, black.
constexpr Colour bars[] = {{180, 128, 128}, {162, 44, 142}, {131, 156, 44}, {112, 72, 58},
                           {84, 184, 198},  {65, 100, 212}, {35, 212, 114}, {16, 128, 128}};
constexpr Colour box = {235, 128, 128};

// The colour at pixel (x, row) at `instant`, counted in fields.
Colour colour_at(int x, int row, int instant, int width, int height)
{
    const int box_size = height / 6 > 2 ? height / 6 : 2;
    const int travel = height - box_size > 1 ? height - box_size : 1;
    const int phase = (instant * 3) % (2 * travel);
    const int box_top = phase < travel ? phase : 2 * travel - phase;
    const int box_left = width / 2 - box_size / 2;
    if (row >= box_top && row < box_top + box_size && x >= box_left && x < box_left + box_size)
        return box;
    const int bar_width = width / 8 > 0 ? width / 8 : 1;
    const int shifted = (x + instant * 4) % (8 * bar_width);
    return bars[shifted / bar_width];
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2 && argc != 5) {
        std::fprintf(stderr, "usage: make_sample_clip output.yuv [width height frames]\n");
        return 1;
    }
    const int width = argc == 5 ? std::atoi(argv[2]) : 720;
    const int height = argc == 5 ? std::atoi(argv[3]) : 486;
    const int frames = argc == 5 ? std::atoi(argv[4]) : 90;
    if (width < 2 || width % 2 != 0 || height < 1 || frames < 0) {
        std::fprintf(stderr, "make_sample_clip: width must be even and positive, height positive\n");
        return 1;
    }
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    std::vector<uint8_t> frame(size_t(width) * size_t(height) * 2);
    for (int f = 0; f < frames; ++f) {
        for (int row = 0; row < height; ++row) {
            // The bottom field is sampled half a frame after the top field.
            const int instant = 2 * f + (row & 1);
            uint8_t* quad = frame.data() + size_t(row) * size_t(width) * 2;
            for (int x = 0; x < width; x += 2, quad += 4) {
                const Colour left = colour_at(x, row, instant, width, height);
                const Colour right = colour_at(x + 1, row, instant, width, height);
                quad[0] = uint8_t((left.u + right.u + 1) / 2);
                quad[1] = left.y;
                quad[2] = uint8_t((left.v + right.v + 1) / 2);
                quad[3] = right.y;
            }
        }
        if (std::fwrite(frame.data(), 1, frame.size(), out) != frame.size()) {
            std::perror(argv[1]);
            std::fclose(out);
            return 1;
        }
    }
    if (std::fclose(out) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
