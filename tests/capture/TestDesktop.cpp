#include "TestDesktop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

extern char** environ;

namespace vuruzid::capture::testing {

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  QTimer wake;  // keeps WaitForMoreEvents from sleeping past the deadline
  wake.start(5);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

void PumpFor(std::chrono::milliseconds time) {
  PumpUntil([] { return false; }, time);
}

TestDesktop& TestDesktop::Shared() {
  static TestDesktop desktop;
  return desktop;
}

TestDesktop::TestDesktop() {
  display_ = XOpenDisplay(nullptr);
  if (display_ == nullptr) throw std::runtime_error("no X display for the test");
  const int screen = DefaultScreen(display_);
  window_ = XCreateSimpleWindow(display_, RootWindow(display_, screen), 10, 10, 200, 60, 0,
                                BlackPixel(display_, screen), WhitePixel(display_, screen));
  XStoreName(display_, window_, "capture test");
  XSetWMProperties(display_, window_, nullptr, nullptr, nullptr, 0, nullptr, nullptr, nullptr);  // WM_CLIENT_MACHINE
  const unsigned long pid = static_cast<unsigned long>(getpid());
  XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&pid), 1);
  XSelectInput(display_, window_, KeyPressMask | KeyReleaseMask | StructureNotifyMask);
  XMapRaised(display_, window_);
  for (XEvent event;;) {  // wait until it is on screen, then give it the keyboard
    XWindowEvent(display_, window_, StructureNotifyMask, &event);
    if (event.type == MapNotify) break;
  }
  XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
  XSync(display_, False);
}

TestDesktop::~TestDesktop() {
  XDestroyWindow(display_, window_);
  XCloseDisplay(display_);
}

void TestDesktop::TakeFocus() {
  Window focus = 0;
  int revertTo = 0;
  XGetInputFocus(display_, &focus, &revertTo);
  if (focus != window_) XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
}

void TestDesktop::Press(uint8_t keycode) {
  // The window manager may still be tidying up after an earlier test's
  // window and drop the focus; keys must go to an ordinary client.
  TakeFocus();
  XTestFakeKeyEvent(display_, keycode, True, CurrentTime);
  XSync(display_, False);
}

void TestDesktop::Release(uint8_t keycode) {
  XTestFakeKeyEvent(display_, keycode, False, CurrentTime);
  XSync(display_, False);
}

int TestDesktop::TakeKeyPresses(uint8_t keycode) {
  XSync(display_, False);
  for (XEvent event; XCheckWindowEvent(display_, window_, KeyPressMask | KeyReleaseMask, &event);) {
    if (event.type == KeyPress) pressesReceived_.push_back(static_cast<uint8_t>(event.xkey.keycode));
  }
  const auto presses = std::erase(pressesReceived_, keycode);
  return static_cast<int>(presses);
}

std::pair<unsigned, unsigned> TestDesktop::SetAutoRepeat(unsigned delay, unsigned interval) {
  unsigned oldDelay = 0, oldInterval = 0;
  XkbGetAutoRepeatRate(display_, XkbUseCoreKbd, &oldDelay, &oldInterval);
  XkbSetAutoRepeatRate(display_, XkbUseCoreKbd, delay, interval);
  XSync(display_, False);
  return {oldDelay, oldInterval};
}

void TestDesktop::Tap(uint8_t keycode) {
  Press(keycode);
  Release(keycode);
}

void TestDesktop::TapAll(const std::vector<uint8_t>& keycodes) {
  for (uint8_t keycode : keycodes) Tap(keycode);
}

void TestDesktop::PressButton(unsigned button) {
  XWarpPointer(display_, 0, window_, 0, 0, 0, 0, 20, 20);
  XTestFakeButtonEvent(display_, button, True, CurrentTime);
  XSync(display_, False);
}

void TestDesktop::ReleaseButton(unsigned button) {
  XTestFakeButtonEvent(display_, button, False, CurrentTime);
  XSync(display_, False);
}

void TestDesktop::Click(unsigned button) {
  PressButton(button);
  ReleaseButton(button);
}

uint8_t TestDesktop::KeycodeOfSymbol(unsigned long keysym) const {
  // Read afresh: Xlib's own copy of the keymap lags behind setxkbmap.
  XkbDescPtr xkb = XkbGetMap(display_, XkbKeySymsMask | XkbKeyTypesMask, XkbUseCoreKbd);
  if (xkb == nullptr) return 0;
  uint8_t found = 0;
  for (int keycode = xkb->min_key_code; keycode <= xkb->max_key_code && found == 0; ++keycode) {
    if (XkbKeyNumSyms(xkb, keycode) > 0 && XkbKeySymEntry(xkb, keycode, 0, 0) == keysym)
      found = static_cast<uint8_t>(keycode);
  }
  XkbFreeKeyboard(xkb, 0, True);
  return found;
}

uint8_t TestDesktop::KeycodeOfName(std::string_view keyName) const {
  XkbDescPtr xkb = XkbGetMap(display_, 0, XkbUseCoreKbd);
  if (xkb == nullptr) return 0;
  if (XkbGetNames(display_, XkbKeyNamesMask, xkb) != Success || xkb->names == nullptr) {
    XkbFreeKeyboard(xkb, 0, True);
    return 0;
  }
  uint8_t found = 0;
  for (int keycode = xkb->min_key_code; keycode <= xkb->max_key_code && found == 0; ++keycode) {
    const std::string_view name(xkb->names->keys[keycode].name,
                                strnlen(xkb->names->keys[keycode].name, XkbKeyNameLength));
    if (name == keyName) found = static_cast<uint8_t>(keycode);
  }
  XkbFreeKeyboard(xkb, 0, True);
  return found;
}

void TestDesktop::SetKeyboard(const std::string& setxkbmapArguments) {
  const std::string command = "setxkbmap " + setxkbmapArguments + " >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

void PrintTo(const KeyDown& key, std::ostream* out) {
  if (key.pointerButton != 0)
    *out << "{button " << int(key.pointerButton);
  else
    *out << "{key " << int(key.virtualKey);
  *out << ", insert state " << key.insertKeyState << (key.command ? ", command" : "") << (key.shift ? ", shift" : "")
       << (key.capsLock ? ", caps lock" : "") << "}";
}

std::vector<int> DeliveredKeys::Codes() const {
  std::vector<int> codes;
  for (const KeyDown& key : keys) codes.push_back(key.virtualKey);
  return codes;
}

bool DeliveredKeys::WaitFor(uint8_t virtualKey, std::chrono::milliseconds timeout) const {
  return PumpUntil(
      [&] { return std::ranges::any_of(keys, [&](const KeyDown& key) { return key.virtualKey == virtualKey; }); },
      timeout);
}

PrivateXServer::PrivateXServer(const std::vector<std::string>& extraArguments) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return;
  std::vector<std::string> arguments = {"Xvfb", "-displayfd", std::to_string(pipeEnds[1]), "-nolisten", "tcp",
                                        "-screen", "0", "640x480x24"};
  arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const int spawned = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  if (spawned != 0) {
    pid_ = -1;
    close(pipeEnds[0]);
    return;
  }
  // The server writes its display number once it accepts connections.
  std::string number;
  pollfd ready{pipeEnds[0], POLLIN, 0};
  char c = 0;
  while (poll(&ready, 1, 10000) > 0 && read(pipeEnds[0], &c, 1) == 1 && c != '\n') number += c;
  close(pipeEnds[0]);
  if (number.empty()) {
    Stop();
    return;
  }
  displayName_ = ":" + number;
}

PrivateXServer::~PrivateXServer() { Stop(); }

void PrivateXServer::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

ScopedEnvironment::ScopedEnvironment(std::string name, const char* value) : name_(std::move(name)) {
  if (const char* old = std::getenv(name_.c_str())) {
    hadValue_ = true;
    oldValue_ = old;
  }
  if (value)
    setenv(name_.c_str(), value, 1);
  else
    unsetenv(name_.c_str());
}

ScopedEnvironment::~ScopedEnvironment() {
  if (hadValue_)
    setenv(name_.c_str(), oldValue_.c_str(), 1);
  else
    unsetenv(name_.c_str());
}

}  // namespace vuruzid::capture::testing
