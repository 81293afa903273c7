#include "tests/support/open_hook.h"

#include <dlfcn.h>
#include <fcntl.h>

#include <cstdarg>
#include <cstring>
#include <memory>
#include <mutex>

namespace testsupport {
namespace {

struct Hook {
    std::string name;
    int left = 0;  // openings of the name until the action
    OpenHook::When when = OpenHook::When::Before;
    std::function<void()> action;
    bool fired = false;
};

std::mutex mutex;
std::unique_ptr<Hook> current;

// Whether this opening of `path` is the one the hook waits for.
bool isTheOne(const char* path)
{
    const std::lock_guard lock(mutex);
    const char* slash = std::strrchr(path, '/');
    if (!current || current->fired || current->name != (slash ? slash + 1 : path))
        return false;
    current->fired = --current->left == 0;
    return current->fired;
}

int opening(const char* path, int flags, mode_t mode)
{
    using Open = int (*)(const char*, int, ...);
    const auto real = reinterpret_cast<Open>(::dlsym(RTLD_NEXT, "open"));
    const bool theOne = isTheOne(path);
    if (theOne && current->when == OpenHook::When::Before)
        current->action();
    const int fd = real(path, flags, mode);
    if (theOne && current->when == OpenHook::When::After)
        current->action();
    return fd;
}

mode_t modeOf(int flags, va_list arguments)
{
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
}

}  // namespace

OpenHook::OpenHook(std::string name, int nth, When when, std::function<void()> action)
{
    const std::lock_guard lock(mutex);
    current = std::make_unique<Hook>(Hook{std::move(name), nth, when, std::move(action)});
}

OpenHook::~OpenHook()
{
    const std::lock_guard lock(mutex);
    current.reset();
}

bool OpenHook::fired() const
{
    const std::lock_guard lock(mutex);
    return current && current->fired;
}

}  // namespace testsupport

extern "C" int open(const char* path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = testsupport::modeOf(flags, arguments);
    va_end(arguments);
    return testsupport::opening(path, flags, mode);
}

// The same function under the name that code built for large files calls;
// on 64-bit systems the C library's two are one.
extern "C" int open64(const char* path, int flags, ...) __attribute__((alias("open")));
