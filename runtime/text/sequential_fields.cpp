// The reader's lines and fields: line ends, blanks, commas, quotes, and the
// careful reading of a number field that the fast paths leave.
#include "runtime/text/sequential_file.h"

#include "runtime/text/number_text.h"

#include <algorithm>

namespace runtime {
namespace {

// How much of a number field is checked for the character set at a time.
constexpr std::size_t pieceBytes = 4096;

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isLineEnd(char c) { return c == '\n' || c == '\r'; }
// Where an unquoted number ends: blanks separate numbers as commas do.
bool endsNumber(char c) { return c == ',' || isBlank(c) || isLineEnd(c); }

// A field's text for a message, as every report quotes it. Appended in
// turn: g++ 12 at -O3 warns falsely (-Wrestrict) on a literal + string.
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
    for (int c = peek(); c == ' ' || c == '\t'; c = peek())
        window_->advance(1);
}

void SequentialFile::consumeLineEnd()
{
    const int c = peek();
    window_->advance(1);
    if (c == '\r' && peek() == '\n')
        window_->advance(1);
    ++line_;
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
    ByteWindow& bytes = *window_;
    for (;;) {
        // No further than one byte past the limit: an overlong line is
        // found without reading the rest of it.
        const std::size_t start = bytes.pos();
        const std::size_t stop = std::min(bytes.end(), start + (longestText + 1 - raw.size()));
        std::size_t p = start;
        while (p < stop && !isLineEnd(bytes.data()[p]))
            ++p;
        bytes.setPos(p);
        raw.append(bytes.data() + start, p - start);
        if (raw.size() > longestText)
            failTooLong("line", reading);
        if (p < bytes.end() || peek() < 0)
            break;
        if (isLineEnd(static_cast<char>(peek())))
            break;
    }
    if (peek() >= 0)
        consumeLineEnd();
    afterComma_ = false;
    return took(std::move(raw));
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
        window_->advance(1);
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
    // Its bytes go to the character set a piece at a time, not kept whole.
    NumberText number;
    std::string piece;
    for (int c = peek(); c >= 0 && !endsNumber(static_cast<char>(c)) && !number.settled(); c = peek()) {
        number.add(static_cast<char>(c));
        if (piece.size() == pieceBytes) {
            charset_.feed(piece);
            piece.clear();
        }
        piece += static_cast<char>(c);
        window_->advance(1);
    }
    took(std::move(piece));
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
    const std::size_t first = window_->offset();
    std::string raw;    // the value
    std::string taken;  // every byte of the field
    const auto next = [&] {
        if (window_->offset() - first == longestText)
            failTooLong("field", reading);
        taken += window_->data()[window_->pos()];
        window_->advance(1);
    };
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
    took(std::move(taken));
    endField();
    return raw;
}

}  // namespace runtime
