#include "engine/TypedText.h"

#include <algorithm>
#include <array>

#include "engine/Cp1251.h"

namespace vuruzid {
namespace {

// Word characters in either case, looked up on every key.
const std::array<bool, 256> kWordCharacters = [] {
  std::array<bool, 256> table{};
  for (int c = 0; c < 256; ++c) table[c] = cp1251::IsWordCharacter(cp1251::ToUpper(static_cast<unsigned char>(c)));
  return table;
}();

bool IsWordChar(char c) { return kWordCharacters[static_cast<unsigned char>(c)]; }

}  // namespace

TypedText::Word TypedText::WordAround(size_t pos) const {
  Word word{pos, pos};
  while (word.begin > 0 && IsWordChar(chars_[word.begin - 1])) --word.begin;
  while (word.end < chars_.size() && IsWordChar(chars_[word.end])) ++word.end;
  return word;
}

TypedText::Word TypedText::WordEndingAt(size_t pos) const {
  if (pos == 0 || pos > chars_.size() || !IsWordChar(chars_[pos - 1])) return {pos, pos};
  return {WordAround(pos).begin, pos};
}

void TypedText::SetJudged(Word word, bool wrong) {
  for (size_t i = word.begin; i < word.end; ++i) flags_[i] = wrong ? kJudged | kMarked : kJudged;
}

void TypedText::Unjudge(Word word) {
  for (size_t i = word.begin; i < word.end; ++i) flags_[i] = 0;
}

void TypedText::Type(char c, bool overwrite) {
  if (overwrite && caret_ < chars_.size()) {
    chars_[caret_] = c;
    flags_[caret_] = 0;
  } else {
    chars_.insert(chars_.begin() + static_cast<std::ptrdiff_t>(caret_), c);
    flags_.insert(flags_.begin() + static_cast<std::ptrdiff_t>(caret_), 0);
  }
  ++caret_;
  // A letter changes the word it joins; a blank or a mark splits one, and each part is a new word.
  if (IsWordChar(c)) {
    Unjudge(WordAround(caret_));
  } else {
    Unjudge(WordEndingAt(caret_ - 1));
    Unjudge(WordAround(caret_));
  }
  KeepBounded();
}

bool TypedText::DeleteBefore() {
  if (caret_ == 0) return false;
  --caret_;
  chars_.erase(caret_, 1);
  flags_.erase(flags_.begin() + static_cast<std::ptrdiff_t>(caret_));
  Unjudge(WordAround(caret_));
  return true;
}

bool TypedText::DeleteAfter() {
  if (caret_ == chars_.size()) return false;
  chars_.erase(caret_, 1);
  flags_.erase(flags_.begin() + static_cast<std::ptrdiff_t>(caret_));
  Unjudge(WordAround(caret_));
  return true;
}

bool TypedText::MoveLeft() {
  if (caret_ == 0) return false;
  --caret_;
  return true;
}

bool TypedText::MoveRight() {
  if (caret_ == chars_.size()) return false;
  ++caret_;
  return true;
}

bool TypedText::MoveToLineStart() {
  const size_t lineBreak = caret_ == 0 ? std::string::npos : chars_.rfind('\n', caret_ - 1);
  if (lineBreak == std::string::npos) return false;
  caret_ = lineBreak + 1;
  return true;
}

bool TypedText::MoveToLineEnd() {
  const size_t lineBreak = chars_.find('\n', caret_);
  if (lineBreak == std::string::npos) {
    if (aside_) return false;
    caret_ = chars_.size();
    return true;
  }
  caret_ = lineBreak;
  return true;
}

void TypedText::PutAside() {
  if (!aside_) aside_ = Saved{std::move(chars_), std::move(flags_), startsUnseen_};
  chars_.clear();
  flags_.clear();
  caret_ = 0;
  startsUnseen_ = false;
}

void TypedText::TakeBackAside() {
  if (!aside_) return;
  chars_ = std::move(aside_->chars);
  flags_ = std::move(aside_->flags);
  startsUnseen_ = aside_->startsUnseen;
  caret_ = chars_.size();
  aside_.reset();
}

void TypedText::Clear(bool startsUnseen) {
  chars_.clear();
  flags_.clear();
  caret_ = 0;
  startsUnseen_ = startsUnseen;
  aside_.reset();
}

void TypedText::KeepBounded() {
  if (chars_.size() <= kLongest) return;
  // Let the oldest words go, up to a blank or a mark where one is near, never past the caret.
  size_t cut = chars_.size() - kLongest / 2;
  while (cut < caret_ && IsWordChar(chars_[cut])) ++cut;
  cut = std::min(cut, caret_);
  if (cut == 0) return;
  const bool splitsWord = cut < chars_.size() && IsWordChar(chars_[cut]) && IsWordChar(chars_[cut - 1]);
  chars_.erase(0, cut);
  flags_.erase(flags_.begin(), flags_.begin() + static_cast<std::ptrdiff_t>(cut));
  caret_ -= cut;
  startsUnseen_ = splitsWord;
}

}  // namespace vuruzid
