#include "capture/KeyCapture.h"

namespace vuruzid::capture {

CheckingSwitch::CheckingSwitch(KeyDownHandler onKeyDown, std::function<void(const std::string&)> showMessage)
    : capture_(std::move(onKeyDown)), showMessage_(std::move(showMessage)) {
  capture_.SetStoppedHandler([this](const std::string& why) {
    checkingOn_ = 0;
    StateChanged();
    Tell(why);
  });
}

void CheckingSwitch::Toggle() {
  if (checkingOn_ != 0) {
    TurnOff();
    return;
  }
  std::string whyNot;
  if (!capture_.Install(&whyNot)) {
    Tell(whyNot);  // checking stays off: the display never claims keys that cannot arrive
    return;
  }
  checkingOn_ = 1;
  StateChanged();
  if (!warnedAboutSession_) {
    if (const std::string warning = capture_.SessionWarning(); !warning.empty()) {
      warnedAboutSession_ = true;
      Tell(warning);
    }
  }
}

void CheckingSwitch::TurnOff() {
  if (checkingOn_ == 0) return;
  checkingOn_ = 0;
  capture_.Remove();
  StateChanged();
}

void CheckingSwitch::Tell(const std::string& message) const {
  if (showMessage_) showMessage_(message);
}

void CheckingSwitch::StateChanged() const {
  if (onStateChanged_) onStateChanged_();
}

}  // namespace vuruzid::capture
