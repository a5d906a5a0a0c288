#include "platform/FileAppend.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace vuruzid::platform {
namespace {

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace

bool AppendTextLines(const std::filesystem::path& path, std::string_view text) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & S_IWUSR) == 0) {
    ::close(fd);
    return false;
  }
  const off_t oldSize = st.st_size;

  std::string bytes;
  if (oldSize > 0) {
    char last = 0;
    if (::pread(fd, &last, 1, oldSize - 1) != 1) {
      ::close(fd);
      return false;
    }
    if (last != '\r' && last != '\n') bytes = "\r\n";
  }
  bytes += text;

  // One write at the old end; on failure the partial tail is cut off again so
  // a retry does not leave half a line behind.
  bool written = ::lseek(fd, oldSize, SEEK_SET) == oldSize && WriteAll(fd, bytes) && ::fsync(fd) == 0;
  if (!written && ::ftruncate(fd, oldSize) == 0) ::fsync(fd);
  if (::close(fd) != 0) written = false;
  return written;
}

}  // namespace vuruzid::platform
