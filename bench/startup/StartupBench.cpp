// Start-up of the real program the way a user sees it: from launching the
// QOR_Vuruzid process (program folder as its current directory, settings of a
// second start in English or Russian) to the first frame on the X screen that
// shows the window's skin. The screen is read from outside the program.
//
//   bash scripts/with-xserver.sh <build>/bench/startup/startup_bench [program folder] [runs per language]
//
// Each run polls the window's place on the root window (XGetImage) every half
// millisecond and keeps every frame that differs from the last one; once the
// picture has settled, the first kept frame showing at least half of the
// settled window's pixels marks the first skin pixels. Prints the median and
// spread per language, the first launch of each language on its own, and the
// CPU time of the program's main thread (a figure for comparing builds on a
// busy machine) and its resident memory once started.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <thread>
#include <vector>

#include "ProgramRun.h"
#include "ScreenProbe.h"

namespace {

namespace fs = std::filesystem;
using vuruzid::bench::Clock;
using vuruzid::bench::Milliseconds;
using vuruzid::bench::ProgramRun;
using vuruzid::bench::ScreenProbe;
using vuruzid::bench::ScreenRect;

// Where the settings place the compact window (left 50, top 50, 271 x 106).
constexpr ScreenRect kWindowPlace{50, 50, 271, 106};
constexpr auto kPollPause = std::chrono::microseconds(500);
constexpr auto kSettledAfter = std::chrono::milliseconds(400);
constexpr auto kGiveUpAfter = std::chrono::seconds(20);

struct Frame {
  Clock::time_point when;
  std::vector<uint32_t> pixels;
};

struct RunFigures {
  double firstPixelsMs = 0;
  long residentKiB = -1;
  double cpuMs = -1;
};

// Waits until the window's place shows only what it showed before the run.
void WaitForEmptyPlace(const ScreenProbe& probe, const std::vector<uint32_t>& empty) {
  const Clock::time_point start = Clock::now();
  while (Clock::now() - start < std::chrono::seconds(2) && probe.Grab(kWindowPlace) != empty)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

std::optional<RunFigures> LaunchOnce(const ScreenProbe& probe, const fs::path& folder,
                                     const std::vector<uint32_t>& empty) {
  std::vector<Frame> frames;
  ProgramRun program(folder);
  if (!program.started()) {
    std::fprintf(stderr, "cannot start %s/QOR_Vuruzid\n", folder.c_str());
    return std::nullopt;
  }
  std::vector<uint32_t> last = empty;
  Clock::time_point lastChange = program.launched();
  bool windowSeen = false;
  double cpuAtFirstChange = -1;
  while (true) {
    std::vector<uint32_t> now = probe.Grab(kWindowPlace);
    const Clock::time_point when = Clock::now();
    if (now != last) {
      if (frames.empty()) cpuAtFirstChange = program.MainThreadCpuMs();
      frames.push_back({when, now});
      last = std::move(now);
      lastChange = when;
      windowSeen = true;
    } else if (windowSeen && when - lastChange > kSettledAfter) {
      break;
    }
    if (when - program.launched() > kGiveUpAfter || !program.Running()) {
      std::fprintf(stderr, "the window did not appear at %d,%d\n", kWindowPlace.x, kWindowPlace.y);
      return std::nullopt;
    }
    std::this_thread::sleep_for(kPollPause);
  }
  const std::optional<ScreenRect> window = probe.FindWindowOf(program.pid());
  if (!window || window->x != kWindowPlace.x || window->y != kWindowPlace.y || window->width != kWindowPlace.width ||
      window->height != kWindowPlace.height) {
    if (window)
      std::fprintf(stderr, "the program's window is at %d,%d, %d x %d, not where its settings place it\n", window->x,
                   window->y, window->width, window->height);
    else
      std::fprintf(stderr, "the program's window was not found\n");
    return std::nullopt;
  }
  RunFigures figures;
  figures.residentKiB = program.ResidentKiB();
  figures.cpuMs = cpuAtFirstChange;
  const std::vector<uint32_t>& settled = frames.back().pixels;
  size_t distinct = 0;
  vuruzid::bench::ShareShown(empty, settled, settled, &distinct);
  if (distinct < 1000) {
    std::fprintf(stderr, "the settled window hardly differs from the empty screen (%zu pixels)\n", distinct);
    return std::nullopt;
  }
  if (std::getenv("VURUZID_BENCH_FRAMES") != nullptr) {
    for (const Frame& frame : frames)
      std::fprintf(stderr, "  frame at %.1f ms shows %.0f%% of the settled window\n",
                   Milliseconds(frame.when - program.launched()),
                   100 * vuruzid::bench::ShareShown(empty, settled, frame.pixels));
  }
  for (const Frame& frame : frames) {
    if (vuruzid::bench::ShareShown(empty, settled, frame.pixels) >= 0.5) {
      figures.firstPixelsMs = Milliseconds(frame.when - program.launched());
      break;
    }
  }
  // Closed the way a user closes it, so the next start finds what a normal
  // close leaves behind.
  if (probe.AskToClose(program.pid())) program.Stop(std::chrono::seconds(3));
  program.Stop();
  WaitForEmptyPlace(probe, empty);
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each row as soon as it is measured
  const fs::path programDir = fs::absolute(argc >= 2 ? fs::path(argv[1]) : fs::path(VURUZID_PROGRAM_DIR));
  const int runs = argc >= 3 ? std::max(1, std::atoi(argv[2])) : 15;
  for (const char* name : {"QOR_Vuruzid", "english.dll", "russian.dll"}) {
    if (!fs::exists(programDir / name)) {
      std::fprintf(stderr, "%s holds no %s: build the program folder first\n", programDir.c_str(), name);
      return 1;
    }
  }
  ScreenProbe probe;
  if (!probe.ok()) {
    std::fprintf(stderr, "no X display: run it under scripts/with-xserver.sh\n");
    return 1;
  }
  const std::vector<uint32_t> empty = probe.Grab(kWindowPlace);

  const char* const languageNames[] = {"English", "Russian"};
  std::map<int, std::vector<double>> startMs, residentMiB, cpuMs;
  std::map<int, double> firstLaunchMs;
  try {
    vuruzid::bench::ScratchProgramFolder folders[] = {{programDir, 0}, {programDir, 1}};
    // Runs alternate between the languages, so a change in the machine's load
    // falls on both alike.
    for (int run = 0; run < runs; ++run) {
      for (int language : {0, 1}) {
        const std::optional<RunFigures> figures = LaunchOnce(probe, folders[language].path(), empty);
        if (!figures) return 1;
        if (run == 0) {
          firstLaunchMs[language] = figures->firstPixelsMs;
        } else {
          startMs[language].push_back(figures->firstPixelsMs);
        }
        residentMiB[language].push_back(static_cast<double>(figures->residentKiB) / 1024.0);
        cpuMs[language].push_back(figures->cpuMs);
      }
    }
  } catch (const fs::filesystem_error& error) {
    std::fprintf(stderr, "cannot make the scratch program folder: %s\n", error.what());
    return 1;
  }

  std::printf("launch of QOR_Vuruzid -> first skin pixels on the X screen (%d runs per language, the first apart):\n",
              runs);
  for (int language : {0, 1}) {
    const vuruzid::bench::Summary s = vuruzid::bench::Summarise(startMs[language]);
    std::printf("  %-8s median %6.1f ms   min %6.1f   max %6.1f   (%zu runs)   first launch %6.1f ms\n",
                languageNames[language], s.median, s.min, s.max, s.count, firstLaunchMs[language]);
  }
  std::printf("CPU time of the program's main thread when its window first showed:\n");
  for (int language : {0, 1}) {
    const vuruzid::bench::Summary s = vuruzid::bench::Summarise(cpuMs[language]);
    std::printf("  %-8s median %6.1f ms   min %6.1f   max %6.1f\n", languageNames[language], s.median, s.min, s.max);
  }
  std::printf("resident memory once the window has settled:\n");
  for (int language : {0, 1}) {
    const vuruzid::bench::Summary s = vuruzid::bench::Summarise(residentMiB[language]);
    std::printf("  %-8s median %5.1f MiB   min %5.1f   max %5.1f\n", languageNames[language], s.median, s.min, s.max);
  }
  return 0;
}
