#include "read_ahead.h"

#include "large_arrays.h"
#include "plain_field.h"
#include "regular_file.h"

#include <algorithm>
#include <cstring>
#include <memory>

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

std::size_t ReadAhead::readAt(char* into, std::size_t count, std::size_t offset) const
{
    if (offset >= end_)
        return 0;
    count = std::min(count, end_ - offset);
    if (fd_ < 0) {
        const std::size_t have = offset < bytes_.size() ? std::min(count, bytes_.size() - offset) : 0;
        std::memcpy(into, bytes_.data() + offset, have);
        return have;
    }
    // A failed read ends the scan as the file's end would; the reader then reads on by its own rules.
    return readFully(fd_, into, count, offset).got;
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
    constexpr std::size_t chunk = std::size_t{1} << 20;
    const auto window = std::make_unique_for_overwrite<char[]>(chunk + zerosAfterText);
    endText(window.get());
    std::size_t base = start_;  // the offset of window[0]
    std::size_t have = 0;
    std::size_t p = 0;
    std::uint64_t lineBits = 0;  // the bits of the word not yet pushed
    for (;;) {
        // Refilled while a whole field may not be in the window.
        if (have - p < longestPlainField && base + have < end_) {
            if (cancelled_) {
                lineEnds_.push_back(lineBits);
                return;
            }
            std::memmove(window.get(), window.get() + p, have - p);
            base += p;
            have -= p;
            p = 0;
            have += readAt(window.get() + have, chunk - have, base + have);
            endText(window.get() + have);
        }
        const PlainField field = plainField(window.get() + p, have - p);
        if (field.length == 0 || values_.size() == most) {
            lineEnds_.push_back(lineBits);
            return;
        }
        const std::size_t k = values_.size();
        values_.push_back(field.value);
        lineBits |= std::uint64_t{field.endsLine} << (k % 64);
        p += field.length;
        if ((k + 1) % 64 == 0) {
            lineEnds_.push_back(lineBits);
            lineBits = 0;
            if ((k + 1) % checkpointEvery == 0)
                checkpoints_.push_back(base + p);
        }
    }
}

std::size_t ReadAhead::offsetAfter(std::size_t taken) const
{
    std::size_t offset = checkpoints_[taken / checkpointEvery];
    const std::size_t fields = taken % checkpointEvery;
    if (fields == 0)
        return offset;
    std::vector<char> bytes(fields * longestPlainField + zerosAfterText);
    const std::size_t have = readAt(bytes.data(), bytes.size() - zerosAfterText, offset);
    endText(bytes.data() + have);
    for (std::size_t k = 0, p = 0; k < fields; ++k) {
        const PlainField field = plainField(bytes.data() + p, have - p);
        p += field.length;
        offset += field.length;
    }
    return offset;
}

}  // namespace runtime
