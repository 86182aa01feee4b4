#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The raw420 frame that a UYVY frame must become, computed sample by sample
// from the definitions alone: which source rows feed which output sample. It
// shares nothing with the row walk it checks.
std::vector<uint8_t> model_frame(const std::vector<uint8_t>& src, int src_width, int src_height,
                                 int dst_width, int dst_height);

// Random bytes from a seeded generator, reproducible from the seed alone.
std::vector<uint8_t> random_bytes(uint64_t seed, size_t count);
