#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileDescriptor.h"

namespace vuruzid::platform {
namespace fs = std::filesystem;

namespace {

// A temporary is named ".<target>.saving-XXXXXX": hidden, and marked so that
// no file a user keeps beside the target (say ".Vuruzid.ini.backup") can be
// taken for one and removed.
constexpr std::string_view kTemporaryMarker = ".saving-";
constexpr size_t kRandomSuffixLength = 6;
constexpr int kCreateAttempts = 100;       // names taken by chance before giving up
constexpr int kMaxLinksFollowed = 40;      // the kernel's own limit for a path

bool IsReadOnly(const fs::path& path) {
  std::error_code ec;
  const auto status = fs::status(path, ec);
  if (ec || !fs::exists(status)) return false;
  return (status.permissions() & fs::perms::owner_write) == fs::perms::none;
}

// The file a chain of symbolic links ends at, even when that file does not
// exist yet (a dangling link is written through, creating its target).
// Nothing when the chain loops or a link cannot be read.
std::optional<fs::path> FinalTarget(fs::path path) {
  for (int followed = 0; followed < kMaxLinksFollowed; ++followed) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(path, ec))) return path;
    const fs::path next = fs::read_symlink(path, ec);
    if (ec) return std::nullopt;
    path = next.is_absolute() ? next : path.parent_path() / next;
  }
  return std::nullopt;
}

// Creates the temporary beside the target with open() rather than mkstemp(),
// so the kernel takes the umask (or the folder's default ACL) from `bits` as
// for any new file. Returns its descriptor, or -1.
int CreateTemporary(const fs::path& folder, const fs::path& name, mode_t bits, fs::path& temporary) {
  constexpr std::string_view kSuffixCharacters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
    unsigned char random[kRandomSuffixLength];
    if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) return -1;
    std::string suffix;
    for (const unsigned char r : random) suffix += kSuffixCharacters[r % kSuffixCharacters.size()];
    const fs::path candidate = folder / ("." + name.string() + std::string(kTemporaryMarker) + suffix);
    const int fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, bits);
    if (fd >= 0) {
      temporary = candidate;
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  return -1;
}

// Writes `content` to a new temporary file beside the target and flushes it
// to disk: created with `newBits`, then given `keptMode` when there is one.
bool WriteTemporary(const fs::path& folder, const fs::path& name, std::string_view content, mode_t newBits,
                    std::optional<mode_t> keptMode, fs::path& temporary) {
  FileDescriptor file(CreateTemporary(folder, name, newBits, temporary));
  if (!file.valid()) return false;
  const bool ok = WriteAll(file.get(), content) && (!keptMode || ::fchmod(file.get(), *keptMode) == 0) &&
                  ::fsync(file.get()) == 0;
  return file.Close() && ok;
}

// Flushes the folder's entries, so the rename is on disk. File systems that
// cannot flush a folder say EINVAL; there is nothing more to do on them.
bool SyncFolder(const fs::path& folder) {
  const FileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return directory.valid() && (::fsync(directory.get()) == 0 || errno == EINVAL);
}

bool IsRandomSuffixCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

}  // namespace

bool ReplaceFileAtomically(const fs::path& path, std::string_view content, NewFileAccess access) {
  const std::optional<fs::path> target = FinalTarget(path);
  if (!target || target->filename().empty() || IsReadOnly(*target)) return false;
  fs::path folder = target->parent_path();
  if (folder.empty()) folder = ".";
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return false;

  // The replacement takes over the old file's permission bits.
  std::optional<mode_t> keptMode;
  struct stat old{};
  if (::stat(target->c_str(), &old) == 0) {
    if (!S_ISREG(old.st_mode)) return false;  // never rename over a folder, device or pipe
    keptMode = old.st_mode & 07777;
  }

  fs::path temporary;
  if (!WriteTemporary(folder, target->filename(), content, NewFileBits(access), keptMode, temporary)) {
    if (!temporary.empty()) fs::remove(temporary, ec);
    return false;
  }
  fs::rename(temporary, *target, ec);
  if (ec) {
    fs::remove(temporary, ec);
    return false;
  }
  return SyncFolder(folder);
}

bool IsTemporaryNameFor(std::string_view name, std::string_view target) {
  const size_t suffixStart = 1 + target.size() + kTemporaryMarker.size();
  if (target.empty() || name.size() != suffixStart + kRandomSuffixLength) return false;
  if (name.front() != '.' || name.substr(1, target.size()) != target ||
      name.substr(1 + target.size(), kTemporaryMarker.size()) != kTemporaryMarker)
    return false;
  for (const char c : name.substr(suffixStart))
    if (!IsRandomSuffixCharacter(c)) return false;
  return true;
}

int RemoveStaleTemporaries(const fs::path& folder, std::chrono::seconds minimumAge) {
  std::error_code ec;
  fs::directory_iterator entry(folder, ec);
  if (ec) return 0;
  const auto now = fs::file_time_type::clock::now();
  int removed = 0;
  for (; entry != fs::directory_iterator(); entry.increment(ec)) {
    const std::string name = entry->path().filename().string();
    const size_t overhead = 1 + kTemporaryMarker.size() + kRandomSuffixLength;
    if (name.size() <= overhead || name.front() != '.') continue;
    const std::string target = name.substr(1, name.size() - overhead);
    if (!IsTemporaryNameFor(name, target)) continue;
    if (entry->is_symlink(ec) || !entry->is_regular_file(ec)) continue;
    if (!fs::exists(folder / target, ec)) continue;  // not beside a file it could have been saving
    const auto written = entry->last_write_time(ec);
    if (ec || now - written < minimumAge) continue;  // possibly a save in progress
    if (fs::remove(entry->path(), ec)) ++removed;
  }
  return removed;
}

}  // namespace vuruzid::platform
