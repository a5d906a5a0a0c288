#include "engine/LanguageLibrary.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "engine/LittleEndian.h"
#include "platform/AtomicFile.h"

namespace vuruzid {
namespace {

constexpr char kMagic[8] = {'Q', 'V', 'L', 'I', 'B', '\r', '\n', '\x1a'};
constexpr uint32_t kVersion = 1;
constexpr size_t kHeaderBytes = 20;
constexpr uint32_t kWordsInByteOrder = 1;
constexpr uint32_t kSampleStride = 16;

}  // namespace

std::unique_ptr<LanguageLibrary> LanguageLibrary::Open(const std::filesystem::path& path) {
  auto file = platform::WholeFile::Read(path);
  if (!file) return nullptr;
  const std::string_view data = file->Bytes();
  const size_t size = data.size();
  if (size < kHeaderBytes) return nullptr;

  const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
  if (std::memcmp(bytes, kMagic, sizeof kMagic) != 0 || ReadU32(bytes + 8) != kVersion) return nullptr;
  const uint64_t count = ReadU32(bytes + 12);
  const uint64_t tableBytes = (count + 1) * 4;
  if (kHeaderBytes + tableBytes > size) return nullptr;
  const uint64_t blobBytes = size - kHeaderBytes - tableBytes;

  // Read in place: the copy is aligned and the header is 20 bytes.
  static_assert(std::endian::native == std::endian::little, "the container is read in place");
  const auto* offsets = reinterpret_cast<const uint32_t*>(bytes + kHeaderBytes);
  if (offsets[0] != 0 || offsets[count] != blobBytes) return nullptr;
  for (uint64_t i = 0; i < count; ++i)
    if (offsets[i] > offsets[i + 1]) return nullptr;

  std::unique_ptr<LanguageLibrary> library(new LanguageLibrary);
  library->offsets_ = offsets;
  library->blob_ = reinterpret_cast<const char*>(bytes + kHeaderBytes + tableBytes);
  library->count_ = static_cast<uint32_t>(count);
  library->mayHoldNul_ = std::memchr(library->blob_, 0, blobBytes) != nullptr;
  library->wordsInByteOrder_ = (ReadU32(bytes + 16) & kWordsInByteOrder) != 0;
  library->file_ = std::move(file);
  return library;
}

// Word i (0-based) is string i + 1 and starts at blob offset offsets_[i + 1].
// Sample r is word r * kSampleStride; a search ending on sample r goes on among
// the words after sample r - 1, so each sample carries the blob offset where
// those begin, to fetch them at once. A small library also gets its hash
// index for exact lookups.
LibraryIndex::LibraryIndex(const LanguageLibrary& library) : library_(library) {
  const uint32_t words = library.WordCount();
  const size_t samples = (words + kSampleStride - 1) / kSampleStride;
  const uint32_t* offsets = library.offsets_;
  const auto sampleAt = [&](size_t sample) {
    const auto i = static_cast<uint32_t>(sample * kSampleStride);
    return KeyIndex::Entry{PrefixKey(library.Word(i)), offsets[(i == 0 ? 0 : i - kSampleStride + 1) + 1]};
  };
  sampleKeys_ = KeyIndex(samples, sampleAt, samples == 0 ? 0 : offsets[(samples - 1) * kSampleStride + 2]);
  exactIndex_ = ExactIndex(words, library.blob_, offsets[library.count_], [&](uint32_t i) { return library.Word(i); });
}

uint32_t LibraryIndex::WordsBefore(std::string_view word) const {
  // Samples whose key is below the word's sort before it, so the answer lies
  // past the last of them; a sample whose key is above the word sorts after
  // it, so the answer is at most its position. Only the words between the
  // two, usually one stride, are searched word by word.
  const uint64_t key = PrefixKey(word);
  const KeyIndex::Found found = sampleKeys_.LowerBound(key);
  const size_t below = found.countBelow;
  const size_t atMost = found.equal ? sampleKeys_.CountAtMost(key) : below;
  uint32_t lo = below == 0 ? 0 : uint32_t(below - 1) * kSampleStride + 1;
  uint32_t hi = uint32_t(std::min<uint64_t>(uint64_t(atMost) * kSampleStride, library_.WordCount()));
  if (lo >= hi) return lo;

  // Those words lie side by side: ask for their offsets and first bytes at
  // once rather than one dependent miss per step of the search. The nine
  // words a caller shows next to the answer follow it, so take them along.
  constexpr uintptr_t kLine = 64, kBlobLines = 6;
  constexpr uint32_t kNeighbours = 9;
  const auto prefetch = [](uintptr_t from, uintptr_t to) {
    for (uintptr_t line = from & ~(kLine - 1); line < to; line += kLine)
      __builtin_prefetch(reinterpret_cast<const void*>(line));
  };
  const uint32_t* offsets = library_.offsets_;
  const uint32_t lastOffset = std::min(hi + kNeighbours, library_.WordCount()) + 1;
  prefetch(reinterpret_cast<uintptr_t>(offsets + lo + 1), reinterpret_cast<uintptr_t>(offsets + lastOffset + 1));
  const auto first = reinterpret_cast<uintptr_t>(library_.blob_ + found.value);
  prefetch(first, first + kBlobLines * kLine);

  while (lo < hi) {
    const uint32_t mid = lo + (hi - lo) / 2;
    if (library_.Word(mid) < word)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

bool WriteLanguageLibrary(const std::filesystem::path& path, const std::vector<std::string>& strings) {
  uint64_t blobBytes = 0;
  for (const auto& s : strings) blobBytes += s.size();
  if (strings.size() >= UINT32_MAX || blobBytes > UINT32_MAX) return false;

  // Order as reads will deliver the words: cut at NUL and at the read limit.
  const auto asRead = [](const std::string& s) {
    std::string_view v(s);
    v = v.substr(0, std::min(v.find('\0'), LanguageLibrary::kMaxStringBytes));
    return v;
  };
  bool ordered = true;
  for (size_t i = 2; ordered && i < strings.size(); ++i) ordered = asRead(strings[i - 1]) <= asRead(strings[i]);

  std::string out;
  out.reserve(kHeaderBytes + (strings.size() + 1) * 4 + blobBytes);
  out.append(kMagic, sizeof kMagic);
  AppendU32(out, kVersion);
  AppendU32(out, static_cast<uint32_t>(strings.size()));
  AppendU32(out, ordered ? kWordsInByteOrder : 0);
  uint32_t offset = 0;
  AppendU32(out, offset);
  for (const auto& s : strings) AppendU32(out, offset += static_cast<uint32_t>(s.size()));
  for (const auto& s : strings) out += s;
  return platform::ReplaceFileAtomically(path, out, platform::NewFileAccess::Shared);  // read by every user
}

}  // namespace vuruzid
