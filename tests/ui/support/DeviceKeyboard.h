#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QtGlobal>
#include <map>
#include <optional>
#include <string>

#include "support/TempFolder.h"

namespace vuruzid::testing {

// A desktop with one keyboard device (a pipe laid out as /dev/input and
// /sys/class/input are) and nothing else: checking starts on it without a
// window system, and no watch of where the keys go can start, so only what a
// test tells the window says where they go. Everything is put back as it was
// when it goes.
class DeviceKeyboard {
 public:
  DeviceKeyboard() {
    folder_.Write("sys/class/input/event0/device/capabilities/key",
                  "1000000000007 ff9f207ac14057ff febeffdfffefffff fffffffffffffffe\n");
    std::filesystem::create_directories(folder_ / "dev/input");
    const auto node = folder_ / "dev/input/event0";
    if (::mkfifo(node.c_str(), 0600) == 0) writer_ = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    Set("VURUZID_CAPTURE", "devices");
    Set("VURUZID_INPUT_ROOT", folder_.path().c_str());
    Set("XDG_RUNTIME_DIR", folder_.path().c_str());
    Set("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + (folder_ / "no-bus").string()).c_str());
    Set("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + (folder_ / "no-bus").string()).c_str());
    Set("DISPLAY", nullptr);
    Set("WAYLAND_DISPLAY", nullptr);
  }
  ~DeviceKeyboard() {
    if (writer_ >= 0) ::close(writer_);
    for (const auto& [name, value] : saved_) Put(name.c_str(), value ? value->constData() : nullptr);
  }
  DeviceKeyboard(const DeviceKeyboard&) = delete;
  DeviceKeyboard& operator=(const DeviceKeyboard&) = delete;

  bool Ready() const { return writer_ >= 0; }

 private:
  void Set(const char* name, const char* value) {
    if (!saved_.contains(name))
      saved_[name] = qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
    Put(name, value);
  }
  static void Put(const char* name, const char* value) {
    if (value)
      qputenv(name, value);
    else
      qunsetenv(name);
  }

  TempFolder folder_;
  int writer_ = -1;  // held open for writing: the device never reads as ended
  std::map<std::string, std::optional<QByteArray>> saved_;
};

}  // namespace vuruzid::testing
