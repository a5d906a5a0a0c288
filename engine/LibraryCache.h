#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "engine/LanguageLibrary.h"

namespace vuruzid {

// The language libraries read in this run, so that a language switch does not
// read and check a 20 MB dictionary again. A library is reused while its file
// on disk keeps the same stamp (device, inode, size, modification and change
// times); a replaced or rewritten file is read and checked anew. Whatever
// happens to the file, a library handed out stays whole: it is a private copy.
class LibraryCache {
 public:
  // The checked library at `path`, or nullptr when it cannot be loaded.
  std::shared_ptr<const LanguageLibrary> Open(const std::filesystem::path& path);

 private:
  struct Entry {
    std::filesystem::path path;
    std::shared_ptr<const LanguageLibrary> library;
  };
  std::vector<Entry> entries_;
};

}  // namespace vuruzid
