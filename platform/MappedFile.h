#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string_view>

namespace vuruzid::platform {

// A whole regular file mapped read-only into memory, its pages brought in at
// once. The bytes stay valid for the object's lifetime.
class MappedFile {
 public:
  // nullptr when the file is missing, not a regular file, or cannot be mapped.
  static std::unique_ptr<MappedFile> Open(const std::filesystem::path& path);
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  std::string_view Bytes() const { return {static_cast<const char*>(data_), size_}; }

 private:
  MappedFile(void* data, size_t size) : data_(data), size_(size) {}
  void* data_;
  size_t size_;
};

}  // namespace vuruzid::platform
