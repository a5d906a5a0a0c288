#include "platform/desktop/Autostart.h"

#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

#include "platform/AtomicFile.h"
#include "platform/desktop/StandardFolders.h"

namespace vuruzid::platform {
namespace fs = std::filesystem;

namespace {

// The keys by which desktops switch an autostart entry off, with the values for off and on.
struct Switch {
  const char* key;
  const char* off;
  const char* on;
};
constexpr Switch kSwitches[] = {{"Hidden", "true", "false"}, {"X-GNOME-Autostart-enabled", "false", "true"}};

std::optional<std::string> ReadEntry(const fs::path& file) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool IsSwitchedOff(const std::string& text) {
  for (const Switch& s : kSwitches)
    if (DesktopEntryValue(text, s.key) == s.off) return true;
  return false;
}

// The user's own entry, switched on or off by its keys alone: the rest of it is theirs.
bool SwitchUsersEntry(const fs::path& file, std::string text, bool start, std::string& error) {
  if (!start) {
    text = WithDesktopEntryValue(text, "Hidden", "true");
  } else {
    for (const Switch& s : kSwitches)
      if (DesktopEntryValue(text, s.key) == s.off) text = WithDesktopEntryValue(text, s.key, s.on);
  }
  if (ReplaceFileAtomically(file, text)) return true;
  error = "cannot write " + file.string();
  return false;
}

// True when the entry's Exec line starts `target` (with or without arguments).
bool StartsTarget(const std::string& text, const fs::path& target) {
  const std::optional<std::string> exec = DesktopEntryValue(text, "Exec");
  const std::string program = QuoteExecArgument(target.string());
  return exec && exec->starts_with(program) && (exec->size() == program.size() || (*exec)[program.size()] == ' ');
}

}  // namespace

fs::path AutostartFolderOfThisProcess() {
  const fs::path config = XdgFoldersOfThisProcess().configHome;
  return config.empty() ? fs::path() : config / "autostart";
}

bool StartsAtLogin(const fs::path& folder) {
  if (folder.empty()) return false;
  const std::optional<std::string> text = ReadEntry(folder / kAutostartFile);
  return text && !IsSwitchedOff(*text);
}

bool SetStartAtLogin(const fs::path& folder, bool start, const DesktopEntry& entry, std::string& error) {
  if (folder.empty()) {
    error = "your configuration folder could not be found";
    return false;
  }
  std::error_code ec;
  const fs::path file = folder / kAutostartFile;
  const std::optional<std::string> existing = ReadEntry(file);
  if (existing && !DesktopEntryValue(*existing, kCreatedByProgramKey))
    return SwitchUsersEntry(file, *existing, start, error);
  if (!start) {
    fs::remove(file, ec);
    if (ec) error = ec.message() + " (" + file.string() + ")";
    return !ec;
  }
  fs::create_directories(folder, ec);
  if (ec) {
    error = ec.message() + " (" + folder.string() + ")";
    return false;
  }
  return WriteDesktopEntryText(file, WithDesktopEntryValue(FormatDesktopEntry(entry), kCreatedByProgramKey, "true"),
                               error);
}

bool RefreshOwnAutostartEntry(const fs::path& folder, const DesktopEntry& entry, std::string& error) {
  if (folder.empty() || entry.target.empty()) return true;
  const fs::path file = folder / kAutostartFile;
  const std::optional<std::string> text = ReadEntry(file);
  if (!text || !DesktopEntryValue(*text, kCreatedByProgramKey) || DesktopEntryValue(*text, "TryExec") ||
      !StartsTarget(*text, entry.target))
    return true;
  if (ReplaceFileAtomically(file, WithDesktopEntryValue(*text, "TryExec", EscapeStringValue(entry.target.string()))))
    return true;
  error = "cannot write " + file.string();
  return false;
}

}  // namespace vuruzid::platform
