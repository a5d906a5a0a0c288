// Start-up of the real program the way a user sees it: from launching the
// QOR_Vuruzid process (program folder as its current directory, settings of a
// second start in English or Russian) to the first frame on the X screen that
// shows the window's skin, against a baseline launched and watched the same
// way in the same run: a minimal Qt window of the same size and flags
// (startup_baseline_window). The screen is read from outside the programs.
//
//   bash scripts/with-xserver.sh <build>/bench/startup/startup_bench [program folder] [rounds]
//
// Each launch polls the window's place on the root window (XGetImage) every
// half millisecond and keeps every frame that differs from the last one; once
// the picture has settled, the first kept frame showing at least half of the
// settled window's pixels marks the first frame. A round launches the
// baseline, the English and the Russian start once each, in an order that
// turns from round to round; the differences and ratios are taken within each
// round, so a change in the machine's load falls on both sides of them. Prints
// medians and spread (lowest - highest) of the first frame, the difference and
// ratios to the baseline, the Russian / English ratio, the CPU time of the
// main thread when the window first showed (a figure the machine's other load
// hardly changes) and the resident memory once started. The first round, with
// cold caches, is shown apart.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
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

// What a round launches: the baseline or the program in one language.
struct Subject {
  const char* name;
  fs::path folder;
  std::string program;
  std::vector<std::string> arguments;
};

std::optional<RunFigures> LaunchOnce(const ScreenProbe& probe, const Subject& subject,
                                     const std::vector<uint32_t>& empty) {
  std::vector<Frame> frames;
  ProgramRun program(subject.folder, subject.program, subject.arguments);
  if (!program.started()) {
    std::fprintf(stderr, "cannot start %s/%s\n", subject.folder.c_str(), subject.program.c_str());
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
      std::fprintf(stderr, "the window of %s did not appear at %d,%d\n", subject.name, kWindowPlace.x, kWindowPlace.y);
      return std::nullopt;
    }
    std::this_thread::sleep_for(kPollPause);
  }
  const std::optional<ScreenRect> window = probe.FindWindowOf(program.pid());
  if (!window || window->x != kWindowPlace.x || window->y != kWindowPlace.y || window->width != kWindowPlace.width ||
      window->height != kWindowPlace.height) {
    if (window)
      std::fprintf(stderr, "the window of %s is at %d,%d, %d x %d, not where it was placed\n", subject.name,
                   window->x, window->y, window->width, window->height);
    else
      std::fprintf(stderr, "the window of %s was not found\n", subject.name);
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

// A scratch folder holding a copy of the baseline window, so that it starts
// from a folder of its own as the program does. Removed with the object.
class BaselineFolder {
 public:
  explicit BaselineFolder(const fs::path& program)
      : path_(fs::temp_directory_path() / ("vuruzid-startup-" + std::to_string(::getpid()) + "-baseline")) {
    fs::remove_all(path_);
    fs::create_directories(path_);
    fs::copy_file(program, path_ / program.filename());
  }
  ~BaselineFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  BaselineFolder(const BaselineFolder&) = delete;
  BaselineFolder& operator=(const BaselineFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

std::string Spread(const std::vector<double>& values, const char* format) {
  const vuruzid::bench::Summary s = vuruzid::bench::Summarise(values);
  char text[96];
  const std::string pattern = std::string(format) + "  (" + format + " - " + format + ")";
  std::snprintf(text, sizeof text, pattern.c_str(), s.median, s.min, s.max);
  return text;
}

std::vector<double> Combine(const std::vector<double>& a, const std::vector<double>& b, double (*f)(double, double)) {
  std::vector<double> out;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) out.push_back(f(a[i], b[i]));
  return out;
}

double Difference(double a, double b) { return a - b; }
double Ratio(double a, double b) { return a / b; }

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each row as soon as it is measured
  const fs::path programDir = fs::absolute(argc >= 2 ? fs::path(argv[1]) : fs::path(VURUZID_PROGRAM_DIR));
  const int rounds = argc >= 3 ? std::max(2, std::atoi(argv[2])) : 16;
  const fs::path baselineProgram = VURUZID_BASELINE_WINDOW;
  for (const char* name : {"QOR_Vuruzid", "english.dll", "russian.dll"}) {
    if (!fs::exists(programDir / name)) {
      std::fprintf(stderr, "%s holds no %s: build the program folder first\n", programDir.c_str(), name);
      return 1;
    }
  }
  if (!fs::exists(baselineProgram)) {
    std::fprintf(stderr, "%s is missing: build startup_baseline_window\n", baselineProgram.c_str());
    return 1;
  }
  ScreenProbe probe;
  if (!probe.ok()) {
    std::fprintf(stderr, "no X display: run it under scripts/with-xserver.sh\n");
    return 1;
  }
  const std::vector<uint32_t> empty = probe.Grab(kWindowPlace);

  enum { kBaseline, kEnglish, kRussian, kSubjects };
  // Per subject: the first launch, then one figure per later round.
  std::vector<double> firstMs[kSubjects], cpuMs[kSubjects], residentMiB[kSubjects];
  double firstLaunchMs[kSubjects] = {};
  try {
    vuruzid::bench::ScratchProgramFolder english(programDir, 0), russian(programDir, 1);
    const BaselineFolder baseline(baselineProgram);
    const std::vector<std::string> place{std::to_string(kWindowPlace.x), std::to_string(kWindowPlace.y),
                                         std::to_string(kWindowPlace.width), std::to_string(kWindowPlace.height)};
    const Subject subjects[kSubjects] = {
        {"the baseline", baseline.path(), baselineProgram.filename().string(), place},
        {"English", english.path(), "QOR_Vuruzid", {}},
        {"Russian", russian.path(), "QOR_Vuruzid", {}},
    };
    for (int round = 0; round < rounds; ++round) {
      for (int turn = 0; turn < kSubjects; ++turn) {
        const int subject = (round + turn) % kSubjects;  // each goes first, second and third in turn
        const std::optional<RunFigures> figures = LaunchOnce(probe, subjects[subject], empty);
        if (!figures) return 1;
        if (round == 0) {
          firstLaunchMs[subject] = figures->firstPixelsMs;
          continue;
        }
        firstMs[subject].push_back(figures->firstPixelsMs);
        cpuMs[subject].push_back(figures->cpuMs);
        residentMiB[subject].push_back(static_cast<double>(figures->residentKiB) / 1024.0);
      }
    }
  } catch (const fs::filesystem_error& error) {
    std::fprintf(stderr, "cannot make the scratch folders: %s\n", error.what());
    return 1;
  }

  const char* const names[kSubjects] = {"baseline", "English", "Russian"};
  std::printf("launch -> first frame on the X screen, ms: median (lowest - highest) of %d rounds; first launch apart\n",
              rounds - 1);
  for (int s = 0; s < kSubjects; ++s)
    std::printf("  %-9s %s   first launch %6.1f\n", names[s], Spread(firstMs[s], "%6.1f").c_str(), firstLaunchMs[s]);
  std::printf("the program against the baseline of the same round (target: at most 60 ms later):\n");
  for (int s : {kEnglish, kRussian}) {
    std::printf("  %-9s later by %s ms   ratio %s\n", names[s],
                Spread(Combine(firstMs[s], firstMs[kBaseline], Difference), "%+6.1f").c_str(),
                Spread(Combine(firstMs[s], firstMs[kBaseline], Ratio), "%5.2f").c_str());
  }
  std::printf("Russian / English, the same round (target: at most 1.30):\n  first frame %s\n",
              Spread(Combine(firstMs[kRussian], firstMs[kEnglish], Ratio), "%5.2f").c_str());
  std::printf("  CPU         %s\n", Spread(Combine(cpuMs[kRussian], cpuMs[kEnglish], Ratio), "%5.2f").c_str());
  std::printf("CPU time of the main thread when the window first showed, ms:\n");
  for (int s = 0; s < kSubjects; ++s) std::printf("  %-9s %s\n", names[s], Spread(cpuMs[s], "%6.1f").c_str());
  std::printf("resident memory once the window has settled, MiB:\n");
  for (int s = 0; s < kSubjects; ++s) std::printf("  %-9s %s\n", names[s], Spread(residentMiB[s], "%5.1f").c_str());
  return 0;
}
