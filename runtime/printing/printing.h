#pragma once

namespace runtime {

class Form;

// What became of a page handed to the spooler.
enum class Delivery {
    Confirmed,    // the spooler took the job
    Unconfirmed,  // the whole document went to the spooler, but no answer came in time: it may print
};

// Prints the form as one page on the system's default printer, without a
// dialog: drawn once as a PDF document in memory on the destination's default
// paper, in paper's colours, at true size from the top-left corner of the
// printable area, and handed to CUPS as one job under the application's name,
// on a connection of its own. The whole conversation keeps a deadline (10 s).
// A page that did not reach the spooler, or that it refused (no default
// printer, no spooler, a stopped printer, a refused job, no answer before the
// document went), is a RuntimeError "Printing failed: ...", and may be sent
// again. One that went whole but whose answer did not come is Unconfirmed:
// sending it again could print it twice.
[[nodiscard]] Delivery printForm(const Form& form);

// The report of an Unconfirmed print.
inline constexpr const char* unconfirmedPrint =
    "Printing not confirmed: the print spooler (CUPS) did not confirm the job in time; it may still print";

}  // namespace runtime
