#pragma once

#include <QListWidget>
#include <QStyledItemDelegate>
#include <cstddef>
#include <string>
#include <vector>

namespace vuruzid::ui {

// The full window's list (ListBox1): the corrections of a wrong word first,
// best first, in bold lime with a thin rule under the last, then the
// neighbouring dictionary words in the list's own silver. A word the keys
// spell in the other language's layout leads it, in bold yellow, its row
// saying so ("ПРИВЕТ — ru layout").
class SuggestionList : public QListWidget {
  Q_OBJECT
 public:
  SuggestionList(QWidget* parent, int rowHeight);

  // Shows `words`, of which the first `correctionCount` are corrections
  // (Windows-1251); a non-empty `otherLayout` names the layout the first word
  // is typed in ("ru layout"). The same words again leave the list as it is.
  void Show(const std::vector<std::string>& words, size_t correctionCount, const QString& otherLayout = {});
  size_t CorrectionCount() const { return correctionCount_; }
  bool IsCorrection(const QListWidgetItem* item) const { return item && row(item) < static_cast<int>(correctionCount_); }
  bool IsOtherLayoutWord(const QListWidgetItem* item) const {
    return item && row(item) == 0 && !otherLayout_.isEmpty();
  }
  // The word a row lists, without what its row says of it.
  QString WordOf(const QListWidgetItem* item) const;
  // The rows set apart at the top: the other layout's word and the corrections.
  int LeadingRows() const;

 private:
  // Draws each row as usual, and the rule that ends the corrections.
  class RowDelegate : public QStyledItemDelegate {
   public:
    explicit RowDelegate(SuggestionList* list) : QStyledItemDelegate(list), list_(list) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

   private:
    const SuggestionList* list_;
  };

  int rowHeight_;
  std::vector<std::string> words_;
  size_t correctionCount_ = 0;
  QString otherLayout_;
};

}  // namespace vuruzid::ui
