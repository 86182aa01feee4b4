#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Whole frames and lines through the read and write seams of platform.h, for
// both programs.

// Reads until `size` bytes have arrived, the source ends, or an error occurs:
// pipes and terminals deliver data in pieces, and no system moves gigabytes in
// one call. Returns the bytes read (fewer than `size` only at the end of the
// source), or -1 on an error.
int64_t read_frame(int fd, uint8_t* data, uint64_t size);

// Writes all `size` bytes, continuing partial writes. Returns 0, or -1 on an
// error, with errno saying which; what was written before the error stays
// written.
int write_frame(int fd, const uint8_t* data, uint64_t size);

// Reads a line, its line end included, one byte at a time so that nothing
// after it is taken from a pipe. Returns its bytes (fewer than `limit` only
// at the end of the input, or when a line end came), or -1 on an error.
int64_t read_line(int fd, std::string& line, size_t limit);
