#include "platform/MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vuruzid::platform {

std::unique_ptr<MappedFile> MappedFile::Open(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) {
    ::close(fd);
    return nullptr;
  }
  const auto size = static_cast<size_t>(st.st_size);
  void* data = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
  ::close(fd);
  if (data == MAP_FAILED) return nullptr;
  return std::unique_ptr<MappedFile>(new MappedFile(data, size));
}

MappedFile::~MappedFile() { ::munmap(data_, size_); }

}  // namespace vuruzid::platform
