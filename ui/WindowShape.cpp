#include "ui/WindowShape.h"

#include <QPolygon>

namespace vuruzid::ui {
namespace {

// The top edge and its two corners are shared; the bottom edge of the compact
// form lies 149 pixels higher, and its bottom corners are one pixel narrower.
constexpr RegionPointTable kFullShape{{
    {18, 1}, {252, 1}, {257, 3}, {261, 5}, {267, 13}, {269, 19}, {269, 234},
    {268, 240}, {264, 248}, {258, 253}, {250, 256}, {18, 256}, {11, 253}, {5, 248},
    {1, 241}, {0, 234}, {0, 20}, {2, 13}, {6, 7}, {11, 3}, {18, 1},
}};

constexpr RegionPointTable kCompactShape{{
    {18, 1}, {252, 1}, {257, 3}, {261, 5}, {267, 13}, {269, 19}, {269, 85},
    {268, 91}, {264, 99}, {258, 104}, {249, 107}, {19, 107}, {11, 104}, {5, 99},
    {1, 92}, {0, 85}, {0, 20}, {2, 13}, {6, 7}, {11, 3}, {18, 1},
}};

}  // namespace

const RegionPointTable& ShapePoints(bool compact) { return compact ? kCompactShape : kFullShape; }

QRegion ShapeRegion(const RegionPointTable& points) {
  QPolygon polygon;
  polygon.reserve(static_cast<int>(points.size()));
  for (const QPoint& p : points) polygon << p;
  return QRegion(polygon, Qt::OddEvenFill);
}

}  // namespace vuruzid::ui
