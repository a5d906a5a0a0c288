#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vuruzid::capture {

// A program as the desktop names it: an X11 window's WM_CLASS (instance and
// class, "xterm" and "XTerm"), or an application's name on the accessibility
// bus (both parts the same).
struct ProgramName {
  std::string instance, className;

  bool empty() const { return instance.empty() && className.empty(); }
  // The name a person is shown and that a list is given: the class, which
  // names every window of the program alike.
  const std::string& Shown() const { return className.empty() ? instance : className; }
  friend bool operator==(const ProgramName&, const ProgramName&) = default;
};

// Whether `list` names the program, by its instance or its class, ignoring
// case; blank entries name nothing.
bool ListNames(const std::vector<std::string>& list, const ProgramName& program);

// Whether `list` names the executable's file name ("firefox-esr"), ignoring
// case; an empty name is named by nothing.
bool ListsExecutable(const std::vector<std::string>& list, const std::string& executable);

// The web browsers and the programs built on a browser engine (Electron), by
// window class and by executable: their pages show the checker nothing until
// their accessibility is on, password fields included.
const std::vector<std::string>& BrowserPrograms();

// Whether the program is a browser or built on one: listed by window class or
// executable, or its accessible toolkit is a browser engine's.
bool IsBrowser(const ProgramName& program, const std::string& executable, const std::string& toolkit);

// The password programs that show no password field on the accessibility bus,
// by window class: keys going to them are never checked.
const std::vector<std::string>& PasswordPrograms();

// The programs left alone by default: the common terminal emulators (their
// commands are not prose, and sudo's password prompt lives there) and the
// password programs.
std::vector<std::string> DefaultProgramsLeftAlone();

}  // namespace vuruzid::capture
