#include "sequential_file.h"

#include "runtime_error.h"
#include "text_encoding.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
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

// A field's text for a message: quoted, control bytes escaped, cut when long.
std::string quoted(std::string_view token)
{
    constexpr std::size_t longest = 40;
    std::string text = "\"";
    for (std::size_t i = 0; i < token.size() && i < longest; ++i) {
        const auto c = static_cast<unsigned char>(token[i]);
        if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            text += escaped;
        } else {
            text += static_cast<char>(c);
        }
    }
    if (token.size() > longest)
        text += "...";
    return text + "\"";
}

std::string openProblem(int error)
{
    switch (error) {
    case ENOENT: return "file not found";
    case EACCES: return "permission denied";
    default: return std::strerror(error);
    }
}

enum class Parsed { Ok, NotANumber, OutOfRange };

// Decimal notation only: optional sign, digits, optional fraction.
Parsed parseInt32(std::string_view token, std::int32_t& value)
{
    std::size_t i = 0;
    const bool negative = token[0] == '-';
    if (token[0] == '-' || token[0] == '+')
        ++i;
    std::size_t digits = 0;
    std::int64_t whole = 0;
    for (; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i, ++digits) {
        if (whole <= INT64_C(100000000000))  // beyond this it is out of range anyway
            whole = whole * 10 + (token[i] - '0');
    }
    if (i == token.size() && digits > 0) {
        const std::int64_t v = negative ? -whole : whole;
        if (v < INT32_MIN || v > INT32_MAX)
            return Parsed::OutOfRange;
        value = static_cast<std::int32_t>(v);
        return Parsed::Ok;
    }
    if (token[i] != '.')
        return Parsed::NotANumber;
    std::size_t fraction = 0;
    for (++i; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i)
        ++fraction;
    if (i != token.size() || digits + fraction == 0)
        return Parsed::NotANumber;
    const std::size_t start = token[0] == '+' ? 1 : 0;
    double d = 0;
    const auto [end, ec] = std::from_chars(token.data() + start, token.data() + token.size(), d);
    if (ec == std::errc::result_out_of_range)
        return Parsed::OutOfRange;
    if (ec != std::errc{} || end != token.data() + token.size())
        return Parsed::NotANumber;
    d = std::nearbyint(d);  // the default rounding mode: halves to even
    if (!(d >= INT32_MIN && d <= INT32_MAX))
        return Parsed::OutOfRange;
    value = static_cast<std::int32_t>(d);
    return Parsed::Ok;
}

}  // namespace

SequentialFile::SequentialFile(std::string name) : name_(std::move(name))
{
    // Non-blocking, so that a FIFO named like the file cannot stall the open.
    const int fd = ::open(name_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw RuntimeError(openProblem(errno), name_);
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};

    struct stat info {};
    if (::fstat(fd, &info) != 0)
        throw RuntimeError(openProblem(errno), name_);
    if (S_ISDIR(info.st_mode))
        throw RuntimeError("is a folder, not a file", name_);
    if (!S_ISREG(info.st_mode))
        throw RuntimeError("is not a regular file", name_);

    // The size may change under us; read what is there up to the size seen.
    std::size_t capacity = static_cast<std::size_t>(info.st_size);
    bytes_ = std::make_unique_for_overwrite<char[]>(capacity + 1);
    // Reads of a megabyte at a time are markedly faster than one huge read.
    constexpr std::size_t chunk = std::size_t{1} << 20;
    while (size_ < capacity) {
        const ssize_t got = ::read(fd, bytes_.get() + size_, std::min(chunk, capacity - size_));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int error = errno;
            bytes_.reset();
            throw RuntimeError(openProblem(error), name_);
        }
        if (got == 0)
            break;
        size_ += static_cast<std::size_t>(got);
    }
    bytes_[size_] = '\0';  // a stop for the number scan, which then need not watch the end
    latin1_ = !isValidUtf8({bytes_.get(), size_});
}

SequentialFile::SequentialFile(std::string name, std::string_view bytes)
    : name_(std::move(name)), bytes_(std::make_unique_for_overwrite<char[]>(bytes.size() + 1)), size_(bytes.size())
{
    std::copy(bytes.begin(), bytes.end(), bytes_.get());
    bytes_[size_] = '\0';
    latin1_ = !isValidUtf8(bytes);
}

SequentialFile::~SequentialFile() = default;

void SequentialFile::close()
{
    bytes_.reset();
    size_ = pos_ = 0;
}

int SequentialFile::lineOfLastByte() const
{
    if (size_ > 0 && isLineEnd(bytes_[size_ - 1]))
        return line_ > 1 ? line_ - 1 : 1;
    return line_;
}

void SequentialFile::fail(std::string problem, Reading reading)
{
    const int line = pos_ >= size_ ? lineOfLastByte() : line_;
    close();
    throw RuntimeError(std::move(problem), name_, line, describe(reading));
}

void SequentialFile::skipBlanks()
{
    while (pos_ < size_ && isBlank(bytes_[pos_]))
        ++pos_;
}

void SequentialFile::consumeLineEnd()
{
    if (bytes_[pos_] == '\r' && pos_ + 1 < size_ && bytes_[pos_ + 1] == '\n')
        ++pos_;
    ++pos_;
    ++line_;
}

std::string SequentialFile::decode(std::string_view raw) const
{
    return latin1_ ? latin1ToUtf8(raw) : std::string(raw);
}

std::string SequentialFile::readLine(Reading reading)
{
    if (!isOpen())
        fail("the file is not open", reading);
    if (pos_ >= size_)
        fail("input past end of file", reading);
    const std::size_t start = pos_;
    while (pos_ < size_ && !isLineEnd(bytes_[pos_]))
        ++pos_;
    std::string text = decode({bytes_.get() + start, pos_ - start});
    if (pos_ < size_)
        consumeLineEnd();
    afterComma_ = false;
    return text;
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
        if (pos_ >= size_) {
            if (afterComma_)
                return;
            fail("input past end of file", reading);
        }
        if (!isLineEnd(bytes_[pos_]) || afterComma_)
            return;
        consumeLineEnd();
    }
}

void SequentialFile::endField()
{
    skipBlanks();
    afterComma_ = false;
    if (pos_ >= size_)
        return;
    if (bytes_[pos_] == ',') {
        ++pos_;
        afterComma_ = true;
    } else if (isLineEnd(bytes_[pos_])) {
        consumeLineEnd();
    }
    // Anything else begins the next field: blanks alone separated the two.
}

std::int32_t SequentialFile::readInt32Carefully(Reading reading)
{
    startField(reading);
    const std::size_t start = pos_;
    while (pos_ < size_ && !endsNumber(bytes_[pos_]))
        ++pos_;
    const std::string_view token(bytes_.get() + start, pos_ - start);
    if (token.empty()) {
        pos_ = start;
        fail("expected a number, found an empty field", reading);
    }
    std::int32_t value = 0;
    switch (parseInt32(token, value)) {
    case Parsed::Ok:
        break;
    case Parsed::NotANumber:
        pos_ = start;
        fail("expected a number, found " + quoted(token), reading);
    case Parsed::OutOfRange:
        pos_ = start;
        fail(std::string(token) + " is outside the 32-bit range -2147483648 to 2147483647", reading);
    }
    endField();
    return value;
}

std::string SequentialFile::readString(Reading reading)
{
    startField(reading);
    std::string text;
    if (pos_ < size_ && bytes_[pos_] == '"') {
        const std::size_t start = ++pos_;
        while (pos_ < size_ && bytes_[pos_] != '"' && !isLineEnd(bytes_[pos_]))
            ++pos_;
        if (pos_ >= size_ || bytes_[pos_] != '"') {
            pos_ = start;
            fail("a quoted text has no closing quote on its line", reading);
        }
        text = decode({bytes_.get() + start, pos_ - start});
        ++pos_;
        // Whatever stands between the closing quote and the field's end is dropped.
        while (pos_ < size_ && bytes_[pos_] != ',' && !isLineEnd(bytes_[pos_]))
            ++pos_;
    } else {
        const std::size_t start = pos_;
        while (pos_ < size_ && bytes_[pos_] != ',' && !isLineEnd(bytes_[pos_]))
            ++pos_;
        std::size_t end = pos_;
        while (end > start && isBlank(bytes_[end - 1]))
            --end;
        text = decode({bytes_.get() + start, end - start});
    }
    endField();
    return text;
}

}  // namespace runtime
