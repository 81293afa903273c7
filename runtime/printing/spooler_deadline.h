#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

namespace runtime {

// One deadline for the whole conversation with the print spooler. libcups
// bounds each read, not the whole: a spooler that answers a byte at a time
// would hold the window for as long as it trickles. Once the deadline has
// passed, a watchdog shuts down the process's connections to the spooler
// (libcups's own cached one, that Qt's printing uses, too) until this is
// destroyed, so that every call in progress or to come fails at once.
class SpoolerDeadline {
public:
    explicit SpoolerDeadline(std::chrono::steady_clock::duration limit);
    SpoolerDeadline(const SpoolerDeadline&) = delete;
    SpoolerDeadline& operator=(const SpoolerDeadline&) = delete;

    bool passed() const { return std::chrono::steady_clock::now() >= end_; }

private:
    void watch(const std::stop_token& stop, const std::string& server, int port);

    std::chrono::steady_clock::time_point end_;
    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::jthread watchdog_;  // last: stopped and joined first
};

}  // namespace runtime
