#include "ScreenProbe.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <cstdlib>

namespace vuruzid::bench {
namespace {

bool Near(uint32_t a, uint32_t b) {
  for (int shift : {0, 8, 16})
    if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 12) return false;
  return true;
}

std::optional<pid_t> WindowPid(::Display* display, Window window, Atom pidAtom) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after,
                         &data) != Success)
    return std::nullopt;
  std::optional<pid_t> pid;
  if (data != nullptr && count == 1 && format == 32) pid = static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data));
  if (data != nullptr) XFree(data);
  return pid;
}

void Search(::Display* display, Window window, Atom pidAtom, pid_t pid, std::optional<ScreenRect>& best) {
  XWindowAttributes attributes{};
  if (XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable &&
      WindowPid(display, window, pidAtom) == pid) {
    int x = 0, y = 0;
    Window child = None;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    if (!best || attributes.width * attributes.height > best->width * best->height)
      best = ScreenRect{x, y, attributes.width, attributes.height, window};
  }
  Window root = None, parent = None;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, window, &root, &parent, &children, &count)) return;
  for (unsigned int i = 0; i < count; ++i) Search(display, children[i], pidAtom, pid, best);
  if (children != nullptr) XFree(children);
}

}  // namespace

ScreenProbe::ScreenProbe() : display_(XOpenDisplay(nullptr)) {}

ScreenProbe::~ScreenProbe() {
  if (display_ != nullptr) XCloseDisplay(display_);
}

std::vector<uint32_t> ScreenProbe::Grab(const ScreenRect& rect) const {
  XImage* image = XGetImage(display_, DefaultRootWindow(display_), rect.x, rect.y, static_cast<unsigned>(rect.width),
                            static_cast<unsigned>(rect.height), AllPlanes, ZPixmap);
  if (image == nullptr) return {};
  std::vector<uint32_t> pixels;
  pixels.reserve(static_cast<size_t>(rect.width) * static_cast<size_t>(rect.height));
  for (int y = 0; y < rect.height; ++y)
    for (int x = 0; x < rect.width; ++x) pixels.push_back(static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF);
  XDestroyImage(image);
  return pixels;
}

std::optional<ScreenRect> ScreenProbe::FindWindowOf(pid_t pid) const {
  const Atom pidAtom = XInternAtom(display_, "_NET_WM_PID", False);
  std::optional<ScreenRect> best;
  Search(display_, DefaultRootWindow(display_), pidAtom, pid, best);
  return best;
}

bool ScreenProbe::AskToClose(pid_t pid) const {
  const std::optional<ScreenRect> found = FindWindowOf(pid);
  if (!found) return false;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = found->window;
  event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display_, found->window, False, NoEventMask, &event);
  XSync(display_, False);
  return true;
}

double ShareShown(const std::vector<uint32_t>& before, const std::vector<uint32_t>& reference,
                  const std::vector<uint32_t>& now, size_t* distinct) {
  size_t differing = 0, shown = 0;
  if (before.size() == reference.size() && now.size() == reference.size()) {
    for (size_t i = 0; i < reference.size(); ++i) {
      if (Near(before[i], reference[i])) continue;
      ++differing;
      if (Near(now[i], reference[i])) ++shown;
    }
  }
  if (distinct != nullptr) *distinct = differing;
  return differing == 0 ? 0.0 : static_cast<double>(shown) / static_cast<double>(differing);
}

}  // namespace vuruzid::bench
