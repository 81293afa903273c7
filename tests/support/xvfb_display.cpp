#include "xvfb_display.h"

#include <X11/Xlib.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace testsupport {

using namespace std::chrono_literals;

XvfbDisplay::XvfbDisplay()
{
    // Another test (or user) may hold a number; take the first free one.
    for (int number = 90; number < 190; ++number) {
        const std::string lock = "/tmp/.X" + std::to_string(number) + "-lock";
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
        if (std::filesystem::exists(lock) || std::filesystem::exists(socket))
            continue;
        auto server = std::make_unique<BackgroundProcess>(std::vector<std::string>{
            "Xvfb", ":" + std::to_string(number), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
        const auto deadline = std::chrono::steady_clock::now() + 15s;
        while (server->running() && !std::filesystem::exists(socket) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(20ms);
        if (server->running() && std::filesystem::exists(socket)) {
            name_ = ":" + std::to_string(number);
            server_ = std::move(server);
            return;
        }
    }
    throw std::runtime_error("no Xvfb display could be started");
}

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
