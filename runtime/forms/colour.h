#pragma once

#include <QColor>
#include <QPalette>

#include <cstdint>

namespace runtime {

// The system colours that descriptions refer to, by their index.
enum class SystemColour : std::uint8_t {
    WindowBackground = 5,
    WindowText = 8,
    ButtonFace = 15,
    ButtonText = 18,
};

// A fixed RGB colour or a system colour that is looked up when painting.
class Colour {
public:
    static constexpr Colour fromRgb(std::uint32_t rrggbb) { return Colour(rrggbb, false); }
    static constexpr Colour system(SystemColour c) { return Colour(static_cast<std::uint32_t>(c), true); }

    QColor resolve(const QPalette& palette) const;

    friend constexpr bool operator==(Colour, Colour) = default;

private:
    constexpr Colour(std::uint32_t value, bool isSystem) : value_(value), isSystem_(isSystem) {}

    std::uint32_t value_;
    bool isSystem_;
};

// RGB(r, g, b): each part from 0 to 255.
constexpr Colour rgb(int r, int g, int b)
{
    return Colour::fromRgb((static_cast<std::uint32_t>(r & 0xFF) << 16)
                           | (static_cast<std::uint32_t>(g & 0xFF) << 8)
                           | static_cast<std::uint32_t>(b & 0xFF));
}

// The colours of a desktop without a theme, which paper has whatever the
// desktop's theme: the window background white, the window and button text
// black.
QPalette paperPalette();

// Colour 0 of the 16-colour palette.
inline constexpr Colour black = Colour::fromRgb(0x000000);

}  // namespace runtime
