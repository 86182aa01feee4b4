#include "platform/platform.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace {

// _read and _write take a 32-bit count: larger requests go in pieces.
constexpr uint64_t max_request = uint64_t{1} << 30;

} // namespace

int open_source(const char* path)
{
    const int fd = _open(path, _O_RDONLY | _O_BINARY | _O_SEQUENTIAL);
    if (fd < 0)
        return -1;
    struct _stat64 info;
    if (_fstat64(fd, &info) != 0 || (info.st_mode & _S_IFDIR)) {
        _close(fd);
        return -1;
    }
    return fd;
}

// Windows files have no permission bits for others: every new output is
// readable and writable.
int open_output(const char* name, int)
{
    return _open(name, _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_SEQUENTIAL,
                 _S_IREAD | _S_IWRITE);
}

int close_file(int fd)
{
    return _close(fd) == 0 ? 0 : -1;
}

int names_open_file(const char* name, int fd)
{
    // A file is the same file when its volume and its index on that volume are.
    BY_HANDLE_FILE_INFORMATION opened;
    const HANDLE opened_handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (opened_handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(opened_handle, &opened))
        return 0;
    const HANDLE named_handle =
        CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (named_handle == INVALID_HANDLE_VALUE)
        return 0;
    BY_HANDLE_FILE_INFORMATION named;
    const BOOL known = GetFileInformationByHandle(named_handle, &named);
    CloseHandle(named_handle);
    return known && named.dwVolumeSerialNumber == opened.dwVolumeSerialNumber &&
           named.nFileIndexHigh == opened.nFileIndexHigh &&
           named.nFileIndexLow == opened.nFileIndexLow;
}

int64_t os_read(int fd, void* data, uint64_t size)
{
    return _read(fd, data, unsigned(size < max_request ? size : max_request));
}

int64_t os_write(int fd, const void* data, uint64_t size)
{
    return _write(fd, data, unsigned(size < max_request ? size : max_request));
}

int is_terminal(FILE* stream)
{
    return _isatty(_fileno(stream));
}

void use_for_frames(int fd)
{
    _setmode(fd, _O_BINARY);
}

int64_t regular_file_size(int fd)
{
    struct _stat64 info;
    return _fstat64(fd, &info) == 0 && (info.st_mode & _S_IFREG) ? int64_t(info.st_size) : -1;
}
