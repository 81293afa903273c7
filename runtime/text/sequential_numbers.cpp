// The reader's runs of numbers: the coordination with the scan ahead.
#include "runtime/text/sequential_numbers.h"

#include <algorithm>
#include <sched.h>

namespace runtime {

std::size_t SequentialFile::position() const
{
    if (!isOpen())
        return 0;
    if (atAhead() && taken_ > 0)
        return ahead_->offsetAfter(taken_);
    return window_->offset();
}

void SequentialFile::readNumbersAhead()
{
    const std::size_t from = position();
    if (!isOpen() || ahead_ || options_.numbers == NumberReading::OneByOne || from >= size_)
        return;
    // A second core that this process may run on, and enough to gain from it.
    cpu_set_t cores;
    const bool helped = size_ - from > std::max<std::size_t>(options_.helperFrom, 1)
        && ::sched_getaffinity(0, sizeof cores, &cores) == 0 && CPU_COUNT(&cores) >= 2;
    try {
        ahead_ = std::make_unique<ReadAhead>(file_.isOpen() ? file_.descriptor() : -1,
                                             std::string_view(memory_.get(), memory_ ? size_ : 0), from, size_,
                                             options_.aheadBlockBytes, helped);
    } catch (const std::exception&) {
        return;  // no thread or memory to be had: everything is read in order, as it would be anyway
    }
    aheadAt_ = ahead_->start();
    taken_ = 0;
}

bool SequentialFile::reachAhead()
{
    // A field read by the full rules may have run past a block's start.
    while (ahead_ && taken_ == 0 && window_->offset() > aheadAt_)
        passBlock();
    return atAhead();
}

void SequentialFile::arriveAhead()
{
    ahead_->arrive();
    aheadCount_ = ahead_->count();
    if (aheadCount_ == 0)
        passBlock();
}

void SequentialFile::passBlock()
{
    ahead_->next();
    aheadAt_ = ahead_->start();
    taken_ = 0;
    aheadCount_ = 0;
    if (aheadAt_ == std::numeric_limits<std::size_t>::max())
        dropAhead();
}

std::size_t SequentialFile::takeAheadRecords(std::span<std::vector<std::int32_t>* const> columns, std::size_t rows,
                                             LineNumber& recordLine)
{
    if (taken_ == 0)
        arriveAhead();
    const std::size_t width = columns.size();
    if (!isOpen() || !atAhead() || width == 0)
        return 0;
    rows = std::min(rows, (aheadCount_ - taken_) / width);
    if (rows == 0)
        return 0;
    ahead_->appendRecords(columns, taken_, rows);
    // The lines as readInt32 would have counted them, field by field.
    const std::size_t last = taken_ + rows * width - 1;
    recordLine = line_ + static_cast<LineNumber>(ahead_->lineEndsBetween(taken_, last + 1 - width));
    fieldLine_ = recordLine + static_cast<LineNumber>(ahead_->lineEndsBetween(last + 1 - width, last));
    const bool endsLine = ahead_->endsLine(last);
    line_ = fieldLine_ + endsLine;
    afterComma_ = !endsLine;
    taken_ = last + 1;
    if (taken_ == aheadCount_)
        leaveAhead();
    return rows;
}

void SequentialFile::leaveAhead()
{
    if (taken_ > 0) {
        // Until the window is filled again, the last byte read is the
        // separator of the last value taken.
        window_->moveTo(ahead_->offsetAfter(taken_), ahead_->endsLine(taken_ - 1) ? '\n' : ',');
    }
    passBlock();
}

void SequentialFile::dropAhead()
{
    ahead_.reset();
    aheadAt_ = std::numeric_limits<std::size_t>::max();
    taken_ = 0;
    aheadCount_ = 0;
}

}  // namespace runtime
