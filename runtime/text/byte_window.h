#pragma once

#include "runtime/text/plain_field.h"

#include <cstddef>
#include <memory>
#include <string_view>

namespace runtime {

// A window on a file's bytes, or on bytes in memory, read front to back:
// the bytes from pos() to end() are there to read, and zeros follow them
// (endText), so that a number may be looked at eight bytes at a time
// anywhere in it. A file is read a window's capacity at a time; bytes in
// memory are all in the window from the start.
class ByteWindow {
public:
    // Over the file `descriptor` (borrowed, not closed here), `capacity`
    // bytes at most at a time.
    ByteWindow(int descriptor, std::size_t capacity);
    // Over `text`, which stays in memory as long as the window and is
    // followed by endText's zeros: nothing copied.
    explicit ByteWindow(std::string_view text);

    const char* data() const { return data_; }
    std::size_t pos() const { return pos_; }
    std::size_t end() const { return end_; }
    // The offset in the file of data()[0], and of the next byte to read.
    std::size_t base() const { return base_; }
    std::size_t offset() const { return base_ + pos_; }
    // Whether nothing is left to read beyond end().
    bool atEnd() const { return atEnd_; }
    // The last byte of the file, once the window has reached it.
    char lastByte() const { return lastByte_; }

    void advance(std::size_t bytes) { pos_ += bytes; }
    void setPos(std::size_t pos) { pos_ = pos; }
    // The byte at pos(), or -1 at the end.
    int peek()
    {
        if (pos_ == end_)
            fill(1);
        return pos_ < end_ ? static_cast<unsigned char>(data_[pos_]) : -1;
    }
    // Makes at least `bytes` bytes available from pos() unless the source
    // ends first. Returns the errno of a read that failed, else 0; a failed
    // read leaves the window as the end would.
    int fill(std::size_t bytes);
    // Goes on from `offset`, past what the window held; `byteBefore` is the
    // byte just before it, the last byte should the file end there.
    void moveTo(std::size_t offset, char byteBefore);

private:
    static constexpr std::size_t readAtLeast = std::size_t{64} << 10;
    int descriptor_ = -1;  // -1 for bytes in memory
    std::unique_ptr<char[]> buffer_;
    const char* data_ = nullptr;
    std::size_t capacity_ = 0;
    std::size_t base_ = 0;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool atEnd_ = false;
    char lastByte_ = '\0';
};

}  // namespace runtime
