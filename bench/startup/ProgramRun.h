#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace vuruzid::bench {

using Clock = std::chrono::steady_clock;

// A scratch copy of the program folder (program, dictionaries, help pages)
// with a settings file of a second start in the given language, so each run
// starts the way a returning user's does. Removed with the object.
class ScratchProgramFolder {
 public:
  // language: 0 English, 1 Russian. Throws std::filesystem::filesystem_error
  // when the copy cannot be made.
  ScratchProgramFolder(const std::filesystem::path& programFolder, int language);
  ~ScratchProgramFolder();
  ScratchProgramFolder(const ScratchProgramFolder&) = delete;
  ScratchProgramFolder& operator=(const ScratchProgramFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Writes the settings of a second start in `language` (0 English, 1 Russian).
  void WriteSettings(int language) const;

 private:
  std::filesystem::path path_;
};

// The real QOR_Vuruzid process (or another program in the folder, given its
// file name and arguments), started from a program folder as its current
// directory the way a user starts it. Ended (SIGTERM, then SIGKILL) with the object.
class ProgramRun {
 public:
  explicit ProgramRun(const std::filesystem::path& folder, const std::string& program = "QOR_Vuruzid",
                      const std::vector<std::string>& arguments = {});
  ~ProgramRun();
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  Clock::time_point launched() const { return launched_; }  // just before the process was created
  // False once the process has ended (it is then reaped).
  bool Running();
  // How it ended, as waitpid() told once it was reaped; -1 while it runs.
  int EndStatus() const { return endStatus_; }
  // Resident memory now, in KiB; -1 when it cannot be read.
  long ResidentKiB() const;
  // CPU time its main thread has used so far, in milliseconds (scheduler
  // statistics: a figure the machine's other load hardly changes); -1 when unknown.
  double MainThreadCpuMs() const;
  // Ends the process: waits up to `grace` for it to end by itself (after its
  // window was asked to close), then sends SIGTERM and at last SIGKILL.
  void Stop(std::chrono::milliseconds grace = std::chrono::milliseconds(0));

 private:
  pid_t pid_ = -1;
  int endStatus_ = -1;
  Clock::time_point launched_;
};

double Milliseconds(Clock::duration d);

// Median and spread of a series of figures.
struct Summary {
  double median = 0, p99 = 0, min = 0, max = 0;
  size_t count = 0;
};
Summary Summarise(std::vector<double> values);

}  // namespace vuruzid::bench
