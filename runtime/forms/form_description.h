#pragma once

#include "runtime/forms/colour.h"

#include <optional>
#include <span>
#include <string_view>

// Windows are declared as data: one table per window, its rows in creation
// order, every position and size in twips. The runtime builds live widgets
// from them (see form.h).
namespace runtime {

enum class ControlKind { PictureBox, Line, CommandButton, Label, Image };

enum class Align { Left, Right, Centre };

enum class Face { SansSerif, Serif };

struct FontSpec {
    Face face = Face::SansSerif;
    double points = 8.25;
    bool bold = false;
};

inline constexpr FontSpec defaultFont{};
inline constexpr FontSpec boldFont{Face::SansSerif, 8.25, true};

// Settings of a control that most rows leave at their defaults.
struct OtherSettings {
    std::string_view container{};        // empty: the window itself
    std::optional<Colour> backColour{};  // empty: the kind's default
    bool transparent = false;            // labels: paint no background
    bool persistentDrawing = false;      // picture boxes: keep what is drawn
};

// One row of a window's table. For a line control the four numbers are
// X1, Y1, X2, Y2 in its container's coordinates instead of a rectangle.
struct ControlDescription {
    std::string_view name;
    ControlKind kind;
    int left, top, width, height;
    std::string_view caption{};
    Align alignment = Align::Left;
    FontSpec font = defaultFont;
    int tabIndex = -1;  // -1: takes no part in the tab order
    OtherSettings other{};
};

struct Icon {
    const char* const* large = nullptr;  // 32 x 32, XPM
    const char* const* small = nullptr;  // 16 x 16, XPM
};

struct FormDescription {
    std::string_view name;
    std::string_view caption;
    int clientWidth, clientHeight;
    Colour backColour;
    Icon icon;
    std::span<const ControlDescription> controls;
};

}  // namespace runtime
