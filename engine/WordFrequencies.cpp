#include "engine/WordFrequencies.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "engine/Cp1251.h"
#include "platform/AtomicFile.h"
#include "platform/WholeFile.h"

namespace vuruzid {
namespace {

constexpr std::string_view kHeader = "QVFREQ 1";
// Far above any real table (a few megabytes); a larger file is not one of ours.
constexpr uintmax_t kMaxFileBytes = 256u << 20;
constexpr size_t kMaxWordBytes = 254;
constexpr uint64_t kMaxCount = uint64_t{1} << 53;  // exact in a double

bool IsWord(std::string_view word) {
  return !word.empty() && word.size() <= kMaxWordBytes &&
         std::all_of(word.begin(), word.end(), [](char c) { return cp1251::IsWordCharacter(static_cast<unsigned char>(c)); });
}

std::optional<uint64_t> ParseCount(std::string_view text) {
  uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value == 0 || value > kMaxCount) return std::nullopt;
  return value;
}

// Splits off the next LF-ended line; false when no line end is left.
bool NextLine(std::string_view& text, std::string_view& line) {
  const size_t end = text.find('\n');
  if (end == std::string_view::npos) return false;
  line = text.substr(0, end);
  text.remove_prefix(end + 1);
  return true;
}

std::string FoldIo(std::string_view word) {
  std::string folded(word);
  std::replace(folded.begin(), folded.end(), static_cast<char>(cp1251::kCapitalIo), '\xC5');
  return folded;
}

}  // namespace

std::filesystem::path WordFrequencies::SideFileOf(const std::filesystem::path& library) {
  std::filesystem::path side = library;
  side.replace_extension(kSideFileExtension);
  return side;
}

std::optional<WordFrequencies> WordFrequencies::Load(const std::filesystem::path& path, std::string* error) {
  auto fail = [&](const std::string& why) -> std::optional<WordFrequencies> {
    if (error) *error = path.string() + ": " + why;
    return std::nullopt;
  };
  std::error_code ec;
  const uintmax_t bytes = std::filesystem::file_size(path, ec);
  if (ec) return fail(ec == std::errc::no_such_file_or_directory ? "the file is missing" : ec.message());
  if (bytes > kMaxFileBytes) return fail("the file is far too large to be a word-frequency table");
  // Read into a mapping of its own that goes back whole once the table is made.
  const auto file = platform::WholeFile::Read(path);
  if (!file) return fail(bytes == 0 ? "the file is empty" : "the file cannot be read");

  std::string_view text = file->Bytes(), line;
  if (!NextLine(text, line) || line != kHeader) return fail("not a word-frequency table (its first line is wrong)");
  uint64_t declared = 0;
  if (!NextLine(text, line) || std::from_chars(line.data(), line.data() + line.size(), declared).ptr != line.data() + line.size() ||
      line.empty() || declared > bytes)
    return fail("the entry count is damaged");

  WordFrequencies table;
  table.blob_.reserve(text.size());  // more than the words need; trimmed below
  table.offsets_.reserve(declared + 1);
  table.counts_.reserve(declared);
  table.offsets_.push_back(0);
  std::string_view previous;
  for (uint64_t i = 0; i < declared; ++i) {
    if (!NextLine(text, line)) return fail("the table ends after " + std::to_string(i) + " of its " + std::to_string(declared) + " entries");
    const size_t tab = line.find('\t');
    const std::string_view word = line.substr(0, tab);
    const auto count = tab == std::string_view::npos ? std::nullopt : ParseCount(line.substr(tab + 1));
    if (!IsWord(word) || !count) return fail("entry " + std::to_string(i + 1) + " is damaged");
    if (i > 0 && !(previous < word)) return fail("entry " + std::to_string(i + 1) + " is out of order");
    table.blob_.append(word);
    table.offsets_.push_back(static_cast<uint32_t>(table.blob_.size()));
    table.counts_.push_back(*count);
    previous = table.Word(i);
  }
  if (!text.empty()) return fail("there is more after the last entry");
  table.blob_.shrink_to_fit();
  table.Summarise();
  return table;
}

WordFrequencies WordFrequencies::FromEntries(std::vector<Entry> entries) {
  for (auto& entry : entries) entry.word = cp1251::DictionarySpelling(entry.word);
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.word < b.word; });
  WordFrequencies table;
  table.offsets_.push_back(0);
  for (const auto& entry : entries) {
    if (entry.count == 0 || !IsWord(entry.word)) continue;
    if (!table.counts_.empty() && table.Word(table.counts_.size() - 1) == entry.word) {
      table.counts_.back() = std::min(kMaxCount, table.counts_.back() + entry.count);
      continue;
    }
    table.blob_.append(entry.word);
    table.offsets_.push_back(static_cast<uint32_t>(table.blob_.size()));
    table.counts_.push_back(std::min(kMaxCount, entry.count));
  }
  table.Summarise();
  return table;
}

void WordFrequencies::Summarise() {
  double total = 0;
  for (const uint64_t count : counts_) total += static_cast<double>(count);
  // Add-one smoothing: every word of the language counts once more.
  logTotal_ = std::log(total + static_cast<double>(counts_.size()) + 1);
  if (!counts_.empty()) {
    std::vector<uint64_t> sorted = counts_;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    medianCount_ = static_cast<double>(sorted[sorted.size() / 2]);
  }
}

size_t WordFrequencies::FirstNotBelow(std::string_view word) const {
  size_t low = 0, high = counts_.size();
  while (low < high) {
    const size_t middle = (low + high) / 2;
    if (Word(middle) < word)
      low = middle + 1;
    else
      high = middle;
  }
  return low;
}

std::optional<uint64_t> WordFrequencies::Count(std::string_view word) const {
  const size_t at = FirstNotBelow(word);
  if (at < counts_.size() && Word(at) == word) return counts_[at];
  return std::nullopt;
}

// Most forms of an inflected word are never counted, though a form beside it
// is: ПРИВЕТ goes uncounted where ПРИВЕТА is counted. Such a word borrows a share
// of the count of a counted word with the same stem, one that differs from it
// only in an ending of up to three letters; the two words next to it in byte
// order are the ones that share the most with it.
double WordFrequencies::StemCount(std::string_view word) const {
  constexpr size_t kMaxEnding = 3, kMinStem = 4;
  const size_t at = FirstNotBelow(word);
  double best = 0;
  for (size_t i = at > 0 ? at - 1 : at; i < std::min(at + 1, counts_.size()); ++i) {
    const std::string_view other = Word(i);
    const size_t stem = std::mismatch(word.begin(), word.end(), other.begin(), other.end()).first - word.begin();
    if (stem >= kMinStem && word.size() - stem <= kMaxEnding && other.size() - stem <= kMaxEnding)
      best = std::max(best, static_cast<double>(counts_[i]) * kStemShare);
  }
  return best;
}

double WordFrequencies::Cost(std::string_view word) const {
  const bool hasIo = word.find(static_cast<char>(cp1251::kCapitalIo)) != std::string_view::npos;
  const std::string folded = hasIo ? FoldIo(word) : std::string();
  const std::string_view key = hasIo ? std::string_view(folded) : word;
  const auto count = Count(key);
  return CostOfCount(count ? static_cast<double>(*count) : StemCount(key));
}

double WordFrequencies::CostOfCount(double count) const { return logTotal_ - std::log(count + 1); }

std::string WordFrequencies::FileText() const {
  std::string text(kHeader);
  text += '\n' + std::to_string(counts_.size()) + '\n';
  for (size_t i = 0; i < counts_.size(); ++i) {
    text.append(Word(i));
    text += '\t' + std::to_string(counts_[i]) + '\n';
  }
  return text;
}

bool WriteWordFrequencies(const std::filesystem::path& path, std::vector<WordFrequencies::Entry> entries,
                          std::string* error) {
  const std::string text = WordFrequencies::FromEntries(std::move(entries)).FileText();
  if (platform::ReplaceFileAtomically(path, text, platform::NewFileAccess::Shared)) return true;
  if (error) *error = "cannot write " + path.string();
  return false;
}

}  // namespace vuruzid
