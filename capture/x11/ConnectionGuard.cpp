#include "capture/x11/ConnectionGuard.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace vuruzid::capture::x11 {
namespace {

// Everything runs on the GUI thread, so these need no lock.
std::vector<ConnectionGuard*> guards;
XErrorTrap* outermostTrap = nullptr;

}  // namespace

ConnectionGuard::ConnectionGuard(Display* display) : display_(display) {
  guards.push_back(this);
  // Xlib calls this after the process-wide handler, instead of exit(), when
  // that handler returns: the connection is then marked dead and the owner closes it.
  XSetIOErrorExitHandler(display, &ConnectionGuard::OnConnectionLost, this);
}

ConnectionGuard::~ConnectionGuard() { std::erase(guards, this); }

int ConnectionGuard::TakeError() {
  if (!lost_) XSync(display_, False);
  return std::exchange(error_, 0);
}

void ConnectionGuard::OnConnectionLost(Display*, void* guard) { static_cast<ConnectionGuard*>(guard)->lost_ = true; }

XErrorTrap::XErrorTrap() : outer_(std::exchange(outermostTrap, outermostTrap ? outermostTrap : this)) {
  // Only the outermost trap swaps the handlers; nested ones ride on it.
  if (outer_ != nullptr) return;
  previousErrorHandler_ = XSetErrorHandler(&XErrorTrap::OnError);
  previousIOErrorHandler_ = XSetIOErrorHandler(&XErrorTrap::OnIOError);
}

XErrorTrap::~XErrorTrap() {
  if (outer_ != nullptr) return;
  XSetErrorHandler(previousErrorHandler_);
  XSetIOErrorHandler(previousIOErrorHandler_);
  outermostTrap = nullptr;
}

int XErrorTrap::OnError(Display* display, XErrorEvent* error) {
  const auto guard = std::ranges::find(guards, display, &ConnectionGuard::display_);
  if (guard != guards.end()) {
    if ((*guard)->error_ == 0) (*guard)->error_ = error->error_code;
    return 0;
  }
  const XErrorHandler previous = outermostTrap ? outermostTrap->previousErrorHandler_ : nullptr;
  return previous ? previous(display, error) : 0;
}

int XErrorTrap::OnIOError(Display* display) {
  if (std::ranges::find(guards, display, &ConnectionGuard::display_) != guards.end()) return 0;
  const XIOErrorHandler previous = outermostTrap ? outermostTrap->previousIOErrorHandler_ : nullptr;
  return previous ? previous(display) : 0;
}

}  // namespace vuruzid::capture::x11
