#pragma once

#include <sys/types.h>

#include <bitset>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/KeySource.h"
#include "capture/DispatchGuard.h"
#include "capture/evdev/InputDevices.h"
#include "capture/evdev/SystemLayout.h"

class QFileSystemWatcher;
class QSocketNotifier;

namespace vuruzid::capture::evdev {

// Reads the keys of the desktop from the kernel's keyboard devices, the way
// that works under any compositor and under X11 alike, and the presses of the
// left, middle and right buttons of its pointers (mice, touchpads). Every
// keyboard and pointer is opened while the source runs, none is grabbed
// (applications receive every key as before), and each is served by a socket
// notifier on the thread that started the source. Devices plugged in later
// are opened as they appear; one pulled out is dropped quietly. Key codes are
// physical positions, so the program's own layout mapping applies whatever
// layout the session uses. A pointer's own keys (a mouse's extra buttons that
// send key codes) are not told.
//
// The events are read directly rather than through an input library: that
// keeps the reader working on any stream of kernel input records, such as the
// pipes the tests feed.
class EvdevKeySource final : public KeySource {
 public:
  EvdevKeySource(KeySink onKey, LostSink onLost, InputFolders folders = InputFolders::System());
  ~EvdevKeySource() override;
  EvdevKeySource(const EvdevKeySource&) = delete;
  EvdevKeySource& operator=(const EvdevKeySource&) = delete;

  // Opens every keyboard and pointer that can be read; false, saying why and
  // what to do, when no keyboard can (none there, or not allowed to read
  // them): pointers alone are not enough.
  bool Start(std::string* whyNot) override;
  const std::bitset<256>& HeldAtStart() const override { return heldAtStart_; }
  const KeycodeMap& keycodeMap() const override { return keycodeMap_; }
  uintptr_t Id() const override { return running_ ? reinterpret_cast<uintptr_t>(this) : 0; }
  // While the user types a Latin script, letter keys follow the system's
  // configured layout (the active group when it is Latin, else the first
  // Latin group); otherwise, and where no layout is configured, every key
  // keeps its position.
  void SetLatinTyping(bool latin) override { latinTyping_ = latin; }
  // The devices carry the keys of every session on the seat.
  bool SeesOtherSessions() const override { return true; }
  // The keymap's own group switches are seen, those the compositor makes are not.
  bool SeesLayoutSwitches() const override { return false; }

 private:
  struct Device;
  enum class Opening { Opened, NotWanted, DeniedKeyboard, DeniedPointer, Failed };

  Opening Open(const std::string& name);
  void Rescan();
  void OnReadable(Device* device);
  // `alive` turns false when a handler removed this source: then stop at once.
  bool ReadEvents(Device& device, const bool& alive);  // false when the device is gone
  void Handle(Device& device, uint16_t type, uint16_t code, int32_t value, const bool& alive);
  void Resync(Device& device, const bool& alive);
  void Deliver(uint8_t keycode, bool pressed);
  void DeliverButton(uint8_t button);
  void Drop(Device* device, bool insideItsNotifier);

  KeySink onKey_;
  InputFolders folders_;
  KeycodeMap keycodeMap_;
  std::bitset<256> heldAtStart_;
  bool numLockOn_ = true;  // what a keyboard that cannot be asked is taken to have
  bool numLockKnown_ = false;
  bool capsLockAtStart_ = false;  // as the first keyboard's light told
  DeviceKeymap keymap_;                 // the configured layout, following every key
  std::optional<unsigned> latinGroup_;  // its first Latin group
  bool latinTyping_ = true;
  bool running_ = false;
  std::vector<std::unique_ptr<Device>> devices_;
  QFileSystemWatcher* watcher_ = nullptr;
  DispatchGuard dispatch_;  // a handler running inside a notifier may remove this source
};

}  // namespace vuruzid::capture::evdev
