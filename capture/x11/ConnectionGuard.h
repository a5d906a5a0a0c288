#pragma once

#include <X11/Xlib.h>

namespace vuruzid::capture::x11 {

// Keeps what goes wrong on one of the capture's own X connections from ending
// the program: protocol errors are kept for the owner to look at, and a lost
// connection is noted, where Xlib's default handlers would print and exit.
// Only calls made while an XErrorTrap is alive are covered: the process-wide
// handlers may be replaced by anyone at any time (the toolkit sets its own).
class ConnectionGuard {
 public:
  explicit ConnectionGuard(Display* display);
  ~ConnectionGuard();
  ConnectionGuard(const ConnectionGuard&) = delete;
  ConnectionGuard& operator=(const ConnectionGuard&) = delete;

  // Waits for the server to handle every request sent so far, then returns the
  // first protocol error code since the last call, or 0; the error is forgotten.
  // Call it inside an XErrorTrap.
  int TakeError();
  bool ConnectionLost() const { return lost_; }

 private:
  friend class XErrorTrap;
  static void OnConnectionLost(Display* display, void* guard);

  Display* display_;
  int error_ = 0;
  bool lost_ = false;
};

// For its lifetime, routes X errors and lost connections on guarded
// connections to their guards; other connections go to the handlers that were
// in place before, which are restored at the end. One thread only.
class XErrorTrap {
 public:
  XErrorTrap();
  ~XErrorTrap();
  XErrorTrap(const XErrorTrap&) = delete;
  XErrorTrap& operator=(const XErrorTrap&) = delete;

 private:
  static int OnError(Display* display, XErrorEvent* error);
  static int OnIOError(Display* display);

  XErrorTrap* outer_;  // the trap this one is nested in, if any
  XErrorHandler previousErrorHandler_ = nullptr;
  XIOErrorHandler previousIOErrorHandler_ = nullptr;
};

}  // namespace vuruzid::capture::x11
