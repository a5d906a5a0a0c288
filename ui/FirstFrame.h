#pragma once

#include <functional>

class QWidget;

namespace vuruzid::ui {

// Runs `action` once, from the event loop, right after `window` has painted
// its first frame: work the first frame does not need waits until the user
// sees the window.
void RunAfterFirstFrame(QWidget* window, std::function<void()> action);

}  // namespace vuruzid::ui
