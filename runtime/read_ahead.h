#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <thread>
#include <vector>

namespace runtime {

// The far part of a long run of number fields, scanned on a thread of its
// own while the reader works through the near part. It takes only fields of
// the one plain form that reads the same whatever comes before it: an
// optional minus, one to ten digits, a value in the 32-bit range, then a
// comma, LF or CR LF. It stops at the first field of any other kind; the
// reader goes on from there by its full rules, so nothing is read
// differently, only sooner.
class ByteWindow;

class ReadAhead {
public:
    // Scans the file `fd` (or, with fd -1, `bytes`, followed by endText's
    // zeros) from the offset `start` up to `end`, and keeps `most` values at
    // most: no more than the reader can take, whatever else the file holds.
    ReadAhead(int fd, std::string_view bytes, std::size_t start, std::size_t end, std::size_t most);
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Where the scan began: a reader arriving here at a field may take its values.
    std::size_t start() const { return start_; }
    // Waits for the scan to finish; the accessors below need it.
    void finish();

    std::size_t count() const { return values_.size(); }
    const std::int32_t* values() const { return values_.data(); }
    // Bit k % 64 of word k / 64: whether the k-th field ended its line rather than at a comma.
    bool endsLine(std::size_t k) const { return (lineEnds_[k / 64] >> (k % 64)) & 1; }
    // How many of the fields from the k-th on, before the `end`-th, ended their line.
    std::size_t lineEndsBetween(std::size_t k, std::size_t end) const;
    // The `rows` records of the values from the k-th on, one value per
    // column in turn, appended to the columns.
    void appendRecords(std::span<std::vector<std::int32_t>* const> columns, std::size_t k, std::size_t rows) const;
    // The offset just past the separator of the first `taken` fields.
    std::size_t offsetAfter(std::size_t taken) const;

private:
    void scan();
    // A window on the range scanned, from `from` on, `capacity` bytes at a time.
    ByteWindow window(std::size_t from, std::size_t capacity) const;

    // One offset is kept per this many fields, so that any count of taken
    // fields is found again with a short re-scan.
    static constexpr std::size_t checkpointEvery = 256;

    int fd_;
    std::string_view bytes_;
    std::size_t start_;
    std::size_t end_;
    std::size_t most_;
    std::vector<std::int32_t> values_;
    std::vector<std::uint64_t> lineEnds_;
    std::vector<std::size_t> checkpoints_;  // checkpoints_[j]: the offset after j * checkpointEvery fields
    std::atomic<bool> cancelled_{false};
    std::thread thread_;
};

}  // namespace runtime
