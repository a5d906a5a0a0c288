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

bool ListsExecutable(const std::vector<std::string>& list, const std::string& executable) {
  return !executable.empty() && std::ranges::any_of(list, [&](const std::string& entry) {
    return !entry.empty() && EqualIgnoringAsciiCase(entry, executable);
  });
}

const std::vector<std::string>& BrowserPrograms() {
  static const std::vector<std::string> programs = {
      // Firefox and its forks.
      "firefox", "firefox-esr", "firefox-bin", "Navigator", "librewolf", "waterfox", "floorp", "zen", "icecat",
      "iceweasel", "palemoon", "seamonkey", "thunderbird", "thunderbird-bin", "tor-browser", "mullvadbrowser",
      // Chromium and the browsers built on it.
      "chromium", "chromium-browser", "chrome", "google-chrome", "google-chrome-stable", "google-chrome-beta",
      "google-chrome-unstable", "brave", "brave-browser", "microsoft-edge", "microsoft-edge-stable", "msedge",
      "vivaldi", "vivaldi-bin", "vivaldi-stable", "opera", "yandex-browser", "yandex_browser", "ungoogled-chromium",
      "thorium-browser", "epiphany", "qutebrowser", "falkon", "konqueror",
      // Programs built on Electron or a browser engine.
      "code", "code-oss", "codium", "vscodium", "cursor", "slack", "discord", "signal", "signal-desktop", "element",
      "element-desktop", "riot", "teams", "teams-for-linux", "microsoft teams - preview", "obsidian", "notion",
      "notion-app", "spotify", "skype", "skypeforlinux", "zoom", "whatsapp", "whatsapp-desktop", "telegram-web",
      "mattermost", "mattermost-desktop", "rocket.chat", "franz", "ferdium", "rambox", "joplin", "logseq",
      "postman", "insomnia", "figma-linux", "bitwarden-desktop", "1password-desktop", "typora", "atom",
      "github desktop", "gitkraken", "electron", "chrome-sandbox",
  };
  return programs;
}

bool IsBrowser(const ProgramName& program, const std::string& executable, const std::string& toolkit) {
  if (EqualIgnoringAsciiCase(toolkit, "Chromium") || EqualIgnoringAsciiCase(toolkit, "Gecko")) return true;
  return ListNames(BrowserPrograms(), program) || ListsExecutable(BrowserPrograms(), executable);
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
