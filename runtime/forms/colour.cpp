#include "runtime/forms/colour.h"

namespace runtime {

QColor Colour::resolve(const QPalette& palette) const
{
    if (!isSystem_)
        return QColor::fromRgb(value_);
    switch (static_cast<SystemColour>(value_)) {
    case SystemColour::WindowBackground: return palette.color(QPalette::Base);
    case SystemColour::WindowText: return palette.color(QPalette::Text);
    case SystemColour::ButtonFace: return palette.color(QPalette::Button);
    case SystemColour::ButtonText: return palette.color(QPalette::ButtonText);
    }
    return Qt::black;
}

QPalette paperPalette()
{
    // Qt works out every other role (base white, text black) from these two.
    return QPalette(Qt::black, Qt::white);
}

}  // namespace runtime
