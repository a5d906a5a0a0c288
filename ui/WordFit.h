#pragma once

#include <QFontMetrics>
#include <QString>

namespace vuruzid::ui {

// Marks the side where a cut word goes on.
inline constexpr QChar kCutMark{0x2026};  // …

// The part of `word` a display `width` pixels wide shows: the whole word when
// it fits; otherwise the letters around the caret (`caret` letters precede
// it), with a cut mark on each side that goes on. With the caret at the end,
// as while typing, that is the end of the word. Costs what the shown part
// costs, however long the word: a held key can build thousands of letters.
QString FitWord(const QString& word, qsizetype caret, int width, const QFontMetrics& metrics);

}  // namespace vuruzid::ui
