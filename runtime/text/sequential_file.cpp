#include "runtime/text/sequential_file.h"

#include <algorithm>
#include <cstring>

namespace runtime {
namespace {

std::string describe(Reading reading)
{
    std::string text(reading.what);
    if (reading.index > 0)
        text += " " + std::to_string(reading.index);
    return text;
}

}  // namespace

SequentialFile::SequentialFile(std::string name, ReadingOptions options)
    : name_(std::move(name)), options_(options), line_(options.firstLine)
{
    file_ = openRegularFile(name_);
    size_ = file_.size();
    window_.emplace(file_.descriptor(), std::max<std::size_t>(options_.windowBytes, 64));
}

SequentialFile::SequentialFile(std::string name, std::string_view bytes, ReadingOptions options)
    : name_(std::move(name)),
      options_(options),
      memory_(std::make_unique_for_overwrite<char[]>(bytes.size() + zerosAfterText)),
      size_(bytes.size()),
      line_(options.firstLine)
{
    std::copy(bytes.begin(), bytes.end(), memory_.get());
    endText(memory_.get() + bytes.size());
    window_.emplace(std::string_view(memory_.get(), bytes.size()));
}

SequentialFile::~SequentialFile() { close(); }

std::string SequentialFile::tail(std::size_t bytes) const
{
    const std::size_t count = std::min(bytes, size_);
    if (memory_)
        return std::string(memory_.get() + size_ - count, count);
    if (!file_.isOpen())
        return {};
    std::string text(count, '\0');
    const ReadResult read = readFully(file_.descriptor(), text.data(), count, size_ - count);
    if (read.error != 0 || read.got != count)
        return {};
    return text;
}

void SequentialFile::close()
{
    dropAhead();
    window_.reset();
    file_.close();
    memory_.reset();
}

void SequentialFile::fill(std::size_t bytes)
{
    if (const int error = window_->fill(bytes)) {
        close();
        throw RuntimeError(std::string("cannot be read: ") + std::strerror(error), name_);
    }
}

LineNumber SequentialFile::lineOfLastByte() const
{
    const char last = window_->lastByte();
    if (last == '\n' || last == '\r')
        return line_ > 1 ? line_ - 1 : 1;
    return line_;
}

void SequentialFile::fail(std::string problem, Reading reading, bool atEnd)
{
    const LineNumber line = atEnd && isOpen() ? lineOfLastByte() : line_;
    close();
    throw RuntimeError(std::move(problem), name_, line, describe(reading));
}

void SequentialFile::failTooLong(std::string_view what, Reading reading)
{
    fail("the " + std::string(what) + " is longer than the limit of " + std::to_string(longestText) + " bytes",
         reading);
}

std::string SequentialFile::took(std::string raw)
{
    charset_.feed(raw);
    charset_.feed("\n");
    return raw;
}

std::string SequentialFile::text(std::string_view raw) const
{
    return charset_.valid() ? std::string(raw) : latin1ToUtf8(raw);
}

}  // namespace runtime
