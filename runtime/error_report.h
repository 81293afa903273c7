#pragma once

#include <exception>

namespace runtime {

// The runtime's error report: the message on standard error, and on an
// interactive display also in a modal message box.
void showErrorReport(const std::exception& error);

// An error that no trap caught: the report, then the process ends with
// status 1 at once.
[[noreturn]] void endWithErrorReport(const std::exception& error);

// Runs an event procedure; an error escaping it ends the program.
template <class Procedure>
void runEventProcedure(Procedure&& procedure)
{
    try {
        procedure();
    } catch (const std::exception& error) {
        endWithErrorReport(error);
    }
}

}  // namespace runtime
