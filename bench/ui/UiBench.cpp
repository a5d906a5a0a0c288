// Key on the desktop to repainted word display, by the length of the word,
// timed from outside the real program: QOR_Vuruzid runs from a scratch copy of
// the program folder (English), checking is switched on with a real click,
// keys are injected with XTest into another window, as when a user types in an
// editor, and the word display's place on the X screen is polled until its
// pixels change.
//
//   bash scripts/with-xserver.sh <build>/bench/ui/ui_bench [program folder] [keys per length]
//
// For each length L the word is first built to L - 1 letters; then a letter
// (timed: the word has L letters) and a backspace (untimed) alternate. Prints
// the median, 99th percentile and worst per length, and the program's
// resident memory at the end.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>
#include <vector>

#include "ProgramRun.h"
#include "ScreenProbe.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

namespace fs = std::filesystem;
using vuruzid::bench::Clock;
using vuruzid::bench::Milliseconds;
using vuruzid::bench::ScreenRect;

// The compact window as the settings place it, and its parts in it.
constexpr int kWindowLeft = 50, kWindowTop = 50;
constexpr ScreenRect kWordDisplay{kWindowLeft + 30, kWindowTop + 46, 170, 13};
constexpr int kCheckingButtonX = kWindowLeft + 190, kCheckingButtonY = kWindowTop + 19;

class Typist {
 public:
  explicit Typist(const vuruzid::bench::ScreenProbe& probe) : probe_(probe), display_(probe.display()) {
    // The window that has the keyboard focus while keys are typed: the
    // checker sees keys meant for other programs.
    editor_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 600, 600, 300, 100, 0, 0, 0xFFFFFF);
    XMapRaised(display_, editor_);
    XSync(display_, False);
  }
  ~Typist() { XDestroyWindow(display_, editor_); }

  void FocusEditor() {
    XSetInputFocus(display_, editor_, RevertToParent, CurrentTime);
    XSync(display_, False);
  }

  void Click(int x, int y) {
    XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(display_, 1, True, CurrentTime);
    XTestFakeButtonEvent(display_, 1, False, CurrentTime);
    XSync(display_, False);
  }

  void Key(KeySym keysym) {
    const KeyCode code = XKeysymToKeycode(display_, keysym);
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    XSync(display_, False);
  }

  // Types one key and waits until the word display's pixels change; the time
  // from the injection to that, or nothing when they did not change in a second.
  std::optional<double> KeyToRepaint(KeySym keysym) {
    const std::vector<uint32_t> before = probe_.Grab(kWordDisplay);
    const Clock::time_point start = Clock::now();
    Key(keysym);
    while (Clock::now() - start < std::chrono::seconds(1)) {
      if (probe_.Grab(kWordDisplay) != before) return Milliseconds(Clock::now() - start);
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    return std::nullopt;
  }

  // Waits until the word display has not changed for a while (the program has
  // worked through the keys sent so far).
  void WaitForQuiet() {
    std::vector<uint32_t> last = probe_.Grab(kWordDisplay);
    Clock::time_point changed = Clock::now();
    while (Clock::now() - changed < std::chrono::milliseconds(300)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      std::vector<uint32_t> now = probe_.Grab(kWordDisplay);
      if (now != last) {
        last = std::move(now);
        changed = Clock::now();
      }
    }
  }

 private:
  const vuruzid::bench::ScreenProbe& probe_;
  ::Display* display_;
  Window editor_ = None;
};

KeySym Letter(int i) { return XK_a + i % 26; }

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each row as soon as it is measured
  const fs::path programDir = fs::absolute(argc >= 2 ? fs::path(argv[1]) : fs::path(VURUZID_PROGRAM_DIR));
  const int keysPerLength = argc >= 3 ? std::max(10, std::atoi(argv[2])) : 200;
  vuruzid::bench::ScreenProbe probe;
  if (!probe.ok()) {
    std::fprintf(stderr, "no X display: run it under scripts/with-xserver.sh\n");
    return 1;
  }
  std::optional<vuruzid::bench::ScratchProgramFolder> folder;
  try {
    folder.emplace(programDir, 0);
  } catch (const fs::filesystem_error& error) {
    std::fprintf(stderr, "cannot make a scratch copy of %s: %s\n", programDir.c_str(), error.what());
    return 1;
  }
  vuruzid::bench::ProgramRun program(folder->path());
  std::optional<ScreenRect> window;
  for (int i = 0; i < 400 && program.Running() && !window; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
    window = probe.FindWindowOf(program.pid());
  }
  if (!window || window->x != kWindowLeft || window->y != kWindowTop) {
    std::fprintf(stderr, "the program's window did not appear at %d,%d\n", kWindowLeft, kWindowTop);
    return 1;
  }
  Typist typist(probe);
  typist.WaitForQuiet();
  typist.Click(kCheckingButtonX, kCheckingButtonY);
  typist.FocusEditor();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  if (!typist.KeyToRepaint(XK_a)) {
    std::fprintf(stderr, "checking did not start: a typed key left the word display alone\n");
    return 1;
  }

  std::printf("key on the desktop (XTest) -> word display repainted on the X screen, %d keys per length:\n",
              keysPerLength);
  std::printf("  %7s  %9s  %9s  %9s\n", "letters", "median", "p99", "worst");
  for (int length : {1, 10, 100, 1000, 10000}) {
    typist.Key(XK_space);  // ends the word before: the next letter starts a new one
    for (int i = 0; i + 1 < length; ++i) typist.Key(Letter(i));
    typist.WaitForQuiet();
    std::vector<double> latencies;
    int lost = 0;
    for (int i = 0; i < keysPerLength; ++i) {
      const std::optional<double> ms = typist.KeyToRepaint(Letter(length + i));
      ms ? latencies.push_back(*ms) : void(++lost);
      if (!typist.KeyToRepaint(XK_BackSpace)) ++lost;
    }
    const vuruzid::bench::Summary s = vuruzid::bench::Summarise(latencies);
    std::printf("  %7d  %6.3f ms  %6.3f ms  %6.3f ms", length, s.median, s.p99, s.max);
    if (lost > 0) std::printf("   (%d keys left the display unchanged for a second)", lost);
    std::printf("\n");
  }
  std::printf("resident memory of the program with checking on: %.1f MiB (target < 80)\n",
              static_cast<double>(program.ResidentKiB()) / 1024.0);
  if (probe.AskToClose(program.pid())) program.Stop(std::chrono::seconds(3));
  return 0;
}
