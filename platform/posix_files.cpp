#include "platform/platform.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Linux moves at most about 2 GiB per call; asking for less keeps every
// request within what each POSIX system accepts.
constexpr uint64_t max_request = uint64_t{1} << 30;

void hint_sequential(int fd)
{
    // Advisory only: pipes and terminals refuse it, which changes nothing.
    (void)posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

} // namespace

int open_source(const char* path)
{
    int fd;
    do {
        fd = open(path, O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return -1;
    // open() succeeds on a directory here, where a source must be a file.
    struct stat info;
    if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        close(fd);
        return -1;
    }
    hint_sequential(fd);
    return fd;
}

int open_output(const char* name, int permissions)
{
    int fd;
    do {
        fd = open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode_t(permissions));
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return -1;
    hint_sequential(fd);
    return fd;
}

int close_file(int fd)
{
    // Not retried after EINTR: the descriptor is released either way on Linux.
    return close(fd) == 0 ? 0 : -1;
}

int names_open_file(const char* name, int fd)
{
    struct stat named;
    struct stat opened;
    if (stat(name, &named) != 0 || fstat(fd, &opened) != 0)
        return 0;
    return named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
}

int64_t os_read(int fd, void* data, uint64_t size)
{
    const size_t request = size < max_request ? size : max_request;
    ssize_t got;
    do {
        got = read(fd, data, request);
    } while (got < 0 && errno == EINTR);
    return got;
}

int64_t os_write(int fd, const void* data, uint64_t size)
{
    const size_t request = size < max_request ? size : max_request;
    ssize_t put;
    do {
        put = write(fd, data, request);
    } while (put < 0 && errno == EINTR);
    return put;
}

int is_terminal(FILE* stream)
{
    return isatty(fileno(stream));
}

void use_for_frames(int fd)
{
#ifdef F_SETPIPE_SZ
    // Refused for what is not a pipe, or beyond the system's limit: nothing lost.
    (void)fcntl(fd, F_SETPIPE_SZ, 1 << 20);
#else
    (void)fd;
#endif
}

int64_t regular_file_size(int fd)
{
    struct stat info;
    return fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? int64_t(info.st_size) : -1;
}
