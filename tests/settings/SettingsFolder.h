#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "support/TempFolder.h"

namespace vuruzid::testing {

// A fresh program folder with an empty data/ inside, removed again when the
// object goes. Never under the user's home folder.
class SettingsFolder : public TempFolder {
 public:
  SettingsFolder() { std::filesystem::create_directory(path() / "data"); }

  const std::filesystem::path& Path() const { return path(); }
  std::filesystem::path SettingsFile() const { return path() / "data" / "Vuruzid.ini"; }

  void WriteSettingsBytes(std::string_view bytes) const { Write("data/Vuruzid.ini", bytes); }
  std::string ReadSettingsBytes() const { return Read("data/Vuruzid.ini"); }
};

}  // namespace vuruzid::testing
