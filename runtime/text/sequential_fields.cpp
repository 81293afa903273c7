// The reader's lines and fields: line ends, blanks, commas, quotes, and a
// number field that the plain fast path leaves.
#include "runtime/text/sequential_file.h"

#include <algorithm>

namespace runtime {
namespace {

using File = SequentialFile;
// Where a number ends: blanks separate numbers as commas do.
bool endsNumber(int c) { return c < 0 || c == ',' || File::isBlank(c) || File::isLineEnd(c); }
bool endsText(int c) { return c < 0 || c == ',' || File::isLineEnd(c); }

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
        char* const from = &buffer_[pos_];
        char* const to = std::find_if(from, buffer_.get() + stop, [](char b) { return isLineEnd(b); });
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

std::int32_t SequentialFile::readInt32(Reading reading)
{
    startField(reading);
    // Most fields have a plain start and end there: taken in one go. One
    // that the buffer cuts short ends at the zeros after it, and is read below.
    std::int32_t value = 0;
    const std::size_t plain = NumberField::plainStart(&buffer_[pos_], value);
    if (plain > 0 && pos_ + plain < end_ && endsNumber(static_cast<unsigned char>(buffer_[pos_ + plain]))) {
        pos_ += plain;
        endField();
        return value;
    }
    // However long the field, it is taken a buffer's worth at a time, and
    // once it can be no number, the rest of it is not read. A number is no
    // text: its bytes do not count for the character set.
    NumberField number;
    while (!endsNumber(peek()) && !number.settled()) {
        char* const from = &buffer_[pos_];
        char* const to = std::find_if(from, buffer_.get() + end_, [](unsigned char b) { return endsNumber(b); });
        const std::string_view piece(from, static_cast<std::size_t>(to - from));
        number.add(piece);
        pos_ += piece.size();
    }
    if (number.empty())
        fail("expected a number, found an empty field", reading);
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
