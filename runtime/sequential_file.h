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
    ~SequentialFile();
    SequentialFile(const SequentialFile&) = delete;
    SequentialFile& operator=(const SequentialFile&) = delete;

    // The next line up to, not including, its line end (CR LF, LF or CR).
    std::string readLine(Reading reading);
    // A decimal number field; a fraction rounds to the nearest integer,
    // halves to even. Fails on an empty field, a non-number, or a value
    // outside the 32-bit signed range.
    std::int32_t readInt32(Reading reading);
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
    std::string decode(std::string_view raw) const;
    int lineOfLastByte() const;

    std::string name_;
    std::unique_ptr<char[]> bytes_;
    std::size_t size_ = 0;
    std::size_t pos_ = 0;
    int line_ = 1;
    int fieldLine_ = 0;
    bool afterComma_ = false;
    bool latin1_ = false;
};

}  // namespace runtime
