#include "sequential_file.h"

#include "number_text.h"
#include "read_ahead.h"
#include "regular_file.h"
#include "runtime_error.h"
#include "text_encoding.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <sched.h>
#include <unistd.h>

namespace runtime {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isLineEnd(char c) { return c == '\n' || c == '\r'; }
// Where an unquoted number ends: blanks separate numbers as commas do.
bool endsNumber(char c) { return c == ',' || isBlank(c) || isLineEnd(c); }

std::string describe(Reading reading)
{
    std::string text(reading.what);
    if (reading.index > 0)
        text += " " + std::to_string(reading.index);
    return text;
}

// A field's text for a message, as every report quotes it.
std::string quoted(std::string_view token) { return "\"" + excerpt(token) + "\""; }

}  // namespace

SequentialFile::SequentialFile(std::string name, std::size_t bufferBytes, std::size_t readAheadBytes, Numbers numbers)
    : name_(std::move(name)), readAheadBytes_(readAheadBytes), numbers_(numbers)
{
    // A megabyte at a time by default: reads of that size are fast, and the
    // buffer stays in the cache.
    capacity_ = std::max<std::size_t>(bufferBytes, 64);
    buffer_ = std::make_unique_for_overwrite<char[]>(capacity_ + zerosAfterText);
    endText(buffer_.get());
    const OpenedFile file = openRegularFile(name_);
    fd_ = file.descriptor;
    size_ = file.size;
}

SequentialFile::SequentialFile(std::string name, std::string_view bytes, std::size_t readAheadBytes, Numbers numbers)
    : name_(std::move(name)),
      buffer_(std::make_unique_for_overwrite<char[]>(bytes.size() + zerosAfterText)),
      capacity_(bytes.size()),
      end_(bytes.size()),
      atFileEnd_(true),
      lastByte_(bytes.empty() ? '\0' : bytes.back()),
      size_(bytes.size()),
      latin1_(!isValidUtf8(bytes)),
      readAheadBytes_(readAheadBytes),
      numbers_(numbers)
{
    std::copy(bytes.begin(), bytes.end(), buffer_.get());
    endText(buffer_.get() + end_);
}

SequentialFile::~SequentialFile() { close(); }

void SequentialFile::close()
{
    dropAhead();
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    buffer_.reset();
    pos_ = end_ = 0;
    atFileEnd_ = true;
}

// Reads up to `count` bytes into buffer_ at `at`; 0 at the end of the file.
std::size_t SequentialFile::readSome(std::size_t at, std::size_t count)
{
    const ReadResult read = readFully(fd_, buffer_.get() + at, count, base_ + at);
    if (read.error != 0) {
        close();
        throw RuntimeError(std::string("cannot be read: ") + std::strerror(read.error), name_);
    }
    return read.got;
}

void SequentialFile::fill(std::size_t bytes)
{
    if (!buffer_ || atFileEnd_)
        return;
    // What is not read yet moves to the front; the rest of the buffer takes more.
    if (pos_ > 0) {
        std::memmove(buffer_.get(), buffer_.get() + pos_, end_ - pos_);
        base_ += pos_;
        end_ -= pos_;
        pos_ = 0;
    }
    while (end_ < bytes && end_ < capacity_ && !atFileEnd_) {
        const std::size_t got = readSome(end_, capacity_ - end_);
        if (got == 0) {
            atFileEnd_ = true;
            break;
        }
        end_ += got;
        lastByte_ = buffer_[end_ - 1];
    }
    endText(buffer_.get() + end_);
}

std::size_t SequentialFile::position() const
{
    if (base_ + pos_ == aheadAt_ && taken_ > 0)
        return ahead_->offsetAfter(taken_);
    return base_ + pos_;
}

void SequentialFile::readNumbersAhead(std::size_t fields)
{
    const std::size_t from = position();
    if (!isOpen() || ahead_ || numbers_ == Numbers::OneByOne || from >= size_
        || size_ - from <= std::max<std::size_t>(readAheadBytes_, 1))
        return;
    // A second core or nothing to gain: the cores this process may run on.
    cpu_set_t cores;
    if (::sched_getaffinity(0, sizeof cores, &cores) != 0 || CPU_COUNT(&cores) < 2)
        return;
    // The scan starts at the first line start past 55% of what is left: the
    // reader, taking whole records from its buffer, goes faster than the
    // scan, which keeps its findings for later, and so arrives as the scan
    // ends. Lines of numbers are short, so the line start is looked for a
    // little way only.
    constexpr std::size_t lookFor = std::size_t{1} << 16;
    std::size_t start = from + (size_ - from) / 20 * 11;
    if (fd_ < 0) {
        const void* lineEnd = std::memchr(buffer_.get() + start - 1, '\n', std::min(size_ - start + 1, lookFor));
        if (!lineEnd)
            return;
        start = static_cast<std::size_t>(static_cast<const char*>(lineEnd) - buffer_.get()) + 1;
    } else {
        char piece[4096];
        for (std::size_t at = start - 1;; at += sizeof piece) {
            const std::size_t got = readFully(fd_, piece, sizeof piece, at).got;
            if (got == 0 || at - (start - 1) >= lookFor)
                return;
            if (const void* lineEnd = std::memchr(piece, '\n', got)) {
                start = at + static_cast<std::size_t>(static_cast<const char*>(lineEnd) - piece) + 1;
                break;
            }
        }
    }
    if (start >= size_)
        return;
    try {
        ahead_ = std::make_unique<ReadAhead>(fd_, std::string_view(buffer_.get(), fd_ < 0 ? end_ : 0), start, size_,
                                             fields);
    } catch (const std::exception&) {
        return;  // no thread to be had: everything is read in order, as it would be anyway
    }
    aheadAt_ = start;
    taken_ = 0;
}

void SequentialFile::arriveAhead()
{
    ahead_->finish();
    aheadValues_ = ahead_->values();
    aheadLineEnds_ = ahead_->lineEnds();
    aheadCount_ = ahead_->count();
    if (aheadCount_ == 0)
        leaveAhead();
}

// With the width known when compiled, the columns stay in registers; a
// chart's points are two.
template <std::size_t fixedWidth>
std::size_t SequentialFile::readPlainRecordsOf(std::span<std::vector<std::int32_t>* const> columns, std::size_t rows,
                                               int& recordLine)
{
    const std::size_t width = fixedWidth ? fixedWidth : columns.size();
    const char* const data = buffer_.get();
    std::size_t p = pos_;
    // Fields start here at most: a field and its end fit in the bytes left,
    // and the reader stops where the scan ahead begins.
    std::size_t limit = end_ >= lookahead ? end_ - lookahead + 1 : 0;
    if (aheadAt_ >= base_ + p)
        limit = std::min(limit, aheadAt_ - base_);
    int line = line_;
    bool endsLine = false;  // whether the last whole record ended its line
    bool fieldEndsLine = false;
    std::size_t read = 0;
    for (; read < rows; ++read) {
        const std::size_t start = p;
        const int startLine = line;
        std::size_t column = 0;
        for (; column < width; ++column) {
            if (p >= limit)
                break;
            const PlainField field = plainField(data + p, end_ - p);
            if (field.length == 0)
                break;
            columns[column]->push_back(field.value);
            p += field.length;
            line += field.endsLine;
            fieldEndsLine = field.endsLine;
        }
        // A record cut short is left to be read field by field.
        if (column < width) {
            for (std::size_t k = 0; k < column; ++k)
                columns[k]->pop_back();
            p = start;
            line = startLine;
            break;
        }
        recordLine = startLine;
        endsLine = fieldEndsLine;
    }
    if (read > 0) {
        pos_ = p;
        line_ = line;
        fieldLine_ = line - endsLine;
        afterComma_ = !endsLine;
    }
    return read;
}

std::size_t SequentialFile::readPlainRecords(std::span<std::vector<std::int32_t>* const> columns, std::size_t rows,
                                             int& recordLine)
{
    if (!buffer_ || columns.empty())
        return 0;
    if (columns.size() == 2)
        return readPlainRecordsOf<2>(columns, rows, recordLine);
    return readPlainRecordsOf<0>(columns, rows, recordLine);
}

std::size_t SequentialFile::takeAheadRecords(std::span<std::vector<std::int32_t>* const> columns, std::size_t rows,
                                             int& recordLine)
{
    if (taken_ == 0)
        arriveAhead();
    const std::size_t width = columns.size();
    if (base_ + pos_ != aheadAt_ || width == 0)
        return 0;
    rows = std::min(rows, (aheadCount_ - taken_) / width);
    if (rows == 0)
        return 0;
    for (std::size_t column = 0; column < width; ++column) {
        std::vector<std::int32_t>& values = *columns[column];
        values.reserve(values.size() + rows);
        const std::int32_t* from = aheadValues_ + taken_ + column;
        for (std::size_t row = 0; row < rows; ++row, from += width)
            values.push_back(*from);
    }
    // The lines as readInt32 would have counted them, field by field.
    const auto lineEndsBefore = [&](std::size_t end) {
        std::size_t count = 0;
        for (std::size_t k = taken_; k < end;) {
            if (k % 64 == 0 && end - k >= 64) {
                count += static_cast<std::size_t>(std::popcount(aheadLineEnds_[k / 64]));
                k += 64;
            } else {
                count += aheadEndsLine(k);
                ++k;
            }
        }
        return static_cast<int>(count);
    };
    const std::size_t last = taken_ + rows * width - 1;
    recordLine = line_ + lineEndsBefore(last + 1 - width);
    fieldLine_ = line_ + lineEndsBefore(last);
    const bool endsLine = aheadEndsLine(last);
    line_ = fieldLine_ + endsLine;
    afterComma_ = !endsLine;
    taken_ = last + 1;
    if (taken_ == aheadCount_)
        leaveAhead();
    return rows;
}

void SequentialFile::leaveAhead()
{
    if (taken_ > 0) {
        const std::size_t offset = ahead_->offsetAfter(taken_);
        if (fd_ < 0) {
            pos_ = offset;
        } else {
            // Until the buffer is filled again, the last byte read is the
            // separator of the last value taken.
            lastByte_ = aheadEndsLine(taken_ - 1) ? '\n' : ',';
            base_ = offset;
            pos_ = end_ = 0;
            atFileEnd_ = false;
            endText(buffer_.get());
        }
    }
    dropAhead();
}

void SequentialFile::dropAhead()
{
    ahead_.reset();
    aheadAt_ = std::numeric_limits<std::size_t>::max();
    taken_ = 0;
    aheadValues_ = nullptr;
    aheadLineEnds_ = nullptr;
    aheadCount_ = 0;
}

int SequentialFile::lineOfLastByte() const
{
    if (lastByte_ == '\n' || lastByte_ == '\r')
        return line_ > 1 ? line_ - 1 : 1;
    return line_;
}

void SequentialFile::fail(std::string problem, Reading reading, bool atEnd)
{
    const int line = atEnd ? lineOfLastByte() : line_;
    close();
    throw RuntimeError(std::move(problem), name_, line, describe(reading));
}

void SequentialFile::failTooLong(std::string_view what, Reading reading)
{
    fail("the " + std::string(what) + " is longer than the limit of " + std::to_string(longestText) + " bytes",
         reading);
}

void SequentialFile::skipBlanks()
{
    for (int c = peek(); c == ' ' || c == '\t'; c = peek())
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

// ASCII reads the same in either character set; only a text with other
// bytes needs the whole file's verdict, taken once, on the side.
std::string SequentialFile::decode(std::string_view raw)
{
    if (std::all_of(raw.begin(), raw.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return std::string(raw);
    if (!latin1_)
        latin1_ = !wholeFileIsUtf8();
    return *latin1_ ? latin1ToUtf8(raw) : std::string(raw);
}

bool SequentialFile::wholeFileIsUtf8()
{
    if (fd_ < 0)
        return isValidUtf8({buffer_.get(), end_});
    Utf8Check check;
    constexpr std::size_t pieceBytes = std::size_t{1} << 16;
    const auto piece = std::make_unique_for_overwrite<char[]>(pieceBytes);
    for (std::size_t at = 0;; at += pieceBytes) {
        const ReadResult read = readFully(fd_, piece.get(), pieceBytes, at);
        check.feed({piece.get(), read.got});
        if (read.got < pieceBytes)
            break;
    }
    return check.valid();
}

std::string SequentialFile::readLine(Reading reading)
{
    if (taken_ > 0)
        leaveAhead();
    if (!isOpen())
        fail("the file is not open", reading);
    if (peek() < 0)
        fail("input past end of file", reading, true);
    std::string raw;
    for (;;) {
        // No further than one byte past the limit: an overlong line is
        // found without reading the rest of it.
        const std::size_t start = pos_;
        const std::size_t stop = std::min(end_, pos_ + (longestText + 1 - raw.size()));
        while (pos_ < stop && !isLineEnd(buffer_[pos_]))
            ++pos_;
        raw.append(buffer_.get() + start, pos_ - start);
        if (raw.size() > longestText)
            failTooLong("line", reading);
        if (pos_ < end_ || peek() < 0)
            break;
        if (isLineEnd(static_cast<char>(peek())))
            break;
    }
    if (peek() >= 0)
        consumeLineEnd();
    afterComma_ = false;
    return decode(raw);
}

// Moves to where the next field begins. Blank lines between fields are
// skipped, but a comma followed by the line end (or the file end) leaves an
// empty field there.
void SequentialFile::startField(Reading reading)
{
    if (taken_ > 0)
        leaveAhead();
    if (!isOpen())
        fail("the file is not open", reading);
    for (;;) {
        skipBlanks();
        fieldLine_ = line_;
        const int c = peek();
        if (c < 0) {
            if (afterComma_)
                return;
            fail("input past end of file", reading, true);
        }
        if (!isLineEnd(static_cast<char>(c)) || afterComma_)
            return;
        consumeLineEnd();
    }
}

void SequentialFile::endField()
{
    skipBlanks();
    afterComma_ = false;
    const int c = peek();
    if (c == ',') {
        ++pos_;
        afterComma_ = true;
    } else if (c >= 0 && isLineEnd(static_cast<char>(c))) {
        consumeLineEnd();
    }
    // Anything else begins the next field: blanks alone separated the two.
}

std::int32_t SequentialFile::readInt32Carefully(Reading reading)
{
    startField(reading);
    // However long the field, only its start and what decides its value
    // are kept; once it can be no number, the rest of it is not read.
    NumberText number;
    for (int c = peek(); c >= 0 && !endsNumber(static_cast<char>(c)) && !number.settled(); c = peek()) {
        number.add(static_cast<char>(c));
        ++pos_;
    }
    if (number.empty())
        fail("expected a number, found an empty field", reading);
    std::int32_t value = 0;
    switch (number.value(value)) {
    case NumberText::Verdict::Ok:
        break;
    case NumberText::Verdict::NotANumber:
        fail("expected a number, found " + quoted(number.start()), reading);
    case NumberText::Verdict::OutOfRange:
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
    const std::size_t first = base_ + pos_;
    const auto next = [&] {
        if (base_ + pos_ - first == longestText)
            failTooLong("field", reading);
        ++pos_;
    };
    std::string raw;
    const auto endsText = [](int c) { return c < 0 || c == ',' || isLineEnd(static_cast<char>(c)); };
    if (peek() == '"') {
        next();
        for (int c = peek(); c != '"'; c = peek()) {
            if (c < 0 || isLineEnd(static_cast<char>(c)))
                fail("a quoted text has no closing quote on its line", reading);
            raw += static_cast<char>(c);
            next();
        }
        next();
        // Whatever stands between the closing quote and the field's end is dropped.
        while (!endsText(peek()))
            next();
    } else {
        for (int c = peek(); !endsText(c); c = peek()) {
            raw += static_cast<char>(c);
            next();
        }
        while (!raw.empty() && isBlank(raw.back()))
            raw.pop_back();
    }
    endField();
    return decode(raw);
}

}  // namespace runtime
