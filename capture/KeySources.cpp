// The one place that knows every key source and picks one for the session.
#include <string>

#include "capture/KeySource.h"
#include "capture/Session.h"
#include "capture/x11/XRecordKeySource.h"
#include "platform/Environment.h"
#if VURUZID_CAPTURE_DEVICES
#include "capture/evdev/EvdevKeySource.h"
#endif

namespace vuruzid::capture {
namespace {

enum class Route { X11, Devices };

std::unique_ptr<KeySource> Make(Route route, const KeySource::KeySink& onKey, const KeySource::LostSink& onLost) {
  if (route == Route::X11) return std::make_unique<x11::XRecordKeySource>(onKey, onLost);
#if VURUZID_CAPTURE_DEVICES
  return std::make_unique<evdev::EvdevKeySource>(onKey, onLost);
#else
  return nullptr;
#endif
}

}  // namespace

std::unique_ptr<KeySource> StartKeySource(KeySource::KeySink onKey, KeySource::LostSink onLost, std::string* whyNot) {
  std::vector<Route> routes;
  if (const std::string chosen = platform::EnvironmentValue("VURUZID_CAPTURE"); chosen == "x11")
    routes = {Route::X11};
  else if (chosen == "devices")
    routes = {Route::Devices};
  else if (InWaylandSession())
    routes = {Route::Devices, Route::X11};
  else
    routes = {Route::X11, Route::Devices};

  std::string reasons;
  for (Route route : routes) {
    auto source = Make(route, onKey, onLost);
    if (!source) continue;
    std::string why;
    if (source->Start(&why)) {
      if (whyNot) *whyNot = reasons;
      return source;
    }
    reasons += (reasons.empty() ? "" : "\n\n") + why;
  }
  if (whyNot) *whyNot = reasons.empty() ? "Checking cannot start: this build has no way to see the keys." : reasons;
  return nullptr;
}

}  // namespace vuruzid::capture
