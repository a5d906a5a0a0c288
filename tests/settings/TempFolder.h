#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vuruzid::testing {

// A fresh program folder with an empty data/ inside, removed again when the
// object goes. Never under the user's home folder.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path SettingsFile() const { return path_ / "data" / "Vuruzid.ini"; }

  void WriteSettingsBytes(std::string_view bytes) const;
  std::string ReadSettingsBytes() const;

 private:
  std::filesystem::path path_;
};

}  // namespace vuruzid::testing
