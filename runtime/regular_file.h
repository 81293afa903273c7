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

// Fails with a RuntimeError naming the file: "file not found in FOLDER" (or
// "file not found" when the name is a full path), "permission
// denied", "is a folder, not a file", "is not a regular file". The caller
// closes the descriptor.
OpenedFile openRegularFile(const std::string& name);

// What readFully read: `got` bytes, and the errno of the read that failed
// after them, 0 when none did.
struct ReadResult {
    std::size_t got;
    int error;
};

// Reads `count` bytes at `offset`, again when a read is interrupted or
// short, until they are all read, the file ends, or a read fails.
ReadResult readFully(int descriptor, char* into, std::size_t count, std::size_t offset);

}  // namespace runtime
