#pragma once

#include "plain_field.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace runtime {

class ReadAhead;

// What a read is for, as the error report names it: "the y value of point 5"
// is {"the y value of point", 5}. Kept as two parts so that a read allocates
// nothing unless it fails.
struct Reading {
    std::string_view what;
    int index = 0;
};

// Sequential text input from one file in the current directory: whole lines
// first, then a stream of comma-separated fields. The file is read through a
// small buffer, so a long file costs no memory of its size; texts come back
// as UTF-8 (the file is read as UTF-8 when the whole of it is valid UTF-8,
// else as Latin-1). Every failure is a RuntimeError naming the file, the line
// and the read; the file is closed by then.
class SequentialFile {
public:
    // How runs of numbers are read: in bulk (whole records at a time, and
    // far ahead on a second thread), or one by one, the plain way that the
    // tests and the fuzzer compare the bulk readings with.
    enum class Numbers { InBulk, OneByOne };

    // The buffer is a megabyte unless a size is given (at least 64 bytes);
    // the tests and the fuzzer read through small ones to reach its edges
    // often. A run of numbers is read ahead (see readNumbersAhead) when more
    // than `readAheadBytes` are left; the tests and the fuzzer set it to 0.
    explicit SequentialFile(std::string name, std::size_t bufferBytes = std::size_t{1} << 20,
                            std::size_t readAheadBytes = std::size_t{1} << 20, Numbers numbers = Numbers::InBulk);
    // Text already in memory, read by the same rules under the given name
    // (the fuzzer feeds the reader this way).
    SequentialFile(std::string name, std::string_view bytes, std::size_t readAheadBytes = std::size_t{1} << 20,
                   Numbers numbers = Numbers::InBulk);
    static constexpr std::size_t noReadAhead = std::numeric_limits<std::size_t>::max();
    ~SequentialFile();
    SequentialFile(const SequentialFile&) = delete;
    SequentialFile& operator=(const SequentialFile&) = delete;

    // The longest line readLine takes, and the longest field readString
    // takes, in bytes: a longer one is an error, found without reading
    // the rest of it. No chart has texts of this length.
    static constexpr std::size_t longestText = std::size_t{1} << 16;

    // The next line up to, not including, its line end (CR LF, LF or CR).
    std::string readLine(Reading reading);
    // A decimal number field; a fraction rounds to the nearest integer,
    // halves to even. Fails on an empty field, a non-number, or a value
    // outside the 32-bit signed range.
    inline std::int32_t readInt32(Reading reading);
    // A text field: quoted ("..." with commas kept) or running to the next
    // comma or line end, without its leading and trailing blanks.
    std::string readString(Reading reading);
    // `rows` records of one number per column, read as readInt32 reads them
    // one after another and appended to the columns; `naming(row, column)`
    // gives the Reading of each. Returns the line on which the last record
    // began, 0 when there is none. In bulk, records of plain fields are read
    // straight from the buffer, and records scanned ahead are taken whole.
    template <class Naming>
    int readInt32Records(std::span<std::vector<std::int32_t>* const> columns, std::size_t rows, Naming naming);

    // A hint: a long run of number fields follows, `fields` at most. When
    // enough bytes are left, the far part of them is scanned on a second
    // thread meanwhile, and the number reads take its values on arriving
    // there. What is read, errors included, stays the same.
    void readNumbersAhead(std::size_t fields);

    void close();
    bool isOpen() const { return buffer_ != nullptr; }
    const std::string& name() const { return name_; }
    // The line the next read starts on (1 for the first).
    int line() const { return line_; }
    // The line on which the last field read began.
    int fieldLine() const { return fieldLine_; }
    // How many bytes the file held at open.
    std::size_t size() const { return size_; }
    // How many bytes have been read so far.
    std::size_t position() const;

private:
    // Makes at least `bytes` bytes available from pos_ unless the file ends first.
    void fill(std::size_t bytes);
    std::size_t readSome(std::size_t at, std::size_t count);
    // Whether the k-th value scanned ahead ended its line.
    bool aheadEndsLine(std::size_t k) const { return (aheadLineEnds_[k / 64] >> (k % 64)) & 1; }
    // Waits for the scan ahead, on arriving where it began.
    void arriveAhead();
    // At a record's start where the scan ahead runs: up to `rows` whole
    // records from it, appended to the columns; how many, and through
    // `recordLine` the line the last of them began on.
    std::size_t takeAheadRecords(std::span<std::vector<std::int32_t>* const> columns, std::size_t rows,
                                 int& recordLine);
    // At a record's start: up to `rows` whole records of plain fields from
    // the buffer, appended to the columns; how many, and through
    // `recordLine` the line the last of them began on. Stops short of the
    // buffer's last bytes and of the scan ahead.
    std::size_t readPlainRecords(std::span<std::vector<std::int32_t>* const> columns, std::size_t rows,
                                 int& recordLine);
    template <std::size_t fixedWidth>
    std::size_t readPlainRecordsOf(std::span<std::vector<std::int32_t>* const> columns, std::size_t rows,
                                   int& recordLine);
    // Back to reading the bytes, just past the values taken from the scan ahead.
    void leaveAhead();
    // Stops the scan ahead and forgets it.
    void dropAhead();
    // The byte at pos_, or -1 at the end of the file.
    int peek()
    {
        if (pos_ == end_)
            fill(1);
        return pos_ < end_ ? static_cast<unsigned char>(buffer_[pos_]) : -1;
    }
    // The bookkeeping after a number field read by the fast paths.
    void fieldEnded(bool endsLine)
    {
        fieldLine_ = line_;
        line_ += endsLine;
        afterComma_ = !endsLine;
    }
    // A plain field fits in this many bytes, with room to spare; the buffer
    // holds as many from the reader on, unless the file ends first.
    static constexpr std::size_t lookahead = 24;

    [[noreturn]] void fail(std::string problem, Reading reading, bool atEnd = false);
    [[noreturn]] void failTooLong(std::string_view what, Reading reading);
    void skipBlanks();
    void consumeLineEnd();
    void startField(Reading reading);
    void endField();
    std::int32_t readInt32Carefully(Reading reading);
    std::string decode(std::string_view raw);
    bool wholeFileIsUtf8();
    int lineOfLastByte() const;

    std::string name_;
    int fd_ = -1;  // -1 for text in memory
    std::unique_ptr<char[]> buffer_;  // the window on the file, ended by endText
    std::size_t capacity_ = 0;
    std::size_t base_ = 0;  // the file offset of buffer_[0]
    std::size_t pos_ = 0;   // the next byte to read, in buffer_
    std::size_t end_ = 0;   // the end of what buffer_ holds
    bool atFileEnd_ = false;
    char lastByte_ = '\0';  // the file's last byte, once it is reached
    std::size_t size_ = 0;
    int line_ = 1;
    int fieldLine_ = 0;
    bool afterComma_ = false;
    std::optional<bool> latin1_;  // decided at the first text that is not ASCII
    // The scan ahead, its start while the reader has not passed it, and how
    // many of its values were taken.
    std::size_t readAheadBytes_;
    Numbers numbers_;
    std::unique_ptr<ReadAhead> ahead_;
    std::size_t aheadAt_ = std::numeric_limits<std::size_t>::max();
    std::size_t taken_ = 0;
    // The scan's findings, once the reader has arrived.
    const std::int32_t* aheadValues_ = nullptr;
    const std::uint64_t* aheadLineEnds_ = nullptr;
    std::size_t aheadCount_ = 0;
};

template <class Naming>
int SequentialFile::readInt32Records(std::span<std::vector<std::int32_t>* const> columns, std::size_t rows,
                                     Naming naming)
{
    int recordLine = 0;
    for (std::size_t row = 0; row < rows;) {
        if (base_ + pos_ == aheadAt_) {
            if (const std::size_t taken = takeAheadRecords(columns, rows - row, recordLine)) {
                row += taken;
                continue;
            }
        }
        if (numbers_ == Numbers::InBulk) {
            if (const std::size_t read = readPlainRecords(columns, rows - row, recordLine)) {
                row += read;
                continue;
            }
        }
        for (std::size_t column = 0; column < columns.size(); ++column) {
            columns[column]->push_back(readInt32(naming(row, column)));
            if (column == 0)
                recordLine = fieldLine();
        }
        ++row;
    }
    return recordLine;
}

// The common case, inline and in one pass: an optional minus, one to ten
// digits, then a comma or a line end (LF or CR LF). Anything else (blanks, a
// fraction, a lone CR, an empty field, the end of the file) takes the
// careful path, which starts over from the same place.
std::int32_t SequentialFile::readInt32(Reading reading)
{
    if (base_ + pos_ == aheadAt_) {
        if (taken_ == 0)
            arriveAhead();
        // The field is the next of those scanned ahead, read as below.
        if (taken_ < aheadCount_) {
            const std::size_t k = taken_++;
            fieldEnded(aheadEndsLine(k));
            const std::int32_t value = aheadValues_[k];
            if (taken_ == aheadCount_)
                leaveAhead();
            return value;
        }
    }
    if (end_ - pos_ < lookahead && !atFileEnd_)
        fill(lookahead);
    if (pos_ >= end_)
        return readInt32Carefully(reading);
    const PlainField field = plainField(buffer_.get() + pos_, end_ - pos_);
    if (field.length == 0)
        return readInt32Carefully(reading);
    fieldEnded(field.endsLine);
    pos_ += field.length;
    return field.value;
}

}  // namespace runtime
