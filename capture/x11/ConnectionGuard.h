#pragma once

#include <X11/Xlib.h>

namespace vuruzid::capture::x11 {

// Keeps what goes wrong on one of the capture's own X connections from ending
// the program: protocol errors are kept for the owner to look at instead of
// Xlib's default handler exiting, and a lost connection is noted instead of
// Xlib calling exit(). Errors on other connections go to the handler that was
// installed before.
class ConnectionGuard {
 public:
  explicit ConnectionGuard(Display* display);
  ~ConnectionGuard();
  ConnectionGuard(const ConnectionGuard&) = delete;
  ConnectionGuard& operator=(const ConnectionGuard&) = delete;

  // The first protocol error code since the last call, or 0; the error is forgotten.
  int TakeError();
  bool ConnectionLost() const { return lost_; }

 private:
  static int OnError(Display* display, XErrorEvent* error);
  static void OnConnectionLost(Display* display, void* guard);

  Display* display_;
  int error_ = 0;
  bool lost_ = false;
};

}  // namespace vuruzid::capture::x11
