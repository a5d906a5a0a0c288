#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>

namespace vuruzid::platform {

// What the file system says about a file's current contents. Two equal stamps
// mean, for all practical purposes, the same bytes: an in-place overwrite,
// a truncation or a replacement by rename changes the size, a time or the inode.
struct FileStamp {
  uint64_t device = 0;
  uint64_t inode = 0;
  uint64_t size = 0;
  int64_t modifiedNs = 0;
  int64_t changedNs = 0;
  bool operator==(const FileStamp&) const = default;
};

// The stamp of the regular file at `path` (symbolic links followed); nothing
// when it is missing or not a regular file.
std::optional<FileStamp> StampOf(const std::filesystem::path& path);

// A private copy of a whole regular file. Unlike a mapping, the bytes cannot
// change or vanish when the file on disk is rewritten or truncated later.
class WholeFile {
 public:
  // nullptr when the file is missing, not a regular file, empty or unreadable.
  static std::unique_ptr<WholeFile> Read(const std::filesystem::path& path);

  // The bytes, aligned for reading 32-bit values in place.
  std::string_view Bytes() const { return {bytes_.get(), size_}; }
  // The stamp taken when the file was opened, before its bytes were read.
  const FileStamp& Stamp() const { return stamp_; }

 private:
  // Frees the bytes: a mapping of `mapped` bytes, or (when 0) an array.
  struct Release {
    size_t mapped = 0;
    void operator()(char* bytes) const;
  };
  static std::unique_ptr<char[], Release> Allocate(size_t size);
  WholeFile(std::unique_ptr<char[], Release> bytes, size_t size, FileStamp stamp)
      : bytes_(std::move(bytes)), size_(size), stamp_(stamp) {}
  std::unique_ptr<char[], Release> bytes_;
  size_t size_;
  FileStamp stamp_;
};

}  // namespace vuruzid::platform
