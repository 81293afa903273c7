#include "read_ahead.h"

#include "byte_window.h"
#include "large_arrays.h"
#include "plain_field.h"

#include <algorithm>
#include <bit>

namespace runtime {

ReadAhead::ReadAhead(int fd, std::string_view bytes, std::size_t start, std::size_t end, std::size_t most)
    : fd_(fd), bytes_(bytes), start_(start), end_(end), most_(most)
{
    thread_ = std::thread([this] { scan(); });
}

ReadAhead::~ReadAhead()
{
    cancelled_ = true;
    finish();
}

void ReadAhead::finish()
{
    if (thread_.joinable())
        thread_.join();
}

ByteWindow ReadAhead::window(std::size_t from, std::size_t capacity) const
{
    // A failed read ends the scan as the file's end would; the reader then reads on by its own rules.
    if (fd_ < 0)
        return ByteWindow(bytes_.substr(0, std::min(end_, bytes_.size())), from);
    return ByteWindow(fd_, capacity, from, end_);
}

void ReadAhead::scan()
{
    // A field and its separator take two bytes at least, so this is room
    // for every field the range can hold: nothing grows while scanning.
    const std::size_t most = std::min((end_ - start_) / 2 + 1, most_);
    try {
        reserveLarge(values_, most);
        lineEnds_.reserve(most / 64 + 2);
        checkpoints_.reserve(most / checkpointEvery + 1);
    } catch (const std::bad_alloc&) {
        return;
    }
    checkpoints_.push_back(start_);

    static_assert(checkpointEvery % 64 == 0);
    ByteWindow bytes = window(start_, std::size_t{1} << 20);
    std::uint64_t lineBits = 0;  // the bits of the word not yet pushed
    for (;;) {
        // Refilled while a whole field may not be in the window.
        if (bytes.end() - bytes.pos() < longestPlainField && !bytes.atEnd()) {
            if (cancelled_) {
                lineEnds_.push_back(lineBits);
                return;
            }
            bytes.fill(longestPlainField);
        }
        const PlainField field = plainField(bytes.data() + bytes.pos(), bytes.end() - bytes.pos());
        if (field.length == 0 || values_.size() == most) {
            lineEnds_.push_back(lineBits);
            return;
        }
        const std::size_t k = values_.size();
        values_.push_back(field.value);
        lineBits |= std::uint64_t{field.endsLine} << (k % 64);
        bytes.advance(field.length);
        if ((k + 1) % 64 == 0) {
            lineEnds_.push_back(lineBits);
            lineBits = 0;
            if ((k + 1) % checkpointEvery == 0)
                checkpoints_.push_back(bytes.offset());
        }
    }
}

std::size_t ReadAhead::offsetAfter(std::size_t taken) const
{
    std::size_t offset = checkpoints_[taken / checkpointEvery];
    const std::size_t fields = taken % checkpointEvery;
    if (fields == 0)
        return offset;
    ByteWindow bytes = window(offset, fields * longestPlainField);
    bytes.fill(fields * longestPlainField);
    for (std::size_t k = 0; k < fields; ++k)
        bytes.advance(plainField(bytes.data() + bytes.pos(), bytes.end() - bytes.pos()).length);
    return bytes.offset();
}

std::size_t ReadAhead::lineEndsBetween(std::size_t k, std::size_t end) const
{
    std::size_t count = 0;
    while (k < end) {
        if (k % 64 == 0 && end - k >= 64) {
            count += static_cast<std::size_t>(std::popcount(lineEnds_[k / 64]));
            k += 64;
        } else {
            count += endsLine(k);
            ++k;
        }
    }
    return count;
}

void ReadAhead::appendRecords(std::span<std::vector<std::int32_t>* const> columns, std::size_t k,
                              std::size_t rows) const
{
    const std::size_t width = columns.size();
    for (std::size_t column = 0; column < width; ++column) {
        std::vector<std::int32_t>& values = *columns[column];
        values.reserve(values.size() + rows);
        const std::int32_t* from = values_.data() + k + column;
        for (std::size_t row = 0; row < rows; ++row, from += width)
            values.push_back(*from);
    }
}

}  // namespace runtime
