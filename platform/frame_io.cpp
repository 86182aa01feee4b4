#include "platform/frame_io.h"

#include "platform/platform.h"

#include <cerrno>

int64_t read_frame(int fd, uint8_t* data, uint64_t size)
{
    uint64_t done = 0;
    while (done < size) {
        const int64_t got = read_some(fd, data + done, size - done);
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += uint64_t(got);
    }
    return int64_t(done);
}

int write_frame(int fd, const uint8_t* data, uint64_t size)
{
    uint64_t done = 0;
    while (done < size) {
        const int64_t put = write_some(fd, data + done, size - done);
        // A write that moves nothing would never finish: a failure like any other.
        if (put <= 0) {
            if (put == 0)
                errno = EIO;
            return -1;
        }
        done += uint64_t(put);
    }
    return 0;
}

int64_t read_line(int fd, std::string& line, size_t limit)
{
    line.clear();
    char c = 0;
    while (line.size() < limit && c != '\n') {
        const int64_t got = read_some(fd, &c, 1);
        if (got <= 0)
            return got < 0 ? -1 : int64_t(line.size());
        line += c;
    }
    return int64_t(line.size());
}
