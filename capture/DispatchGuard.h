#pragma once

#include <memory>

namespace vuruzid::capture {

// Lets a handler run from one of its owner's notifiers destroy the owner.
// Each dispatch runs through Run, which holds a flag that turns false when
// the owner goes; the dispatch checks it wherever a handler may have run,
// and after a false Run the owner is gone and must not be touched.
class DispatchGuard {
 public:
  DispatchGuard() = default;
  ~DispatchGuard() { *alive_ = false; }
  DispatchGuard(const DispatchGuard&) = delete;
  DispatchGuard& operator=(const DispatchGuard&) = delete;

  // Calls `dispatch(alive)`; whether the owner still lives afterwards.
  template <typename Dispatch>
  bool Run(Dispatch&& dispatch) {
    const std::shared_ptr<bool> alive = alive_;
    ++depth_;
    dispatch(static_cast<const bool&>(*alive));
    if (!*alive) return false;
    --depth_;
    return true;
  }
  // Inside a dispatch, where a notifier must be freed later, not at once.
  bool InsideDispatch() const { return depth_ > 0; }
  // For calls queued on the event loop: expired or false once the owner is gone.
  std::weak_ptr<const bool> Watch() const { return alive_; }

 private:
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  int depth_ = 0;
};

}  // namespace vuruzid::capture
