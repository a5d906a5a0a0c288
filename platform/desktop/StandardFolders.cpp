#include "platform/desktop/StandardFolders.h"

#include <QFile>
#include <QStandardPaths>
#include <system_error>

namespace vuruzid::platform {
namespace fs = std::filesystem;

namespace {

fs::path WritableLocation(QStandardPaths::StandardLocation location) {
  const QString folder = QStandardPaths::writableLocation(location);
  if (folder.isEmpty()) return {};
  return fs::path(QFile::encodeName(folder).toStdString());
}

}  // namespace

fs::path ApplicationsFolder() {
  fs::path folder = WritableLocation(QStandardPaths::ApplicationsLocation);
  if (folder.empty()) return {};
  std::error_code ec;
  fs::create_directories(folder, ec);
  return fs::is_directory(folder, ec) ? folder : fs::path();
}

fs::path DesktopFolder() {
  fs::path folder = WritableLocation(QStandardPaths::DesktopLocation);
  std::error_code ec;
  return !folder.empty() && fs::is_directory(folder, ec) ? folder : fs::path();
}

}  // namespace vuruzid::platform
