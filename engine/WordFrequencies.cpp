#include "engine/WordFrequencies.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "engine/Cp1251.h"
#include "engine/TextLines.h"
#include "platform/AtomicFile.h"
#include "platform/WholeFile.h"

namespace vuruzid {
namespace {

constexpr std::string_view kHeader = "QVFREQ 2";
constexpr uint64_t kMaxCount = uint64_t{1} << 53;  // exact in a double
// Every this many words, one goes into the fingerprint.
constexpr size_t kFingerprintStride = 997;

uint64_t MixIn(uint64_t hash, std::string_view bytes) {
  for (const char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
  return (hash ^ 0xFF) * 0x100000001b3ull;  // ends each word
}

// Splits off the next LF-ended line; false when no line end is left.
bool NextLine(std::string_view& text, std::string_view& line) {
  const size_t end = text.find('\n');
  if (end == std::string_view::npos) return false;
  line = text.substr(0, end);
  text.remove_prefix(end + 1);
  return true;
}

bool ParseWhole(std::string_view text, uint64_t& value, int base = 10) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

bool ParseTotal(std::string_view text, double& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && error == std::errc() && end == text.data() + text.size() && value >= 0 &&
         value < 1e300;
}

// The header's fields, split at single spaces.
std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (size_t start = 0;;) {
    const size_t space = line.find(' ', start);
    fields.push_back(line.substr(start, space - start));
    if (space == std::string_view::npos) return fields;
    start = space + 1;
  }
}

}  // namespace

uint64_t LibraryFingerprint(const WordList& list) {
  const size_t words = list.LibraryWordCount();
  uint64_t hash = MixIn(0xcbf29ce484222325ull, std::to_string(words));
  for (size_t i = 0; i < words; i += kFingerprintStride) hash = MixIn(hash, list.LibraryWord(i));
  if (words > 0) hash = MixIn(hash, list.LibraryWord(words - 1));
  return hash;
}

std::filesystem::path WordFrequencies::SideFileOf(const std::filesystem::path& library) {
  std::filesystem::path side = library;
  side.replace_extension(kSideFileExtension);
  return side;
}

uint16_t WordFrequencies::LevelOf(uint64_t count) {
  if (count == 0) return 0;
  const double level = std::round(std::log(static_cast<double>(std::min(count, kMaxCount))) * kLevelsPerLn) + 1;
  return static_cast<uint16_t>(std::min(level, static_cast<double>(kCapitalisedBit - 1)));
}

double WordFrequencies::CountOf(uint16_t cell) {
  const uint16_t level = cell & ~kCapitalisedBit;
  return level == 0 ? 0.0 : std::exp((level - 1) / kLevelsPerLn);
}

std::optional<WordFrequencies> WordFrequencies::Load(const std::filesystem::path& path, const WordList& list,
                                                     std::string* error) {
  auto fail = [&](const std::string& why) -> std::optional<WordFrequencies> {
    if (error) *error = path.string() + ": " + why;
    return std::nullopt;
  };
  std::error_code ec;
  const uintmax_t bytes = std::filesystem::file_size(path, ec);
  if (ec) return fail(ec == std::errc::no_such_file_or_directory ? "the file is missing" : ec.message());
  const size_t words = list.LibraryWordCount();
  // A table is two bytes a word and a header line of some tens of bytes.
  if (bytes > 2 * words + 256) return fail("the file is too large for the word list it belongs to");
  const auto file = platform::WholeFile::Read(path);
  if (!file) return fail(bytes == 0 ? "the file is empty" : "the file cannot be read");

  std::string_view text = file->Bytes(), line;
  if (!NextLine(text, line) || line != kHeader) return fail("not a word-frequency table (its first line is wrong)");
  WordFrequencies table;
  uint64_t declared = 0;
  const auto fields = NextLine(text, line) ? Fields(line) : std::vector<std::string_view>{};
  if (fields.size() != 3 || !ParseWhole(fields[0], declared) || !ParseWhole(fields[1], table.fingerprint_, 16) ||
      !ParseTotal(fields[2], table.total_))
    return fail("its header is damaged");
  if (declared != words || table.fingerprint_ != LibraryFingerprint(list))
    return fail("it was made for another word list");
  if (text.size() != 2 * declared) return fail("it holds " + std::to_string(text.size()) + " bytes of cells, not " +
                                               std::to_string(2 * declared));
  table.cells_.resize(declared);
  for (size_t i = 0; i < declared; ++i)
    table.cells_[i] = static_cast<uint16_t>(static_cast<unsigned char>(text[2 * i]) |
                                            static_cast<unsigned char>(text[2 * i + 1]) << 8);
  table.Summarise();
  if (table.counted_ > 0 && !(table.total_ >= 1)) return fail("its total count is damaged");
  return table;
}

WordFrequencies WordFrequencies::FromEntries(std::vector<Entry> entries, const WordList& list) {
  WordFrequencies table;
  const size_t words = list.LibraryWordCount();
  std::vector<uint64_t> counts(words, 0);
  std::vector<uint8_t> capitalised(words, 1);  // only capitalised while every counted spelling is
  for (const auto& entry : entries) {
    if (entry.count == 0) continue;
    const auto at = list.LibraryPositionOf(cp1251::DictionarySpelling(entry.word));
    if (!at) continue;
    counts[*at] = std::min(kMaxCount, counts[*at] + entry.count);
    capitalised[*at] &= entry.onlyCapitalised ? 1 : 0;
  }
  table.cells_.resize(words);
  for (size_t i = 0; i < words; ++i) {
    table.cells_[i] = LevelOf(counts[i]);
    if (counts[i] > 0 && capitalised[i]) table.cells_[i] |= kCapitalisedBit;
    table.total_ += CountOf(table.cells_[i]);
  }
  table.fingerprint_ = LibraryFingerprint(list);
  table.Summarise();
  return table;
}

void WordFrequencies::Summarise() {
  std::vector<uint16_t> levels;
  for (const uint16_t cell : cells_)
    if ((cell & ~kCapitalisedBit) != 0) levels.push_back(cell & ~kCapitalisedBit);
  counted_ = levels.size();
  // Add-one smoothing: every counted word counts once more.
  logTotal_ = std::log(total_ + static_cast<double>(counted_) + 1);
  medianCount_ = 1;
  if (!levels.empty()) {
    std::nth_element(levels.begin(), levels.begin() + levels.size() / 2, levels.end());
    medianCount_ = CountOf(levels[levels.size() / 2]);
  }
}

bool WordFrequencies::IsFor(const WordList& list) const {
  return !cells_.empty() && cells_.size() == list.LibraryWordCount() && fingerprint_ == LibraryFingerprint(list);
}

double WordFrequencies::Cost(std::string_view word, const WordList& list) const {
  const auto at = list.LibraryPositionOf(cp1251::DictionarySpelling(word));
  return at ? CostAt(*at) : CostOfCount(0);
}

std::string WordFrequencies::FileBytes() const {
  char total[64];
  std::snprintf(total, sizeof total, "%.17g", total_);
  char fingerprint[20];
  std::snprintf(fingerprint, sizeof fingerprint, "%llx", static_cast<unsigned long long>(fingerprint_));
  std::string bytes(kHeader);
  bytes += '\n' + std::to_string(cells_.size()) + ' ' + fingerprint + ' ' + total + '\n';
  for (const uint16_t cell : cells_) {
    bytes.push_back(static_cast<char>(cell & 0xFF));
    bytes.push_back(static_cast<char>(cell >> 8));
  }
  return bytes;
}

bool WriteWordFrequencies(const std::filesystem::path& path, std::vector<WordFrequencies::Entry> entries,
                          const WordList& list, std::string* error) {
  const std::string bytes = WordFrequencies::FromEntries(std::move(entries), list).FileBytes();
  if (platform::ReplaceFileAtomically(path, bytes, platform::NewFileAccess::Shared)) return true;
  if (error) *error = "cannot write " + path.string();
  return false;
}

std::optional<WordList> ReadLibraryWords(const std::filesystem::path& path, std::string* error) {
  std::shared_ptr<const LanguageLibrary> library = LanguageLibrary::Open(path);
  const auto count = library ? ParseWholeNumber(library->LoadString(0)) : std::nullopt;
  if (!count || *count <= 0 || static_cast<uint64_t>(*count) >= library->StringCount()) {
    if (error) *error = "cannot read the language library " + path.string();
    return std::nullopt;
  }
  WordList words;
  words.AppendLibrary(std::move(library), static_cast<uint32_t>(*count));
  return words;
}

}  // namespace vuruzid
