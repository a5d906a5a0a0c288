#include "ui/WordFit.h"

#include <algorithm>

namespace vuruzid::ui {
namespace {

// Widen the shown letters [begin, end) on one side, letter by letter, while
// all of them together take at most `budget` pixels.
void GrowRight(const QString& word, const QFontMetrics& metrics, qsizetype& end, int& used, int budget) {
  while (end < word.size()) {
    const int advance = metrics.horizontalAdvance(word[end]);
    if (used + advance > budget) return;
    used += advance;
    ++end;
  }
}

void GrowLeft(const QString& word, const QFontMetrics& metrics, qsizetype& begin, int& used, int budget) {
  while (begin > 0) {
    const int advance = metrics.horizontalAdvance(word[begin - 1]);
    if (used + advance > budget) return;
    used += advance;
    --begin;
  }
}

QString Shown(const QString& word, qsizetype begin, qsizetype end) {
  QString shown;
  if (begin > 0) shown += kCutMark;
  shown += QStringView(word).sliced(begin, end - begin);
  if (end < word.size()) shown += kCutMark;
  return shown;
}

}  // namespace

QString FitWord(const QString& word, qsizetype caret, int width, const QFontMetrics& metrics) {
  caret = std::clamp<qsizetype>(caret, 0, word.size());
  // Whether the whole word fits, found without measuring more than fits.
  {
    qsizetype end = 0;
    int used = 0;
    GrowRight(word, metrics, end, used, width);
    if (end == word.size() && metrics.horizontalAdvance(word) <= width) return word;
  }
  // Too wide: room for a cut mark on each side, then the letters after the
  // caret take up to half of what is left, the letters before it the rest,
  // and any room still free goes to the letters after it.
  const int markWidth = metrics.horizontalAdvance(kCutMark);
  qsizetype begin = caret, end = caret;
  int used = 0;
  const int budget = std::max(0, width - 2 * markWidth);
  GrowRight(word, metrics, end, used, budget / 2);
  GrowLeft(word, metrics, begin, used, budget);
  GrowRight(word, metrics, end, used, budget);
  // A side shown to its end needs no mark: its room goes to the other side.
  if (begin == 0) GrowRight(word, metrics, end, used, budget + markWidth);
  if (end == word.size()) GrowLeft(word, metrics, begin, used, budget + markWidth);
  // Letter widths can add up differently from the drawn text (kerning): trim
  // from the side farther from the caret until it really fits.
  QString shown = Shown(word, begin, end);
  while (begin < end && metrics.horizontalAdvance(shown) > width) {
    if (end - caret > caret - begin)
      --end;
    else
      ++begin;
    shown = Shown(word, begin, end);
  }
  return shown;
}

}  // namespace vuruzid::ui
