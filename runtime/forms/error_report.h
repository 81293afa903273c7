#pragma once

#include <exception>

namespace runtime {

// The runtime's error report: the message on standard error, and on an
// interactive display also in a modal message box.
void showErrorReport(const std::exception& error);

// An error that no trap caught: the report, then the process ends with
// status 1 at once.
[[noreturn]] void endWithErrorReport(const std::exception& error);

// Runs an event procedure. An error escaping it gets the error report, and
// the program goes on: losing the user's window to a failed command (a
// missing printer, say) would be a crash.
template <class Procedure>
void runEventProcedure(Procedure&& procedure)
{
    try {
        procedure();
    } catch (const std::exception& error) {
        showErrorReport(error);
    }
}

}  // namespace runtime
