#include "platform/FileAppend.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/FileDescriptor.h"

namespace vuruzid::platform {

bool AppendTextLines(const std::filesystem::path& path, std::string_view text, NewFileAccess access) {
  FileDescriptor file(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, NewFileBits(access)));
  if (!file.valid()) return false;
  struct stat st {};
  if (::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & S_IWUSR) == 0) return false;
  const off_t oldSize = st.st_size;

  std::string bytes;
  if (oldSize > 0) {
    char last = 0;
    if (::pread(file.get(), &last, 1, oldSize - 1) != 1) return false;
    if (last != '\r' && last != '\n') bytes = "\r\n";
  }
  bytes += text;

  // One write at the old end; on failure the partial tail is cut off again so
  // a retry does not leave half a line behind.
  const bool written =
      ::lseek(file.get(), oldSize, SEEK_SET) == oldSize && WriteAll(file.get(), bytes) && ::fsync(file.get()) == 0;
  if (!written && ::ftruncate(file.get(), oldSize) == 0) ::fsync(file.get());
  return file.Close() && written;
}

}  // namespace vuruzid::platform
