#pragma once

#include "runtime/text/byte_window.h"
#include "runtime/text/plain_field.h"
#include "runtime/text/read_ahead.h"
#include "runtime/text/regular_file.h"
#include "runtime/error/runtime_error.h"
#include "runtime/text/text_encoding.h"

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

// What a read is for, as the error report names it: "the y value of point 5"
// is {"the y value of point", 5}. Kept as two parts so that a read allocates
// nothing unless it fails.
struct Reading {
    std::string_view what;
    int index = 0;
};

// How runs of numbers are read: in bulk (scanned ahead in blocks, whole
// records at a time, on a second thread too), or one by one, the plain way
// that the bulk readings are compared with.
enum class NumberReading { InBulk, OneByOne };

// How a file is read. The defaults suit every chart; the others reach the
// reader's edges more often (a small window, small blocks, the second
// thread from the shortest run on or never, the numbers one by one, a line
// count started high).
struct ReadingOptions {
    static constexpr std::size_t noHelper = std::numeric_limits<std::size_t>::max();
    // A megabyte at a time: reads of that size are fast, and the window
    // stays in the cache. At least 64 bytes.
    std::size_t windowBytes = std::size_t{1} << 20;
    // A run of numbers is scanned ahead (see readNumbersAhead) on a second
    // thread too when more than this many bytes are left, in blocks of
    // about this many bytes: large enough that handing a block over costs
    // nothing, small enough that a few stay in the cache.
    std::size_t helperFrom = std::size_t{1} << 20;
    std::size_t aheadBlockBytes = std::size_t{1} << 20;
    NumberReading numbers = NumberReading::InBulk;
    LineNumber firstLine = 1;
};

// Sequential text input from one file in the current directory: whole lines
// first, then a stream of comma-separated fields. The file is read through a
// window of its bytes, so a long file costs no memory of its size. Texts come
// back as the file's bytes; text() gives them as UTF-8, by the character set
// of what has been read so far (UTF-8 when all of it is valid UTF-8, else
// Latin-1). Every failure is a RuntimeError naming the file, the line and the
// read; the file is closed by then.
class SequentialFile {
public:
    explicit SequentialFile(std::string name, ReadingOptions options = {});
    // Text already in memory, read by the same rules under the given name.
    SequentialFile(std::string name, std::string_view bytes, ReadingOptions options = {});
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
    // began, 0 when there is none. In bulk, records scanned ahead are taken whole.
    template <class Naming>
    LineNumber readInt32Records(std::span<std::vector<std::int32_t>* const> columns, std::size_t rows,
                                Naming naming);

    // A hint: a run of number fields follows. In bulk, they are scanned
    // ahead in blocks (on a second thread too, when enough bytes are left),
    // and the number reads take the values of a block on arriving at its
    // start. What is read, errors included, stays the same.
    void readNumbersAhead();

    // A text read from this file, as UTF-8.
    std::string text(std::string_view raw) const;

    void close();
    bool isOpen() const { return window_.has_value(); }
    const std::string& name() const { return name_; }
    const ReadingOptions& options() const { return options_; }
    // The line on which the last field read began.
    LineNumber fieldLine() const { return fieldLine_; }
    // How many bytes the file held at open.
    std::size_t size() const { return size_; }
    // How many bytes have been read so far.
    std::size_t position() const;
    // Up to the last `bytes` bytes of the file as it stands, without moving
    // the reading; empty once closed or when they cannot be read.
    std::string tail(std::size_t bytes) const;
    // The file as it stands now (all zero for text in memory, or once closed).
    FileIdentity identity() const { return file_.isOpen() ? file_.identity() : FileIdentity{}; }

private:
    // Whether the reader is at the start of the block scanned ahead that it comes to next.
    bool atAhead() const { return window_->offset() == aheadAt_; }
    // Having come to or past that block's start: past the blocks left
    // behind, and whether it is at one.
    bool reachAhead();
    void arriveAhead();
    // On to the next block scanned ahead.
    void passBlock();
    // At a record's start where the scan ahead runs: up to `rows` whole
    // records from it; how many, and through `recordLine` the line the last
    // of them began on.
    std::size_t takeAheadRecords(std::span<std::vector<std::int32_t>* const> columns, std::size_t rows,
                                 LineNumber& recordLine);
    // Back to reading the bytes, just past the values taken from the block, and on to the next.
    void leaveAhead();
    void dropAhead();
    void fill(std::size_t bytes);
    int peek()
    {
        if (window_->pos() == window_->end())
            fill(1);
        return window_->peek();
    }
    // A plain field fits in this many bytes, with room to spare; the window
    // holds as many from the reader on, unless the file ends first.
    static constexpr std::size_t lookahead = 24;

    [[noreturn]] void fail(std::string problem, Reading reading, bool atEnd = false);
    [[noreturn]] void failTooLong(std::string_view what, Reading reading);
    void skipBlanks();
    void consumeLineEnd();
    void startField(Reading reading);
    void endField();
    std::int32_t readInt32Carefully(Reading reading);
    // Every text read goes by here, for the character set.
    std::string took(std::string raw);
    LineNumber lineOfLastByte() const;

    std::string name_;
    ReadingOptions options_;
    FileHandle file_;                  // not open for text in memory
    std::unique_ptr<char[]> memory_;   // text in memory, ended by endText
    std::optional<ByteWindow> window_; // while open
    std::size_t size_ = 0;
    LineNumber line_ = 1;
    LineNumber fieldLine_ = 0;
    bool afterComma_ = false;
    Utf8Check charset_;  // the texts read, each followed by a line end
    // The scan ahead, the start of the block the reader comes to next, and
    // how many of its values were taken.
    std::unique_ptr<ReadAhead> ahead_;
    std::size_t aheadAt_ = std::numeric_limits<std::size_t>::max();
    std::size_t taken_ = 0;
    std::size_t aheadCount_ = 0;  // once the reader has arrived
};

}  // namespace runtime

// The inline number reads, which every reader of numbers needs.
#include "runtime/text/sequential_numbers.h"
