#include "capture/KeyCapture.h"

#include <QTimer>

namespace vuruzid::capture {

KeyCapture::KeyCapture(KeyDownHandler onKeyDown)
    : onKeyDown_(std::move(onKeyDown)),
      context_([this](const KeyContext& context) { OnContextChanged(context); }, [this] { OnFocusMoved(); },
               [this] { OnFocusMoved(); }),
      gate_([this](const KeyDown& key) { Deliver(key); }),
      gateTimer_(std::make_unique<QTimer>()) {
  gateTimer_->setSingleShot(true);
  gateTimer_->setTimerType(Qt::PreciseTimer);
  QObject::connect(gateTimer_.get(), &QTimer::timeout, [this] { OnGateTimer(); });
}

KeyCapture::~KeyCapture() { Remove(); }

void KeyCapture::OnKeyEvent(const KeyEvent& event) {
  if (!event.pressed) {
    keys_.OnKeyEvent(event);  // a release only tells which keys are down
    return;
  }
  // A focus change that arrived with this key is seen before it. Which of the
  // two came first cannot be told across connections, so a key passes only
  // when the context lets it pass both before and after: a letter typed into
  // a password field just before the focus left it stays held back.
  const bool passedBefore = context_.KeysPass();
  const bool messagesWaiting = context_.Drain();
  // Keys read together were typed before what the drain just revealed: when
  // it lets keys pass again, the rest of this turn's keys stay held back too.
  if (!passedBefore && context_.KeysPass() && !heldThisTurn_) {
    heldThisTurn_ = true;
    QMetaObject::invokeMethod(gateTimer_.get(), [this] { heldThisTurn_ = false; }, Qt::QueuedConnection);
  }
  const auto now = FocusGate::Clock::now();
  auto down = keys_.OnKeyEvent(event);
  if (!down) return;
  if (!passedBefore || heldThisTurn_ || !context_.KeysPass()) {
    // Held back: a press is not told (the pause has dropped the word), but the
    // keys after it still wait for the focus it may move.
    if (down->pointerButton != 0) {
      gate_.OnClick(now);
      context_.AskKeyboardOwner();
    } else {
      gate_.Drop();
    }
    ArmGateTimer();
    return;
  }
  // The first key typed in another script's group tells of the switch.
  if (event.script != KeyScript::Unknown && event.script != lastScript_) down->switchedTo = lastScript_ = event.script;
  const bool mayMoveFocus = FocusGate::MayMoveFocus(*down);
  gate_.OnKey(*down, mayMoveFocus, messagesWaiting, now);
  if (mayMoveFocus) context_.AskKeyboardOwner();
  ArmGateTimer();
}

void KeyCapture::Deliver(const KeyDown& key) {
  if (source_ && onKeyDown_) onKeyDown_(key);
}

void KeyCapture::OnContextChanged(const KeyContext& context) {
  if (context.pause != Pause::NotPaused) {
    gate_.Drop();
    ArmGateTimer();
  }
  if (onContext_) onContext_(context);
}

void KeyCapture::OnFocusMoved() {
  if (!gate_.Waiting()) return;
  if (context_.KeysPass())
    gate_.OnFocusMoved(FocusGate::Clock::now());
  else
    gate_.Drop();
  ArmGateTimer();
}

void KeyCapture::OnGateTimer() {
  const bool messagesWaiting = context_.Drain();
  if (context_.KeysPass())
    gate_.Wake(messagesWaiting, FocusGate::Clock::now(), context_.KeyboardOwnerBusy());
  else
    gate_.Drop();
  ArmGateTimer();
}

void KeyCapture::ArmGateTimer() {
  const auto at = gate_.WakeAt();
  if (!at) {
    gateTimer_->stop();
    return;
  }
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(*at - FocusGate::Clock::now());
  gateTimer_->start(std::max<int>(0, static_cast<int>(left.count())));
}

bool KeyCapture::Install(std::string* whyNot) {
  if (source_) return true;
  std::string reasons;
  auto source = StartKeySource(
      [this](const KeyEvent& key) { OnKeyEvent(key); },
      [this](const std::string& why) {
        Remove();
        if (onStopped_) onStopped_(why);
      },
      &reasons);
  if (!source) {
    if (whyNot) *whyNot = reasons;
    return false;
  }
  source->SetLatinTyping(latinTyping_);
  keys_.StartWithHeldKeys(source->HeldAtStart(),
                          [&](uint8_t keycode) { return source->keycodeMap().CodesOf(keycode).virtualKey; });
  sessionWarning_ = source->SessionWarning();
  if (!sessionWarning_.empty() && !reasons.empty()) sessionWarning_ += "\n\n" + reasons;
  source_ = std::move(source);
  lastScript_ = KeyScript::Unknown;
  context_.Start(source_->SeesOtherSessions());
  return true;
}

void KeyCapture::Remove() {
  gate_.Drop();
  gateTimer_->stop();
  context_.Stop();
  source_.reset();
}

void KeyCapture::SetLatinTyping(bool latin) {
  latinTyping_ = latin;
  if (source_) source_->SetLatinTyping(latin);
}

uintptr_t KeyCapture::HookHandle() const { return source_ ? source_->Id() : 0; }

}  // namespace vuruzid::capture
