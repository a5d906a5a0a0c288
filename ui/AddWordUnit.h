#pragma once

#include <QDialog>
#include <QString>
#include <optional>
#include <string>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vuruzid::ui {

// Centres a top-level widget on the screen it is on (or the primary screen).
void CentreOnScreen(QWidget* window);

}  // namespace vuruzid::ui

// The add-word dialog: offers the displayed word for correction before it is
// added to the user's word list. Created once and kept hidden between uses.
class TAddWordForm : public QDialog {
 public:
  explicit TAddWordForm(QWidget* parent = nullptr);

  // Fills the edit box with `word` (Windows-1251), shows the dialog modally and
  // returns when it closes. The text comes up selected, so typing replaces it.
  void ShowModal(const std::string& word);
  // 1 only when the dialog was closed through Ok since it was last shown.
  int OkPressed() const { return okPressed_; }
  // The edited text in Windows-1251 (always representable after an Ok).
  std::string EditText() const;

  void Button1Click();  // Ok
  void Button2Click();  // Cancel

  QLabel* Label1;
  QLineEdit* Edit1;
  QPushButton* Button1;
  QPushButton* Button2;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void FormShow();

  int okPressed_ = 0;
};
