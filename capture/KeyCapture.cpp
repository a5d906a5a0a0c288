#include "capture/KeyCapture.h"

#include <cstdlib>

#include "capture/x11/XRecordKeySource.h"

namespace vuruzid::capture {

class KeyCapture::Backend : public x11::XRecordKeySource {
 public:
  using XRecordKeySource::XRecordKeySource;
};

KeyCapture::KeyCapture(KeyDownHandler onKeyDown) : onKeyDown_(std::move(onKeyDown)) {}

KeyCapture::~KeyCapture() = default;

bool KeyCapture::Install(std::string* whyNot) {
  if (backend_) return true;
  auto backend = std::make_unique<Backend>(
      [this](const x11::RecordedKey& key) {
        if (const auto down = keys_.OnKeyEvent(key.keycode, key.pressed, key.virtualKey); down && onKeyDown_)
          onKeyDown_(down->virtualKey, down->insertKeyState);
      },
      [this](const std::string& why) {
        Remove();
        if (onStopped_) onStopped_(why);
      });
  if (!backend->Start(whyNot)) return false;
  keys_.StartWithHeldKeys(backend->HeldAtStart(),
                          [&](uint8_t keycode) { return backend->keycodeMap().CodesOf(keycode).virtualKey; });
  backend_ = std::move(backend);
  return true;
}

void KeyCapture::Remove() { backend_.reset(); }

uintptr_t KeyCapture::HookHandle() const { return backend_ ? backend_->ContextId() : 0; }

std::string KeyCapture::SessionWarning() {
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if (wayland == nullptr || *wayland == '\0') return {};
  return "This is a Wayland session: only keys typed into X11 applications can be checked; "
         "keys typed into other applications are not seen.";
}

}  // namespace vuruzid::capture
