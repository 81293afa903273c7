#pragma once

#include <QImage>

#include <string>

namespace runtime {

// Loads a bitmap (BMP, or any format Qt reads) from a path relative to the
// current directory, opened as every file is (runtime/regular_file.h). A
// missing file, anything but a regular file, or a file that holds no
// picture Qt can read is a RuntimeError naming the file.
QImage loadPicture(const std::string& path);

}  // namespace runtime
