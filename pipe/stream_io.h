#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The reads and writes of a stream, on descriptors that may be pipes.

// Reads until `size` bytes have arrived or the input ends. Returns the bytes
// read, or -1 on an error.
int64_t read_fully(int fd, uint8_t* data, uint64_t size);

// Reads a line, its line end included, one byte at a time so that nothing
// after it is taken from a pipe. Returns its bytes (fewer than `limit` only
// at the end of the input, or when a line end came), or -1 on an error.
int64_t read_line(int fd, std::string& line, size_t limit);

// Writes all `size` bytes. Returns 0, or the error number of the failure.
int write_fully(int fd, const uint8_t* data, uint64_t size);
