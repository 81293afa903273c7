#include "runtime/text/sequential_file.h"

#include <algorithm>
#include <cstring>

namespace runtime {
namespace {

// A megabyte at a time: reads of that size are fast, and the buffer stays in the cache.
constexpr std::size_t bufferBytes = std::size_t{1} << 20;

std::string describe(Reading reading)
{
    std::string text(reading.what);
    if (reading.index > 0)
        text += " " + std::to_string(reading.index);
    return text;
}

}  // namespace

SequentialFile::SequentialFile(std::string name)
    : name_(std::move(name)), file_(openRegularFile(name_)), capacity_(bufferBytes), size_(file_.size())
{
    buffer_ = std::make_unique_for_overwrite<char[]>(capacity_ + zeros);
    std::memset(buffer_.get(), 0, zeros);
}

SequentialFile::SequentialFile(std::string name, std::string_view bytes)
    : name_(std::move(name)), capacity_(bytes.size()), end_(bytes.size()), atEnd_(true), size_(bytes.size())
{
    buffer_ = std::make_unique_for_overwrite<char[]>(capacity_ + zeros);
    std::copy(bytes.begin(), bytes.end(), buffer_.get());
    std::memset(buffer_.get() + end_, 0, zeros);
    lastByte_ = bytes.empty() ? '\0' : bytes.back();
}

void SequentialFile::close()
{
    buffer_.reset();
    pos_ = end_ = 0;
    file_.close();
}

void SequentialFile::fill(std::size_t bytes)
{
    if (atEnd_)
        return;
    // What is not read yet moves to the front; the rest of the buffer takes more.
    std::memmove(buffer_.get(), buffer_.get() + pos_, end_ - pos_);
    base_ += pos_;
    end_ -= pos_;
    pos_ = 0;
    while (end_ < bytes && !atEnd_) {
        const std::size_t want = capacity_ - end_;
        const ReadResult read = readFully(file_.descriptor(), buffer_.get() + end_, want, base_ + end_);
        end_ += read.got;
        if (read.got > 0)
            lastByte_ = buffer_[end_ - 1];
        if (read.error != 0) {
            failedToRead_ = true;
            close();
            throw RuntimeError(std::string("cannot be read: ") + std::strerror(read.error), name_);
        }
        atEnd_ = read.got < want;
    }
    std::memset(buffer_.get() + end_, 0, zeros);
}

LineNumber SequentialFile::readInt32Pairs(std::vector<std::int32_t>& firsts, std::vector<std::int32_t>& seconds,
                                          std::size_t rows, Reading first, Reading second)
{
    // A line of two plain fields takes 25 bytes at most, and reading it
    // looks no further: the buffer holds these from the reader on.
    constexpr std::size_t longestPair = 32;
    LineNumber pairLine = 0;
    for (std::size_t row = 0; row < rows;) {
        // The common line, "first,second" in plain numbers, read with the
        // place held in a local: the members follow once a buffer.
        if (end_ - pos_ < longestPair && isOpen())
            fill(longestPair);
        const std::size_t before = row;
        const char* p = buffer_.get() + pos_;
        const char* const last = buffer_.get() + end_ - std::min(end_ - pos_, longestPair);
        while (row < rows && p < last) {
            std::int32_t a, b;
            const std::size_t aLength = NumberField::plainStart(p, a);
            if (aLength == 0 || p[aLength] != ',')
                break;
            const char* q = p + aLength + 1;
            const std::size_t bLength = NumberField::plainStart(q, b);
            q += bLength;
            const bool crlf = q[0] == '\r' && q[1] == '\n';
            if (bLength == 0 || (q[0] != '\n' && !crlf))
                break;
            p = q + 1 + crlf;
            firsts.push_back(a);
            seconds.push_back(b);
            ++row;
        }
        pos_ = static_cast<std::size_t>(p - buffer_.get());
        line_ += row - before;
        if (row > before) {
            fieldLine_ = pairLine = line_ - 1;
            afterComma_ = false;
            continue;
        }
        // One pair any other way: blanks, fractions, a pair over lines, the file's end.
        const int index = static_cast<int>(row);
        firsts.push_back(readInt32({first.what, first.index + index}));
        pairLine = fieldLine_;
        seconds.push_back(readInt32({second.what, second.index + index}));
        ++row;
    }
    return pairLine;
}

std::string SequentialFile::tail(std::size_t bytes) const
{
    const std::size_t count = std::min(bytes, size_);
    if (!file_.isOpen())
        return isOpen() && base_ == 0 && end_ == size_ ? std::string(buffer_.get() + size_ - count, count) : "";
    std::string text(count, '\0');
    const ReadResult read = readFully(file_.descriptor(), text.data(), count, size_ - count);
    return read.error == 0 && read.got == count ? text : "";
}

void SequentialFile::fail(std::string problem, Reading reading, bool atEnd)
{
    // At the end, the line the file's last byte is on.
    const LineNumber line = atEnd && isLineEnd(lastByte_) && line_ > 1 ? line_ - 1 : line_;
    close();
    throw RuntimeError(std::move(problem), name_, line, describe(reading));
}

void SequentialFile::failTooLong(std::string_view what, Reading reading)
{
    fail("the " + std::string(what) + " is longer than the limit of " + std::to_string(longestText) + " bytes",
         reading);
}

void SequentialFile::took(std::string_view raw)
{
    charset_.feed(raw);
    charset_.feed("\n");
}

std::string SequentialFile::text(std::string_view raw) const
{
    return charset_.valid() ? std::string(raw) : latin1ToUtf8(raw);
}

}  // namespace runtime
