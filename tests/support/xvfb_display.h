#pragma once

#include "process.h"

#include <memory>
#include <string>

namespace testsupport {

class TempFolder;

// A private X display server (Xvfb) for tests that need a real window
// system; stopped when the object goes.
class XvfbDisplay {
public:
    XvfbDisplay();  // throws when no display could be started within a bound
    ~XvfbDisplay();
    const std::string& name() const { return name_; }  // such as ":93"

private:
    std::unique_ptr<TempFolder> folder_;
    std::string name_;
    std::unique_ptr<BackgroundProcess> server_;
};

// Asks a window to close, as its title bar's close button would
// (WM_DELETE_WINDOW), without needing a window manager.
void askWindowToClose(const std::string& display, unsigned long window);

}  // namespace testsupport
