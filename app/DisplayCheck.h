#pragma once

// The window needs a display. Without one Qt ends the program with a core
// dump and a message about plugins; these say what is missing instead.
namespace vuruzid::app {

// The line printed when there is no display, ended by a newline.
extern const char kNoDisplay[];

// Whether a display the window can be drawn on is named: DISPLAY or
// WAYLAND_DISPLAY for the desktop platforms. A platform QT_QPA_PLATFORM names
// that needs no display (offscreen, in tests) needs neither.
bool DisplayIsNamed();

// While it lives, Qt failing to open its platform (a DISPLAY whose server has
// gone) prints kNoDisplay and ends the program with status 1. Held around the
// application's construction.
class NoDisplayEndsCleanly {
 public:
  NoDisplayEndsCleanly();
  ~NoDisplayEndsCleanly();
  NoDisplayEndsCleanly(const NoDisplayEndsCleanly&) = delete;
  NoDisplayEndsCleanly& operator=(const NoDisplayEndsCleanly&) = delete;
};

}  // namespace vuruzid::app
