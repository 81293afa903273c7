#include "runtime/printing/spooler_connection.h"

#include "runtime/error/runtime_error.h"

#include <algorithm>

namespace runtime {
namespace {

// How long one wait lasts before it looks at the deadline again.
constexpr double waitSeconds = 0.1;

}  // namespace

void printingFailed(const std::string& why) { throw RuntimeError("Printing failed: " + why); }

SpoolerConnection::SpoolerConnection(Clock::time_point deadline) : deadline_(deadline)
{
    using std::chrono::milliseconds;
    const auto left = std::chrono::duration_cast<milliseconds>(deadline_ - Clock::now());
    // At least a moment: libcups does not connect at all given none.
    const int connectMilliseconds = int(std::max(left, milliseconds(1)).count());
    http_ = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, connectMilliseconds, nullptr);
    if (!http_)
        printingFailed(Clock::now() >= deadline_ ? spoolerSilent : spoolerUnreachable);
    httpSetTimeout(http_, waitSeconds, &SpoolerConnection::keepWaiting, this);
}

SpoolerConnection::~SpoolerConnection() { httpClose(http_); }

int SpoolerConnection::keepWaiting(http_t*, void* connection)
{
    auto& self = *static_cast<SpoolerConnection*>(connection);
    self.ranOut_ = self.ranOut_ || Clock::now() >= self.deadline_;
    return self.ranOut_ ? 0 : 1;
}

void SpoolerConnection::fail(const std::string& why) const { printingFailed(ranOut_ ? spoolerSilent : why); }

}  // namespace runtime
