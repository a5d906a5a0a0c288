#include "capture/FocusGate.h"

#include <algorithm>

#include "engine/VirtualKeys.h"

namespace vuruzid::capture {
namespace {

// Messages on their way are waited for this long at most after the last key.
constexpr auto kLongestSettle = std::chrono::milliseconds(50);

}  // namespace

bool FocusGate::MayMoveFocus(const KeyDown& key) {
  return key.command || key.pointerButton != 0 || key.virtualKey == vk::kTab || key.virtualKey == vk::kReturn ||
         key.virtualKey == vk::kEscape;
}

void FocusGate::OnKey(const KeyDown& key, bool mayMoveFocus, bool messagesWaiting, Clock::time_point now) {
  if (Waiting() || messagesWaiting) {
    held_.push_back(key);
    if (messagesWaiting && !settleUntil_) settleUntil_ = now + kLongestSettle;
    // The keys after a held Tab wait for the focus it moves, too.
    if (mayMoveFocus) focusDeadline_ = now + kLongestWait, movedAt_ = now;
    Schedule(now);
    return;
  }
  deliver_(key);
  if (mayMoveFocus) OnClick(now);
}

void FocusGate::OnClick(Clock::time_point now) {
  focusDeadline_ = now + kLongestWait;
  movedAt_ = now;
  Schedule(now);
}

void FocusGate::OnFocusMoved(Clock::time_point now) {
  focusDeadline_.reset();
  if (!settleUntil_) Release(now);
}

void FocusGate::Wake(bool messagesWaiting, Clock::time_point now, bool applicationBusy) {
  if (focusDeadline_ && now >= *focusDeadline_) {
    focusDeadline_.reset();
    // Still handling the key (a slow focus-out, a busy page): its focus event may yet come.
    if (applicationBusy && now < movedAt_ + kLongestBusyWait)
      focusDeadline_ = std::min(now + kBusyStep, movedAt_ + kLongestBusyWait);
    // Time is up, but a focus event may be among the messages just in.
    if (messagesWaiting && !settleUntil_) settleUntil_ = now + kLongestSettle;
  }
  if (settleUntil_ && (!messagesWaiting || now >= *settleUntil_)) settleUntil_.reset();
  if (focusDeadline_ || settleUntil_)
    Schedule(now);
  else
    Release(now);
}

void FocusGate::Drop() {
  held_.clear();
  focusDeadline_.reset();
  settleUntil_.reset();
  wakeAt_.reset();
}

void FocusGate::Release(Clock::time_point now) {
  wakeAt_.reset();
  std::vector<KeyDown> keys;
  keys.swap(held_);
  for (size_t i = 0; i < keys.size(); ++i) {
    deliver_(keys[i]);
    if (!MayMoveFocus(keys[i])) continue;
    // A held Tab moves the focus again: the keys after it go on waiting.
    held_.assign(keys.begin() + static_cast<std::ptrdiff_t>(i) + 1, keys.end());
    OnClick(now);
    return;
  }
}

void FocusGate::Schedule(Clock::time_point now) {
  std::optional<Clock::time_point> at = focusDeadline_;
  if (settleUntil_) at = std::min(at.value_or(Clock::time_point::max()), now + kSettleStep);
  wakeAt_ = at;
}

}  // namespace vuruzid::capture
