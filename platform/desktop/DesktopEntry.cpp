#include "platform/desktop/DesktopEntry.h"

#include <algorithm>
#include <system_error>

#include "platform/AtomicFile.h"

namespace vuruzid::platform {
namespace fs = std::filesystem;

namespace {

// Characters that make an Exec argument need double quotes.
constexpr std::string_view kReservedInExec = " \t\n\"'\\><~|&;$*?#()`";
// Characters that must be backslash-escaped inside those quotes.
constexpr std::string_view kEscapedInQuotes = "\"`$\\";

constexpr size_t kNone = std::string_view::npos;

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == kNone) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// A key's line in the [Desktop Entry] group, and where a new key would go.
struct KeyInGroup {
  size_t lineBegin = kNone, lineEnd = kNone;  // the key's line, without its newline
  std::string_view value;
  size_t insertAt = kNone;  // just after the group's last key; kNone when there is no group
};

KeyInGroup FindKey(std::string_view text, std::string_view key) {
  KeyInGroup found;
  bool inGroup = false;
  for (size_t begin = 0; begin < text.size();) {
    const size_t end = std::min(text.find('\n', begin), text.size());
    const size_t next = std::min(end + 1, text.size());
    const std::string_view line = Trimmed(text.substr(begin, end - begin));
    if (line.starts_with('[')) {
      inGroup = line == "[Desktop Entry]";
      if (inGroup) found.insertAt = next;
    } else if (inGroup && !line.empty() && !line.starts_with('#')) {
      found.insertAt = next;
      if (const size_t equals = line.find('='); equals != kNone && Trimmed(line.substr(0, equals)) == key) {
        found.lineBegin = begin;
        found.lineEnd = end;
        found.value = Trimmed(line.substr(equals + 1));
      }
    }
    begin = next;
  }
  return found;
}

}  // namespace

std::string EscapeStringValue(std::string_view value) {
  std::string escaped;
  escaped.reserve(value.size());
  for (char c : value) {
    switch (c) {
      case '\\': escaped += "\\\\"; break;
      case '\n': escaped += "\\n"; break;
      case '\t': escaped += "\\t"; break;
      case '\r': escaped += "\\r"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

std::string QuoteExecArgument(std::string_view argument) {
  std::string quoted;
  const bool needsQuotes =
      argument.empty() || argument.find_first_of(kReservedInExec) != std::string_view::npos;
  if (needsQuotes) quoted += '"';
  for (char c : argument) {
    if (needsQuotes && kEscapedInQuotes.find(c) != std::string_view::npos) quoted += '\\';
    if (c == '%') quoted += '%';  // a literal percent sign is written "%%"
    quoted += c;
  }
  if (needsQuotes) quoted += '"';
  // The string-value escapes apply to the Exec line as a whole, after quoting.
  return EscapeStringValue(quoted);
}

std::string FormatDesktopEntry(const DesktopEntry& entry) {
  std::string text = "[Desktop Entry]\nType=Application\nVersion=1.0\n";
  text += "Name=" + EscapeStringValue(entry.name) + "\n";
  text += "Exec=" + QuoteExecArgument(entry.target.string());
  if (!entry.arguments.empty()) text += " " + entry.arguments;
  text += "\n";
  // Once the program is gone, a session skips the entry and a menu hides it.
  if (!entry.target.empty()) text += "TryExec=" + EscapeStringValue(entry.target.string()) + "\n";
  if (!entry.workingDirectory.empty())
    text += "Path=" + EscapeStringValue(entry.workingDirectory.string()) + "\n";
  if (!entry.icon.empty()) text += "Icon=" + EscapeStringValue(entry.icon.string()) + "\n";
  text += "Terminal=false\nCategories=Utility;TextTools;\n";
  return text;
}

std::optional<std::string> DesktopEntryValue(std::string_view text, std::string_view key) {
  const KeyInGroup found = FindKey(text, key);
  if (found.lineBegin == kNone) return std::nullopt;
  return std::string(found.value);
}

std::string WithDesktopEntryValue(std::string_view text, std::string_view key, std::string_view value) {
  const KeyInGroup found = FindKey(text, key);
  const std::string line = std::string(key) + "=" + std::string(value);
  std::string result(text);
  if (found.lineBegin != kNone) return result.replace(found.lineBegin, found.lineEnd - found.lineBegin, line);
  if (!result.empty() && !result.ends_with('\n')) result += '\n';  // a last line without its newline
  if (found.insertAt == kNone) return result + "[Desktop Entry]\n" + line + "\n";
  return result.insert(found.insertAt == text.size() ? result.size() : found.insertAt, line + "\n");
}

bool WriteDesktopEntry(const fs::path& file, const DesktopEntry& entry, std::string& error) {
  return WriteDesktopEntryText(file, FormatDesktopEntry(entry), error);
}

bool WriteDesktopEntryText(const fs::path& file, std::string_view text, std::string& error) {
  if (!ReplaceFileAtomically(file, text, NewFileAccess::Shared)) {
    error = "Cannot create file " + file.string();
    return false;
  }
  std::error_code ec;
  fs::permissions(file,
                  fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                      fs::perms::others_read | fs::perms::others_exec,
                  ec);
  if (ec) {
    error = "Cannot make " + file.string() + " executable: " + ec.message();
    return false;
  }
  return true;
}

}  // namespace vuruzid::platform
