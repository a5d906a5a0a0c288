#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "capture/ProgramName.h"

namespace vuruzid::capture {

// Why keys are held back from the interpreter right now, if they are.
enum class Pause : uint8_t {
  NotPaused,
  SessionInactive,   // another session (a virtual terminal, the login screen) is in front
  ScreenLocked,      // the screen is locked
  KeyboardGrabbed,   // another program holds the keyboard (a screen locker, a menu, a password prompt)
  FocusUnknown,      // checking has just started and the focus is still being looked up
  PasswordField,     // the focused object is a password entry
  PasswordProgram,   // the active program is a password program
  ProgramLeftAlone,  // the active program is on the user's list of programs not to check
  BrowserUnseen,     // a browser (or a program built on one) that shows no focus on the accessibility bus
  // An accessible window was left for one that tells nothing: a terminal, a
  // program without accessibility.
  ProgramUnknown,
};

// Where the keys go, as far as the desktop tells.
struct KeyContext {
  Pause pause = Pause::NotPaused;
  std::string program;  // the focused program's name, where known
  friend bool operator==(const KeyContext&, const KeyContext&) = default;
};

// What the desktop says about the focus.
struct FocusFacts {
  bool sessionActive = true;
  bool screenLocked = false;
  bool keyboardGrabbed = false;  // by a client other than the one that has the focus
  bool focusKnown = true;        // false until the focus at the start has been looked up
  bool passwordField = false;
  bool programKnown = true;  // false when the program that has the keyboard cannot be told
  ProgramName program;       // the focused window's class, or the focused application's name
  std::string executable;    // the file name of the focused program's executable, where known
  std::string toolkit;       // its accessible toolkit ("GTK", "Chromium", "Gecko"), where it is on the bus
  // The accessibility bus has shown the focus inside the program that has the
  // keyboard (its focus events reach this checker).
  bool focusSeenInProgram = false;
};

// Password fields and password programs are never checked; programs on
// `leftAlone` are not; nothing is while the session is not in front, the
// screen is locked, another program holds the keyboard, or the focus is not
// known yet. A browser is checked only once its focus is seen.
Pause PauseFor(const FocusFacts& facts, const std::vector<std::string>& leftAlone);

// One line a person can read: "paused: a password field has the focus", "resumed in xterm", ...
std::string DescribeContext(const KeyContext& context);

// The short line the window shows instead of a word while keys are held
// back: "not checked: password field", "not checked in Firefox"; empty while
// they pass.
std::string QuietLine(const KeyContext& context);

}  // namespace vuruzid::capture
