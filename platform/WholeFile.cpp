#include "platform/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/FileDescriptor.h"

namespace vuruzid::platform {
namespace {

FileStamp StampFrom(const struct stat& st) {
  return {.device = static_cast<uint64_t>(st.st_dev),
          .inode = static_cast<uint64_t>(st.st_ino),
          .size = static_cast<uint64_t>(st.st_size),
          .modifiedNs = int64_t(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec,
          .changedNs = int64_t(st.st_ctim.tv_sec) * 1'000'000'000 + st.st_ctim.tv_nsec};
}

}  // namespace

std::optional<FileStamp> StampOf(const std::filesystem::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return StampFrom(st);
}

std::unique_ptr<WholeFile> WholeFile::Read(const std::filesystem::path& path) {
  const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.valid()) return nullptr;
  struct stat st {};
  if (::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) return nullptr;

  // The size may change while reading: take what the stamp promised, and
  // refuse a file that got shorter meanwhile (it is checked again next time).
  const auto size = static_cast<size_t>(st.st_size);
  auto bytes = std::make_unique_for_overwrite<char[]>(size);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(file.get(), bytes.get() + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return nullptr;
    done += static_cast<size_t>(n);
  }
  return std::unique_ptr<WholeFile>(new WholeFile(std::move(bytes), size, StampFrom(st)));
}

}  // namespace vuruzid::platform
