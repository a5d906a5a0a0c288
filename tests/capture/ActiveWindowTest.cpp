// Where the keys go on X11: the active window's program and process, and a
// keyboard grabbed by another client (a screen locker, a window manager's
// shortcut), seen on a real X server with a real window manager.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QProcess>
#include <QStringList>

// Xlib after the test framework and Qt: its macros (None, Bool) clash with them.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <functional>
#include <iostream>
#include <optional>
#include <utility>

#include "TestDesktop.h"
#include "capture/x11/ActiveWindowWatcher.h"
#include "capture/x11/ProcessExecutable.h"
#include "capture/x11/XRecordKeySource.h"
#include "support/TempFolder.h"

namespace vuruzid::capture::testing {
namespace {

using Active = x11::ActiveWindowWatcher::Active;

// Makes a window the active one the way a pager does, through the window manager.
bool Activate(unsigned long window) {
  return QProcess::execute("xdotool", {"windowactivate", "--sync", QString::number(window)}) == 0;
}

// The system's Python with GTK 3 bindings, for the GTK locker.
constexpr const char* kPython = "/usr/bin/python3";

bool GtkAtHand() {
  return QProcess::execute(kPython, {"-c", "import gi; gi.require_version('Gdk', '3.0')"}) == 0;
}

// A locker stand-in (KeyboardLocker.cpp; GtkLocker.py for the "gtk" one),
// talked to over its standard input and output.
class Locker {
 public:
  explicit Locker(const QStringList& arguments) {
    if (arguments.value(0) == "gtk")
      process_.start(kPython, {VURUZID_TEST_GTK_LOCKER});
    else
      process_.start(VURUZID_TEST_LOCKER, arguments);
    process_.waitForStarted();
  }
  ~Locker() {
    process_.closeWriteChannel();
    if (!process_.waitForFinished(3000)) process_.kill();
    process_.waitForFinished();
  }
  // Waits for the line the locker prints when it has done what it was told.
  bool Answers(const QByteArray& line) {
    while (true) {
      if (process_.canReadLine()) {
        if (process_.readLine().trimmed() == line) return true;
        continue;
      }
      if (!process_.waitForReadyRead(5000)) return false;
    }
  }
  void Tell(const QByteArray& line) {
    process_.write(line + "\n");
    process_.waitForBytesWritten();
  }
  bool Quit() {
    Tell("quit");
    return process_.waitForFinished(3000);
  }

 private:
  QProcess process_;
};

// A watcher and the keys recorded meanwhile, each with the grab as the watcher
// saw it when the key came (drained first, as the key path does).
struct Watch {
  std::vector<Active> told;
  std::vector<std::pair<KeyEvent, bool>> keys;  // key, keyboard grabbed at that moment
  x11::ActiveWindowWatcher watcher{[this](const Active& active) { told.push_back(active); }};
  x11::XRecordKeySource source{[this](const KeyEvent& key) {
                                 watcher.Drain();
                                 keys.emplace_back(key, watcher.Current().keyboardGrabbed);
                               },
                               nullptr};
  Watch() {
    // The key source first, as the capture starts them: its records are then
    // read before the watcher's events, and only draining tells them in order.
    std::string whyNot;
    EXPECT_TRUE(source.Start(&whyNot)) << whyNot;
    EXPECT_TRUE(watcher.Start(&whyNot)) << whyNot;
  }
  bool Grabbed(bool grabbed) {
    return PumpUntil([&] { return watcher.Current().keyboardGrabbed == grabbed; });
  }
  std::vector<int> VirtualKeysPressed() const {
    std::vector<int> codes;
    for (const auto& [key, grabbed] : keys)
      if (key.pressed) codes.push_back(key.virtualKey);
    return codes;
  }
};

// Types keys without moving the focus, as a user at a locked screen does.
void TypeAt(TestDesktop& desktop, std::initializer_list<unsigned long> keysyms) {
  for (unsigned long keysym : keysyms) {
    const uint8_t keycode = desktop.KeycodeOfSymbol(keysym);
    XTestFakeKeyEvent(desktop.display(), keycode, True, CurrentTime);
    XTestFakeKeyEvent(desktop.display(), keycode, False, CurrentTime);
  }
  XSync(desktop.display(), False);
}

// A top-level window of the test's own, with the process and machine it names.
class OwnWindow {
 public:
  OwnWindow(unsigned long pid, const char* machine) : display_(XOpenDisplay(nullptr)) {
    window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 50, 50, 120, 40, 0, 0, 0xffffff);
    XClassHint hint{const_cast<char*>("ownwindow"), const_cast<char*>("OwnWindow")};
    XSetClassHint(display_, window_, &hint);
    if (machine != nullptr) {
      XTextProperty text{};
      char* name = const_cast<char*>(machine);
      XStringListToTextProperty(&name, 1, &text);
      XSetWMClientMachine(display_, window_, &text);
      XFree(text.value);
    }
    if (pid != 0)
      XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&pid), 1);
    XSelectInput(display_, window_, StructureNotifyMask);
    XMapRaised(display_, window_);
    for (XEvent event;;) {
      XWindowEvent(display_, window_, StructureNotifyMask, &event);
      if (event.type == MapNotify) break;
    }
  }
  ~OwnWindow() {
    if (window_ != 0) Destroy();
    XCloseDisplay(display_);
  }
  unsigned long window() const { return window_; }
  void Focus() {
    XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
    XSync(display_, False);
  }
  void Destroy() {
    XDestroyWindow(display_, window_);
    XSync(display_, False);
    window_ = 0;
  }

 private:
  Display* display_;
  unsigned long window_ = 0;
};

std::string Hostname() {
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  return host;
}

// Where the focus is when the locker comes.
enum class FocusAt { TestWindow, Xterm, FollowingThePointer, AFocusedWindowDestroyed };

struct GrabRow {
  const char* what;
  QStringList locker;  // its arguments
  FocusAt focus;
  bool lockerTakesFocus;  // it gives its own window the focus while grabbed
  bool endsByUngrab;      // else it exits
};

const GrabRow kGrabRows[] = {
    {"a core grab on its own window, over the test's window", {"core", "own"}, FocusAt::TestWindow, false, true},
    {"a core grab on the root window, ended by exiting", {"core", "root"}, FocusAt::TestWindow, false, false},
    {"an XI2 grab on its own window", {"xi2", "own"}, FocusAt::TestWindow, false, true},
    {"an XI2 grab on the root window, over an xterm", {"xi2", "root"}, FocusAt::Xterm, false, false},
    {"a core grab over an xterm", {"core", "own"}, FocusAt::Xterm, false, true},
    {"a core grab while the focus follows the pointer", {"core", "own"}, FocusAt::FollowingThePointer, false, true},
    {"a core grab after the focused window was destroyed", {"core", "own"}, FocusAt::AFocusedWindowDestroyed, false,
     false},
    {"the locker takes the focus while it holds the grab", {"core", "own"}, FocusAt::TestWindow, true, true},
    {"a GTK seat grab", {"gtk"}, FocusAt::TestWindow, false, true},
    {"a GTK seat grab over an xterm, ended by exiting", {"gtk"}, FocusAt::Xterm, false, false},
};

TEST(ActiveWindow, AKeyboardGrabbedByAnotherClientIsSeenWhateverTheActiveWindow) {
  TestDesktop::SetKeyboard("-keycodes evdev us");
  TestDesktop& desktop = TestDesktop::Shared();
  const bool gtk = GtkAtHand();
  if (!gtk) std::cout << "No GTK 3 for " << kPython << ": the GTK locker's rows are left out.\n";
  for (const GrabRow& row : kGrabRows) {
    SCOPED_TRACE(row.what);
    if (row.locker.value(0) == "gtk" && !gtk) continue;
    desktop.TakeFocus();
    ASSERT_TRUE(Activate(desktop.window()));
    Watch watch;  // started first: the focus moves below are followed
    EXPECT_FALSE(watch.watcher.Current().keyboardGrabbed);

    QProcess xterm;
    std::optional<OwnWindow> destroyed;
    switch (row.focus) {
      case FocusAt::TestWindow:
        break;
      case FocusAt::Xterm:
        xterm.start("xterm", {"-geometry", "20x2+0+0"});
        ASSERT_TRUE(xterm.waitForStarted());
        QProcess::execute("xdotool", {"search", "--sync", "--pid", QString::number(xterm.processId()), "--class",
                                      "XTerm", "windowactivate", "--sync"});
        ASSERT_TRUE(PumpUntil([&] { return watch.watcher.Current().program.className == "XTerm"; }, 5000ms));
        break;
      case FocusAt::FollowingThePointer:
        XSetInputFocus(desktop.display(), PointerRoot, RevertToPointerRoot, CurrentTime);
        XSync(desktop.display(), False);
        break;
      case FocusAt::AFocusedWindowDestroyed:
        destroyed.emplace(0, nullptr);
        destroyed->Focus();
        PumpFor(100ms);
        destroyed->Destroy();
        break;
    }
    PumpFor(100ms);  // the watcher follows the focus
    const Active before = watch.watcher.Current();
    watch.told.clear();

    {
      Locker locker(row.locker);
      ASSERT_TRUE(locker.Answers("grabbed"));
      ASSERT_TRUE(watch.Grabbed(true));
      EXPECT_EQ(watch.watcher.Current().program, before.program) << "the active window stays";
      ASSERT_EQ(watch.told.size(), 1u);
      EXPECT_TRUE(watch.told[0].keyboardGrabbed);
      if (row.lockerTakesFocus) {
        locker.Tell("focus");
        ASSERT_TRUE(locker.Answers("focused"));
        PumpFor(100ms);
      }
      TypeAt(desktop, {XK_q, XK_w});  // they go to the locker, and are still recorded
      ASSERT_TRUE(PumpUntil([&] { return watch.VirtualKeysPressed().size() == 2; }));
      if (row.endsByUngrab) {
        locker.Tell("ungrab");
        ASSERT_TRUE(locker.Answers("released"));
        ASSERT_TRUE(watch.Grabbed(false));
      } else {
        ASSERT_TRUE(locker.Quit());
      }
    }
    ASSERT_TRUE(watch.Grabbed(false));
    EXPECT_THAT(watch.VirtualKeysPressed(), ::testing::ElementsAre('Q', 'W'));
    for (const auto& [key, grabbed] : watch.keys) EXPECT_TRUE(grabbed) << "key " << int(key.virtualKey);
    if (xterm.state() != QProcess::NotRunning) {
      xterm.kill();
      xterm.waitForFinished();
    }
  }
  desktop.TakeFocus();
}

// A window manager's shortcut grabs the keyboard while its key is down: the
// grab's focus events come with the key, and draining them first lets the key
// path see the grab begin with the key press and end with its release.
TEST(ActiveWindow, AShortcutsGrabIsSeenWithItsKeyOnceDrained) {
  TestDesktop::SetKeyboard("-keycodes evdev us");
  TestDesktop& desktop = TestDesktop::Shared();
  desktop.TakeFocus();
  Watch watch;
  Display* shortcuts = XOpenDisplay(nullptr);
  const uint8_t f12 = desktop.KeycodeOfSymbol(XK_F12);
  XGrabKey(shortcuts, f12, AnyModifier, DefaultRootWindow(shortcuts), False, GrabModeAsync, GrabModeAsync);
  XSync(shortcuts, False);
  // Typed as a person types: each key is read before the next comes. (Keys
  // read in one batch are all told after every focus event that came with
  // them: then each sees the grab as it is after the last of them.)
  const auto typeOne = [&](uint8_t keycode, bool press) {
    const size_t before = watch.keys.size();
    if (press)
      desktop.Press(keycode);
    else
      desktop.Release(keycode);
    return PumpUntil([&] { return watch.keys.size() > before; });
  };
  constexpr int kTaps = 20;
  for (int i = 0; i < kTaps; ++i) {
    ASSERT_TRUE(typeOne(f12, true));
    ASSERT_TRUE(typeOne(f12, false));
  }
  ASSERT_TRUE(typeOne(desktop.KeycodeOfSymbol(XK_a), true));
  ASSERT_TRUE(typeOne(desktop.KeycodeOfSymbol(XK_a), false));
  XCloseDisplay(shortcuts);

  std::vector<std::pair<bool, bool>> seen, expected;  // pressed, grabbed
  for (const auto& [key, grabbed] : watch.keys) seen.emplace_back(key.pressed, grabbed);
  for (int i = 0; i < kTaps; ++i) {
    expected.emplace_back(true, true);
    expected.emplace_back(false, false);
  }
  expected.emplace_back(true, false);  // a key of the focused window
  expected.emplace_back(false, false);
  EXPECT_EQ(seen, expected);
}

struct ProcessRow {
  const char* what;
  unsigned long pid;     // _NET_WM_PID, 0 for none
  const char* machine;   // WM_CLIENT_MACHINE, nullptr for none
  unsigned long seenPid;
  const char* executable;
};

TEST(ActiveWindow, TheActiveWindowsProcessAndExecutableAreNamed) {
  TestDesktop& desktop = TestDesktop::Shared();
  const unsigned long self = static_cast<unsigned long>(getpid());
  const std::string host = Hostname(), fullName = host + ".example.org";
  const ProcessRow rows[] = {
      {"a window of this process", self, host.c_str(), self, "capture_x11_test"},
      {"this machine by its full name", self, fullName.c_str(), self, "capture_x11_test"},
      {"no machine named", self, nullptr, self, "capture_x11_test"},
      {"another machine's window: its number names no process here", self, "elsewhere.example.org", 0, ""},
      {"no process named", 0, host.c_str(), 0, ""},
  };
  std::vector<Active> told;
  x11::ActiveWindowWatcher watcher([&](const Active& active) { told.push_back(active); });
  std::string whyNot;
  ASSERT_TRUE(watcher.Start(&whyNot)) << whyNot;
  for (const ProcessRow& row : rows) {
    SCOPED_TRACE(row.what);
    OwnWindow window(row.pid, row.machine);
    told.clear();
    ASSERT_TRUE(Activate(window.window()));
    ASSERT_TRUE(PumpUntil([&] { return watcher.Current().program.className == "OwnWindow"; }));
    EXPECT_EQ(watcher.Current().pid, row.seenPid);
    EXPECT_EQ(watcher.Current().executable, row.executable);
    EXPECT_EQ(watcher.Current().thisProcess, row.seenPid == self);
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.back(), watcher.Current()) << "told as it is";
    ASSERT_TRUE(Activate(desktop.window()));  // (the next window shows the same class)
    ASSERT_TRUE(PumpUntil([&] { return watcher.Current().program.className != "OwnWindow"; }));
  }

  // The test's own window, and an xterm: another process with an executable of its own.
  EXPECT_EQ(watcher.Current().pid, self);
  EXPECT_TRUE(watcher.Current().thisProcess);
  QProcess xterm;
  xterm.start("xterm", {"-geometry", "20x2+0+0"});
  ASSERT_TRUE(xterm.waitForStarted());
  QProcess::execute("xdotool", {"search", "--sync", "--pid", QString::number(xterm.processId()), "--class", "XTerm",
                                "windowactivate", "--sync"});
  ASSERT_TRUE(PumpUntil([&] { return watcher.Current().program.className == "XTerm"; }, 5000ms));
  EXPECT_EQ(watcher.Current().pid, static_cast<unsigned long>(xterm.processId()));
  EXPECT_EQ(watcher.Current().executable, "xterm");
  EXPECT_FALSE(watcher.Current().thisProcess);
  xterm.kill();
  xterm.waitForFinished();
  ASSERT_TRUE(PumpUntil([&] { return watcher.Current().program.className != "XTerm"; }, 5000ms));
  desktop.TakeFocus();
}

TEST(ActiveWindow, ExecutablesAreNamedByTheProcessFolder) {
  vuruzid::testing::TempFolder proc;
  const struct {
    const char* what;
    const char* exe;   // the link's target, nullptr for none
    const char* comm;  // nullptr for none
    const char* named;
  } rows[] = {
      {"the executable's file name", "/usr/lib/firefox-esr/firefox-esr", "firefox-esr", "firefox-esr"},
      {"one replaced since it started", "/usr/bin/kate (deleted)", "kate", "kate"},
      {"another user's: its own name", nullptr, "gnome-terminal-\n", "gnome-terminal-"},
      {"a process that is not there", nullptr, nullptr, ""},
  };
  unsigned long pid = 100;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string folder = std::to_string(++pid);
    std::filesystem::create_directories(proc / folder);
    if (row.exe) std::filesystem::create_symlink(row.exe, proc / folder / "exe");
    if (row.comm) proc.Write(folder + "/comm", row.comm);
    EXPECT_EQ(x11::ExecutableOfProcess(pid, proc.path()), row.named);
  }
  EXPECT_EQ(x11::ExecutableOfProcess(0, proc.path()), "");
  EXPECT_EQ(x11::ExecutableOfProcess(static_cast<unsigned long>(getpid())), "capture_x11_test");
}

}  // namespace
}  // namespace vuruzid::capture::testing
