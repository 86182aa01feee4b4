// The reads and writes of a test build of chromafold, with faults injected from
// the environment, so that the end-to-end suite can show what the program does
// with them:
//   CHROMAFOLD_INJECT_READ_PIECE=N       each read delivers at most N bytes
//   CHROMAFOLD_INJECT_READ_FAIL_AFTER=N  once N bytes have been delivered in
//                                        all, every read fails
//   CHROMAFOLD_INJECT_WRITE_PIECE=N      each write takes at most N bytes
//   CHROMAFOLD_INJECT_CLOSE_FAIL=1       closing an output reports a failure
//                                        (after closing it)
// Only the test binary chromafold_injected links this file; the program links
// the plain pass-through instead.

#include "platform/platform.h"

#include <algorithm>
#include <cstdlib>

namespace {

uint64_t setting(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value ? std::strtoull(value, nullptr, 10) : UINT64_MAX;
}

} // namespace

int64_t read_some(int fd, void* data, uint64_t size)
{
    static const uint64_t piece = setting("CHROMAFOLD_INJECT_READ_PIECE");
    static const uint64_t fail_after = setting("CHROMAFOLD_INJECT_READ_FAIL_AFTER");
    static uint64_t delivered = 0;
    if (delivered >= fail_after)
        return -1;
    const int64_t got = os_read(fd, data, std::min({size, piece, fail_after - delivered}));
    if (got > 0)
        delivered += uint64_t(got);
    return got;
}

int64_t write_some(int fd, const void* data, uint64_t size)
{
    static const uint64_t piece = setting("CHROMAFOLD_INJECT_WRITE_PIECE");
    return os_write(fd, data, std::min(size, piece));
}

int close_output(int fd)
{
    static const bool fail = setting("CHROMAFOLD_INJECT_CLOSE_FAIL") == 1;
    return close_file(fd) != 0 || fail ? -1 : 0;
}
