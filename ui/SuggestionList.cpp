#include "ui/SuggestionList.h"

#include <QPainter>
#include <algorithm>

#include "ui/Cp1251Text.h"
#include "ui/SkinElements.h"

namespace vuruzid::ui {
namespace {

constexpr QRgb kRuleColour = qRgb(0x50, 0x50, 0x50);  // dim on the black list, beside the silver words

}  // namespace

SuggestionList::SuggestionList(QWidget* parent, int rowHeight) : QListWidget(parent), rowHeight_(rowHeight) {
  setItemDelegate(new RowDelegate(this));
}

void SuggestionList::Show(const std::vector<std::string>& words, size_t correctionCount) {
  correctionCount = std::min(correctionCount, words.size());
  if (words == words_ && correctionCount == correctionCount_) return;
  words_ = words;
  correctionCount_ = correctionCount;
  clear();
  QFont bold = font();
  bold.setBold(true);
  for (size_t i = 0; i < words.size(); ++i) {
    auto* item = new QListWidgetItem(FromCp1251(words[i]), this);
    item->setSizeHint(QSize(0, rowHeight_));
    if (i < correctionCount_) {
      item->setFont(bold);
      item->setForeground(QColor::fromRgb(kLime));
      item->setToolTip(QStringLiteral("Click to copy %1").arg(item->text()));
    }
  }
}

void SuggestionList::RowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const {
  QStyledItemDelegate::paint(painter, option, index);
  // A rule only where neighbours follow: under the last row it would say nothing.
  const int count = static_cast<int>(list_->CorrectionCount());
  if (index.row() != count - 1 || list_->count() <= count) return;
  painter->save();
  painter->setPen(QColor::fromRgb(kRuleColour));
  const QRect& row = option.rect;
  painter->drawLine(row.left() + 2, row.bottom(), row.right() - 2, row.bottom());
  painter->restore();
}

}  // namespace vuruzid::ui
