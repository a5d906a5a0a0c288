#include "ProgramRun.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <thread>


namespace vuruzid::bench {

namespace fs = std::filesystem;

ScratchProgramFolder::ScratchProgramFolder(const fs::path& programFolder, int language)
    : path_(fs::temp_directory_path() /
            ("vuruzid-startup-" + std::to_string(::getpid()) + "-" + std::to_string(language))) {
  fs::remove_all(path_);
  fs::create_directories(path_ / "data");
  fs::create_directories(path_ / "Doder");
  for (const char* name : {"QOR_Vuruzid", "english.dll", "russian.dll"})
    fs::copy_file(programFolder / name, path_ / name);
  if (fs::exists(programFolder / "Help"))
    fs::copy(programFolder / "Help", path_ / "Help", fs::copy_options::recursive);
  WriteSettings(language);
}

ScratchProgramFolder::~ScratchProgramFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void ScratchProgramFolder::WriteSettings(int language) const {
  // Sixteen lines: identification, user, installation number, language,
  // constant, left, top, style, signal, and the rest.
  std::ofstream settings(path_ / "data/Vuruzid.ini", std::ios::binary | std::ios::trunc);
  settings << "QOR Vuruzid v.1.1\r\nBench\r\n2612075123\r\n" << language << "\r\n1\r\n50\r\n50\r\nfsNormal\r\n1\r\n";
  for (int line = 9; line < 16; ++line) settings << "Normal\r\n";
  if (!settings.flush()) throw fs::filesystem_error("cannot write the settings", path_ / "data/Vuruzid.ini", {});
}

ProgramRun::ProgramRun(const fs::path& folder, const std::string& program, const std::vector<std::string>& arguments) {
  // Everything the child needs is made before the fork.
  const std::string directory = folder.string();
  const std::string file = "./" + program;
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  launched_ = Clock::now();
  pid_ = ::fork();
  if (pid_ == 0) {
    if (::chdir(directory.c_str()) == 0) ::execv(file.c_str(), argv.data());
    ::_exit(127);
  }
}

ProgramRun::~ProgramRun() { Stop(); }

bool ProgramRun::Running() {
  if (pid_ <= 0) return false;
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) == 0) return true;
  endStatus_ = status;
  pid_ = -1;
  return false;
}

long ProgramRun::ResidentKiB() const {
  std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

double ProgramRun::MainThreadCpuMs() const {
  std::ifstream schedstat("/proc/" + std::to_string(pid_) + "/schedstat");
  double nanoseconds = -1e6;
  schedstat >> nanoseconds;
  return nanoseconds / 1e6;
}

void ProgramRun::Stop(std::chrono::milliseconds grace) {
  const Clock::time_point until = Clock::now() + grace;
  while (Running() && Clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  for (int i = 0; i < 200; ++i) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) != 0) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

Summary Summarise(std::vector<double> values) {
  if (values.empty()) return {};
  std::ranges::sort(values);
  const auto at = [&](double q) { return values[static_cast<size_t>(q * static_cast<double>(values.size() - 1))]; };
  return {at(0.5), at(0.99), values.front(), values.back(), values.size()};
}

}  // namespace vuruzid::bench
