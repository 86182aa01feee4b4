#include "platform/platform.h"

int64_t read_some(int fd, void* data, uint64_t size)
{
    return os_read(fd, data, size);
}

int64_t write_some(int fd, const void* data, uint64_t size)
{
    return os_write(fd, data, size);
}

int close_output(int fd)
{
    return close_file(fd);
}
