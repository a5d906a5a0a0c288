#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QEvent;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace vuruzid {
class SpellingEngine;
}

// The "My words" dialog: the current language's own words, listed so that
// words added by mistake can be taken back and new ones added. Every change
// goes through the engine at once, so the list always shows the word file.
// Created once and kept hidden between uses.
class TMyWordsForm : public QDialog {
 public:
  explicit TMyWordsForm(vuruzid::SpellingEngine& engine, QWidget* parent = nullptr);

  // Fills the dialog from the engine, shows it modally and returns when it closes.
  void ShowModal();

  void RemoveClick();  // Remove, or Delete in the list: the selected words
  void AddClick();     // Add, or Enter in the edit box

  // The words listed, in Windows-1251 as the engine holds them.
  std::vector<std::string> ListedWords() const;

  QLabel* LanguageLabel;
  QLabel* ProblemLabel;   // why the word file cannot be read; hidden when it can
  QListWidget* WordList;
  QPushButton* RemoveButton;
  QLineEdit* WordEdit;
  QPushButton* AddButton;
  QLabel* AddMessage;     // why a word was not added; hidden otherwise
  QPushButton* CloseButton;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Lists the engine's words afresh, selecting `selected` (Windows-1251) when listed.
  void Refill(const std::string& selected = {});
  void UpdateRemoveButton();
  void RefuseToAdd(const QString& why);

  vuruzid::SpellingEngine& engine_;
  bool fileReadable_ = true;
};
