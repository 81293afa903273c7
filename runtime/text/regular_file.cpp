#include "runtime/text/regular_file.h"

#include "runtime/error/runtime_error.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace runtime {
namespace {

std::string openProblem(int error)
{
    switch (error) {
    case ENOENT: return "file not found";
    case EACCES: return "permission denied";
    case ENXIO: return "is not a regular file";  // a socket, or a device with nothing behind it
    default: return std::strerror(error);
    }
}

// A missing file's report says where it was looked for, unless its name says so.
std::string notFound(const std::string& name)
{
    const std::filesystem::path path(name);
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::absolute(path, error).parent_path();
    return path.is_absolute() || error ? "file not found" : "file not found in " + folder.string();
}

}  // namespace

void FileHandle::close()
{
    if (descriptor_ >= 0)
        ::close(descriptor_);
    descriptor_ = -1;
}

FileHandle openRegularFile(const std::string& name)
{
    // Non-blocking, so that a FIFO or a device cannot stall the open, and
    // never the controlling terminal.
    const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        throw RuntimeError(errno == ENOENT ? notFound(name) : openProblem(errno), name);
    FileHandle file(fd, 0);
    struct stat info {};
    const bool known = ::fstat(fd, &info) == 0;
    const int error = errno;
    if (!known)
        throw RuntimeError(openProblem(error), name);
    if (!S_ISREG(info.st_mode))
        throw RuntimeError(S_ISDIR(info.st_mode) ? "is a folder, not a file" : "is not a regular file", name);
    // Reads block as usual again: a regular file's data is there to read.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    file.size_ = static_cast<std::size_t>(info.st_size);
    return file;
}

ReadResult readFully(int descriptor, char* into, std::size_t count, std::size_t offset)
{
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n = ::pread(descriptor, into + got, count - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return {got, errno};
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return {got, 0};
}

}  // namespace runtime
