#pragma once

#include <cstdint>
#include <cstdio>

// The only interface whose implementation differs by operating system. File
// descriptors are plain ints on every platform; a negative one is "not open".

// Opens a source for reading, in binary mode with a sequential-access hint.
// Returns -1 when the path cannot be opened or names a directory.
int open_source(const char* path);

// Opens an output for writing, created with `permissions` (0600: its owner
// alone may read and write it; 0666: everyone, less the process's umask) when
// missing and truncated when present, in binary mode with a sequential-access
// hint. Returns -1 on failure, with errno set.
int open_output(const char* name, int permissions);

// Returns 0, or -1 when the system reports a failure, such as data of an
// output that could not be stored after all.
int close_file(int fd);

// 1 when `name` exists and denotes the very file open as `fd` (through any link),
// 0 otherwise, including when `name` does not exist yet.
int names_open_file(const char* name, int fd);

// One read request, retried while interrupted: bytes read (0 at the end of the
// file, possibly fewer than asked), or -1 on an error. `size` may exceed what the
// system takes in one call; the request is then capped, never failed.
int64_t os_read(int fd, void* data, uint64_t size);

// One write request, retried while interrupted: bytes written (possibly fewer
// than asked), or -1 on an error. Capped like os_read.
int64_t os_write(int fd, const void* data, uint64_t size);

// The read, the write and the close of an output used by file conversion.
// Production builds pass straight through to os_read, os_write and close_file;
// test builds link replacements that inject short reads and writes, read
// errors and failed closes.
int64_t read_some(int fd, void* data, uint64_t size);
int64_t write_some(int fd, const void* data, uint64_t size);
int close_output(int fd);

// Makes next_char follow the user's multibyte encoding. Called once at start.
void use_system_text_encoding();

// The start of the character after the one at `text`; `text` itself at the
// terminating NUL. A byte inside a multibyte character is never a character of
// its own, so a trail byte equal to '\\' or '.' cannot be taken for one.
const char* next_char(const char* text);

int is_terminal(FILE* stream);

// Readies one end of a stream of frames: it carries bytes unchanged (Windows
// would otherwise translate line ends on a standard stream), and a pipe holds
// 1 MiB where the system allows it, so that a frame of megabytes passes in
// fewer turns of writer and reader (64 KiB is Linux's default).
void use_for_frames(int fd);

// The size in bytes of the regular file open as `fd`, or -1 for a pipe, a
// device or anything else whose end is not known in advance.
int64_t regular_file_size(int fd);
