#include "platform/WholeFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

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

// Read into ordinary pages, the 20 MB Russian dictionary costs some 5,000 page
// faults, the 2 MB English one 500, and a virtual machine makes each of them
// dear (80 ms of CPU for the Russian one on the build machine); in the 2 MiB
// pages most systems give on request, a handful. A file of at least half such
// a page gets a mapping of its own, aligned for them; a last part that fills
// half a page or more is given the whole page (at most 1 MiB unused).
constexpr size_t kLargePage = size_t(2) << 20;

}  // namespace

std::unique_ptr<char[], WholeFile::Release> WholeFile::Allocate(size_t size) {
  if (size >= kLargePage / 2) {
    const size_t rest = size % kLargePage;
    const auto pageSize = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    const size_t length =
        rest >= kLargePage / 2 ? size - rest + kLargePage : (size + pageSize - 1) / pageSize * pageSize;
    void* area = ::mmap(nullptr, length + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (area != MAP_FAILED) {
      auto* start = static_cast<char*>(area);
      auto* aligned = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(start) + kLargePage - 1) & ~(kLargePage - 1));
      if (aligned > start) ::munmap(start, static_cast<size_t>(aligned - start));
      if (start + kLargePage > aligned) ::munmap(aligned + length, static_cast<size_t>(start + kLargePage - aligned));
      ::madvise(aligned, length, MADV_HUGEPAGE);  // a request: without it, ordinary pages
      return {aligned, Release{length}};
    }
  }
  return {new char[size], Release{}};
}

void WholeFile::Release::operator()(char* bytes) const {
  if (mapped > 0)
    ::munmap(bytes, mapped);
  else
    delete[] bytes;
}

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
  auto bytes = Allocate(size);
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
