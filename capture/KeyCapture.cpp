#include "capture/KeyCapture.h"

namespace vuruzid::capture {

KeyCapture::KeyCapture(KeyDownHandler onKeyDown) : onKeyDown_(std::move(onKeyDown)) {}

KeyCapture::~KeyCapture() = default;

bool KeyCapture::Install(std::string* whyNot) {
  if (source_) return true;
  auto source = StartKeySource(
      [this](const KeyEvent& key) {
        if (const auto down = keys_.OnKeyEvent(key.keycode, key.pressed, key.virtualKey); down && onKeyDown_)
          onKeyDown_(down->virtualKey, down->insertKeyState);
      },
      [this](const std::string& why) {
        Remove();
        if (onStopped_) onStopped_(why);
      },
      whyNot);
  if (!source) return false;
  source->SetLatinTyping(latinTyping_);
  keys_.StartWithHeldKeys(source->HeldAtStart(),
                          [&](uint8_t keycode) { return source->keycodeMap().CodesOf(keycode).virtualKey; });
  source_ = std::move(source);
  return true;
}

void KeyCapture::Remove() { source_.reset(); }

void KeyCapture::SetLatinTyping(bool latin) {
  latinTyping_ = latin;
  if (source_) source_->SetLatinTyping(latin);
}

uintptr_t KeyCapture::HookHandle() const { return source_ ? source_->Id() : 0; }

}  // namespace vuruzid::capture
