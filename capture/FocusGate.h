#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

#include "capture/KeyEventFilter.h"

namespace vuruzid::capture {

// Holds back the keys that follow a key or a click that may move the focus,
// until the desktop has told where the focus went, or a short wait is over.
// Applications tell of a focus move only after they have handled the Tab or
// the click (browsers 36-98 ms later), so a quick typist's first letters of a
// password would otherwise be judged before the pause for its field begins.
// Keys also wait, for a few milliseconds, while messages that may tell of a
// focus move are waiting to be handled.
//
// Plain C++ with the time passed in: the owner runs a timer for Wake().
class FocusGate {
 public:
  using Clock = std::chrono::steady_clock;
  using Deliver = std::function<void(const KeyDown&)>;
  static constexpr auto kLongestWait = std::chrono::milliseconds(250);
  // An application still busy with the key (it has not answered since) may
  // yet move the focus: it is waited for this long at most.
  static constexpr auto kLongestBusyWait = std::chrono::milliseconds(1500);
  static constexpr auto kBusyStep = std::chrono::milliseconds(20);
  static constexpr auto kSettleStep = std::chrono::milliseconds(5);

  explicit FocusGate(Deliver deliver) : deliver_(std::move(deliver)) {}

  // Keys and clicks after which the focus may be elsewhere: Tab (with Shift,
  // Alt or Ctrl too), Enter, Escape, any shortcut, and a pointer press.
  static bool MayMoveFocus(const KeyDown& key);

  // A key-down that passes every other rule. `messagesWaiting`: the desktop's
  // watches have messages not yet handled.
  void OnKey(const KeyDown& key, bool mayMoveFocus, bool messagesWaiting, Clock::time_point now);
  // A pointer press that is not delivered (keys are held back meanwhile): the
  // keys after it wait for the focus all the same.
  void OnClick(Clock::time_point now);
  // The desktop told of a focus move (the context is up to date by now):
  // held keys go on, in order.
  void OnFocusMoved(Clock::time_point now);
  // The owner's timer ran out; `messagesWaiting` as for OnKey;
  // `applicationBusy`: the application that has the keyboard has not yet
  // answered a question asked after the key that may move the focus.
  void Wake(bool messagesWaiting, Clock::time_point now, bool applicationBusy = false);
  // Keys are held back for another reason now: what waits is dropped, unjudged.
  void Drop();

  // When Wake() should be called next; nothing while no key waits for the time.
  std::optional<Clock::time_point> WakeAt() const { return wakeAt_; }
  bool Waiting() const { return !held_.empty() || focusDeadline_.has_value(); }
  size_t HeldCount() const { return held_.size(); }

 private:
  void Release(Clock::time_point now);
  void Schedule(Clock::time_point now);

  Deliver deliver_;
  std::vector<KeyDown> held_;
  std::optional<Clock::time_point> focusDeadline_;  // while waiting for a focus event
  Clock::time_point movedAt_{};                     // the key or click that may have moved it
  std::optional<Clock::time_point> settleUntil_;    // while waiting for messages to be handled
  std::optional<Clock::time_point> wakeAt_;
};

}  // namespace vuruzid::capture
