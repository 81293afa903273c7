#pragma once

#include "runtime/forms/canvas.h"
#include "runtime/drawing/twips.h"

namespace runtime {

// A picture box: a window of its own inside a form, with a persistent
// drawing surface that spans its whole size, and light controls of its own.
class PictureBox final : public Canvas {
public:
    using Canvas::Canvas;

    // Outer size in twips.
    float Width() const { return static_cast<float>(width() * twipsPerPixel); }
    float Height() const { return static_cast<float>(height() * twipsPerPixel); }
};

}  // namespace runtime
