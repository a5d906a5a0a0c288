#include "ui/MyWordsUnit.h"

#include <QBoxLayout>
#include <QByteArray>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <exception>
#include <optional>

#include "engine/Cp1251.h"
#include "engine/SpellingEngine.h"
#include "ui/Cp1251Text.h"
#include "ui/Fonts.h"
#include "ui/MessageBoxes.h"

namespace {

constexpr int kWordRole = Qt::UserRole;  // an item's word in Windows-1251, as the engine holds it

QString CodePoint(char32_t c) {
  return QStringLiteral("U+") + QString::number(uint(c), 16).toUpper().rightJustified(4, u'0');
}

}  // namespace

TMyWordsForm::TMyWordsForm(vuruzid::SpellingEngine& engine, QWidget* parent) : QDialog(parent), engine_(engine) {
  setObjectName(QStringLiteral("MyWordsForm"));
  setWindowTitle(QStringLiteral("My words"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setAttribute(Qt::WA_AlwaysShowToolTips);  // also while the main window of another program is active
  setFont(vuruzid::ui::SansFont());

  LanguageLabel = new QLabel(this);
  LanguageLabel->setObjectName(QStringLiteral("LanguageLabel"));

  ProblemLabel = new QLabel(this);
  ProblemLabel->setObjectName(QStringLiteral("ProblemLabel"));
  ProblemLabel->setWordWrap(true);
  ProblemLabel->setStyleSheet(QStringLiteral("color: red"));
  ProblemLabel->hide();

  WordList = new QListWidget(this);
  WordList->setObjectName(QStringLiteral("WordList"));
  WordList->setSelectionMode(QAbstractItemView::ExtendedSelection);
  WordList->setMinimumSize(220, 220);
  WordList->installEventFilter(this);  // Delete removes the selection

  RemoveButton = new QPushButton(QStringLiteral("Remove"), this);
  RemoveButton->setObjectName(QStringLiteral("RemoveButton"));
  RemoveButton->setToolTip(QStringLiteral("Takes the selected words out of your words (Delete)"));

  WordEdit = new QLineEdit(this);
  WordEdit->setObjectName(QStringLiteral("WordEdit"));
  WordEdit->setMaxLength(32767);  // Qt's ceiling; far above any word
  AddButton = new QPushButton(QStringLiteral("Add"), this);
  AddButton->setObjectName(QStringLiteral("AddButton"));
  AddButton->setToolTip(QStringLiteral("Adds the word typed beside it to your words (Enter)"));

  AddMessage = new QLabel(this);
  AddMessage->setObjectName(QStringLiteral("AddMessage"));
  AddMessage->setWordWrap(true);
  AddMessage->setStyleSheet(QStringLiteral("color: red"));
  AddMessage->hide();

  CloseButton = new QPushButton(QStringLiteral("Close"), this);
  CloseButton->setObjectName(QStringLiteral("CloseButton"));

  // Enter belongs to the edit box: no button takes it.
  for (QPushButton* button : {RemoveButton, AddButton, CloseButton}) {
    button->setAutoDefault(false);
    button->setDefault(false);
  }

  auto* listRow = new QHBoxLayout;
  listRow->addWidget(WordList, 1);
  auto* listButtons = new QVBoxLayout;
  listButtons->addWidget(RemoveButton);
  listButtons->addStretch(1);
  listRow->addLayout(listButtons);

  auto* addRow = new QHBoxLayout;
  addRow->addWidget(WordEdit, 1);
  addRow->addWidget(AddButton);

  auto* closeRow = new QHBoxLayout;
  closeRow->addStretch(1);
  closeRow->addWidget(CloseButton);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(LanguageLabel);
  layout->addWidget(ProblemLabel);
  layout->addLayout(listRow, 1);
  layout->addLayout(addRow);
  layout->addWidget(AddMessage);
  layout->addLayout(closeRow);

  setTabOrder(WordList, RemoveButton);
  setTabOrder(RemoveButton, WordEdit);
  setTabOrder(WordEdit, AddButton);
  setTabOrder(AddButton, CloseButton);

  connect(WordList, &QListWidget::itemSelectionChanged, this, &TMyWordsForm::UpdateRemoveButton);
  connect(RemoveButton, &QPushButton::clicked, this, &TMyWordsForm::RemoveClick);
  connect(AddButton, &QPushButton::clicked, this, &TMyWordsForm::AddClick);
  connect(WordEdit, &QLineEdit::returnPressed, this, &TMyWordsForm::AddClick);
  connect(WordEdit, &QLineEdit::textEdited, AddMessage, &QLabel::hide);
  connect(CloseButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TMyWordsForm::ShowModal() {
  WordEdit->clear();
  AddMessage->hide();
  Refill();
  if (WordList->count() > 0) {
    WordList->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    WordList->setFocus();
  } else {
    WordEdit->setFocus();
  }
  exec();
  // Later shows open where this one was left instead of re-centring.
  setAttribute(Qt::WA_Moved);
}

std::vector<std::string> TMyWordsForm::ListedWords() const {
  std::vector<std::string> words;
  for (int row = 0; row < WordList->count(); ++row)
    words.push_back(WordList->item(row)->data(kWordRole).toByteArray().toStdString());
  return words;
}

void TMyWordsForm::Refill(const std::string& selected) {
  const bool russian = engine_.language() == vuruzid::SpellingEngine::kRussian;
  LanguageLabel->setText(russian ? QStringLiteral("Russian words") : QStringLiteral("English words"));
  const std::string problem = engine_.OwnWordFileProblem();
  fileReadable_ = problem.empty();
  ProblemLabel->setText(QString::fromStdString(problem));
  ProblemLabel->setVisible(!fileReadable_);

  WordList->clear();
  for (const std::string& word : engine_.OwnWords()) {
    auto* item = new QListWidgetItem(vuruzid::ui::FromCp1251(word), WordList);
    item->setData(kWordRole, QByteArray::fromStdString(word));
    if (word == selected) {
      item->setSelected(true);
      WordList->setCurrentItem(item, QItemSelectionModel::NoUpdate);
      WordList->scrollToItem(item);
    }
  }
  UpdateRemoveButton();
}

void TMyWordsForm::UpdateRemoveButton() {
  // A file that could not be read cannot be rewritten without its words.
  RemoveButton->setEnabled(fileReadable_ && !WordList->selectedItems().isEmpty());
}

void TMyWordsForm::RemoveClick() {
  if (!RemoveButton->isEnabled()) return;
  std::vector<std::string> words;
  for (const QListWidgetItem* item : WordList->selectedItems())
    words.push_back(item->data(kWordRole).toByteArray().toStdString());
  try {
    engine_.RemoveOwnWords(words);
  } catch (const std::exception& e) {
    vuruzid::ui::ShowErrorReport(QString::fromStdString(e.what()), this);
  }
  Refill();
  WordList->setFocus();
}

void TMyWordsForm::RefuseToAdd(const QString& why) {
  AddMessage->setText(why);
  AddMessage->show();
  WordEdit->setFocus();
}

void TMyWordsForm::AddClick() {
  AddMessage->hide();
  char32_t unmappable = 0;
  const std::optional<std::string> text = vuruzid::cp1251::FromUtf8(WordEdit->text().toStdString(), &unmappable);
  if (!text) {
    const QString character = QString::fromUcs4(&unmappable, 1);
    RefuseToAdd(QStringLiteral("Not added: the character \"%1\" (%2) cannot be stored; only English and Russian "
                               "letters and the usual signs can.")
                    .arg(character, CodePoint(unmappable)));
    return;
  }
  const std::string word = vuruzid::cp1251::ToUpper(vuruzid::cp1251::Trim(*text));
  if (word.empty()) {
    RefuseToAdd(QStringLiteral("Not added: type a word first."));
    return;
  }
  try {
    engine_.AddUserWord(word);
    WordEdit->clear();
  } catch (const std::exception& e) {
    // The engine keeps the word and writes it with the next save.
    vuruzid::ui::ShowErrorReport(QString::fromStdString(e.what()), this);
  }
  Refill(word);
  WordEdit->setFocus();
}

bool TMyWordsForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == WordList && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
    RemoveClick();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TMyWordsForm::keyPressEvent(QKeyEvent* event) {
  // Escape does not close it, as in the program's other dialogs: Close and the
  // close box do.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}
