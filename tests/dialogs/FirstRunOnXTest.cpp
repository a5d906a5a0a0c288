// The built program's first run on a real X server, driven as a user would:
// the welcome dialog comes before the main window, the typed name is stored,
// and the links land in the link folder, the menu and on the desktop.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "ScratchDesktop.h"
#include "support/Dictionaries.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using vuruzid::testing::ReadFile;
using vuruzid::testing::ScratchDesktop;

namespace {

std::string Output(const std::string& command) {
  FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
  if (!pipe) return {};
  std::string output;
  char buffer[256];
  while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  ::pclose(pipe);
  while (!output.empty() && (output.back() == '\n' || output.back() == ' ')) output.pop_back();
  return output;
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 15s) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    std::this_thread::sleep_for(100ms);
  }
  return condition();
}

// The first visible window whose name matches the regular expression, or "".
std::string VisibleWindow(const std::string& nameRegex) {
  const std::string ids = Output("xdotool search --onlyvisible --name '" + nameRegex + "'");
  return ids.substr(0, ids.find('\n'));
}

// The program started from `folder` as its current directory.
class RunningProgram {
 public:
  explicit RunningProgram(const fs::path& folder) {
    pid_ = ::fork();
    if (pid_ == 0) {
      if (::chdir(folder.c_str()) != 0) ::_exit(127);
      ::setenv("QT_QPA_PLATFORM", "xcb", 1);
      ::execl("./QOR_Vuruzid", "QOR_Vuruzid", static_cast<char*>(nullptr));
      ::_exit(127);
    }
  }
  ~RunningProgram() {
    if (pid_ > 0 && !Exited(0ms)) {
      ::kill(pid_, SIGTERM);
      Exited(3s);
    }
  }
  bool Exited(std::chrono::milliseconds limit) {
    return WaitFor([this] { return ::waitpid(pid_, nullptr, WNOHANG) == pid_; }, limit);
  }

 private:
  pid_t pid_ = -1;
};

}  // namespace

TEST(FirstRunOnX, WelcomeComesFirstStoresTheNameAndPlacesTheLinks) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X server (scripts/with-xserver.sh)";
  ScratchDesktop session;
  // A copy of the built program folder, as an installation would have it.
  const fs::path folder = session.home() / "Apps" / "QOR Vuruzid";
  fs::create_directories(folder.parent_path());
  fs::copy(VURUZID_PROGRAM_DIR, folder, fs::copy_options::recursive);
  fs::create_directories(folder / "data");
  fs::create_directories(folder / "Doder");
  fs::remove(folder / "data" / "Vuruzid.ini");
  for (const char* name : {"english.dll", "russian.dll"})
    if (!fs::exists(folder / name)) vuruzid::testing::WriteDictionary(folder / name, {"CAT"});

  RunningProgram program(folder);
  std::string welcome;
  ASSERT_TRUE(WaitFor([&] { return !(welcome = VisibleWindow("^ Welcome to QOR Vuruzid$")).empty(); }))
      << "the welcome dialog did not appear";
  EXPECT_EQ(VisibleWindow("^QOR_Vuruzid$"), "") << "the main window came before the welcome dialog";

  Output("xdotool windowactivate --sync " + welcome);
  std::this_thread::sleep_for(300ms);
  Output("xdotool type --delay 30 'Ann Example'");
  Output("xdotool key Return");

  std::string mainWindow;
  ASSERT_TRUE(WaitFor([&] { return !(mainWindow = VisibleWindow("^QOR_Vuruzid$")).empty(); }))
      << "the main window did not appear after the welcome dialog";
  EXPECT_EQ(VisibleWindow("^ Welcome to QOR Vuruzid$"), "");

  const fs::path menuLink = session.applications() / "Doder" / "QOR_Vuruzid.desktop";
  const fs::path desktopLink = session.desktop() / "QOR_Vuruzid.desktop";
  EXPECT_TRUE(fs::exists(menuLink));
  EXPECT_TRUE(fs::exists(desktopLink));
  EXPECT_TRUE(fs::is_empty(folder / "Doder"));
  const std::string entry = ReadFile(desktopLink);
  EXPECT_NE(entry.find("\nPath=" + folder.string() + "\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("\nIcon=" + (folder / "QOR_Vuruzid.png").string() + "\n"), std::string::npos) << entry;
  EXPECT_EQ(std::system(("desktop-file-validate '" + desktopLink.string() + "'").c_str()), 0);

  // Closing the main window with its close button writes the settings with the
  // name as line 1. (A window-manager key chord is avoided: it can leave the
  // window manager closing the next window that appears.)
  Output("xdotool mousemove --window " + mainWindow + " 248 20 click 1");
  ASSERT_TRUE(program.Exited(10s)) << "the program did not end";
  const std::string settings = ReadFile(folder / "data" / "Vuruzid.ini");
  EXPECT_NE(settings.find("\r\nAnn Example\r\n"), std::string::npos) << settings;
}
