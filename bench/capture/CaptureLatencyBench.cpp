// Capture latency and cost on a real X server: keys injected with XTest, timed
// until the interpreter's outputs for them are ready.
//
//   bash scripts/with-xserver.sh <build>/bench/capture/capture_bench [keys]
//
// Prints the median, 99th percentile and worst latency over the keys, and the
// CPU time per key with capture on, with it off (the injection alone) and for
// the interpreter alone; capture's own cost is what remains.

#include <QCoreApplication>
#include <QEventLoop>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "capture/KeyCapture.h"
#include "engine/LanguageLibrary.h"
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

// A sorted word list of about the English dictionary's size: every
// three-to-four-letter word over a-z would be too many, so a fixed mix.
std::vector<std::string> SyntheticWords() {
  std::vector<std::string> words;
  for (char a = 'A'; a <= 'Z'; ++a)
    for (char b = 'A'; b <= 'Z'; ++b)
      for (char c = 'A'; c <= 'Z'; ++c)
        for (const char* tail : {"", "S", "ED", "ING", "ER", "LY", "NESS", "ION", "ABLE"})
          words.push_back(std::string{a, b, c} + tail);
  std::ranges::sort(words);
  words.insert(words.begin(), std::to_string(words.size()));
  return words;
}

struct Percentiles {
  double median, p99, worst, mean;
};

Percentiles Summarise(std::vector<double> micros) {
  std::ranges::sort(micros);
  double sum = 0;
  for (double m : micros) sum += m;
  const auto at = [&](double q) { return micros[std::min(micros.size() - 1, static_cast<size_t>(q * micros.size()))]; };
  return {at(0.5), at(0.99), micros.back(), sum / micros.size()};
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  const int keyCount = argc > 1 ? std::max(10, std::atoi(argv[1])) : 1000;

  const fs::path folder = fs::temp_directory_path() / ("vuruzid-capture-bench-" + std::to_string(getpid()));
  fs::create_directories(folder / "data");
  const std::vector<std::string> words = SyntheticWords();
  if (!vuruzid::WriteLanguageLibrary(folder / "english.dll", words)) {
    std::fprintf(stderr, "cannot write the word list into %s\n", folder.c_str());
    return 1;
  }
  vuruzid::SpellingEngine engine(vuruzid::EngineFiles{folder, {folder}},
                                 [](const std::string& m) { std::fprintf(stderr, "%s\n", m.c_str()); });
  engine.ActivateLanguage(vuruzid::SpellingEngine::kEnglish);
  fs::remove_all(folder);

  Display* injector = XOpenDisplay(nullptr);
  if (injector == nullptr) {
    std::fprintf(stderr, "no X display: run it under scripts/with-xserver.sh\n");
    return 1;
  }
  // Typing text: letters and blanks, so words start, grow, turn red and end.
  const char* const text = "the quick brown fox jumps over the lazy dog and typos like qzx or teh ";
  std::vector<KeyCode> keys;
  for (const char* c = text; *c; ++c)
    keys.push_back(XKeysymToKeycode(injector, *c == ' ' ? XK_space : XK_a + (*c - 'a')));

  int keysTaken = 0;
  Clock::time_point ready;
  vuruzid::capture::KeyCapture capture([&](uint8_t virtualKey, int16_t insertKeyState) {
    engine.ProcessKey(virtualKey, insertKeyState);
    ready = Clock::now();
    ++keysTaken;
  });
  std::string whyNot;
  if (!capture.Install(&whyNot)) {
    std::fprintf(stderr, "%s\n", whyNot.c_str());
    return 1;
  }

  auto inject = [&](int i) {
    XTestFakeKeyEvent(injector, keys[i % keys.size()], True, CurrentTime);
    XTestFakeKeyEvent(injector, keys[i % keys.size()], False, CurrentTime);
    XSync(injector, False);
  };

  // With capture on: each key is timed from its injection to the outputs.
  for (int i = 0; i < 50; ++i) {  // warm-up
    const int before = keysTaken;
    inject(i);
    while (keysTaken == before) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  std::vector<double> latencies;
  latencies.reserve(keyCount);
  const double cpuOnStart = CpuSeconds();
  for (int i = 0; i < keyCount; ++i) {
    const int before = keysTaken;
    const Clock::time_point injected = Clock::now();
    inject(i);
    while (keysTaken == before) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    latencies.push_back(std::chrono::duration<double, std::micro>(ready - injected).count());
  }
  const double cpuPerKeyOn = (CpuSeconds() - cpuOnStart) / keyCount;

  // With capture off: the same injection and event-loop turn, nothing recorded.
  capture.Remove();
  const double cpuOffStart = CpuSeconds();
  for (int i = 0; i < keyCount; ++i) {
    inject(i);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
  const double cpuPerKeyOff = (CpuSeconds() - cpuOffStart) / keyCount;

  // The interpreter alone, for the same keys.
  const double cpuEngineStart = CpuSeconds();
  const std::string letters = text;
  for (int i = 0; i < keyCount; ++i) {
    const char c = letters[i % letters.size()];
    engine.ProcessKey(c == ' ' ? 32 : c - 'a' + 'A', 1);
  }
  const double cpuPerKeyEngine = (CpuSeconds() - cpuEngineStart) / keyCount;
  XCloseDisplay(injector);

  const Percentiles p = Summarise(latencies);
  std::printf("capture latency, injected key -> interpreter outputs ready, %d keys, %zu-word list:\n", keyCount,
              words.size() - 1);
  std::printf("  median %.1f us   p99 %.1f us   worst %.1f us   mean %.1f us   (targets: median < 1000, p99 < 5000)\n",
              p.median, p.p99, p.worst, p.mean);
  std::printf("CPU time per key (this process):\n");
  std::printf("  capture on %.1f us   capture off %.1f us   interpreter alone %.2f us\n", cpuPerKeyOn * 1e6,
              cpuPerKeyOff * 1e6, cpuPerKeyEngine * 1e6);
  std::printf("  capture's own cost: %.1f us per key\n", (cpuPerKeyOn - cpuPerKeyOff - cpuPerKeyEngine) * 1e6);
  return 0;
}
