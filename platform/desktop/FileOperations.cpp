#include "platform/desktop/FileOperations.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#if defined(__linux__)
#include <fcntl.h>
#endif

namespace vuruzid::platform {
namespace fs = std::filesystem;

namespace {

// Enough candidates for any real folder; past them the copy gives up.
constexpr int kMaxCopyNumber = 1000;

bool IsInside(const fs::path& inner, const fs::path& outer) {
  const fs::path relative = inner.lexically_normal().lexically_relative(outer.lexically_normal());
  return !relative.empty() && *relative.begin() != "..";
}

// Creates a new, empty folder in `parent` named after `name`, numbering the
// name on a clash. Creation itself decides, so a folder made meanwhile by
// someone else is never reused.
std::optional<fs::path> CreateUniqueFolder(const fs::path& parent, const fs::path& name,
                                           std::string& error) {
  for (int number = 1; number <= kMaxCopyNumber; ++number) {
    fs::path candidate = parent / name;
    if (number > 1) candidate += " (" + std::to_string(number) + ")";
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) return candidate;
    if (ec) {
      error = "Cannot create folder " + candidate.string() + ": " + ec.message();
      return std::nullopt;
    }
  }
  error = "Too many copies of " + name.string() + " in " + parent.string();
  return std::nullopt;
}

}  // namespace

std::optional<fs::path> CopyFolderInto(const fs::path& source, const fs::path& parent,
                                       std::string& error) {
  std::error_code ec;
  if (!fs::is_directory(source, ec)) {
    error = "The folder " + source.string() + " does not exist";
    return std::nullopt;
  }
  if (!fs::is_directory(parent, ec)) {
    error = "The folder " + parent.string() + " does not exist";
    return std::nullopt;
  }
  const fs::path absoluteSource = fs::absolute(source, ec);
  if (IsInside(fs::absolute(parent, ec), absoluteSource)) {
    error = "Cannot copy " + source.string() + " into itself";
    return std::nullopt;
  }
  fs::path name = absoluteSource.lexically_normal().filename();
  if (name.empty()) name = absoluteSource.lexically_normal().parent_path().filename();

  auto copy = CreateUniqueFolder(parent, name, error);
  if (!copy) return std::nullopt;
  fs::copy(source, *copy, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
  if (ec) {
    error = "Cannot copy " + source.string() + " to " + copy->string() + ": " + ec.message();
    std::error_code ignored;
    fs::remove_all(*copy, ignored);
    return std::nullopt;
  }
  return copy;
}

MoveOutcome MoveWithoutReplacing(const fs::path& from, const fs::path& to, std::string& error) {
  std::error_code ec;
  if (!fs::is_regular_file(from, ec)) {
    error = "The file " + from.string() + " does not exist";
    return MoveOutcome::Failed;
  }
#if defined(__linux__)
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
    return MoveOutcome::Moved;
  if (errno == EEXIST) return MoveOutcome::TargetExists;
  if (errno != EXDEV && errno != EINVAL && errno != ENOSYS) {
    error = "Cannot move " + from.string() + " to " + to.string() + ": " + std::strerror(errno);
    return MoveOutcome::Failed;
  }
  // Another file system, or one without the no-replace rename: copy, then remove.
#endif
  if (fs::exists(fs::symlink_status(to, ec))) return MoveOutcome::TargetExists;
  // copy_file without overwrite options refuses an existing target.
  if (!fs::copy_file(from, to, fs::copy_options::none, ec)) {
    if (ec == std::errc::file_exists) return MoveOutcome::TargetExists;
    error = "Cannot move " + from.string() + " to " + to.string() + ": " + ec.message();
    return MoveOutcome::Failed;
  }
  fs::remove(from, ec);
  if (ec) {
    error = "Copied " + from.string() + " to " + to.string() + " but cannot remove it: " + ec.message();
    return MoveOutcome::Failed;
  }
  return MoveOutcome::Moved;
}

}  // namespace vuruzid::platform
