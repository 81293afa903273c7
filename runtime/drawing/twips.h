#pragma once

namespace runtime {

// Forms are laid out in twips (1/1440 inch); a screen pixel is 15 of them,
// that is 96 pixels to the inch. The only place twips meet pixels.
inline constexpr int twipsPerPixel = 15;

constexpr double twipsToPixels(double twips) { return twips / twipsPerPixel; }
constexpr int twipsToPixels(int twips) { return twips / twipsPerPixel; }

// Font sizes are given in points; at 96 pixels to the inch a point is 4/3 px.
constexpr double pointsToPixels(double points) { return points * 1440.0 / 72.0 / twipsPerPixel; }

}  // namespace runtime
