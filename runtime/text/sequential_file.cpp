#include "runtime/text/sequential_file.h"

#include <algorithm>
#include <cstring>

namespace runtime {
namespace {

// A megabyte at a time: reads of that size are fast, and the buffer stays in the cache.
constexpr std::size_t bufferBytes = std::size_t{1} << 20;

bool isBlank(int c) { return c == ' ' || c == '\t'; }
bool isLineEnd(int c) { return c == '\n' || c == '\r'; }
// Where a number ends: blanks separate numbers as commas do.
bool endsNumber(int c) { return c < 0 || c == ',' || isBlank(c) || isLineEnd(c); }
bool endsText(int c) { return c < 0 || c == ',' || isLineEnd(c); }

std::string describe(Reading reading)
{
    std::string text(reading.what);
    if (reading.index > 0)
        text += " " + std::to_string(reading.index);
    return text;
}

// A field's text for a message. Appended in turn: g++ 12 at -O3 warns
// falsely (-Wrestrict) on a literal + string.
std::string quoted(std::string_view token)
{
    std::string text = "\"";
    text += excerpt(token);
    text += '"';
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

void SequentialFile::skipBlanks()
{
    while (isBlank(peek()))
        ++pos_;
}

void SequentialFile::consumeLineEnd()
{
    const int c = peek();
    ++pos_;
    if (c == '\r' && peek() == '\n')
        ++pos_;
    ++line_;
}

std::string SequentialFile::readLine(Reading reading)
{
    if (!isOpen())
        fail("the file is not open", reading);
    if (peek() < 0)
        fail("input past end of file", reading, true);
    std::string raw;
    for (int c = peek(); c >= 0 && !isLineEnd(c); c = peek()) {
        // Up to the next line end, or one byte past the limit.
        const std::size_t stop = std::min(end_, pos_ + longestText + 1 - raw.size());
        const char* const from = buffer_.get() + pos_;
        const auto* const to = std::find_if(from, static_cast<const char*>(buffer_.get() + stop), [](char b) { return isLineEnd(b); });
        raw.append(from, to);
        pos_ += static_cast<std::size_t>(to - from);
        if (raw.size() > longestText)
            failTooLong("line", reading);
    }
    if (peek() >= 0)
        consumeLineEnd();
    afterComma_ = false;
    took(raw);
    return raw;
}

// Moves to where the next field begins. Blank lines between fields are
// skipped, but a comma followed by the line end (or the file end) leaves an
// empty field there.
void SequentialFile::startField(Reading reading)
{
    if (!isOpen())
        fail("the file is not open", reading);
    for (;;) {
        skipBlanks();
        fieldLine_ = line_;
        const int c = peek();
        if (c < 0 && !afterComma_)
            fail("input past end of file", reading, true);
        if (c < 0 || !isLineEnd(c) || afterComma_)
            return;
        consumeLineEnd();
    }
}

void SequentialFile::endField()
{
    skipBlanks();
    afterComma_ = peek() == ',';
    if (afterComma_)
        ++pos_;
    else if (isLineEnd(peek()))
        consumeLineEnd();
    // Anything else begins the next field: blanks alone separated the two.
}

std::int32_t SequentialFile::readAnyInt32(Reading reading)
{
    startField(reading);
    // However long the field, it is taken a buffer's worth at a time, and
    // once it can be no number, the rest of it is not read. A number is no
    // text: its bytes do not count for the character set.
    NumberField number;
    while (!endsNumber(peek()) && !number.settled()) {
        const char* const from = buffer_.get() + pos_;
        const auto* const to = std::find_if(from, static_cast<const char*>(buffer_.get() + end_), [](char b) { return endsNumber(static_cast<unsigned char>(b)); });
        const std::string_view piece(from, static_cast<std::size_t>(to - from));
        number.add(piece);
        pos_ += piece.size();
    }
    if (number.empty())
        fail("expected a number, found an empty field", reading);
    std::int32_t value = 0;
    switch (number.value(value)) {
    case NumberField::Verdict::Ok:
        break;
    case NumberField::Verdict::NotANumber:
        fail("expected a number, found " + quoted(number.start()), reading);
    case NumberField::Verdict::OutOfRange:
        fail(excerpt(number.start()) + " is outside the 32-bit range -2147483648 to 2147483647", reading);
    }
    endField();
    return value;
}

std::string SequentialFile::readString(Reading reading)
{
    startField(reading);
    // The field, from its first byte to its end, holds longestText bytes
    // at most; what is dropped after a closing quote counts too.
    const std::size_t first = position();
    std::string raw;  // the value
    const auto next = [&] {
        if (position() - first == longestText)
            failTooLong("field", reading);
        ++pos_;
    };
    const bool quotedText = peek() == '"';
    if (quotedText) {
        next();
        for (int c = peek(); c != '"'; c = peek()) {
            if (c < 0 || isLineEnd(c))
                fail("a quoted text has no closing quote on its line", reading);
            raw += static_cast<char>(c);
            next();
        }
        next();
        std::string dropped;
        for (int c = peek(); !endsText(c); c = peek()) {
            dropped += static_cast<char>(c);
            next();
        }
        took("\"" + raw + "\"" + dropped);
    } else {
        for (int c = peek(); !endsText(c); c = peek()) {
            raw += static_cast<char>(c);
            next();
        }
        took(raw);
        while (!raw.empty() && isBlank(raw.back()))
            raw.pop_back();
    }
    endField();
    return raw;
}

}  // namespace runtime
