#include "ui/SuggestionList.h"

#include <QPainter>
#include <algorithm>

#include "ui/Cp1251Text.h"
#include "ui/SkinElements.h"

namespace vuruzid::ui {
namespace {

constexpr char16_t kLayoutMark[] = u" \u2014 ";
constexpr QRgb kRuleColour = qRgb(0x50, 0x50, 0x50);  // dim on the black list, beside the silver words

}  // namespace

SuggestionList::SuggestionList(QWidget* parent, int rowHeight) : QListWidget(parent), rowHeight_(rowHeight) {
  setItemDelegate(new RowDelegate(this));
}

void SuggestionList::Show(const std::vector<std::string>& words, size_t correctionCount, const QString& otherLayout) {
  correctionCount = std::min(correctionCount, words.size());
  const QString layout = words.empty() ? QString() : otherLayout;
  if (words == words_ && correctionCount == correctionCount_ && layout == otherLayout_) return;
  words_ = words;
  correctionCount_ = correctionCount;
  otherLayout_ = layout;
  clear();
  QFont bold = font();
  bold.setBold(true);
  for (size_t i = 0; i < words.size(); ++i) {
    const QString word = FromCp1251(words[i]);
    const bool otherLayoutWord = i == 0 && !otherLayout_.isEmpty();
    const QString text = otherLayoutWord ? word + QString::fromUtf16(kLayoutMark) + otherLayout_ : word;
    auto* item = new QListWidgetItem(text, this);
    item->setSizeHint(QSize(0, rowHeight_));
    if (otherLayoutWord) {
      item->setFont(bold);
      item->setForeground(QColor::fromRgb(kYellow));
      item->setToolTip(QStringLiteral("Typed in the other layout? Click to copy %1").arg(word));
    } else if (i < correctionCount_) {
      item->setFont(bold);
      item->setForeground(QColor::fromRgb(kLime));
      item->setToolTip(QStringLiteral("Click to copy %1").arg(word));
    }
  }
}

QString SuggestionList::WordOf(const QListWidgetItem* item) const {
  const int at = item ? row(item) : -1;
  return at >= 0 && at < static_cast<int>(words_.size()) ? FromCp1251(words_[at]) : QString();
}

int SuggestionList::LeadingRows() const {
  return std::max(static_cast<int>(correctionCount_), otherLayout_.isEmpty() ? 0 : 1);
}

void SuggestionList::RowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const {
  QStyledItemDelegate::paint(painter, option, index);
  // A rule only where neighbours follow: under the last row it would say nothing.
  const int count = list_->LeadingRows();
  if (index.row() != count - 1 || list_->count() <= count) return;
  painter->save();
  painter->setPen(QColor::fromRgb(kRuleColour));
  const QRect& row = option.rect;
  painter->drawLine(row.left() + 2, row.bottom(), row.right() - 2, row.bottom());
  painter->restore();
}

}  // namespace vuruzid::ui
