#pragma once

#include <QPoint>
#include <QRegion>
#include <array>

namespace vuruzid::ui {

// The main window's outline: a 21-point polygon with rounded corners, the last
// point repeating the first. Points are window pixels from the top-left corner.
using RegionPointTable = std::array<QPoint, 21>;

inline constexpr int kWindowWidth = 271;
inline constexpr int kFullHeight = 256;
inline constexpr int kCompactHeight = 106;

// The outline of the compact form (top strip only) or of the full form.
const RegionPointTable& ShapePoints(bool compact);

// The window mask for the outline, filled with the alternate (odd-even) rule.
QRegion ShapeRegion(const RegionPointTable& points);

}  // namespace vuruzid::ui
