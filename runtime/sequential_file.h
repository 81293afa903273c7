#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace runtime {

// What a read is for, as the error report names it: "the y value of point 5"
// is {"the y value of point", 5}. Kept as two parts so that a read allocates
// nothing unless it fails.
struct Reading {
    std::string_view what;
    int index = 0;
};

// Sequential text input from one file in the current directory: whole lines
// first, then a stream of comma-separated fields. The file's bytes are taken
// in whole at open; texts come back as UTF-8 (the file is read as UTF-8 when
// it is valid UTF-8, else as Latin-1). Every failure is a RuntimeError naming
// the file, the line and the read; the file is closed by then.
class SequentialFile {
public:
    explicit SequentialFile(std::string name);
    // Text already in memory, read by the same rules under the given name
    // (the fuzzer feeds the reader this way).
    SequentialFile(std::string name, std::string_view bytes);
    ~SequentialFile();
    SequentialFile(const SequentialFile&) = delete;
    SequentialFile& operator=(const SequentialFile&) = delete;

    // The next line up to, not including, its line end (CR LF, LF or CR).
    std::string readLine(Reading reading);
    // A decimal number field; a fraction rounds to the nearest integer,
    // halves to even. Fails on an empty field, a non-number, or a value
    // outside the 32-bit signed range.
    inline std::int32_t readInt32(Reading reading);
    // A text field: quoted ("..." with commas kept) or running to the next
    // comma or line end, without its leading and trailing blanks.
    std::string readString(Reading reading);

    void close();
    bool isOpen() const { return bytes_ != nullptr; }
    const std::string& name() const { return name_; }
    // The line the next read starts on (1 for the first).
    int line() const { return line_; }
    // The line on which the last field read began.
    int fieldLine() const { return fieldLine_; }
    // How many bytes the file holds, fixed at open.
    std::size_t size() const { return size_; }
    // How many bytes have been read so far.
    std::size_t position() const { return pos_; }

private:
    [[noreturn]] void fail(std::string problem, Reading reading);
    void skipBlanks();
    void consumeLineEnd();
    void startField(Reading reading);
    void endField();
    std::int32_t readInt32Carefully(Reading reading);
    std::string decode(std::string_view raw) const;
    int lineOfLastByte() const;

    std::string name_;
    std::unique_ptr<char[]> bytes_;  // size_ bytes and a NUL after them
    std::size_t size_ = 0;
    std::size_t pos_ = 0;
    int line_ = 1;
    int fieldLine_ = 0;
    bool afterComma_ = false;
    bool latin1_ = false;
};

// The common case, inline and in one pass: an optional minus, one to ten
// digits, then a comma or a line feed. Anything else (blanks, a fraction,
// CR, an empty field, the end of the file) takes the careful path, which
// starts over from the same place.
std::int32_t SequentialFile::readInt32(Reading reading)
{
    const char* const data = bytes_.get();
    std::size_t p = pos_;
    if (p >= size_)
        return readInt32Carefully(reading);
    const bool negative = data[p] == '-';
    p += negative;
    const std::size_t digits = p;
    std::int64_t value = 0;
    // The byte after the file's last is a NUL, which stops this scan.
    while (static_cast<unsigned char>(data[p] - '0') < 10 && p - digits < 10)
        value = value * 10 + (data[p++] - '0');
    if (p == digits || p >= size_)
        return readInt32Carefully(reading);
    value = negative ? -value : value;
    if (value < INT32_MIN || value > INT32_MAX)
        return readInt32Carefully(reading);
    if (data[p] == ',') {
        afterComma_ = true;
    } else if (data[p] == '\n') {
        afterComma_ = false;
        fieldLine_ = line_++;
        pos_ = p + 1;
        return static_cast<std::int32_t>(value);
    } else {
        return readInt32Carefully(reading);
    }
    fieldLine_ = line_;
    pos_ = p + 1;
    return static_cast<std::int32_t>(value);
}

}  // namespace runtime
