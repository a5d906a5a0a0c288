#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <vector>

// Xlib last: its macros clash with other headers.
#include <X11/Xlib.h>

namespace vuruzid::bench {

// A rectangle on the root window.
struct ScreenRect {
  int x = 0, y = 0, width = 0, height = 0;
  Window window = None;  // the window found there, if any
};

// Reads what the X screen shows: the pixels of a rectangle of the root window
// (what a user sees there, whatever window lies on top), and finds a
// process's top-level window.
class ScreenProbe {
 public:
  ScreenProbe();  // opens $DISPLAY; ok() tells whether that worked
  ~ScreenProbe();
  ScreenProbe(const ScreenProbe&) = delete;
  ScreenProbe& operator=(const ScreenProbe&) = delete;

  bool ok() const { return display_ != nullptr; }
  ::Display* display() const { return display_; }

  // The rectangle's pixels, 0xRRGGBB row by row; empty when it cannot be read.
  std::vector<uint32_t> Grab(const ScreenRect& rect) const;

  // The largest mapped window whose _NET_WM_PID is `pid`, in root coordinates.
  std::optional<ScreenRect> FindWindowOf(pid_t pid) const;

  // Asks that window to close, as its window manager's close does
  // (WM_DELETE_WINDOW); false when there is no such window.
  bool AskToClose(pid_t pid) const;

 private:
  ::Display* display_ = nullptr;
};

// How many of `reference`'s pixels that differ from `before` also show in
// `now` (each colour channel within a small tolerance): the share of the
// picture that has appeared. `distinct` receives how many pixels differ.
double ShareShown(const std::vector<uint32_t>& before, const std::vector<uint32_t>& reference,
                  const std::vector<uint32_t>& now, size_t* distinct = nullptr);

}  // namespace vuruzid::bench
