#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "capture/KeycodeMap.h"

namespace vuruzid::capture {

// Modifiers held when a key event happened, as key sources report them.
// AltGr (the third level) is none of them: it types text. Caps Lock is its
// lock being on, not the key being held.
enum ModifierBit : uint8_t { kControlHeld = 1, kAltHeld = 2, kSuperHeld = 4, kShiftHeld = 8, kCapsLockOn = 16 };

// One key press or release of the desktop as a key source saw it. Keycodes are
// numbered as XKB numbers them (the keyboard devices' Linux codes plus 8).
struct KeyEvent {
  uint8_t keycode;
  bool pressed;        // false for a release; an auto-repeat is a press
  uint8_t virtualKey;  // 0 for a key without a code
  uint8_t modifiers = 0;  // ModifierBits held before this event
  // The script of the keyboard group the key is typed in (KeycodeMap::ScriptOf).
  KeyScript script = KeyScript::Unknown;
  // A press of a pointer button (1 left, 2 middle, 3 right; the wheel is not
  // told) rather than a key: `keycode` holds the button, `virtualKey` is 0.
  // It moves the caret or the focus where no key tells.
  bool pointer = false;
};

// Where the keys of the desktop come from: the X server (RECORD) or the
// kernel's keyboard devices. A source only watches; no application loses a
// key. Keys are delivered on the thread that started the source, between its
// other events, and nothing is watched before Start or after destruction.
class KeySource {
 public:
  using KeySink = std::function<void(const KeyEvent&)>;
  // Told, from the event loop, when a started source stops by itself (its X
  // server went away); the source delivers nothing more.
  using LostSink = std::function<void(const std::string& why)>;

  virtual ~KeySource() = default;

  // Starts watching; false, with a reason a user can read, when it cannot.
  // A source that failed delivers nothing and may be destroyed at once.
  virtual bool Start(std::string* whyNot) = 0;
  // The keys held down when watching started, by keycode; none before Start
  // and where the source cannot ask.
  virtual const std::bitset<256>& HeldAtStart() const = 0;
  // Keycode -> virtual-key codes of the keyboard as it is now (it follows
  // keyboard changes); empty before Start.
  virtual const KeycodeMap& keycodeMap() const = 0;
  // Identifies the running source; 0 before a successful Start and after the
  // source was lost.
  virtual uintptr_t Id() const = 0;
  // A note to show once when this source cannot see the keys of some
  // applications; empty when it sees every key.
  virtual std::string SessionWarning() const { return {}; }
  // Whether the user types a Latin script now (the checker's English) or not
  // (Russian, whose letters the checker maps by position), for a source that
  // cannot see which keyboard layout is active. Sources that see it ignore this.
  virtual void SetLatinTyping(bool /*latin*/) {}
  // True for a source that also sees keys typed outside this login session
  // (other virtual terminals, the login screen, other users on the same
  // seat), which must then be held back while the session is not active.
  virtual bool SeesOtherSessions() const { return false; }
  // Whether the keys tell the keyboard's layout switches (KeyEvent::script):
  // the keymap holds both a Latin and a Cyrillic group, and the source sees
  // every switch.
  virtual bool SeesLayoutSwitches() const { return keycodeMap().HasLatinAndCyrillicGroups(); }
};

// Starts the key source this session calls for: X11 RECORD in an X11
// session, and the keyboard devices wherever RECORD cannot start; in a Wayland
// session (XDG_SESSION_TYPE=wayland or WAYLAND_DISPLAY set) the devices first,
// then RECORD through XWayland, which sees only X11 applications' keys. VURUZID_CAPTURE=x11
// or =devices chooses one route only. Nothing, with every reason joined in
// `whyNot`, when none starts; when a later route starts, `whyNot` holds why
// the ones before it did not.
std::unique_ptr<KeySource> StartKeySource(KeySource::KeySink onKey, KeySource::LostSink onLost, std::string* whyNot);

}  // namespace vuruzid::capture
