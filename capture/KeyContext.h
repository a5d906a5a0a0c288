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
  PasswordField,     // the focused object is a password entry
  PasswordProgram,   // the active program is a password program
  ProgramLeftAlone,  // the active program is on the user's list of programs not to check
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
  bool passwordField = false;
  ProgramName program;  // the focused window's class, or the focused application's name
};

// Password fields and password programs are never checked; programs on
// `leftAlone` are not; nothing is while the session is not in front.
Pause PauseFor(const FocusFacts& facts, const std::vector<std::string>& leftAlone);

// One line a person can read: "paused: a password field has the focus", "resumed in xterm", ...
std::string DescribeContext(const KeyContext& context);

}  // namespace vuruzid::capture
