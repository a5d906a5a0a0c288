#include "settings/Settings.h"

#include <optional>

#include "engine/TextLines.h"

namespace vuruzid {
namespace {

constexpr std::string_view kIdentification = "QOR Vuruzid v.1.1";

enum Line : std::size_t {
  kIdentificationLine = 0,
  kLanguageLine = 3,
  kConstantLine = 4,
  kLeftLine = 5,
  kTopLine = 6,
  kStyleLine = 7,
  kSignalLine = 8,
};

std::filesystem::path SettingsPath(const std::filesystem::path& folder) {
  return folder / kSettingsFileName;
}

// The number on the line when it lies in [low, high], else the fall-back.
int ReadLine(const SettingsList& list, std::size_t index, int low, int high, int fallBack) {
  if (index >= list.size()) return fallBack;
  const auto value = ParseWholeNumber(list[index]);
  if (!value || *value < low || *value > high) return fallBack;
  return *value;
}

}  // namespace

SettingsList FirstRunSettings(const std::string& installationNumber) {
  SettingsList lines{std::string(kIdentification), "User Name", installationNumber, "0", "1",
                     "50", "50", "fsNormal", "1"};
  lines.resize(kSettingsLineCount, "Normal");
  return lines;
}

SettingsLoadResult LoadSettings(const std::filesystem::path& folder, SettingsList& list) {
  const auto path = SettingsPath(folder);
  if (auto loaded = ReadTextLines(path)) {
    list = std::move(*loaded);
    return {};
  }
  const auto defaults = FirstRunSettings(MakeInstallationNumber(std::chrono::system_clock::now()));
  list.insert(list.end(), defaults.begin(), defaults.end());
  return {.firstRun = true, .writeFailed = !WriteTextLines(path, list)};
}

StartupSettings ReadStartupSettings(const SettingsList& list, int screenWidth, int screenHeight) {
  return {
      .language = ReadLine(list, kLanguageLine, 0, 1, 0),
      .left = ReadLine(list, kLeftLine, 0, screenWidth - 100, 50),
      .top = ReadLine(list, kTopLine, 0, screenHeight - 100, 50),
      .signalEnabled = ReadLine(list, kSignalLine, 0, 1, 1),
  };
}

bool SaveSettings(const std::filesystem::path& folder, SettingsList& list, const ClosingState& state) {
  if (list.size() < kSettingsLineCount) {
    // A short or emptied file: complete it so every close-time line exists. A
    // new installation number is made only when the list never had one.
    const std::string number = list.size() > kInstallationNumberLine
                                   ? std::string()
                                   : MakeInstallationNumber(std::chrono::system_clock::now());
    const auto defaults = FirstRunSettings(number);
    list.insert(list.end(), defaults.begin() + static_cast<std::ptrdiff_t>(list.size()),
                defaults.end());
  }
  list[kIdentificationLine] = kIdentification;
  list[kLanguageLine] = std::to_string(state.language);
  list[kConstantLine] = "1";
  list[kLeftLine] = std::to_string(state.left);
  list[kTopLine] = std::to_string(state.top);
  list[kStyleLine] = state.stayOnTop ? "fsStayOnTop" : "fsNormal";
  list[kSignalLine] = std::to_string(state.signalEnabled);
  return WriteTextLines(SettingsPath(folder), list);
}

}  // namespace vuruzid
