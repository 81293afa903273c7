#include "runtime/text/read_ahead.h"

#include "runtime/text/plain_field.h"
#include "runtime/text/plain_scan.h"
#include "runtime/text/regular_file.h"

#include <algorithm>
#include <bit>
#include <string>

namespace runtime {
namespace {

// A block's start is looked for this far from its nominal place (lines of
// numbers are short), and no further than a block's length. Not found, the
// block starts past it, where it may find nothing to take.
constexpr std::size_t lookFor(std::size_t blockBytes)
{
    return std::clamp<std::size_t>(blockBytes, 64, std::size_t{1} << 16);
}

bool mayStartField(char before, char at)
{
    return (before == ',' || before == '\n') && (at == '-' || static_cast<unsigned char>(at - '0') < 10);
}

}  // namespace

ReadAhead::ReadAhead(int fd, std::string_view bytes, std::size_t start, std::size_t end, std::size_t blockBytes,
                     bool helped)
    : fd_(fd),
      bytes_(bytes),
      start_(start),
      end_(end),
      // A short run takes no more room than it needs.
      blockBytes_(std::clamp<std::size_t>(blockBytes, 1, std::max<std::size_t>(end - start, 1))),
      blockCount_((end - start + blockBytes_ - 1) / blockBytes_),
      // A field and its separator take two bytes at least; a block runs to
      // the next one's start, found within lookFor of its place.
      lookFor_(lookFor(blockBytes_)),
      mostFields_((blockBytes_ + lookFor_) / 2 + 1)
{
    for (Block& block : blocks_) {
        if (fd_ >= 0)
            block.text = std::make_unique_for_overwrite<char[]>(textBytes() + zerosAfterText);
        block.values = std::make_unique_for_overwrite<std::int32_t[]>(mostFields_);
        block.lineEnds = std::make_unique_for_overwrite<std::uint64_t[]>((mostFields_ + checkpointEvery) / 64 + 1);
        block.checkpoints = std::make_unique_for_overwrite<std::size_t[]>(mostFields_ / checkpointEvery + 2);
    }
    currentStart_ = blockCount_ > 0 ? blockStart(0) : SIZE_MAX;
    if (helped)
        thread_ = std::thread([this] { work(); });
}

ReadAhead::~ReadAhead()
{
    {
        const std::lock_guard lock(mutex_);
        cancelled_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

std::size_t ReadAhead::blockStart(std::size_t j) const
{
    if (j >= blockCount_)
        return end_;
    const std::size_t at = start_ + j * blockBytes_;
    if (j == 0 || at >= end_)
        return std::min(at, end_);
    // From the byte before the nominal place on.
    const std::size_t from = at - 1;
    const std::size_t want = std::min(at + lookFor_, end_) - from;
    std::string piece;
    const char* bytes = nullptr;
    if (fd_ >= 0) {
        piece.resize(want);
        if (readFully(fd_, piece.data(), want, from).got < want)
            return end_;
        bytes = piece.data();
    } else {
        bytes = bytes_.data() + from;
    }
    for (std::size_t k = 1; k < want; ++k)
        if (mayStartField(bytes[k - 1], bytes[k]))
            return from + k;
    return from + want;
}

void ReadAhead::scan(std::size_t j, Block& block) const
{
    block.start = blockStart(j);
    const std::size_t stop = std::max(blockStart(j + 1), block.start);
    // The bytes of the fields that start before `stop`, and of their ends.
    const std::size_t through = std::min(stop + longestPlainField, end_);
    block.size = through - block.start;
    if (fd_ >= 0) {
        // A file cut meanwhile can put the next start anywhere; the block
        // then ends where its room does.
        block.size = std::min(block.size, textBytes());
        block.size = readFully(fd_, block.text.get(), block.size, block.start).got;
        endText(block.text.get() + block.size);
        block.data = block.text.get();
    } else {
        block.data = bytes_.data() + block.start;
    }
    const std::size_t limit = std::min(stop - block.start, block.size);
    block.checkpoints[0] = block.start;
    std::size_t count = 0;
    std::size_t pos = 0;
    for (;;) {
        // A whole word of line ends at a time, zeroed before it is filled.
        static_assert(checkpointEvery % 64 == 0);
        std::fill_n(block.lineEnds.get() + count / 64, checkpointEvery / 64, 0);
        const std::size_t most = std::min(checkpointEvery, mostFields_ - count);
        const ScannedFields got = scanPlainFields(block.data, pos, limit, block.size, block.values.get() + count,
                                                  block.lineEnds.get(), count, most);
        pos = got.end;
        count += got.count;
        if (got.count < checkpointEvery)
            break;
        block.checkpoints[count / checkpointEvery] = block.start + pos;
    }
    block.count = count;
}

void ReadAhead::scanNext(std::unique_lock<std::mutex>& lock)
{
    const std::size_t j = next_++;
    Block& block = blocks_[j % blockSlots];
    block.index = j;
    block.scanned = false;
    lock.unlock();
    scan(j, block);
    lock.lock();
    block.scanned = true;
    changed_.notify_all();
}

void ReadAhead::work()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return cancelled_ || canClaim(); });
        if (cancelled_)
            return;
        scanNext(lock);
    }
}

void ReadAhead::arrive()
{
    std::unique_lock lock(mutex_);
    const Block& block = blocks_[current_ % blockSlots];
    while (block.index != current_ || !block.scanned) {
        if (canClaim())
            scanNext(lock);
        else
            changed_.wait(lock);
    }
    arrived_ = &block;
    // Where the reader thought the block starts, or none of it is taken:
    // the two differ only if the file changed meanwhile.
    arrivedCount_ = block.start == currentStart_ ? block.count : 0;
}

void ReadAhead::next()
{
    {
        std::unique_lock lock(mutex_);
        // Its slot is taken again only once its scan is over.
        const Block& block = blocks_[current_ % blockSlots];
        changed_.wait(lock, [&] { return block.index != current_ || block.scanned; });
        ++current_;
        next_ = std::max(next_, current_);
    }
    changed_.notify_all();
    arrived_ = nullptr;
    arrivedCount_ = 0;
    currentStart_ = current_ < blockCount_ ? blockStart(current_) : SIZE_MAX;
}

std::size_t ReadAhead::offsetAfter(std::size_t taken) const
{
    const Block& block = *arrived_;
    const std::size_t fields = taken % checkpointEvery;
    std::size_t pos = block.checkpoints[taken / checkpointEvery] - block.start;
    for (std::size_t k = 0; k < fields; ++k)
        pos += plainField(block.data + pos, block.size - pos).length;
    return block.start + pos;
}

std::size_t ReadAhead::lineEndsBetween(std::size_t k, std::size_t end) const
{
    std::size_t count = 0;
    while (k < end) {
        if (k % 64 == 0 && end - k >= 64) {
            count += static_cast<std::size_t>(std::popcount(arrived_->lineEnds[k / 64]));
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
        const std::size_t had = values.size();
        values.resize(had + rows);
        const std::int32_t* from = arrived_->values.get() + k + column;
        std::int32_t* to = values.data() + had;
        for (std::size_t row = 0; row < rows; ++row, from += width)
            to[row] = *from;
    }
}

}  // namespace runtime
