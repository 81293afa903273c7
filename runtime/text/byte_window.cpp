#include "runtime/text/byte_window.h"

#include "runtime/text/regular_file.h"

#include <algorithm>
#include <cstring>

namespace runtime {

ByteWindow::ByteWindow(int descriptor, std::size_t capacity)
    : descriptor_(descriptor),
      buffer_(std::make_unique_for_overwrite<char[]>(capacity + zerosAfterText)),
      data_(buffer_.get()),
      capacity_(capacity)
{
    endText(buffer_.get());
}

ByteWindow::ByteWindow(std::string_view text)
    : data_(text.data()),
      end_(text.size()),
      atEnd_(true),
      lastByte_(text.empty() ? '\0' : text.back())
{
}

int ByteWindow::fill(std::size_t bytes)
{
    if (atEnd_)
        return 0;
    // What is not read yet moves to the front; the rest of the window takes more.
    if (pos_ > 0) {
        std::memmove(buffer_.get(), buffer_.get() + pos_, end_ - pos_);
        base_ += pos_;
        end_ -= pos_;
        pos_ = 0;
    }
    int error = 0;
    while (end_ < bytes && end_ < capacity_ && !atEnd_) {
        // No more than asked for and a little beyond: after a move, most of a
        // full window would go unread when the reader moves on again.
        const std::size_t want = std::min(capacity_ - end_, std::max(bytes - end_, readAtLeast));
        const ReadResult read = readFully(descriptor_, buffer_.get() + end_, want, base_ + end_);
        end_ += read.got;
        if (read.got > 0)
            lastByte_ = buffer_[end_ - 1];
        if (read.got < want || read.error != 0) {
            atEnd_ = true;
            error = read.error;
        }
    }
    endText(buffer_.get() + end_);
    return error;
}

void ByteWindow::moveTo(std::size_t offset, char byteBefore)
{
    if (descriptor_ < 0) {
        pos_ = offset - base_;
        return;
    }
    lastByte_ = byteBefore;
    base_ = offset;
    pos_ = end_ = 0;
    atEnd_ = false;
    endText(buffer_.get());
}

}  // namespace runtime
