#pragma once

#include <cstdint>

// Reads until `size` bytes have arrived, the source ends, or an error occurs:
// pipes and terminals deliver data in pieces, and no system moves gigabytes in
// one call. Returns the bytes read (fewer than `size` only at the end of the
// source), or -1 on an error.
int64_t read_frame(int fd, uint8_t* data, uint64_t size);

// Writes all `size` bytes, continuing partial writes. Returns 0, or -1 on an
// error; what was written before the error stays written.
int write_frame(int fd, const uint8_t* data, uint64_t size);
