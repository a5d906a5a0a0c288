#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vuruzid {

// The positional settings file: a line's meaning comes from its index alone.
using SettingsList = std::vector<std::string>;

inline constexpr std::string_view kSettingsFileName = "data/Vuruzid.ini";
inline constexpr std::string_view kSettingsWriteError = "Cannot create file data/Vuruzid.ini.";

// Lines that other windows read or change in memory.
inline constexpr std::size_t kUserNameLine = 1;            // shown on the About page, set by the welcome dialog
inline constexpr std::size_t kInstallationNumberLine = 2;  // shown on the About page after "PN: "
inline constexpr std::size_t kSettingsLineCount = 16;      // lines a complete file holds (more are kept)

struct SettingsLoadResult {
  bool firstRun = false;     // the file could not be read: first-run lines were made
  bool writeFailed = false;  // ...and writing them failed (show kSettingsWriteError)
};

// Loads <folder>/data/Vuruzid.ini into `list`. When it cannot be read, `list`
// gets the sixteen first-run lines (with a new installation number) and they
// are written at once.
SettingsLoadResult LoadSettings(const std::filesystem::path& folder, SettingsList& list);

// Ten digits: the local date as yymmdd, then a random number from 5000 to 8999.
std::string MakeInstallationNumber(std::chrono::system_clock::time_point now);

// The sixteen lines of a first run, in index order.
SettingsList FirstRunSettings(const std::string& installationNumber);

// The values the start-up sequence restores, each with its fall-back applied.
struct StartupSettings {
  int language = 0;
  int left = 50;
  int top = 50;
  int signalEnabled = 1;
};
StartupSettings ReadStartupSettings(const SettingsList& list, int screenWidth, int screenHeight);

// What the close writes back.
struct ClosingState {
  int language = 0;
  int left = 50;
  int top = 50;
  bool stayOnTop = false;
  int signalEnabled = 1;
};

// Replaces the close-time lines (a short list is first completed with the
// first-run values) and writes the whole list atomically; false on failure.
bool SaveSettings(const std::filesystem::path& folder, SettingsList& list, const ClosingState& state);

}  // namespace vuruzid
