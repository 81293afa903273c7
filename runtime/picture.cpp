#include "picture.h"

#include "regular_file.h"
#include "runtime_error.h"

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
    const ReadResult read = file.readAt(bytes.data(), size, 0);
    file.close();
    if (read.error != 0)
        throw RuntimeError(std::string("cannot be read: ") + std::strerror(read.error), path);
    bytes.truncate(static_cast<qsizetype>(read.got));
    return bytes;
}

}  // namespace

QImage loadPicture(const std::string& path)
{
    QByteArray bytes = readPictureFile(path);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // The reader's allocation limit keeps a file that declares absurd
    // dimensions from taking the memory.
    QImage picture = reader.read();
    if (picture.isNull())
        throw RuntimeError("is not a picture that can be read (" + reader.errorString().toStdString() + ")", path);
    return picture;
}

}  // namespace runtime
