#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string_view>
#include <thread>
#include <vector>

namespace runtime {

// The rest of a run of number fields, scanned in blocks a few blocks ahead
// of the reader: on a thread of its own where it has a helper, and on the
// reader's whenever it would otherwise wait for a block. A block starts where a field may
// (after a comma or a line end, at a digit or a minus) and holds only fields
// of the one plain form that reads the same whatever comes before it: an
// optional minus, one to ten digits, a value in the 32-bit range, then a
// comma, LF or CR LF. It ends where the next block starts, or sooner at the
// first field of any other kind. A reader arriving exactly at a block's start
// takes its values; anywhere else it reads on by its own rules, so nothing is
// read differently, only sooner. Memory stays at a few blocks however long
// the run.
class ReadAhead {
public:
    // Scans the file `fd` (or, with fd -1, `bytes`, followed by endText's
    // zeros) from the offset `start` up to `end`, in blocks of about
    // `blockBytes`; with `helped`, on a thread of its own too.
    ReadAhead(int fd, std::string_view bytes, std::size_t start, std::size_t end, std::size_t blockBytes,
              bool helped);
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Where the block the reader comes to next starts; SIZE_MAX once no block is left.
    std::size_t start() const { return currentStart_; }
    // Waits for that block, scanning others meanwhile; the accessors below need it.
    void arrive();
    // Done with the block: on to the next one.
    void next();

    std::size_t count() const { return arrivedCount_; }
    const std::int32_t* values() const { return arrived_->values.get(); }
    // Whether the k-th field ended its line rather than at a comma.
    bool endsLine(std::size_t k) const { return (arrived_->lineEnds[k / 64] >> (k % 64)) & 1; }
    // How many of the fields from the k-th on, before the `end`-th, ended their line.
    std::size_t lineEndsBetween(std::size_t k, std::size_t end) const;
    // The `rows` records of the values from the k-th on, one value per
    // column in turn, appended to the columns.
    void appendRecords(std::span<std::vector<std::int32_t>* const> columns, std::size_t k, std::size_t rows) const;
    // The offset just past the separator of the first `taken` fields.
    std::size_t offsetAfter(std::size_t taken) const;

private:
    // One offset is kept per this many fields, so that any count of taken
    // fields is found again with a short re-scan.
    static constexpr std::size_t checkpointEvery = 256;
    // Blocks scanned and not yet done with, at most: two threads keep busy.
    static constexpr std::size_t blockSlots = 4;

    struct Block {
        std::size_t index = SIZE_MAX;  // which block the slot holds
        bool scanned = false;
        std::size_t start = 0;
        std::size_t count = 0;
        std::unique_ptr<char[]> text;  // the block's bytes, when from a file
        const char* data = nullptr;    // the byte at `start`
        std::size_t size = 0;          // bytes at data, followed by zeros
        std::unique_ptr<std::int32_t[]> values;
        std::unique_ptr<std::uint64_t[]> lineEnds;
        std::unique_ptr<std::size_t[]> checkpoints;  // checkpoints[j]: the offset after j * checkpointEvery fields
    };

    // Where block j starts: the first place a field may start from its
    // nominal offset on, looked for a little way.
    std::size_t blockStart(std::size_t j) const;
    void scan(std::size_t j, Block& block) const;
    // Room for a block's bytes: it runs to the next start, found within
    // lookFor_ of its place, and the field begun before it.
    std::size_t textBytes() const { return blockBytes_ + lookFor_ + 16; }
    bool canClaim() const { return !cancelled_ && next_ < blockCount_ && next_ < current_ + blockSlots; }
    // Claims the next block and scans it, unlocked meanwhile.
    void scanNext(std::unique_lock<std::mutex>& lock);
    void work();

    int fd_;
    std::string_view bytes_;
    std::size_t start_;
    std::size_t end_;
    std::size_t blockBytes_;
    std::size_t blockCount_;
    std::size_t lookFor_;     // how far a block's start is looked for
    std::size_t mostFields_;  // in one block
    std::array<Block, blockSlots> blocks_;
    const Block* arrived_ = nullptr;
    std::size_t arrivedCount_ = 0;
    std::size_t currentStart_ = 0;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t next_ = 0;     // the next block to scan
    std::size_t current_ = 0;  // the block the reader comes to next; those before are done with
    bool cancelled_ = false;
    std::thread thread_;
};

}  // namespace runtime
