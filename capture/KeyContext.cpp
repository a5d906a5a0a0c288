#include "capture/KeyContext.h"

namespace vuruzid::capture {

Pause PauseFor(const FocusFacts& facts, const std::vector<std::string>& leftAlone) {
  if (!facts.sessionActive) return Pause::SessionInactive;
  if (facts.screenLocked) return Pause::ScreenLocked;
  if (facts.keyboardGrabbed) return Pause::KeyboardGrabbed;
  if (!facts.focusKnown) return Pause::FocusUnknown;
  if (facts.passwordField) return Pause::PasswordField;
  if (ListNames(PasswordPrograms(), facts.program) || ListsExecutable(PasswordPrograms(), facts.executable))
    return Pause::PasswordProgram;
  if (!facts.programKnown) return Pause::ProgramUnknown;
  if (ListNames(leftAlone, facts.program) || ListsExecutable(leftAlone, facts.executable))
    return Pause::ProgramLeftAlone;
  if (IsBrowser(facts.program, facts.executable, facts.toolkit) && !facts.focusSeenInProgram)
    return Pause::BrowserUnseen;
  return Pause::NotPaused;
}

std::string DescribeContext(const KeyContext& context) {
  const std::string in = context.program.empty() ? std::string() : " in " + context.program;
  switch (context.pause) {
    case Pause::NotPaused:
      return "resumed" + in;
    case Pause::SessionInactive:
      return "paused: this session is not active";
    case Pause::ScreenLocked:
      return "paused: the screen is locked";
    case Pause::KeyboardGrabbed:
      return "paused: another program holds the keyboard";
    case Pause::FocusUnknown:
      return "paused until the focus is known";
    case Pause::PasswordField:
      return "paused for a password field" + in;
    case Pause::PasswordProgram:
      return "paused for a password program" + in;
    case Pause::ProgramLeftAlone:
      return "paused for a program left alone" + in;
    case Pause::BrowserUnseen:
      return "paused for a browser that does not show its focus" + in;
    case Pause::ProgramUnknown:
      return "paused: the program that has the keyboard does not tell where it is";
  }
  return {};
}

std::string QuietLine(const KeyContext& context) {
  const std::string in = context.program.empty() ? std::string(": this program") : " in " + context.program;
  switch (context.pause) {
    case Pause::NotPaused:
      return {};
    case Pause::SessionInactive:
      return "not checked: session not active";
    case Pause::ScreenLocked:
      return "not checked: screen locked";
    case Pause::KeyboardGrabbed:
      return "not checked: keyboard taken";
    case Pause::FocusUnknown:
      return "not checked yet: finding the focus";
    case Pause::PasswordField:
      return "not checked: password field";
    case Pause::PasswordProgram:
      return "not checked: password program";
    case Pause::ProgramLeftAlone:
      return "not checked" + in;
    case Pause::BrowserUnseen:
      return "not checked" + in + " \u2014 see Check in web browsers";
    case Pause::ProgramUnknown:
      return "not checked: unknown program";
  }
  return {};
}

}  // namespace vuruzid::capture
