#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vuruzid::platform {

// What a desktop link starts: a program, its arguments and the folder it runs in.
struct DesktopEntry {
  std::string name;                        // shown under the icon and in menus (UTF-8)
  std::filesystem::path target;            // absolute path of the program
  std::string arguments;                   // already in Exec syntax; usually empty
  std::filesystem::path workingDirectory;  // absolute; empty for none
  std::filesystem::path icon;              // absolute icon file; empty for none
};

// One argument of an Exec line, quoted where the desktop entry rules ask for it
// (reserved characters inside double quotes, with ", `, $ and \ escaped), "%"
// doubled, and the string-value escapes applied on top.
std::string QuoteExecArgument(std::string_view argument);

// A string value escaped for a desktop entry line: backslash, newline, tab and
// carriage return become two-character escapes.
std::string EscapeStringValue(std::string_view value);

// The whole text of an application entry for `entry`. Its TryExec names the
// target, so the entry does nothing once that program has been removed.
std::string FormatDesktopEntry(const DesktopEntry& entry);

// Writes the entry to `file` (replacing it atomically) and makes it
// executable, so file managers offer to start it. On failure returns false
// with the reason in `error`.
bool WriteDesktopEntry(const std::filesystem::path& file, const DesktopEntry& entry,
                       std::string& error);
// The same for an entry's whole text.
bool WriteDesktopEntryText(const std::filesystem::path& file, std::string_view text, std::string& error);

// The value of `key` in the [Desktop Entry] group of an entry's text (blanks
// around "=" ignored); nothing when the group has no such key.
std::optional<std::string> DesktopEntryValue(std::string_view text, std::string_view key);

// `text` with `key` set to `value` in its [Desktop Entry] group: the key's
// line is replaced, or a line is added after the group's last key. Every other
// line is kept as it was.
std::string WithDesktopEntryValue(std::string_view text, std::string_view key, std::string_view value);

}  // namespace vuruzid::platform
