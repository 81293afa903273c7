#pragma once

#include <cups/cups.h>

#include <chrono>
#include <string>

namespace runtime {

// A connection of our own to the print spooler (CUPS) that libcups's
// settings name (CUPS_SERVER, client.conf), on which every wait ends at one
// deadline. libcups bounds each wait for an answer, not the whole answer: a
// spooler that trickles its answer a byte at a time would hold the caller for
// as long as it trickles, so each wait of ours is short and looks at the
// deadline. Nothing else: no other thread, no other connection.
class SpoolerConnection {
public:
    using Clock = std::chrono::steady_clock;

    // Connects within the deadline; a spooler that cannot be reached is a
    // RuntimeError "Printing failed: ...".
    explicit SpoolerConnection(Clock::time_point deadline);
    ~SpoolerConnection();
    SpoolerConnection(const SpoolerConnection&) = delete;
    SpoolerConnection& operator=(const SpoolerConnection&) = delete;

    http_t* http() const { return http_; }
    // Whether a wait gave up at the deadline: the spooler did not answer.
    bool ranOut() const { return ranOut_; }

    // The print fails: the spooler did not answer in time, or else `why`.
    [[noreturn]] void fail(const std::string& why) const;

private:
    static int keepWaiting(http_t* http, void* connection);

    Clock::time_point deadline_;
    bool ranOut_ = false;
    http_t* http_ = nullptr;
};

// The reasons a print fails, as reported.
inline constexpr const char* spoolerUnreachable = "the print spooler (CUPS) cannot be reached";
inline constexpr const char* spoolerSilent = "the print spooler (CUPS) does not answer";
[[noreturn]] void printingFailed(const std::string& why);

}  // namespace runtime
