// Capture latency and cost on a real X server, on the real dictionaries: words
// drawn at random from english.dll and russian.dll (one in ten with a letter
// changed, as typos) are typed key by key with XTest, each key timed until the
// interpreter's outputs for it are ready.
//
//   bash scripts/with-xserver.sh <build>/bench/capture/capture_bench [program folder] [keys per language]
//
// Prints, per language, the median, 99th percentile and worst latency, and the
// CPU time per key with capture on, with it off (the injection alone) and for
// the interpreter alone; capture's own cost is what remains. Then the same
// keys through the keyboard-device route: input_event records written into a
// pipe laid out as a keyboard device, each timed until the interpreter's
// outputs for it are ready.

#include <QCoreApplication>
#include <QEventLoop>
#include <fcntl.h>
#include <linux/input.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "capture/KeyCapture.h"
#include "engine/SpellingEngine.h"

// Xlib last: its macros (KeyClass, None, Bool) clash with the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct Percentiles {
  double median, p99, worst, mean;
};

Percentiles Summarise(std::vector<double> micros) {
  std::ranges::sort(micros);
  double sum = 0;
  for (double m : micros) sum += m;
  const auto at = [&](double q) { return micros[std::min(micros.size() - 1, static_cast<size_t>(q * micros.size()))]; };
  return {at(0.5), at(0.99), micros.back(), sum / static_cast<double>(micros.size())};
}

// The key (by its place on a US keyboard) that types each letter of a
// language's upper-case words; letters not listed (apostrophes, Ё) leave the
// word out.
struct KeyLayout {
  std::string letters;          // CP1251
  std::vector<KeySym> keysyms;  // the same order
};

KeyLayout EnglishKeys() {
  KeyLayout layout;
  for (char c = 'A'; c <= 'Z'; ++c) {
    layout.letters.push_back(c);
    layout.keysyms.push_back(XK_a + (c - 'A'));
  }
  return layout;
}

KeyLayout RussianKeys() {
  // ЙЦУКЕНГШЩЗХЪ ФЫВАПРОЛДЖЭ ЯЧСМИТЬБЮ on the rows of the standard layout.
  return {"\xC9\xD6\xD3\xCA\xC5\xCD\xC3\xD8\xD9\xC7\xD5\xDA\xD4\xDB\xC2\xC0\xCF\xD0\xCE\xCB\xC4\xC6\xDD\xDF\xD7\xD1\xCC"
          "\xC8\xD2\xDC\xC1\xDE",
          {XK_q, XK_w, XK_e, XK_r, XK_t, XK_y, XK_u, XK_i, XK_o, XK_p, XK_bracketleft, XK_bracketright,
           XK_a, XK_s, XK_d, XK_f, XK_g, XK_h, XK_j, XK_k, XK_l, XK_semicolon, XK_apostrophe,
           XK_z, XK_x, XK_c, XK_v, XK_b, XK_n, XK_m, XK_comma, XK_period}};
}

// Random dictionary words, one in ten with a letter changed, as the keys
// that type them, a blank after each word; at least `keyCount` keys.
std::vector<KeySym> RandomText(const vuruzid::WordList& words, const KeyLayout& layout, size_t keyCount) {
  std::mt19937 random(20261208);
  std::vector<KeySym> keys;
  while (keys.size() < keyCount) {
    std::string word(words[std::uniform_int_distribution<size_t>(1, words.size() - 1)(random)]);
    if (word.find_first_not_of(layout.letters) != std::string::npos) continue;
    if (random() % 10 == 0)
      word[random() % word.size()] = layout.letters[random() % layout.letters.size()];
    for (char c : word) keys.push_back(layout.keysyms[layout.letters.find(c)]);
    keys.push_back(XK_space);
  }
  return keys;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  const fs::path programDir = fs::absolute(argc > 1 ? fs::path(argv[1]) : fs::path(VURUZID_PROGRAM_DIR));
  const size_t keyCount = argc > 2 ? static_cast<size_t>(std::max(10, std::atoi(argv[2]))) : 2000;

  // The user word files go to a scratch folder; the dictionaries are read
  // from the program folder.
  const fs::path folder = fs::temp_directory_path() / ("vuruzid-capture-bench-" + std::to_string(getpid()));
  fs::create_directories(folder / "data");
  bool failed = false;
  vuruzid::SpellingEngine engine(vuruzid::EngineFiles{folder, {programDir}}, [&](const std::string& m) {
    std::fprintf(stderr, "%s\n", m.c_str());
    failed = true;
  });

  Display* injector = XOpenDisplay(nullptr);
  if (injector == nullptr) {
    std::fprintf(stderr, "no X display: run it under scripts/with-xserver.sh\n");
    return 1;
  }
  int keysTaken = 0;
  Clock::time_point ready;
  std::vector<uint8_t> virtualKeys;
  vuruzid::capture::KeyCapture capture([&](const vuruzid::KeyStroke& key) {
    engine.ProcessKeyStroke(key, true);
    ready = Clock::now();
    virtualKeys.push_back(key.virtualKey);
    ++keysTaken;
  });

  for (const int language : {vuruzid::SpellingEngine::kEnglish, vuruzid::SpellingEngine::kRussian}) {
    engine.ActivateLanguage(language);
    if (failed || engine.wordList().size() < 1000) {
      std::fprintf(stderr, "%s holds no usable dictionary: build the program folder first\n", programDir.c_str());
      return 1;
    }
    const std::vector<KeySym> text =
        RandomText(engine.wordList(), language == vuruzid::SpellingEngine::kEnglish ? EnglishKeys() : RussianKeys(),
                   keyCount + 50);
    std::vector<KeyCode> keys;
    for (KeySym keysym : text) keys.push_back(XKeysymToKeycode(injector, keysym));
    auto inject = [&](size_t i) {
      XTestFakeKeyEvent(injector, keys[i], True, CurrentTime);
      XTestFakeKeyEvent(injector, keys[i], False, CurrentTime);
      XSync(injector, False);
    };

    std::string whyNot;
    if (!capture.Install(&whyNot)) {
      std::fprintf(stderr, "%s\n", whyNot.c_str());
      return 1;
    }
    // With capture on: each key is timed from its injection to the outputs.
    for (size_t i = keyCount; i < keyCount + 50; ++i) {  // warm-up
      const int before = keysTaken;
      inject(i);
      while (keysTaken == before) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    virtualKeys.clear();
    std::vector<double> latencies;
    latencies.reserve(keyCount);
    const double cpuOnStart = CpuSeconds();
    for (size_t i = 0; i < keyCount; ++i) {
      const int before = keysTaken;
      const Clock::time_point injected = Clock::now();
      inject(i);
      while (keysTaken == before) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
      latencies.push_back(std::chrono::duration<double, std::micro>(ready - injected).count());
    }
    const double cpuPerKeyOn = (CpuSeconds() - cpuOnStart) / static_cast<double>(keyCount);

    // A letter right after a Tab waits until the focus is told or the wait is
    // over: here the keys go to no program on the accessibility bus, so that
    // is the longest wait, the worst a user meets after a Tab.
    std::vector<double> afterTab;
    const KeyCode tab = XKeysymToKeycode(injector, XK_Tab);
    for (size_t i = 0; i < 20; ++i) {
      int before = keysTaken;
      XTestFakeKeyEvent(injector, tab, True, CurrentTime);
      XTestFakeKeyEvent(injector, tab, False, CurrentTime);
      XSync(injector, False);
      while (keysTaken == before) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
      before = keysTaken;
      const Clock::time_point injected = Clock::now();
      inject(i);
      while (keysTaken == before) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
      afterTab.push_back(std::chrono::duration<double, std::micro>(ready - injected).count());
    }

    // With capture off: the same injection and event-loop turn, nothing recorded.
    capture.Remove();
    const double cpuOffStart = CpuSeconds();
    for (size_t i = 0; i < keyCount; ++i) {
      inject(i);
      QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    const double cpuPerKeyOff = (CpuSeconds() - cpuOffStart) / static_cast<double>(keyCount);

    // The interpreter alone, for the keys the capture delivered.
    engine.ResetWord();
    const double cpuEngineStart = CpuSeconds();
    for (uint8_t virtualKey : virtualKeys) engine.ProcessKey(virtualKey, 1);
    const double cpuPerKeyEngine = (CpuSeconds() - cpuEngineStart) / static_cast<double>(virtualKeys.size());

    const Percentiles p = Summarise(latencies);
    std::printf("%s, %zu-word dictionary, %zu keys of random dictionary words (one in ten with a typo):\n",
                language == vuruzid::SpellingEngine::kEnglish ? "English" : "Russian", engine.wordList().size(),
                keyCount);
    std::printf("  injected key -> interpreter outputs ready: median %.1f us   p99 %.1f us   worst %.1f us   mean %.1f us"
                "   (targets: median < 1000, p99 < 5000)\n",
                p.median, p.p99, p.worst, p.mean);
    const Percentiles t = Summarise(afterTab);
    std::printf("  a letter right after a Tab (no program tells the focus): median %.1f ms   worst %.1f ms\n",
                t.median / 1000, t.worst / 1000);
    std::printf("  CPU time per key (this process): capture on %.1f us   capture off %.1f us   interpreter alone %.2f us"
                "   -> capture's own cost %.1f us\n",
                cpuPerKeyOn * 1e6, cpuPerKeyOff * 1e6, cpuPerKeyEngine * 1e6,
                (cpuPerKeyOn - cpuPerKeyOff - cpuPerKeyEngine) * 1e6);
  }
  // The keyboard-device route: the same kind of text written as kernel input
  // records into a pipe that stands for a keyboard device.
  const fs::path input = folder / "input";
  fs::create_directories(input / "dev/input");
  fs::create_directories(input / "sys/class/input/event0/device/capabilities");
  std::ofstream(input / "sys/class/input/event0/device/capabilities/key")
      << "1000000000007 ff9f207ac14057ff febeffdfffefffff fffffffffffffffe\n";
  const fs::path node = input / "dev/input/event0";
  mkfifo(node.c_str(), 0600);
  const int device = open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  setenv("VURUZID_CAPTURE", "devices", 1);
  setenv("VURUZID_INPUT_ROOT", input.c_str(), 1);
  const auto write = [device](uint16_t type, uint16_t code, int32_t value) {
    input_event event{};
    event.type = type;
    event.code = code;
    event.value = value;
    return ::write(device, &event, sizeof event) == static_cast<ssize_t>(sizeof event);
  };
  for (const int language : {vuruzid::SpellingEngine::kEnglish, vuruzid::SpellingEngine::kRussian}) {
    engine.ActivateLanguage(language);
    capture.SetLatinTyping(language == vuruzid::SpellingEngine::kEnglish);
    std::string whyNot;
    if (device < 0 || !capture.Install(&whyNot)) {
      std::fprintf(stderr, "the device route cannot start: %s\n", whyNot.c_str());
      return 1;
    }
    const std::vector<KeySym> text =
        RandomText(engine.wordList(), language == vuruzid::SpellingEngine::kEnglish ? EnglishKeys() : RussianKeys(),
                   keyCount + 50);
    std::vector<uint16_t> codes;  // Xvfb's evdev keycodes are the kernel's codes + 8
    for (KeySym keysym : text) codes.push_back(static_cast<uint16_t>(XKeysymToKeycode(injector, keysym) - 8));
    std::vector<double> latencies;
    const double cpuStart = CpuSeconds();
    for (size_t i = 0; i < keyCount + 50; ++i) {
      const int before = keysTaken;
      const Clock::time_point written = Clock::now();
      if (!write(EV_KEY, codes[i], 1) || !write(EV_SYN, SYN_REPORT, 0) || !write(EV_KEY, codes[i], 0) ||
          !write(EV_SYN, SYN_REPORT, 0))
        return 1;
      while (keysTaken == before) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
      if (i >= 50) latencies.push_back(std::chrono::duration<double, std::micro>(ready - written).count());
    }
    const double cpuPerKey = (CpuSeconds() - cpuStart) / static_cast<double>(keyCount + 50);
    capture.Remove();
    const Percentiles p = Summarise(latencies);
    std::printf("%s through the keyboard-device route, %zu keys:\n",
                language == vuruzid::SpellingEngine::kEnglish ? "English" : "Russian", keyCount);
    std::printf("  event written -> interpreter outputs ready: median %.1f us   p99 %.1f us   worst %.1f us   mean %.1f us"
                "   (targets: median < 1000, p99 < 5000); CPU per key %.1f us\n",
                p.median, p.p99, p.worst, p.mean, cpuPerKey * 1e6);
  }
  close(device);

  XCloseDisplay(injector);
  fs::remove_all(folder);
  return 0;
}
