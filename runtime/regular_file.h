#pragma once

#include <cstddef>
#include <string>

namespace runtime {

// A file opened for reading as the program opens each of its files: only a
// regular file is opened, and the open never blocks, whatever stands under
// the name (a FIFO with or without a writer, a device, a socket, a folder).
// The check is made on the open descriptor, and the file is read through
// that same descriptor, so nothing can be swapped in between.
struct OpenedFile {
    int descriptor;
    std::size_t size;  // as it was when opened
};

// Fails with a RuntimeError naming the file: "file not found", "permission
// denied", "is a folder, not a file", "is not a regular file". The caller
// closes the descriptor.
OpenedFile openRegularFile(const std::string& name);

}  // namespace runtime
