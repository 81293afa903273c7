#pragma once

namespace runtime {

class Form;

// Prints the form as one page on the system's default printer, without a
// dialog: its back colour, its persistent drawing and its light controls,
// at true size (15 twips to the pixel) from the top-left corner of the
// printable area, as vector output. The job carries the application's name.
// No default printer, a spooler that cannot be reached, a stopped printer or
// a job the spooler refuses is a RuntimeError "Printing failed: ...". So is a
// spooler that has not taken the job within a deadline (10 s), however it
// trickles its answers.
void printForm(const Form& form);

}  // namespace runtime
