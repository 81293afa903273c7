#pragma once

#include <cstddef>
#include <string>

namespace runtime {

// What a read of a file read: `got` bytes, and the errno of the read that
// failed after them, 0 when none did.
struct ReadResult {
    std::size_t got;
    int error;
};

class FileHandle;
FileHandle openRegularFile(const std::string& name);

// The descriptor of a file opened for reading, owned: closed when the
// handle goes, whatever path it goes by.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(int descriptor, std::size_t size) : descriptor_(descriptor), size_(size) {}
    ~FileHandle() { close(); }
    FileHandle(FileHandle&& other) noexcept : descriptor_(other.descriptor_), size_(other.size_)
    {
        other.descriptor_ = -1;
    }
    FileHandle& operator=(FileHandle&&) = delete;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool isOpen() const { return descriptor_ >= 0; }
    int descriptor() const { return descriptor_; }
    // How many bytes the file held when opened.
    std::size_t size() const { return size_; }
    void close();

private:
    friend FileHandle openRegularFile(const std::string& name);
    int descriptor_ = -1;
    std::size_t size_ = 0;
};

// Opens a file for reading as the program opens each of its files: only a
// regular file is opened, and the open never blocks, whatever stands under
// the name (a FIFO with or without a writer, a device, a socket, a folder).
// The check is made on the open descriptor, and the file is read through
// that same descriptor, so nothing can be swapped in between. Fails with a
// RuntimeError naming the file: "file not found in FOLDER" (or "file not
// found" when the name is a full path), "permission denied", "is a folder,
// not a file", "is not a regular file".
FileHandle openRegularFile(const std::string& name);

// Reads `count` bytes at `offset`, again when a read is interrupted or
// short, until they are all read, the file ends, or a read fails.
ReadResult readFully(int descriptor, char* into, std::size_t count, std::size_t offset);

}  // namespace runtime
