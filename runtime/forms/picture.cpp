#include "runtime/forms/picture.h"

#include "runtime/text/regular_file.h"
#include "runtime/error/runtime_error.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace runtime {
namespace {

// The file's bytes up to its size at the open, and no more than a picture
// may decode to under Qt's allocation limit: a file that keeps growing, or
// a huge one, costs no more than that.
QByteArray readPictureFile(const std::string& path)
{
    FileHandle file = openRegularFile(path);
    const std::size_t limit = static_cast<std::size_t>(std::max(QImageReader::allocationLimit(), 0)) << 20;
    const std::size_t size = limit > 0 ? std::min(file.size(), limit) : file.size();
    QByteArray bytes(static_cast<qsizetype>(size), Qt::Uninitialized);
    const ReadResult read = readFully(file.descriptor(), bytes.data(), size, 0);
    file.close();
    if (read.error != 0)
        throw RuntimeError(std::string("cannot be read: ") + std::strerror(read.error), path);
    bytes.truncate(static_cast<qsizetype>(read.got));
    return bytes;
}

// Into `picture`, which the decoder fills in place when it has the size and
// format the file declares. The reader's allocation limit keeps a file that
// declares absurd dimensions from taking the memory.
bool decode(QByteArray& bytes, QImage& picture, QString& why)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (reader.read(&picture) && !picture.isNull())
        return true;
    why = reader.errorString();
    return false;
}

}  // namespace

QImage loadPicture(const std::string& path)
{
    QByteArray bytes = readPictureFile(path);
    QImage zeros;
    QString why;
    // Decoders such as Qt's BMP reader leave the pixels a file does not hold
    // (rows cut off, runs skipped) as the memory was. Decoding once more into
    // pictures filled with two different bytes shows which pixels the file
    // gave: the others differ, and are made transparent.
    bool read = decode(bytes, zeros, why);
    QImage ones = read ? QImage(zeros.size(), zeros.format()) : QImage();
    if (read) {
        std::memset(zeros.bits(), 0x00, static_cast<std::size_t>(zeros.sizeInBytes()));
        std::memset(ones.bits(), 0xff, static_cast<std::size_t>(ones.sizeInBytes()));
        read = decode(bytes, zeros, why) && decode(bytes, ones, why) && zeros.size() == ones.size();
    }
    if (!read)
        throw RuntimeError("is not a picture that can be read (" + why.toStdString() + ")", path);
    const auto rowBytes = static_cast<std::size_t>((qsizetype(zeros.width()) * zeros.depth() + 7) / 8);
    QImage shown = zeros;
    for (int y = 0; y < zeros.height(); ++y) {
        if (std::memcmp(zeros.constScanLine(y), ones.constScanLine(y), rowBytes) == 0)
            continue;
        if (shown.format() != QImage::Format_ARGB32)
            shown = zeros.convertToFormat(QImage::Format_ARGB32);
        for (int x = 0; x < zeros.width(); ++x)
            if (zeros.depth() <= 8 ? zeros.pixelIndex(x, y) != ones.pixelIndex(x, y) : zeros.pixel(x, y) != ones.pixel(x, y))
                shown.setPixel(x, y, qRgba(0, 0, 0, 0));
    }
    return shown;
}

}  // namespace runtime
