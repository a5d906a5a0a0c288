// How the real program ends when a session ends it: from SIGTERM to the
// process's exit, once its window shows (median and spread of several runs),
// and whether the settings file is whole after signals sent at random moments
// of start-up and use (SIGTERM, SIGHUP or SIGINT, from launch to two and a
// half seconds after it).
//
//   bash scripts/with-xserver.sh <build>/bench/startup/end_bench [program folder] [timed runs] [random runs]
//
// "Whole" means what a reader of the file needs: sixteen lines ending in CR LF,
// the identification first, the window's place as the run left it, and no
// temporary file of a write left beside it. A signal that arrives before the
// program has set up its handlers ends it by the default action; such ends are
// counted apart (the file is then the one written before the run).
#include <signal.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
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
using vuruzid::bench::ScratchProgramFolder;

// The settings file a run ends with is whole: why not, or empty when it is.
std::string WhatIsWrongWithSettings(const fs::path& folder) {
  std::ifstream file(folder / "data/Vuruzid.ini", std::ios::binary);
  if (!file) return "missing";
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    const size_t end = text.find("\r\n", start);
    if (end == std::string::npos) return "a line without its CR LF";
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  if (lines.size() != 16) return std::to_string(lines.size()) + " lines";
  if (lines[0].rfind("QOR Vuruzid", 0) != 0) return "no identification";
  if (lines[5] != "50" || lines[6] != "50") return "the window's place is " + lines[5] + "," + lines[6];
  for (const auto& entry : fs::directory_iterator(folder / "data"))
    if (entry.path().filename().string().find(".saving-") != std::string::npos) return "a temporary left behind";
  return {};
}

// Waits until the process's window is mapped; false when it ends or gives up first.
bool WaitForWindow(const vuruzid::bench::ScreenProbe& probe, ProgramRun& program) {
  while (Clock::now() - program.launched() < std::chrono::seconds(20)) {
    if (!program.Running()) return false;
    if (probe.FindWindowOf(program.pid())) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

// Sends the signal and waits for the process to end; the time from signal to exit.
double EndBy(ProgramRun& program, int signal) {
  const Clock::time_point sent = Clock::now();
  ::kill(program.pid(), signal);
  while (program.Running() && Clock::now() - sent < std::chrono::seconds(10))
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  return Milliseconds(Clock::now() - sent);
}

void Print(const char* what, const vuruzid::bench::Summary& s, const char* unit) {
  std::printf("%-34s median %7.1f %s   spread %.1f - %.1f   (%zu runs)\n", what, s.median, unit, s.min, s.max, s.count);
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path programFolder = argc > 1 ? fs::path(argv[1]) : fs::path(VURUZID_PROGRAM_DIR);
  const int timedRuns = argc > 2 ? std::atoi(argv[2]) : 10;
  const int randomRuns = argc > 3 ? std::atoi(argv[3]) : 40;
  vuruzid::bench::ScreenProbe probe;
  if (!probe.ok()) {
    std::fprintf(stderr, "no X display\n");
    return 1;
  }
  ScratchProgramFolder folder(programFolder, 0);

  std::vector<double> endMs;
  int notWhole = 0;
  for (int run = 0; run < timedRuns; ++run) {
    folder.WriteSettings(0);
    ProgramRun program(folder.path());
    if (!WaitForWindow(probe, program)) {
      std::fprintf(stderr, "run %d: the window did not appear\n", run);
      return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // settled, idle
    endMs.push_back(EndBy(program, SIGTERM));
    if (const std::string wrong = WhatIsWrongWithSettings(folder.path()); !wrong.empty()) {
      ++notWhole;
      std::printf("run %d: the settings file is not whole: %s\n", run, wrong.c_str());
    }
  }
  Print("SIGTERM to exit, window shown", vuruzid::bench::Summarise(endMs), "ms");

  std::random_device seeder;
  const unsigned seed = seeder();
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> delayMs(0, 2500);
  const int signals[] = {SIGTERM, SIGHUP, SIGINT};
  std::uniform_int_distribution<int> whichSignal(0, 2);
  int handled = 0, byDefaultAction = 0, otherEnds = 0;
  std::vector<double> randomEndMs;
  for (int run = 0; run < randomRuns; ++run) {
    folder.WriteSettings(0);
    const int delay = delayMs(random);
    const int signal = signals[whichSignal(random)];
    ProgramRun program(folder.path());
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    randomEndMs.push_back(EndBy(program, signal));
    const int status = program.EndStatus();
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) ++handled;
    else if (WIFSIGNALED(status) && WTERMSIG(status) == signal) ++byDefaultAction;  // before the handlers were set
    else ++otherEnds;
    if (const std::string wrong = WhatIsWrongWithSettings(folder.path()); !wrong.empty()) {
      ++notWhole;
      std::printf("random run %d (%s after %d ms): the settings file is not whole: %s\n", run, strsignal(signal),
                  delay, wrong.c_str());
    }
  }
  Print("random signal to exit", vuruzid::bench::Summarise(randomEndMs), "ms");
  std::printf("random signals: %d runs (seed %u): %d ended through the program's handlers, %d by the default "
              "action (before start-up set them), %d otherwise\n",
              randomRuns, seed, handled, byDefaultAction, otherEnds);
  std::printf("settings files not whole: %d of %d\n", notWhole, timedRuns + randomRuns);
  return notWhole == 0 ? 0 : 2;
}
