#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

#if defined(__unix__)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vuruzid::platform {
namespace fs = std::filesystem;

namespace {

bool IsReadOnly(const fs::path& path) {
  std::error_code ec;
  const auto status = fs::status(path, ec);
  if (ec || !fs::exists(status)) return false;
  return (status.permissions() & fs::perms::owner_write) == fs::perms::none;
}

#if defined(__unix__)
bool WriteTemporary(const fs::path& folder, const fs::path& name, std::string_view content,
                    fs::path& temporary) {
  std::string pattern = (folder / ("." + name.string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) return false;
  temporary = pattern;
  const char* data = content.data();
  size_t left = content.size();
  bool ok = true;
  while (left > 0) {
    const ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    data += n;
    left -= static_cast<size_t>(n);
  }
  ok = ok && ::fchmod(fd, 0644) == 0 && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  return ok;
}
#else
bool WriteTemporary(const fs::path& folder, const fs::path& name, std::string_view content,
                    fs::path& temporary) {
  temporary = folder / ("." + name.string() + ".tmp");
  std::FILE* f = std::fopen(temporary.string().c_str(), "wb");
  if (!f) return false;
  const bool written = std::fwrite(content.data(), 1, content.size(), f) == content.size();
  const bool flushed = std::fflush(f) == 0;
  return (std::fclose(f) == 0) && written && flushed;
}
#endif

}  // namespace

bool ReplaceFileAtomically(const fs::path& path, std::string_view content) {
  if (IsReadOnly(path)) return false;
  fs::path folder = path.parent_path();
  if (folder.empty()) folder = ".";
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return false;

  fs::path temporary;
  if (!WriteTemporary(folder, path.filename(), content, temporary)) {
    if (!temporary.empty()) fs::remove(temporary, ec);
    return false;
  }
  fs::rename(temporary, path, ec);
  if (ec) {
    fs::remove(temporary, ec);
    return false;
  }
  return true;
}

}  // namespace vuruzid::platform
