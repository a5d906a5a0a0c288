#include "platform/desktop/DesktopEntry.h"

#include <system_error>

#include "platform/AtomicFile.h"

namespace vuruzid::platform {
namespace fs = std::filesystem;

namespace {

// Characters that make an Exec argument need double quotes.
constexpr std::string_view kReservedInExec = " \t\n\"'\\><~|&;$*?#()`";
// Characters that must be backslash-escaped inside those quotes.
constexpr std::string_view kEscapedInQuotes = "\"`$\\";

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
  if (!entry.workingDirectory.empty())
    text += "Path=" + EscapeStringValue(entry.workingDirectory.string()) + "\n";
  if (!entry.icon.empty()) text += "Icon=" + EscapeStringValue(entry.icon.string()) + "\n";
  text += "Terminal=false\nCategories=Utility;TextTools;\n";
  return text;
}

bool WriteDesktopEntry(const fs::path& file, const DesktopEntry& entry, std::string& error) {
  if (!ReplaceFileAtomically(file, FormatDesktopEntry(entry))) {
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
