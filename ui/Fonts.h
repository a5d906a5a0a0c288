#pragma once

#include <QFont>

namespace vuruzid::ui {

// The small sans-serif face every window is laid out for, at a pixel height
// (11 for ordinary text).
QFont SansFont(int pixelHeight = 11, bool bold = false);

}  // namespace vuruzid::ui
