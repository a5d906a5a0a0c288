#include "capture/x11/ConnectionGuard.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace vuruzid::capture::x11 {
namespace {

// Everything runs on the GUI thread, so the list needs no lock.
std::vector<ConnectionGuard*>& Guards() {
  static std::vector<ConnectionGuard*> guards;
  return guards;
}
std::vector<Display*>& GuardedDisplays() {
  static std::vector<Display*> displays;
  return displays;
}
XErrorHandler previousHandler = nullptr;
bool handlerInstalled = false;

}  // namespace

ConnectionGuard::ConnectionGuard(Display* display) : display_(display) {
  if (!handlerInstalled) {
    previousHandler = XSetErrorHandler(&ConnectionGuard::OnError);
    handlerInstalled = true;
  }
  Guards().push_back(this);
  GuardedDisplays().push_back(display);
  XSetIOErrorExitHandler(display, &ConnectionGuard::OnConnectionLost, this);
}

ConnectionGuard::~ConnectionGuard() {
  auto& guards = Guards();
  auto& displays = GuardedDisplays();
  const auto at = std::ranges::find(guards, this) - guards.begin();
  guards.erase(guards.begin() + at);
  displays.erase(displays.begin() + at);
}

int ConnectionGuard::TakeError() {
  if (!lost_) XSync(display_, False);
  return std::exchange(error_, 0);
}

int ConnectionGuard::OnError(Display* display, XErrorEvent* error) {
  const auto& displays = GuardedDisplays();
  if (const auto at = std::ranges::find(displays, display); at != displays.end()) {
    ConnectionGuard* guard = Guards()[at - displays.begin()];
    if (guard->error_ == 0) guard->error_ = error->error_code;
    return 0;
  }
  return previousHandler ? previousHandler(display, error) : 0;
}

void ConnectionGuard::OnConnectionLost(Display*, void* guard) {
  // Returning here, instead of exiting, leaves the connection marked dead;
  // the owner closes it.
  static_cast<ConnectionGuard*>(guard)->lost_ = true;
}

}  // namespace vuruzid::capture::x11
