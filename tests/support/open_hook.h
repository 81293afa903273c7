#pragma once
// A change made at the very moment this process opens a file: between the two
// readings of a long chart, say, where no other process can time one. The
// test binary that uses it takes over open() and open64(), which pass every
// opening on to the C library's.
#include <functional>
#include <string>

namespace testsupport {

class OpenHook {
public:
    enum class When { Before, After };
    // `action` runs once, at the n-th opening from now of a file named `name`
    // (its last path component), just before or just after the opening.
    OpenHook(std::string name, int nth, When when, std::function<void()> action);
    ~OpenHook();
    OpenHook(const OpenHook&) = delete;
    OpenHook& operator=(const OpenHook&) = delete;

    bool fired() const;
};

}  // namespace testsupport
