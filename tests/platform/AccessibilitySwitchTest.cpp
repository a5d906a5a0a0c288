// The desktop's accessibility switch against at-spi2-core's real bus launcher
// on a session bus of the test's own. Setting the switch makes the launcher
// store toolkit-accessibility in the user's settings for good (through dconf's
// service, which writes to $XDG_CONFIG_HOME/dconf/user), and the services a bus
// starts get the bus's environment: so the bus runs with a home folder of its
// own, and the test checks that the real user's settings stay as they were.
#include "platform/desktop/AccessibilitySwitch.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace vuruzid::platform {
namespace {

using Clock = std::chrono::steady_clock;
// A little over the switch's own limit of about a second.
constexpr auto kQuickly = std::chrono::milliseconds(1500);

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// This process's environment with the user's folders moved into `home`, and
// neither a bus nor a display to inherit.
std::vector<std::string> EnvironmentIn(const testing::TempFolder& home) {
  std::vector<std::string> variables;
  for (char** variable = environ; *variable != nullptr; ++variable) {
    const std::string entry = *variable;
    const std::string name = entry.substr(0, entry.find('='));
    if (name != "HOME" && name.rfind("XDG_", 0) != 0 && name != "DBUS_SESSION_BUS_ADDRESS" && name != "DISPLAY" &&
        name != "WAYLAND_DISPLAY")
      variables.push_back(entry);
  }
  if (const std::string dataDirs = Variable("XDG_DATA_DIRS"); !dataDirs.empty())
    variables.push_back("XDG_DATA_DIRS=" + dataDirs);  // where the bus finds its services
  for (const char* folder : {"config", "data", "cache", "runtime"}) std::filesystem::create_directories(home / folder);
  variables.push_back("HOME=" + home.path().string());
  variables.push_back("XDG_CONFIG_HOME=" + (home / "config").string());
  variables.push_back("XDG_DATA_HOME=" + (home / "data").string());
  variables.push_back("XDG_CACHE_HOME=" + (home / "cache").string());
  variables.push_back("XDG_RUNTIME_DIR=" + (home / "runtime").string());
  return variables;
}

// Starts a program with the given environment; its output comes through `output`.
pid_t Spawn(std::vector<std::string> arguments, const std::vector<std::string>& environment, int* output) {
  int pipe[2];
  if (::pipe2(pipe, O_CLOEXEC) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
  std::vector<char*> argv, envp;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  for (const std::string& variable : environment) envp.push_back(const_cast<char*>(variable.c_str()));
  envp.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe[1]);
  *output = pipe[0];
  return pid;
}

std::string ReadLine(int fd) {
  std::string line;
  char c = 0;
  while (::read(fd, &c, 1) == 1 && c != '\n') line += c;
  return line;
}

// What a program prints, up to its first line end.
std::string FirstLineOf(std::vector<std::string> arguments, const std::vector<std::string>& environment) {
  int output = -1;
  const pid_t pid = Spawn(std::move(arguments), environment, &output);
  const std::string line = pid > 0 ? ReadLine(output) : "";
  ::close(output);
  if (pid > 0) ::waitpid(pid, nullptr, 0);
  return line;
}

// A session bus that lives as long as the object, with the environment given
// to it and to every service it starts.
class SessionBus {
 public:
  SessionBus(const std::vector<std::string>& environment, const std::string& configFile = {}) {
    std::vector<std::string> arguments{"dbus-daemon", "--nofork", "--print-address=1"};
    arguments.push_back(configFile.empty() ? "--session" : "--config-file=" + configFile);
    pid_ = Spawn(arguments, environment, &output_);
    if (pid_ > 0) address_ = ReadLine(output_);
  }
  ~SessionBus() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);  // its services leave with it
      ::waitpid(pid_, nullptr, 0);
    }
    ::close(output_);
  }
  const std::string& Address() const { return address_; }

 private:
  pid_t pid_ = -1;
  int output_ = -1;
  std::string address_;
};

// Where the real user's settings are kept, by dconf and by GLib's key file backend.
std::string RealUserSettings() {
  std::string config = Variable("XDG_CONFIG_HOME");
  if (config.empty()) config = Variable("HOME") + "/.config";
  std::string both;
  for (const char* file : {"/dconf/user", "/glib-2.0/settings/keyfile"}) {
    std::ifstream in(config + file, std::ios::binary);
    both += std::string(std::istreambuf_iterator<char>(in), {}) + '\0';
  }
  return both;
}

// Points the switch at a bus for one test and back.
class BusAddress {
 public:
  explicit BusAddress(const std::string& address) : saved_(Variable("DBUS_SESSION_BUS_ADDRESS")) { Set(address); }
  ~BusAddress() { Set(saved_); }

 private:
  static void Set(const std::string& address) {
    address.empty() ? ::unsetenv("DBUS_SESSION_BUS_ADDRESS") : ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
  }
  std::string saved_;
};

TEST(AccessibilitySwitchTest, TurnsOnAndOffThroughTheBusLauncherAndIsRestored) {
  const std::string realSettings = RealUserSettings();
  testing::TempFolder home;
  const std::vector<std::string> environment = EnvironmentIn(home);
  {
    SessionBus bus(environment);
    ASSERT_FALSE(bus.Address().empty());
    BusAddress pointed(bus.Address());
    std::string whyNot;
    // The first question starts the bus launcher.
    const std::optional<bool> before = DesktopAccessibilityEnabled(&whyNot);
    ASSERT_TRUE(before.has_value()) << whyNot;

    for (const bool enabled : {true, false, *before}) {
      SCOPED_TRACE(enabled ? "on" : "off");
      auto started = Clock::now();
      EXPECT_TRUE(SetDesktopAccessibilityEnabled(enabled, &whyNot)) << whyNot;
      EXPECT_LT(Clock::now() - started, kQuickly);
      started = Clock::now();
      EXPECT_EQ(DesktopAccessibilityEnabled(&whyNot), std::optional<bool>(enabled)) << whyNot;
      EXPECT_LT(Clock::now() - started, kQuickly);
      // The launcher keeps it in the settings of the bus's own home folder
      // (dconf's service writes them a moment later).
      std::string stored;
      for (auto until = Clock::now() + std::chrono::seconds(5); Clock::now() < until; ::usleep(50'000)) {
        stored = FirstLineOf({"gsettings", "get", "org.gnome.desktop.interface", "toolkit-accessibility"}, environment);
        if (stored == (enabled ? "true" : "false")) break;
      }
      EXPECT_EQ(stored, enabled ? "true" : "false");
    }
  }
  EXPECT_EQ(RealUserSettings(), realSettings) << "the real user's settings were changed";
}

// A socket that takes connections and never answers, as a hung bus does.
class SilentSocket {
 public:
  explicit SilentSocket(const std::filesystem::path& path) : fd_(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    listening_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(fd_, 8) == 0;
  }
  ~SilentSocket() { ::close(fd_); }
  bool Listening() const { return listening_; }

 private:
  int fd_;
  bool listening_ = false;
};

TEST(AccessibilitySwitchTest, SaysQuicklyWhyItCannotBeAsked) {
  testing::TempFolder home;
  const std::vector<std::string> environment = EnvironmentIn(home);
  SilentSocket silent(home / "silent");
  ASSERT_TRUE(silent.Listening());
  // A bus that starts no services at all: at-spi2-core as good as missing.
  home.Write("bare.conf", "<busconfig><type>session</type><listen>unix:dir=" + home.path().string() +
                              "</listen><policy context=\"default\"><allow send_destination=\"*\"/>"
                              "<allow receive_sender=\"*\"/><allow own=\"*\"/></policy></busconfig>");
  SessionBus bare(environment, (home / "bare.conf").string());
  ASSERT_FALSE(bare.Address().empty());
  const std::string runtime = Variable("XDG_RUNTIME_DIR");
  ::setenv("XDG_RUNTIME_DIR", (home / "runtime").c_str(), 1);  // holds no bus socket

  const struct {
    const char* name;
    std::string address;
    const char* reason;
  } cases[] = {
      {"no session bus", "", "there is no session bus"},
      {"nothing at the address", "unix:path=" + (home / "missing").string(), "the session bus cannot be reached"},
      {"a socket that never answers", "unix:path=" + (home / "silent").string(),
       "the session bus does not answer (no answer in time)"},
      {"no at-spi2-core", bare.Address(), "the session bus knows no accessibility bus launcher"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BusAddress pointed(c.address);
    std::string whyNot;
    auto started = Clock::now();
    EXPECT_EQ(DesktopAccessibilityEnabled(&whyNot), std::nullopt);
    EXPECT_LT(Clock::now() - started, kQuickly);
    EXPECT_EQ(whyNot.rfind("The desktop's accessibility switch cannot be read: ", 0), 0u) << whyNot;
    EXPECT_NE(whyNot.find(c.reason), std::string::npos) << whyNot;
    whyNot.clear();
    started = Clock::now();
    EXPECT_FALSE(SetDesktopAccessibilityEnabled(true, &whyNot));
    EXPECT_LT(Clock::now() - started, kQuickly);
    EXPECT_NE(whyNot.find("cannot be turned on: " + std::string(c.reason)), std::string::npos) << whyNot;
  }
  runtime.empty() ? ::unsetenv("XDG_RUNTIME_DIR") : ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
}

}  // namespace
}  // namespace vuruzid::platform
