#pragma once

// The reader's inline number reads: the common field in one pass, and runs
// of records. Inline for speed, so sequential_file.h includes this at its end.
#include "runtime/text/sequential_file.h"

namespace runtime {

template <class Naming>
LineNumber SequentialFile::readInt32Records(std::span<std::vector<std::int32_t>* const> columns, std::size_t rows,
                                            Naming naming)
{
    LineNumber recordLine = 0;
    for (std::size_t row = 0; row < rows;) {
        if (isOpen() && window_->offset() >= aheadAt_ && reachAhead()) {
            if (const std::size_t taken = takeAheadRecords(columns, rows - row, recordLine)) {
                row += taken;
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
    // A block may start at any field, the second of a point too: the field
    // is then the next of those scanned ahead.
    if (isOpen() && window_->offset() >= aheadAt_ && reachAhead()) {
        if (taken_ == 0)
            arriveAhead();
        if (taken_ < aheadCount_) {
            const std::size_t k = taken_++;
            fieldLine_ = line_;
            line_ += ahead_->endsLine(k);
            afterComma_ = !ahead_->endsLine(k);
            const std::int32_t value = ahead_->values()[k];
            if (taken_ == aheadCount_)
                leaveAhead();
            return value;
        }
    }
    if (!isOpen())
        return readInt32Carefully(reading);
    ByteWindow& bytes = *window_;
    if (bytes.end() - bytes.pos() < lookahead && !bytes.atEnd())
        fill(lookahead);
    if (bytes.pos() >= bytes.end())
        return readInt32Carefully(reading);
    const PlainField field = plainField(bytes.data() + bytes.pos(), bytes.end() - bytes.pos());
    if (field.length == 0)
        return readInt32Carefully(reading);
    fieldLine_ = line_;
    line_ += field.endsLine;
    afterComma_ = !field.endsLine;
    bytes.advance(field.length);
    return field.value;
}

}  // namespace runtime
