#pragma once

namespace runtime {

// Ends the program at once: the event loop stops before any further event
// runs, and the process exits with status 0.
void endProgram();

}  // namespace runtime
