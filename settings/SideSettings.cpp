#include "settings/SideSettings.h"

#include <algorithm>
#include <system_error>

#include "engine/Cp1251.h"
#include "engine/TextLines.h"
#include "platform/AtomicFile.h"
#include "platform/WholeFile.h"

namespace vuruzid {
namespace {

constexpr std::string_view kListHeader[] = {
    "# Programs in which nothing is checked, one window class a line (xprop WM_CLASS shows it;",
    "# in a Wayland session, the application's name). Lines starting with # are comments.",
    "# Password prompts and password managers are never checked, listed here or not.",
};


// The lines of a file; nothing when it exists but cannot be read as text,
// with the reason. A missing file has no lines.
std::optional<std::vector<std::string>> ReadLines(const std::filesystem::path& path, std::string& why) {
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (status.type() == std::filesystem::file_type::not_found) return std::vector<std::string>();
  if (!std::filesystem::is_regular_file(status)) {
    why = "it is not a file";
    return std::nullopt;
  }
  if (std::filesystem::file_size(path, ec) == 0 && !ec) return std::vector<std::string>();
  const auto file = platform::WholeFile::Read(path);
  if (!file) {
    why = "it cannot be opened";
    return std::nullopt;
  }
  if (file->Bytes().find('\0') != std::string_view::npos) {
    why = "it is not a text file";
    return std::nullopt;
  }
  return SplitLines(file->Bytes());
}

std::string_view Name(const std::string& line) { return cp1251::Trim(line); }

// The option a "Name=value" line sets; empty for any other line.
std::string_view OptionName(const std::string& line) {
  const size_t equals = line.find('=');
  return equals == std::string::npos ? std::string_view() : cp1251::Trim(std::string_view(line).substr(0, equals));
}

}  // namespace

SideSettings SideSettings::Load(const std::filesystem::path& folder, const std::vector<std::string>& defaultLeftAlone,
                                std::vector<std::string>& problems) {
  SideSettings settings;
  const auto load = [&](File& file, std::string_view name) {
    file.path = folder / name;
    std::string why;
    if (auto lines = ReadLines(file.path, why)) {
      file.lines = std::move(*lines);
      return true;
    }
    file.writable = false;
    problems.push_back("The file " + std::string(name) + " cannot be read (" + why +
                       "). The defaults are used for now, and the file is left as it is.");
    return false;
  };

  load(settings.options_, kOptionsFileName);
  const std::pair<std::string_view, bool*> known[] = {
      {kFollowLayoutOption, &settings.followLayout_},
      {kCorrectionsOption, &settings.corrections_},
      {kCheckLetterCaseOption, &settings.checkLetterCase_},
      {kCheckInBrowsersOption, &settings.checkInBrowsers_},
      {kAccessibilitySetByUsOption, &settings.accessibilitySetByUs_},
  };
  for (const std::string& line : settings.options_.lines) {
    const std::string_view name = OptionName(line);
    if (name.empty()) continue;
    // A value other than on or off leaves the option as it would be without the line.
    const std::string_view value = Name(line.substr(line.find('=') + 1));
    if (value != "on" && value != "off") continue;
    for (const auto& [option, state] : known)
      if (name == option) *state = value == "on";
    if (name == kFollowTypingOption) settings.followTyping_ = value == "on";
  }

  std::error_code ec;
  const bool listExists = std::filesystem::exists(folder / kLeftAloneFileName, ec);
  if (load(settings.list_, kLeftAloneFileName) && !listExists) {
    settings.list_.lines.assign(std::begin(kListHeader), std::end(kListHeader));
    settings.list_.lines.insert(settings.list_.lines.end(), defaultLeftAlone.begin(), defaultLeftAlone.end());
    std::string error;
    if (!settings.Write(settings.list_, &error)) problems.push_back(error);
  }
  if (!settings.list_.writable) settings.list_.lines = defaultLeftAlone;
  settings.ReadPrograms();
  return settings;
}

void SideSettings::ReadPrograms() {
  programs_.clear();
  for (const std::string& line : list_.lines)
    if (const std::string_view name = Name(line); !name.empty() && name.front() != '#') programs_.emplace_back(name);
}

bool SideSettings::SetFollowLayout(bool on, std::string* error) {
  followLayout_ = on;
  return SetOptions({{kFollowLayoutOption, on}}, error);
}

bool SideSettings::SetCorrections(bool on, std::string* error) {
  corrections_ = on;
  return SetOptions({{kCorrectionsOption, on}}, error);
}

bool SideSettings::SetCheckLetterCase(bool on, std::string* error) {
  checkLetterCase_ = on;
  return SetOptions({{kCheckLetterCaseOption, on}}, error);
}

bool SideSettings::SetFollowTyping(bool on, std::string* error) {
  followTyping_ = on;
  return SetOptions({{kFollowTypingOption, on}}, error);
}

bool SideSettings::SetBrowserChecking(bool checkInBrowsers, bool accessibilitySetByUs, std::string* error) {
  checkInBrowsers_ = checkInBrowsers;
  accessibilitySetByUs_ = accessibilitySetByUs;
  return SetOptions({{kCheckInBrowsersOption, checkInBrowsers}, {kAccessibilitySetByUsOption, accessibilitySetByUs}},
                    error);
}

// Each option's lines give way to one at the end; every other line stays.
bool SideSettings::SetOptions(std::initializer_list<Option> options, std::string* error) {
  for (const Option& option : options) {
    std::erase_if(options_.lines, [&](const std::string& line) { return OptionName(line) == option.name; });
    options_.lines.push_back(std::string(option.name) + "=" + (option.on ? "on" : "off"));
  }
  return Write(options_, error);
}

bool SideSettings::ToggleProgram(const std::string& program, std::string* error) {
  const auto names = [&](const std::string& line) { return EqualIgnoringAsciiCase(Name(line), program); };
  if (std::ranges::any_of(list_.lines, names))
    std::erase_if(list_.lines, names);
  else
    list_.lines.push_back(program);
  ReadPrograms();
  return Write(list_, error);
}

bool SideSettings::Write(File& file, std::string* error) {
  const std::string name = file.path.parent_path().filename() / file.path.filename();
  if (!file.writable) {
    if (error) *error = "The file " + name + " could not be read, so it is left as it is; the change holds until the program ends.";
    return false;
  }
  std::error_code ec;
  std::filesystem::create_directories(file.path.parent_path(), ec);
  if (platform::ReplaceFileAtomically(file.path, JoinLines(file.lines, "\n"))) return true;
  if (error) *error = "Cannot create file " + name + "; the change holds until the program ends.";
  return false;
}

}  // namespace vuruzid
