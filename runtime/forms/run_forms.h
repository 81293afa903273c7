#pragma once

#include "runtime/forms/form.h"

#include <functional>
#include <memory>
#include <string_view>

namespace runtime {

// The project: its title (for error reports), the name of its desktop entry
// without ".desktop" (the desktop finds its name and icon by it; on Wayland it
// is the app id) and how its start-up window is made; that window makes any
// other itself.
struct Project {
    std::string_view title;
    std::string_view desktopFileName;
    std::function<std::unique_ptr<Form>()> startUp;
};

// Creates the start-up window hidden, runs its Form_Load, shows it with the
// focus on its first control and runs the event loop until the last window
// closes. An error escaping the load ends the process with the error report
// and status 1; the window is never shown.
int runForms(int argc, char** argv, const Project& project);

// Runs a task that draws but shows nothing (a page written to a file or a
// printer from the command line) on Qt's offscreen platform, so that it
// needs no display whatever the session has; the desktop's theme is not
// loaded either, as it may want one. Gives status 0 when the task returns; an
// error escaping it gets the error report on standard error and status 1.
int runOffscreen(int argc, char** argv, const Project& project, const std::function<void()>& task);

// Ends the program at once: the event loop stops before any further event
// runs, and the process exits with status 0.
void endProgram();

}  // namespace runtime
