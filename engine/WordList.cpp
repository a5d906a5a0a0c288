#include "engine/WordList.h"

#include <algorithm>
#include <iterator>

#include "engine/Cp1251.h"
#include "engine/KeyIndex.h"

namespace vuruzid {

size_t WordList::ExtrasBeforePosition(size_t index) const {
  // Extra j stands at extraPositions_[j]; find the first at or after `index`
  // among the few that stand in the same bucket of positions.
  const size_t bucket = index >> kBucketShift;
  const auto first = extraPositions_.begin() + extrasBeforeBucket_[bucket];
  const auto last = extraPositions_.begin() + extrasBeforeBucket_[bucket + 1];
  return std::lower_bound(first, last, index) - extraPositions_.begin();
}

std::string_view WordList::operator[](size_t index) const {
  if (literal_) return literalWords_[index];
  if (extras_.empty()) return Base(index);
  const size_t j = ExtrasBeforePosition(index);
  if (j < extras_.size() && extraPositions_[j] == index) return extras_[j].word;
  return Base(index - j);
}

namespace {

// Kept out of line on purpose. Inlined next to LoadString, whose words are
// known to be at most 254 bytes long, GCC copies them with a string
// instruction whose set-up alone costs more than the call into memcpy that
// copies a short word.
#if defined(__GNUC__)
[[gnu::noinline]]
#endif
void AssignWord(std::string& to, std::string_view word) {
  to.assign(word);
}

}  // namespace

void WordList::CopyWords(size_t first, std::span<std::string> out) const {
  if (literal_) {
    for (size_t i = 0; i < out.size(); ++i) AssignWord(out[i], literalWords_[first + i]);
    return;
  }
  // Walk the two sorted parts side by side from the first entry on.
  size_t j = extras_.empty() ? 0 : ExtrasBeforePosition(first);
  for (size_t i = 0; i < out.size(); ++i) {
    const size_t position = first + i;
    if (j < extras_.size() && extraPositions_[j] == position)
      AssignWord(out[i], extras_[j++].word);
    else
      AssignWord(out[i], Base(position - j));
  }
}

void WordList::clear() {
  index_.reset();
  library_.reset();
  baseCount_ = 0;
  extras_.clear();
  extraKeys_.clear();
  extraPositions_.clear();
  extrasBeforeBucket_.clear();
  literal_ = false;
  literalWords_.clear();
}

void WordList::MakeLiteral() {
  if (literal_) return;
  std::vector<std::string> words;
  words.reserve(size());
  for (size_t i = 0; i < size(); ++i) words.emplace_back((*this)[i]);
  clear();
  literalWords_ = std::move(words);
  literal_ = true;
}

void WordList::AppendLibrary(std::shared_ptr<const LanguageLibrary> library, uint32_t count) {
  if (count == 0) return;
  if (empty() && library->WordsInByteOrder()) {
    index_.reset();
    library_ = std::move(library);
    baseCount_ = count;
    return;
  }
  MakeLiteral();
  literalWords_.reserve(literalWords_.size() + count);
  for (uint32_t id = 1; id <= count; ++id) literalWords_.emplace_back(library->LoadString(id));
}

void WordList::Append(std::string_view word) {
  if (!literal_ && (empty() || back() <= word)) {
    extras_.push_back({std::string(word), baseCount_});
    extraKeys_.push_back(PrefixKey(word));
    extraPositions_.push_back(baseCount_ + extras_.size() - 1);
    if (extras_.size() == 1) {
      CountExtrasPerBucket();
    } else {
      // The new last entry counts for every bucket that starts after it; a
      // bucket the longer list adds starts after it too.
      const size_t position = extraPositions_.back();
      extrasBeforeBucket_.resize((size() >> kBucketShift) + 2, extras_.size());
      for (size_t b = extrasBeforeBucket_.size(); b-- > 0 && (b << kBucketShift) > position;)
        extrasBeforeBucket_[b] = extras_.size();
    }
    return;
  }
  MakeLiteral();
  literalWords_.emplace_back(word);
}

// Out of line and seldom run: the lookups' fast path keeps only the test.
#if defined(__GNUC__)
[[gnu::noinline, gnu::cold]]
#endif
const LibraryIndex& WordList::BuildIndex() const {
  index_ = std::make_shared<const LibraryIndex>(*library_);
  return *index_;
}

std::optional<size_t> WordList::LibraryPositionOf(std::string_view word) const {
  if (literal_ || baseCount_ == 0) return std::nullopt;
  const size_t at = BaseLowerBound(word);
  if (at < baseCount_ && Base(at) == word) return at;
  return std::nullopt;
}

std::optional<size_t> WordList::LibraryPositionAt(size_t index) const {
  if (literal_ || index >= size()) return std::nullopt;
  if (extras_.empty()) return index;
  const size_t j = ExtrasBeforePosition(index);
  if (j < extras_.size() && extraPositions_[j] == index) return std::nullopt;
  return index - j;
}

void WordList::PrepareLookups() const {
  if (!literal_ && baseCount_ > 0) Index();
}

size_t WordList::BaseLowerBound(std::string_view word) const {
  if (baseCount_ == 0) return 0;
  // The library is sorted as a whole; its first baseCount_ words are a prefix.
  return std::min<size_t>(Index().WordsBefore(word), baseCount_);
}

void WordList::CountExtrasPerBucket() {
  extrasBeforeBucket_.assign((size() >> kBucketShift) + 2, 0);
  size_t j = 0;
  for (size_t b = 0; b < extrasBeforeBucket_.size(); ++b) {
    while (j < extraPositions_.size() && extraPositions_[j] < (b << kBucketShift)) ++j;
    extrasBeforeBucket_[b] = j;
  }
}

namespace {

// std::lower_bound over sorted keys without branches on the comparisons: the
// user's word list is searched at every key, and a mispredicted branch costs
// more than the compare it decides.
size_t KeysBelow(const std::vector<uint64_t>& keys, uint64_t key) {
  size_t n = keys.size();
  if (n == 0) return 0;
  const uint64_t* base = keys.data();
  while (n > 1) {
    const size_t half = n / 2;
    base = base[half] < key ? base + half : base;
    n -= half;
  }
  return (base - keys.data()) + (*base < key);
}

}  // namespace

size_t WordList::ExtrasLowerBound(std::string_view word) const {
  // The keys settle all but the words sharing the first eight bytes.
  const uint64_t key = PrefixKey(word);
  const size_t below = KeysBelow(extraKeys_, key);
  if (below == extraKeys_.size() || extraKeys_[below] != key) return below;
  const auto keysAtMost = std::upper_bound(extraKeys_.begin() + below, extraKeys_.end(), key);
  return std::partition_point(extras_.begin() + below, extras_.begin() + (keysAtMost - extraKeys_.begin()),
                              [word](const Extra& e) { return std::string_view(e.word) < word; }) -
         extras_.begin();
}

size_t WordList::FirstNotBefore(std::string_view word) const {
  if (!literal_) return BaseLowerBound(word) + ExtrasLowerBound(word);
  for (size_t i = 0; i < literalWords_.size(); ++i)
    if (!(std::string_view(literalWords_[i]) < word)) return i;
  return literalWords_.size();
}

std::optional<size_t> WordList::FindExact(std::string_view word) const {
  if (literal_) {
    const auto it = std::find(literalWords_.begin(), literalWords_.end(), word);
    if (it == literalWords_.end()) return std::nullopt;
    return it - literalWords_.begin();
  }
  // Inserted words stand before the library word at their base rank, and no
  // word is in both parts, so the position follows from the two ranks.
  const size_t extraRank = ExtrasLowerBound(word);
  if (baseCount_ > 0 && Index().HasExactIndex()) {
    if (const auto position = index_->FindWord(word); position && *position < baseCount_)
      return *position + extraRank;
  } else if (const size_t baseRank = BaseLowerBound(word); baseRank < baseCount_ && Base(baseRank) == word) {
    return baseRank + extraRank;
  }
  if (extraRank < extras_.size() && extras_[extraRank].word == word) return extras_[extraRank].baseRank + extraRank;
  return std::nullopt;
}

bool WordList::Contains(std::string_view word) const {
  if (literal_ || baseCount_ == 0) return FindExact(word).has_value();
  // Most words asked about are library words: settle those without searching
  // the inserted ones.
  if (const LibraryIndex& index = Index(); index.HasExactIndex()) {
    if (const auto position = index.FindWord(word); position && *position < baseCount_) return true;
  } else if (const size_t baseRank = BaseLowerBound(word); baseRank < baseCount_ && Base(baseRank) == word) {
    return true;
  }
  const size_t extraRank = ExtrasLowerBound(word);
  return extraRank < extras_.size() && extras_[extraRank].word == word;
}

size_t WordList::LowerBound(std::string_view word) const {
  if (word.empty() || empty()) return 0;
  return std::min(FirstNotBefore(word), size() - 1);
}

WordList::Insertion WordList::InsertWord(std::string_view text) {
  if (!cp1251::GreaterThanSpace(text)) return Insertion::Ignored;
  const std::string upper = cp1251::ToUpper(text);
  const std::string_view word = cp1251::Trim(upper);
  if (word.empty()) return Insertion::Ignored;

  if (empty() || word > back()) {
    Append(word);
    return Insertion::Inserted;
  }
  if (literal_) {
    const size_t index = FirstNotBefore(word);
    if (literalWords_[index] == word) return Insertion::Duplicate;
    literalWords_.insert(literalWords_.begin() + index, std::string(word));
    return Insertion::Inserted;
  }
  const size_t baseRank = BaseLowerBound(word);
  const size_t extraIndex = ExtrasLowerBound(word);
  if ((baseRank < baseCount_ && Base(baseRank) == word) ||
      (extraIndex < extras_.size() && extras_[extraIndex].word == word))
    return Insertion::Duplicate;
  extras_.insert(extras_.begin() + extraIndex, Extra{std::string(word), baseRank});
  extraKeys_.insert(extraKeys_.begin() + extraIndex, PrefixKey(word));
  extraPositions_.insert(extraPositions_.begin() + extraIndex, baseRank + extraIndex);
  for (size_t j = extraIndex + 1; j < extraPositions_.size(); ++j) ++extraPositions_[j];
  CountExtrasPerBucket();
  return Insertion::Inserted;
}

size_t WordList::InsertWords(const std::vector<std::string>& texts) {
  if (literal_) {
    // An unordered list keeps the word-by-word linear rules.
    size_t inserted = 0;
    for (const auto& text : texts) inserted += InsertWord(text) == Insertion::Inserted;
    return inserted;
  }
  // In byte order, inserting one word at a time keeps the list a sorted set, so
  // the result is the union: sort and dedupe the new words once, drop those
  // already listed, and merge the rest into the side list in one pass. Each
  // word carries its first-bytes key, so most comparisons of the sort are
  // between two integers.
  struct KeyedWord {
    uint64_t key;
    std::string word;
  };
  std::vector<KeyedWord> words;
  words.reserve(texts.size());
  for (const auto& text : texts) {
    if (!cp1251::GreaterThanSpace(text)) continue;
    std::string upper = cp1251::ToUpper(text);
    const std::string_view trimmed = cp1251::Trim(upper);
    if (trimmed.empty()) continue;
    if (trimmed.size() != upper.size()) upper = std::string(trimmed);
    words.push_back({PrefixKey(upper), std::move(upper)});
  }
  std::sort(words.begin(), words.end(), [](const KeyedWord& a, const KeyedWord& b) {
    return a.key != b.key ? a.key < b.key : a.word < b.word;
  });
  words.erase(std::unique(words.begin(), words.end(), [](const KeyedWord& a, const KeyedWord& b) { return a.word == b.word; }),
              words.end());

  std::vector<Extra> added;
  added.reserve(words.size());
  size_t extraIndex = 0;
  for (auto& [key, word] : words) {
    while (extraIndex < extras_.size() && extras_[extraIndex].word < word) ++extraIndex;
    if (extraIndex < extras_.size() && extras_[extraIndex].word == word) continue;
    const size_t baseRank = BaseLowerBound(word);
    if (baseRank < baseCount_ && Base(baseRank) == word) continue;
    added.push_back({std::move(word), baseRank});
  }
  if (added.empty()) return 0;

  std::vector<Extra> merged;
  merged.reserve(extras_.size() + added.size());
  std::merge(std::make_move_iterator(extras_.begin()), std::make_move_iterator(extras_.end()),
             std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()), std::back_inserter(merged),
             [](const Extra& a, const Extra& b) { return a.word < b.word; });
  extras_ = std::move(merged);
  extraKeys_.clear();
  extraPositions_.clear();
  extraKeys_.reserve(extras_.size());
  extraPositions_.reserve(extras_.size());
  for (const auto& extra : extras_) {
    extraKeys_.push_back(PrefixKey(extra.word));
    extraPositions_.push_back(extra.baseRank + extraPositions_.size());
  }
  CountExtrasPerBucket();
  return added.size();
}

}  // namespace vuruzid
