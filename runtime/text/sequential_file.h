#pragma once

#include "runtime/error/runtime_error.h"
#include "runtime/text/number_field.h"
#include "runtime/text/regular_file.h"
#include "runtime/text/text_encoding.h"

#include <cstddef>
#include <cstdint>
#include <memory>
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

// Sequential text input from one file: whole lines first, then a stream of
// fields. A field ends at a comma or at its line's end (CR LF, LF or CR);
// blanks (spaces and tabs) before a field are skipped, and so are blank
// lines between fields, but a comma at a line's end leaves an empty field.
// The file is read in one pass through a buffer of a megabyte, so a long
// file costs no memory of its size. Texts come back as the file's bytes;
// text() gives them as UTF-8 by the character set of the texts read so far
// (UTF-8 when all of them are valid UTF-8, else Latin-1). Every failure is a
// RuntimeError naming the file, the line and the read; the file is closed by then.
class SequentialFile {
public:
    explicit SequentialFile(std::string name);
    // Text already in memory, read by the same rules under the given name.
    SequentialFile(std::string name, std::string_view bytes);
    SequentialFile(const SequentialFile&) = delete;
    SequentialFile& operator=(const SequentialFile&) = delete;

    // The longest line and the longest text field, in bytes: a longer one is
    // an error, found without reading the rest of it.
    static constexpr std::size_t longestText = std::size_t{1} << 16;

    // The next line up to, not including, its line end.
    std::string readLine(Reading reading);
    // A number field, as NumberField reads it; an empty field, a non-number
    // or a value outside the 32-bit signed range fails. Blanks end a number
    // as a comma does.
    std::int32_t readInt32(Reading reading);
    // A text field: quoted ("..." with commas kept, whatever follows the
    // closing quote dropped) or running to the next comma or line end,
    // without its trailing blanks.
    std::string readString(Reading reading);
    // `rows` pairs of numbers, appended to `firsts` and `seconds`, each
    // read named as `first` or `second` with its row added to the index.
    // Returns the line on which the last pair began, 0 when there is none.
    LineNumber readInt32Pairs(std::vector<std::int32_t>& firsts, std::vector<std::int32_t>& seconds, std::size_t rows,
                              Reading first, Reading second);

    // The format's two kinds of space: blanks, and the bytes that end a line.
    static bool isBlank(int c) { return c == ' ' || c == '\t'; }
    static bool isLineEnd(int c) { return c == '\n' || c == '\r'; }

    // A text read from this file, as UTF-8.
    std::string text(std::string_view raw) const;

    void close();
    bool isOpen() const { return buffer_ != nullptr; }
    const std::string& name() const { return name_; }
    // The line on which the last field read began.
    LineNumber fieldLine() const { return fieldLine_; }
    // How many bytes the file held at open, and how many have been read.
    std::size_t size() const { return size_; }
    std::size_t position() const { return base_ + pos_; }
    // Whether the reading failed because the file could not be read (an
    // I/O error), not for what it holds.
    bool failedToRead() const { return failedToRead_; }
    // Up to the last `bytes` bytes of the file as it stands, without moving
    // the reading; empty once closed or when they cannot be read.
    std::string tail(std::size_t bytes) const;

private:
    // Zeros after the bytes held, so that NumberField::plainStart may read past them.
    static constexpr std::size_t zeros = 16;

    // At least `bytes` bytes from the reader on, unless the file ends first.
    void fill(std::size_t bytes);
    int peek()
    {
        if (pos_ == end_)
            fill(1);
        return pos_ < end_ ? static_cast<unsigned char>(buffer_[pos_]) : -1;
    }
    [[noreturn]] void fail(std::string problem, Reading reading, bool atEnd = false);
    [[noreturn]] void failTooLong(std::string_view what, Reading reading);
    void skipBlanks();
    void consumeLineEnd();
    void startField(Reading reading);
    void endField();
    // Every field and line read goes by here, for the character set.
    void took(std::string_view raw);

    std::string name_;
    FileHandle file_;  // not open for text in memory
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;
    std::size_t base_ = 0;  // the offset in the file of buffer_[0]
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool atEnd_ = false;
    bool failedToRead_ = false;
    char lastByte_ = '\0';  // the last byte the buffer took
    std::size_t size_ = 0;
    LineNumber line_ = 1;
    LineNumber fieldLine_ = 0;
    bool afterComma_ = false;
    Utf8Check charset_;
};

}  // namespace runtime
