#include "capture/ProgramName.h"

#include "engine/TextLines.h"

#include <algorithm>

namespace vuruzid::capture {

bool ListNames(const std::vector<std::string>& list, const ProgramName& program) {
  return std::ranges::any_of(list, [&](const std::string& entry) {
    return !entry.empty() &&
           (EqualIgnoringAsciiCase(entry, program.instance) || EqualIgnoringAsciiCase(entry, program.className));
  });
}

const std::vector<std::string>& PasswordPrograms() {
  static const std::vector<std::string> programs = {
      // Passphrase prompts of GnuPG and SSH.
      "pinentry", "pinentry-gtk-2", "pinentry-gnome3", "pinentry-qt", "pinentry-qt5", "pinentry-fltk",
      "ssh-askpass", "x11-ssh-askpass", "gnome-ssh-askpass", "ksshaskpass", "lxqt-openssh-askpass",
      "ssh-askpass-fullscreen",
      // The keyring's prompt and the authentication agents.
      "gcr-prompter", "polkit-gnome-authentication-agent-1", "polkit-kde-authentication-agent-1",
      "polkit-mate-authentication-agent-1", "lxpolkit", "lxqt-policykit-agent", "xfce-polkit", "kdesu", "gksu",
      // Password managers' main windows.
      "keepassxc", "keepass2", "keepass", "bitwarden", "1password", "seahorse", "org.gnome.seahorse.Application",
      "kwalletmanager5", "enpass", "gopass-ui", "qtpass", "secrets", "org.gnome.World.Secrets",
  };
  return programs;
}

std::vector<std::string> DefaultProgramsLeftAlone() {
  std::vector<std::string> programs = {
      "xterm", "uxterm", "rxvt", "urxvt", "konsole", "gnome-terminal-server", "gnome-terminal", "kgx",
      "org.gnome.Console", "xfce4-terminal", "mate-terminal", "lxterminal", "qterminal", "terminator", "tilix",
      "alacritty", "kitty", "foot", "footclient", "wezterm", "st", "st-256color", "sakura", "terminology",
      "guake", "yakuake", "tilda", "cool-retro-term", "Eterm", "aterm", "deepin-terminal", "terminal",
  };
  programs.insert(programs.end(), PasswordPrograms().begin(), PasswordPrograms().end());
  return programs;
}

}  // namespace vuruzid::capture
