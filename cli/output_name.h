#pragma once

#include <cstddef>

// Output names are built in a buffer of this many bytes, terminator included.
constexpr size_t output_name_capacity = 1024;

// The position just after the last backslash of `path`, or its start when it has
// none. Only the backslash separates path elements; '/' and ':' are ordinary
// characters. Points into `path`.
const char* base_name(const char* path);

// Cuts `name` in place at its extension dot: the last '.' not followed by a
// backslash. A name without one is left alone.
void strip_extension(char* name);

// Writes the output name of `source_path` into `name` (output_name_capacity
// bytes): the last path element with its extension replaced by ".420". Returns
// 0, or -1 when the element or the resulting name does not fit; nothing is ever
// truncated.
int make_output_name(char* name, const char* source_path);
