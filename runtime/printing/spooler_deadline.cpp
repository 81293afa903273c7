#include "runtime/printing/spooler_deadline.h"

#include <cups/cups.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <filesystem>

namespace runtime {
namespace {

// Whether the socket is connected to the spooler: to its socket path, or to
// its port on a host.
bool connectedTo(int fd, const std::string& server, int port)
{
    sockaddr_storage peer{};
    socklen_t size = sizeof peer;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &size) != 0)
        return false;
    switch (peer.ss_family) {
    case AF_UNIX: return server == reinterpret_cast<const sockaddr_un&>(peer).sun_path;
    case AF_INET: return !server.starts_with('/') && ntohs(reinterpret_cast<const sockaddr_in&>(peer).sin_port) == port;
    case AF_INET6: return !server.starts_with('/') && ntohs(reinterpret_cast<const sockaddr_in6&>(peer).sin6_port) == port;
    default: return false;
    }
}

// A blocked read on a shut-down socket returns at once. Only the user
// interface thread, now waiting on the spooler, opens and closes the
// process's sockets meanwhile, and a descriptor it reuses is a spooler
// connection again.
void shutDownConnectionsTo(const std::string& server, int port)
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        const std::string name = entry.path().filename();
        const int fd = std::atoi(name.c_str());
        if (connectedTo(fd, server, port))
            ::shutdown(fd, SHUT_RDWR);
    }
}

}  // namespace

SpoolerDeadline::SpoolerDeadline(std::chrono::steady_clock::duration limit)
    : end_(std::chrono::steady_clock::now() + limit),
      // libcups keeps its settings per thread: the watchdog is told them.
      watchdog_([this, server = std::string(cupsServer()), port = ippPort()](const std::stop_token& stop) {
          watch(stop, server, port);
      })
{
}

void SpoolerDeadline::watch(const std::stop_token& stop, const std::string& server, int port)
{
    std::unique_lock lock(mutex_);
    const auto never = [] { return false; };
    wake_.wait_until(lock, stop, end_, never);
    while (!stop.stop_requested()) {
        shutDownConnectionsTo(server, port);
        // Also those that libcups opens again, as it retries.
        wake_.wait_for(lock, stop, std::chrono::milliseconds(50), never);
    }
}

}  // namespace runtime
