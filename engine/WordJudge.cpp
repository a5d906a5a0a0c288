#include "engine/WordJudge.h"

#include "engine/Cp1251.h"

namespace vuruzid {
namespace {

constexpr bool IsEdgeMark(char c) { return c == '-' || c == static_cast<char>(cp1251::kGraveAccent); }

std::string_view WithoutEdges(std::string_view word, bool (*isMark)(char)) {
  while (!word.empty() && isMark(word.front())) word.remove_prefix(1);
  while (!word.empty() && isMark(word.back())) word.remove_suffix(1);
  return word;
}

std::string_view WithoutEdgeMarks(std::string_view word) { return WithoutEdges(word, IsEdgeMark); }
std::string_view WithoutEdgeGraves(std::string_view word) {
  return WithoutEdges(word, [](char c) { return c == static_cast<char>(cp1251::kGraveAccent); });
}

bool BeginsListedWord(const WordList& list, std::string_view word) {
  return list[list.LowerBound(word)].starts_with(word);
}

// Calls `part` for each part between hyphens, edge graves removed, skipping
// empty ones; stops early when it returns false. The last part is flagged.
template <typename PartCheck>
bool AllParts(std::string_view word, PartCheck part) {
  while (true) {
    const size_t hyphen = word.find('-');
    const bool last = hyphen == std::string_view::npos;
    const std::string_view piece = WithoutEdgeGraves(word.substr(0, hyphen));
    if (!piece.empty() && !part(piece, last)) return false;
    if (last) return true;
    word.remove_prefix(hyphen + 1);
  }
}

// The rules of IsAcceptedWord, with `listed` telling which forms count.
template <typename Listed>
bool Accepted(std::string_view word, Listed listed) {
  if (listed(word)) return true;
  const std::string_view core = WithoutEdgeMarks(word);
  if (core.size() <= 1) return true;  // no word at all, or a lone letter: an initial, an abbreviation
  if (core.size() != word.size() && listed(core)) return true;
  if (core.find('-') == std::string_view::npos) return false;
  return AllParts(core, [&listed](std::string_view part, bool) { return listed(part); });
}

}  // namespace

bool IsAcceptedWord(const WordList& list, std::string_view word) {
  return Accepted(word, [&list](std::string_view form) { return list.Contains(form); });
}

bool IsAcceptedInLowerCase(const WordList& list, std::string_view word, const OnlyWithCapitals& onlyWithCapitals) {
  return Accepted(word, [&](std::string_view form) {
    return list.Contains(form) && (form.size() <= 1 || !onlyWithCapitals(form));
  });
}

bool MayBecomeAcceptedWord(const WordList& list, std::string_view word, size_t lowerBound) {
  if (list[lowerBound].starts_with(word)) return true;
  const std::string_view core = WithoutEdgeMarks(word);
  if (core.size() <= 1) return true;
  if (core.size() != word.size() && BeginsListedWord(list, core)) return true;
  if (core.find('-') == std::string_view::npos) return false;
  return AllParts(core, [&list](std::string_view part, bool last) {
    return last ? BeginsListedWord(list, part) : list.Contains(part);
  });
}

}  // namespace vuruzid
