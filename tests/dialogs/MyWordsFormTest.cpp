// The "My words" dialog against a real engine and real word files: what it
// lists, what Remove and Add leave in the file, and how it tells of trouble.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <memory>

#include "ModalDriver.h"
#include "engine/Cp1251.h"
#include "engine/SpellingEngine.h"
#include "support/Dictionaries.h"
#include "support/TempFolder.h"
#include "ui/MyWordsUnit.h"

using vuruzid::testing::MessageBoxCatcher;
using vuruzid::testing::WhenModalOpens;

namespace {

using Words = std::vector<std::string>;

std::string Cp(std::string_view utf8) { return *vuruzid::cp1251::FromUtf8(utf8); }

// A program folder with English and Russian dictionaries and an engine in it.
class MyWordsForm : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(dir_ / "data");
    vuruzid::testing::WriteDictionary(dir_ / "english.dll", {"CAT", "DOG"});
    vuruzid::testing::WriteDictionary(dir_ / "russian.dll", {Cp("КОТ")});
  }

  vuruzid::SpellingEngine& Engine(int language = vuruzid::SpellingEngine::kEnglish) {
    if (!engine_) {
      engine_ = std::make_unique<vuruzid::SpellingEngine>(
          vuruzid::EngineFiles{dir_.path(), {dir_.path()}}, [this](const std::string& m) { messages_.push_back(m); });
      engine_->ActivateLanguage(language);
    }
    return *engine_;
  }

  // Shows the dialog and runs `act` on it while it is open, then closes it.
  void WhileShown(TMyWordsForm& dialog, const std::function<void(TMyWordsForm*)>& act) {
    bool acted = false;
    WhenModalOpens<TMyWordsForm>([&](TMyWordsForm* open) {
      act(open);
      acted = true;
      open->CloseButton->click();
    });
    dialog.ShowModal();
    EXPECT_TRUE(acted);
    EXPECT_FALSE(dialog.isVisible());
  }

  static QStringList Texts(const TMyWordsForm* open) {
    QStringList texts;
    for (int row = 0; row < open->WordList->count(); ++row) texts << open->WordList->item(row)->text();
    return texts;
  }

  static void Select(TMyWordsForm* open, const QStringList& texts) {
    open->WordList->clearSelection();
    for (const QString& text : texts)
      for (QListWidgetItem* item : open->WordList->findItems(text, Qt::MatchExactly)) item->setSelected(true);
  }

  vuruzid::testing::TempFolder dir_;
  std::vector<std::string> messages_;
  std::unique_ptr<vuruzid::SpellingEngine> engine_;
};

TEST_F(MyWordsForm, ListsTheWordsSortedAndRemovesTheSelection) {
  dir_.Write("data/dat_u.txt", "zebra\r\n\r\n ant\r\nCAT\r\nemu\r\nZebra\r\n");
  TMyWordsForm dialog(Engine());
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("My words"));
  WhileShown(dialog, [&](TMyWordsForm* open) {
    EXPECT_EQ(open->LanguageLabel->text(), QStringLiteral("English words"));
    EXPECT_TRUE(open->ProblemLabel->isHidden());
    EXPECT_EQ(Texts(open), (QStringList{"ANT", "CAT", "EMU", "ZEBRA"}));
    EXPECT_FALSE(open->RemoveButton->isEnabled());  // nothing selected

    Select(open, {"ANT", "ZEBRA"});
    ASSERT_TRUE(open->RemoveButton->isEnabled());
    open->RemoveButton->click();
    EXPECT_EQ(Texts(open), (QStringList{"CAT", "EMU"}));
    EXPECT_EQ(dir_.Read("data/dat_u.txt"), "\r\nCAT\r\nemu\r\n");
    EXPECT_FALSE(open->RemoveButton->isEnabled());

    Select(open, {"EMU"});
    QTest::keyClick(open->WordList, Qt::Key_Delete);
    EXPECT_EQ(Texts(open), QStringList{"CAT"});
    EXPECT_EQ(dir_.Read("data/dat_u.txt"), "\r\nCAT\r\n");
  });
  EXPECT_FALSE(Engine().wordList().Contains("ZEBRA"));
  EXPECT_TRUE(Engine().wordList().Contains("CAT"));  // the dictionary's own word
  EXPECT_TRUE(messages_.empty());
}

TEST_F(MyWordsForm, ShowsTheCurrentLanguageInItsLettersAtEveryShow) {
  dir_.Write("data/dat_u.txt", "ANT\r\n");
  dir_.Write("data/datr_u.txt", "ёж\nмышь\n");  // re-saved as UTF-8
  TMyWordsForm dialog(Engine());
  WhileShown(dialog, [](TMyWordsForm* open) { EXPECT_EQ(Texts(open), QStringList{"ANT"}); });

  Engine().SwitchLanguage();
  WhileShown(dialog, [&](TMyWordsForm* open) {
    EXPECT_EQ(open->LanguageLabel->text(), QStringLiteral("Russian words"));
    EXPECT_EQ(Texts(open), (QStringList{QString::fromUtf8("ЁЖ"), QString::fromUtf8("МЫШЬ")}));
    EXPECT_EQ(open->ListedWords(), (Words{Cp("ЁЖ"), Cp("МЫШЬ")}));
    Select(open, {QString::fromUtf8("ЁЖ")});
    open->RemoveButton->click();
    vuruzid::testing::TypeText(open->WordEdit, QString::fromUtf8("лис"));
    open->AddButton->click();
  });
  EXPECT_EQ(dir_.Read("data/datr_u.txt"), "мышь\nЛИС\n");
}

TEST_F(MyWordsForm, AddsTheTrimmedWordInCapitalsAndRefusesWhatIsNoWord) {
  dir_.Write("data/dat_u.txt", "ANT\r\n");
  TMyWordsForm dialog(Engine());
  WhileShown(dialog, [&](TMyWordsForm* open) {
    EXPECT_TRUE(open->AddMessage->isHidden());
    open->WordEdit->setText(QStringLiteral("  lynx "));
    QTest::keyClick(open->WordEdit, Qt::Key_Return);
    EXPECT_EQ(Texts(open), (QStringList{"ANT", "LYNX"}));
    EXPECT_TRUE(open->WordList->item(1)->isSelected());
    EXPECT_TRUE(open->WordEdit->text().isEmpty());
    EXPECT_EQ(dir_.Read("data/dat_u.txt"), "ANT\r\nLYNX\r\n");

    const struct {
      const char* text;
      const char* said;
    } refused[] = {
        {"\xC5\x81\xC3\xB3" "d\xC5\xBA", "U+0141"},  // Łódź
        {"   ", "type a word first"},
        {"", "type a word first"},
    };
    for (const auto& r : refused) {
      SCOPED_TRACE(r.text);
      open->WordEdit->setText(QString::fromUtf8(r.text));
      open->AddButton->click();
      EXPECT_FALSE(open->AddMessage->isHidden());
      EXPECT_TRUE(open->AddMessage->text().contains(QString::fromLatin1(r.said))) << open->AddMessage->text().toStdString();
      EXPECT_EQ(open->WordEdit->text(), QString::fromUtf8(r.text));  // left to be corrected
      EXPECT_EQ(Texts(open), (QStringList{"ANT", "LYNX"}));
    }
    vuruzid::testing::TypeText(open->WordEdit, QStringLiteral("x"));
    EXPECT_TRUE(open->AddMessage->isHidden());  // typing on clears the refusal

    open->WordEdit->setText(QStringLiteral("Lynx"));  // the user's own already
    open->AddButton->click();
    EXPECT_EQ(Texts(open), (QStringList{"ANT", "LYNX"}));
  });
  EXPECT_EQ(dir_.Read("data/dat_u.txt"), "ANT\r\nLYNX\r\n");
  EXPECT_TRUE(Engine().wordList().Contains("LYNX"));
}

TEST_F(MyWordsForm, AFileThatCannotBeWrittenIsReportedAndTheDialogStaysUsable) {
  dir_.Write("data/dat_u.txt", "ANT\r\n");
  TMyWordsForm dialog(Engine());
  QStringList reports;
  WhileShown(dialog, [&](TMyWordsForm* open) {
    // A file where the data folder was: nothing below it can be read or written, also by root.
    std::filesystem::rename(dir_ / "data", dir_ / "old-data");
    dir_.Write("data", "");
    {
      MessageBoxCatcher boxes;
      open->WordEdit->setText(QStringLiteral("yak"));
      open->AddButton->click();  // returns once the report is closed
      Select(open, {"ANT"});
      open->RemoveButton->click();
      reports = boxes.texts();
    }
    EXPECT_TRUE(open->isVisible());
    // The added word is kept in memory for a later save; nothing was removed.
    EXPECT_EQ(Texts(open), (QStringList{"ANT", "YAK"}));
    EXPECT_TRUE(open->AddButton->isEnabled());
  });
  ASSERT_EQ(reports.size(), 2);
  EXPECT_EQ(reports[0], QStringLiteral("Cannot create file data/dat_u.txt"));
  EXPECT_TRUE(reports[1].startsWith(QStringLiteral("No word was removed: data/dat_u.txt cannot be read")))
      << reports[1].toStdString();
  EXPECT_EQ(dir_.Read("old-data/dat_u.txt"), "ANT\r\n");
}

TEST_F(MyWordsForm, AFileThatCannotBeReadIsShownAndNothingCanBeRemoved) {
  dir_.Write("data/dat_u.txt/notes.txt", "ANT\r\n");  // a folder in the file's place
  TMyWordsForm dialog(Engine());
  ASSERT_EQ(messages_.size(), 1u);  // told at start, once
  WhileShown(dialog, [&](TMyWordsForm* open) {
    EXPECT_FALSE(open->ProblemLabel->isHidden());
    EXPECT_EQ(open->ProblemLabel->text(),
              QStringLiteral("data/dat_u.txt is a folder, not a file: its words cannot be read or removed."));
    {
      MessageBoxCatcher boxes;
      open->WordEdit->setText(QStringLiteral("yak"));
      open->AddButton->click();
      EXPECT_EQ(boxes.texts(), QStringList{"Cannot create file data/dat_u.txt"});
    }
    Select(open, {"YAK"});
    EXPECT_FALSE(open->RemoveButton->isEnabled());
    QTest::keyClick(open->WordList, Qt::Key_Delete);
    EXPECT_EQ(Texts(open), QStringList{"YAK"});
  });
  EXPECT_EQ(dir_.Read("data/dat_u.txt/notes.txt"), "ANT\r\n");
}

}  // namespace
