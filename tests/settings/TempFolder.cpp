#include "TempFolder.h"

#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace vuruzid::testing {

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vuruzid-settings-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
  path_ = pattern;
  std::filesystem::create_directory(path_ / "data");
}

TempFolder::~TempFolder() {
  std::error_code ec;
  std::filesystem::permissions(path_ / "data", std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

void TempFolder::WriteSettingsBytes(std::string_view bytes) const {
  std::ofstream out(SettingsFile(), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write the test settings file");
}

std::string TempFolder::ReadSettingsBytes() const {
  std::ifstream in(SettingsFile(), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read the settings file");
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace vuruzid::testing
