#pragma once
// Things in place of a file that are not what its name promises: special files,
// and files whose zero bytes take no room on disk.
#include <QDir>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <functional>
#include <stdexcept>
#include <string>

namespace testsupport {

// Puts something in place of a file. Descriptors it opens stay open until the
// test process ends.
using Setup = std::function<void(const std::string& path)>;

// `bytes`, then zero bytes up to `size` that take no room on disk.
inline Setup file(std::string bytes, off_t size = 0)
{
    return [bytes, size](const std::string& path) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())
            || (size > 0 && ::ftruncate(fd, size) != 0) || ::close(fd) != 0)
            throw std::runtime_error("cannot write " + path);
    };
}
inline Setup sparse(std::string bytes) { return file(std::move(bytes), off_t{4} << 30); }

inline const Setup fifo = [](const std::string& path) { ::mkfifo(path.c_str(), 0644); };
inline const Setup socketFile = [](const std::string& path) {
    sockaddr_un address{AF_UNIX, {}};
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    ::bind(::socket(AF_UNIX, SOCK_STREAM, 0), reinterpret_cast<const sockaddr*>(&address), sizeof address);
};
inline const Setup aFolder = [](const std::string& path) { QDir().mkpath(QString::fromStdString(path)); };

}  // namespace testsupport
