#include "picture.h"

#include "runtime_error.h"

#include <QFileInfo>
#include <QImageReader>

namespace runtime {

QImage loadPicture(const std::string& path)
{
    const QString name = QString::fromStdString(path);
    const QFileInfo info(name);
    if (!info.exists())
        throw RuntimeError("file not found", path);
    if (info.isDir())
        throw RuntimeError("is a folder, not a file", path);
    QImageReader reader(name);
    // The reader's allocation limit keeps a file that declares absurd
    // dimensions from taking the memory.
    QImage picture = reader.read();
    if (picture.isNull())
        throw RuntimeError("is not a picture that can be read (" + reader.errorString().toStdString() + ")", path);
    return picture;
}

}  // namespace runtime
