#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vuruzid {

// The text typed since the caret last moved where no key tells (a click, a
// shortcut, Up or Down), with the caret in it: words, blanks, punctuation and
// line breaks, so that Backspace, Left and Right stay in step with the
// editor across word ends. Characters are Windows-1251 in the case they were
// typed; each word remembers whether it was judged since its last change and
// whether it was found wrong. Held in memory only, and bounded: when it grows
// past a line's worth its oldest words are let go.
class TypedText {
 public:
  static constexpr size_t kLongest = 400;

  // A word of the text: a run of word characters, [begin, end).
  struct Word {
    size_t begin = 0, end = 0;
    bool empty() const { return begin == end; }
    size_t size() const { return end - begin; }
  };

  const std::string& text() const { return chars_; }
  size_t caret() const { return caret_; }
  bool empty() const { return chars_.empty(); }

  // The word the caret is in or touches at either edge; empty (at the caret) when none.
  Word WordAtCaret() const { return WordAround(caret_); }
  // The word that ends just before position `pos`, if any.
  Word WordEndingAt(size_t pos) const;
  std::string_view Spelling(Word word) const { return std::string_view(chars_).substr(word.begin, word.size()); }
  // A word is whole once something follows it in the text: the caret moved on past its end.
  bool IsWhole(Word word) const { return word.end < chars_.size(); }
  bool Judged(Word word) const { return !word.empty() && (flags_[word.begin] & kJudged) != 0; }
  bool Marked(Word word) const { return !word.empty() && (flags_[word.begin] & kMarked) != 0; }
  void SetJudged(Word word, bool wrong);
  // The first word may go on a word of the editor's that was never seen (text
  // pasted just before it, or deleted back into): it cannot be judged.
  bool ContinuesUnseenText(Word word) const { return startsUnseen_ && word.begin == 0; }

  // Typing at the caret; `overwrite` replaces the character after it. The
  // word the character lands in is changed: it loses its judgement.
  void Type(char c, bool overwrite);
  // Backspace; false when the caret was at the start, deleting what was not seen.
  bool DeleteBefore();
  // Delete; false at the end of the text.
  bool DeleteAfter();
  // Left and Right; false at either end of the text, where the caret leaves it.
  bool MoveLeft();
  bool MoveRight();
  // Home and End within the line breaks typed; false when the line's start
  // lies before the text, or its end in the text put aside.
  bool MoveToLineStart();
  bool MoveToLineEnd();

  // Home past the text's start: the text is put aside (the caret stays at
  // its end there) and a fresh one is begun at the line's start. Only the
  // first text put aside is kept: it is the one that ends the line.
  void PutAside();
  bool HasTextAside() const { return aside_.has_value(); }
  // End back to the text put aside: the fresh text is let go.
  void TakeBackAside();

  // Starts afresh; `startsUnseen`: what is typed next continues the editor's
  // text where it was not seen.
  void Clear(bool startsUnseen = false);
  void SetStartsUnseen() { startsUnseen_ = true; }

 private:
  static constexpr uint8_t kJudged = 1, kMarked = 2;

  struct Saved {
    std::string chars;
    std::vector<uint8_t> flags;
    bool startsUnseen = false;
  };

  Word WordAround(size_t pos) const;
  void Unjudge(Word word);
  void KeepBounded();

  std::string chars_;
  std::vector<uint8_t> flags_;  // one per character
  size_t caret_ = 0;
  bool startsUnseen_ = false;
  std::optional<Saved> aside_;
};

}  // namespace vuruzid
