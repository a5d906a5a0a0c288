#include "capture/KeyContext.h"

namespace vuruzid::capture {

Pause PauseFor(const FocusFacts& facts, const std::vector<std::string>& leftAlone) {
  if (!facts.sessionActive) return Pause::SessionInactive;
  if (facts.passwordField) return Pause::PasswordField;
  if (ListNames(PasswordPrograms(), facts.program)) return Pause::PasswordProgram;
  if (ListNames(leftAlone, facts.program)) return Pause::ProgramLeftAlone;
  return Pause::NotPaused;
}

std::string DescribeContext(const KeyContext& context) {
  const std::string in = context.program.empty() ? std::string() : " in " + context.program;
  switch (context.pause) {
    case Pause::NotPaused:
      return "resumed" + in;
    case Pause::SessionInactive:
      return "paused: this session is not active";
    case Pause::PasswordField:
      return "paused for a password field" + in;
    case Pause::PasswordProgram:
      return "paused for a password program" + in;
    case Pause::ProgramLeftAlone:
      return "paused for a program left alone" + in;
  }
  return {};
}

}  // namespace vuruzid::capture
