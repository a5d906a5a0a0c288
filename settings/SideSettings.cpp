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
  for (const std::string& line : settings.options_.lines) {
    const size_t equals = line.find('=');
    if (equals != std::string::npos && Name(line.substr(0, equals)) == kFollowLayoutOption)
      settings.followLayout_ = Name(line.substr(equals + 1)) != "off";
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
  const std::string line = std::string(kFollowLayoutOption) + "=" + (on ? "on" : "off");
  std::erase_if(options_.lines, [](const std::string& l) {
    const size_t equals = l.find('=');
    return equals != std::string::npos && Name(l.substr(0, equals)) == kFollowLayoutOption;
  });
  options_.lines.push_back(line);
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
