#include "xvfb_display.h"

#include "temp_folder.h"

#include <X11/Xlib.h>

#include <chrono>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace testsupport {

using namespace std::chrono_literals;

XvfbDisplay::XvfbDisplay() : folder_(std::make_unique<TempFolder>())
{
    // Xvfb picks a free display number itself and writes it to the given
    // descriptor (here its standard output, a file): no race with other tests.
    const std::string numberFile = (folder_->path() / "display").string();
    server_ = std::make_unique<BackgroundProcess>(
        std::vector<std::string>{"Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"},
        Env{}, std::string{}, numberFile);
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < deadline) {
        // Its messages share the file: the number is the line of digits alone.
        std::ifstream lines(numberFile);
        for (std::string line; std::getline(lines, line) && !lines.eof();) {
            if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos) {
                name_ = ":" + line;
                return;
            }
        }
        if (!server_->running())
            break;
        std::this_thread::sleep_for(20ms);
    }
    throw std::runtime_error("no Xvfb display could be started");
}

XvfbDisplay::~XvfbDisplay() = default;

void askWindowToClose(const std::string& display, unsigned long window)
{
    Display* connection = XOpenDisplay(display.c_str());
    if (!connection)
        throw std::runtime_error("cannot connect to display " + display);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(connection, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(connection, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(connection, window, False, NoEventMask, &event);
    XFlush(connection);
    XCloseDisplay(connection);
}

}  // namespace testsupport
