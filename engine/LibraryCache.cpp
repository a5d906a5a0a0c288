#include "engine/LibraryCache.h"

#include <algorithm>

namespace vuruzid {

std::shared_ptr<const LanguageLibrary> LibraryCache::Open(const std::filesystem::path& path) {
  const auto entry = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.path == path; });
  if (entry != entries_.end()) {
    if (const auto stamp = platform::StampOf(path); stamp && *stamp == entry->library->Stamp()) return entry->library;
    entries_.erase(entry);  // changed or gone: never hand out a copy of what is no longer there
  }
  std::shared_ptr<const LanguageLibrary> library = LanguageLibrary::Open(path);
  if (library) entries_.push_back({path, library});
  return library;
}

}  // namespace vuruzid
