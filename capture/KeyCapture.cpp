#include "capture/KeyCapture.h"

namespace vuruzid::capture {

KeyCapture::KeyCapture(KeyDownHandler onKeyDown)
    : onKeyDown_(std::move(onKeyDown)), context_([this](const KeyContext& context) {
        if (onContext_) onContext_(context);
      }) {}

KeyCapture::~KeyCapture() { Remove(); }

void KeyCapture::OnKeyEvent(const KeyEvent& event) {
  if (event.pointer) return;
  auto down = keys_.OnKeyEvent(event);
  if (!down || !context_.KeysPass()) return;
  // The first key typed in another script's group tells of the switch.
  if (event.script != KeyScript::Unknown && event.script != lastScript_) down->switchedTo = lastScript_ = event.script;
  if (onKeyDown_) onKeyDown_(*down);
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
  context_.Stop();
  source_.reset();
}

void KeyCapture::SetLatinTyping(bool latin) {
  latinTyping_ = latin;
  if (source_) source_->SetLatinTyping(latin);
}

uintptr_t KeyCapture::HookHandle() const { return source_ ? source_->Id() : 0; }

}  // namespace vuruzid::capture
