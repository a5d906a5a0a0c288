#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "capture/KeySource.h"
#include "capture/DispatchGuard.h"

class QSocketNotifier;
struct _XDisplay;

namespace vuruzid::capture::x11 {

class ConnectionGuard;

// Watches the key presses and releases of every client of the X server named
// by DISPLAY through a RECORD context, and the presses of the pointer's left,
// middle and right buttons; it never grabs a key or a button. Two connections
// of its own: the control connection makes and removes the context and
// follows keyboard changes (XKB), the data connection receives the records.
// Both are served by socket notifiers on the thread that started it, so keys
// arrive between that thread's other events.
class XRecordKeySource final : public KeySource {
 public:
  // `onLost` is called, from the event loop, when the X server goes away.
  XRecordKeySource(KeySink onKey, LostSink onLost);
  ~XRecordKeySource() override;  // removes the context and closes both connections
  XRecordKeySource(const XRecordKeySource&) = delete;
  XRecordKeySource& operator=(const XRecordKeySource&) = delete;

  bool Start(std::string* whyNot) override;
  // The RECORD context's id.
  uintptr_t Id() const override { return context_; }
  const std::bitset<256>& HeldAtStart() const override { return heldAtStart_; }
  const KeycodeMap& keycodeMap() const override { return keycodeMap_; }
  // In a Wayland session the X server sees only the keys typed into X11 applications.
  std::string SessionWarning() const override;

 private:
  friend struct RecordCallback;
  void Record(uint8_t keycode, bool pressed, unsigned modifierState);
  void RecordButton(uint8_t button);
  void FollowCapsLock(uint8_t keycode, bool pressed, bool lockedBefore);
  uint8_t ModifiersOf(unsigned modifierState) const;
  bool ReadKeyboard();
  void OnDataReadable();
  void OnControlReadable();
  void DrainControlEvents();
  void DeliverPending(const bool& alive);
  bool ReportIfLost();
  void Stop();

  KeySink onKey_;
  LostSink onLost_;
  _XDisplay* control_ = nullptr;
  _XDisplay* data_ = nullptr;
  std::unique_ptr<ConnectionGuard> controlGuard_, dataGuard_;
  uintptr_t context_ = 0;
  int xkbEventBase_ = 0;
  KeycodeMap keycodeMap_;
  unsigned numLockMask_ = 0, altMask_ = 0, superMask_ = 0;
  std::bitset<256> heldAtStart_;
  std::bitset<256> keysDown_;                // as the recorded keys tell
  std::array<uint8_t, 256> modifierBits_{};  // the modifier bits each keycode sets
  bool capsLockOn_ = false;                  // Caps Lock's lock after the last recorded key
  bool unlocksOnRelease_ = false;            // the lock key went down with the lock on
  QSocketNotifier* controlNotifier_ = nullptr;
  QSocketNotifier* dataNotifier_ = nullptr;
  std::vector<KeyEvent> pending_;
  DispatchGuard dispatch_;  // a handler running inside a notifier may remove this source
  bool lostReported_ = false;
};

}  // namespace vuruzid::capture::x11
