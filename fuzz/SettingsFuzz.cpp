// The settings file: any file loads, the start-up values stay within their
// ranges, and a close writes a file that loads back as the list it wrote.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "FuzzFolder.h"
#include "settings/Settings.h"

using namespace vuruzid;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto& folder = fuzz::ScratchFolder();
  std::filesystem::create_directories(folder / "data");
  fuzz::WriteFile(folder / kSettingsFileName, {reinterpret_cast<const char*>(data), size});

  SettingsList list;
  const SettingsLoadResult loaded = LoadSettings(folder, list);
  VURUZID_FUZZ_CHECK(!loaded.firstRun && !loaded.writeFailed);  // an existing file is always read

  constexpr int kScreenWidth = 1280, kScreenHeight = 1024;
  const StartupSettings startup = ReadStartupSettings(list, kScreenWidth, kScreenHeight);
  VURUZID_FUZZ_CHECK(startup.language == 0 || startup.language == 1);
  VURUZID_FUZZ_CHECK(startup.signalEnabled == 0 || startup.signalEnabled == 1);
  VURUZID_FUZZ_CHECK(startup.left >= 0 && startup.left <= kScreenWidth - 100);
  VURUZID_FUZZ_CHECK(startup.top >= 0 && startup.top <= kScreenHeight - 100);

  const ClosingState closing{1 - startup.language, (startup.left + 1) % (kScreenWidth - 100),
                             (startup.top + 1) % (kScreenHeight - 100), true, 1 - startup.signalEnabled};
  const size_t linesBefore = list.size();
  VURUZID_FUZZ_CHECK(SaveSettings(folder, list, closing));
  VURUZID_FUZZ_CHECK(list.size() >= kSettingsLineCount && list.size() >= linesBefore);

  SettingsList reloaded;
  LoadSettings(folder, reloaded);
  VURUZID_FUZZ_CHECK(reloaded == list);
  const StartupSettings again = ReadStartupSettings(reloaded, kScreenWidth, kScreenHeight);
  VURUZID_FUZZ_CHECK(again.language == closing.language && again.left == closing.left && again.top == closing.top &&
                     again.signalEnabled == closing.signalEnabled);
  return 0;
}
