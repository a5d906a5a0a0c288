// The main window's add button with the real add-word dialog, word lists and
// user word files: what is offered, and what Ok and Cancel leave behind.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "ModalDriver.h"
#include "ScratchDesktop.h"
#include "support/Dictionaries.h"
#include "ui/AddWordUnit.h"
#include "ui/MainUnit.h"

namespace fs = std::filesystem;
using vuruzid::testing::ReadFile;
using vuruzid::testing::ScratchDesktop;
using vuruzid::testing::WhileOpen;

namespace {

constexpr int16_t kInsertOn = 1;
constexpr uint8_t kBlank = 32, kLeft = 37, kRight = 39;

struct AddOutcome {
  bool opened = false;
  QString offered;
  QString reported;
};

}  // namespace

class AddAction : public ::testing::Test {
 protected:
  AddAction() {
    vuruzid::testing::WriteDictionary(session.program() / "english.dll", {"CAT", "CATS", "DOG"});
    vuruzid::testing::WriteDictionary(session.program() / "russian.dll",
                                      {"\xC4\xCE\xCC"});  // ДОМ
    window = std::make_unique<TMainForm>(session.program());
    addForm = std::make_unique<TAddWordForm>(window.get());
    window->SetDialogs(addForm.get(), nullptr, nullptr);
    window->show();
  }

  void Type(const std::string& keys) {
    for (unsigned char key : keys) window->KeyDown({key, kInsertOn});
  }
  std::string Display() const { return window->Engine().display().word; }
  bool Known(const std::string& word) const { return window->Engine().wordList().FindExact(word).has_value(); }
  std::string UserFile(const char* name = "dat_u.txt") const {
    return ReadFile(session.program() / "data" / name);
  }

  // Presses the add button like the user; `answer` handles the dialog if it opens.
  AddOutcome PressAdd(const std::function<void(TAddWordForm*)>& answer) {
    AddOutcome outcome;
    vuruzid::testing::MessageBoxCatcher reports;
    {
      WhileOpen<TAddWordForm> dialog([&](TAddWordForm* open) {
        outcome.opened = true;
        outcome.offered = open->Edit1->text();
        answer(open);
      });
      auto* button = window->findChild<QWidget*>(QStringLiteral("Image29"));
      EXPECT_NE(button, nullptr);
      if (button) QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, 4));
    }
    outcome.reported = reports.joined();
    return outcome;
  }
  static std::function<void(TAddWordForm*)> Ok(const char* utf8Text) {
    return [text = QString::fromUtf8(utf8Text)](TAddWordForm* open) {
      open->Edit1->setText(text);
      open->Button1->click();
    };
  }
  static void Cancel(TAddWordForm* open) { open->Button2->click(); }

  ScratchDesktop session;
  std::unique_ptr<TMainForm> window;
  std::unique_ptr<TAddWordForm> addForm;
};

TEST_F(AddAction, AnEmptyOrSingleBlankDisplayOpensNothing) {
  ASSERT_EQ(Display(), "");
  EXPECT_FALSE(PressAdd(Cancel).opened);

  Type("CAX");
  ASSERT_TRUE(PressAdd(Ok(" ")).opened);
  ASSERT_EQ(Display(), " ");
  EXPECT_FALSE(PressAdd(Cancel).opened);
  EXPECT_EQ(UserFile(), " \r\n");
}

TEST_F(AddAction, OffersTheWordWithoutItsFirstMarkerAndCancelChangesNothing) {
  Type("WORD");
  Type({char(kBlank)});
  ASSERT_EQ(Display(), "WORD_");
  const size_t words = window->Engine().wordList().size();
  const AddOutcome first = PressAdd(Cancel);
  EXPECT_TRUE(first.opened);
  EXPECT_EQ(first.offered, "WORD");

  // Back into a wrong word: it is offered as the display shows it, marker off.
  Type("ABC");
  Type({char(kBlank), char(kLeft)});
  ASSERT_EQ(Display(), "ABC_");
  EXPECT_EQ(PressAdd([](TAddWordForm* open) {
              open->Edit1->setText("ABCD");
              open->close();  // the close box after editing
            }).offered,
            "ABC");
  EXPECT_EQ(Display(), "ABC_");
  EXPECT_EQ(window->Engine().wordList().size(), words);
  EXPECT_TRUE(window->Engine().userWordList().empty());
  EXPECT_FALSE(fs::exists(session.program() / "data/dat_u.txt"));
}

TEST_F(AddAction, ALowerCaseWordIsAddedInCapitalsSavedAndShownInLime) {
  Type("XYZ");
  ASSERT_NE(window->Engine().display().wordColour, vuruzid::kLimeColour);
  ASSERT_TRUE(PressAdd(Ok("hello")).opened);
  EXPECT_TRUE(Known("HELLO"));
  EXPECT_EQ(window->Engine().userWordList(), vuruzid::UserWordList{"HELLO"});
  EXPECT_EQ(UserFile(), "HELLO\r\n");
  EXPECT_EQ(Display(), "HELLO");
  EXPECT_EQ(window->Engine().display().wordColour, vuruzid::kLimeColour);
}

TEST_F(AddAction, APaddedWordIsStoredPaddedButListedAndOfferedTrimmed) {
  Type("XYZ");
  PressAdd(Ok(" mouse "));
  EXPECT_EQ(UserFile(), " MOUSE \r\n");
  EXPECT_TRUE(Known("MOUSE"));
  EXPECT_EQ(Display(), " MOUSE ");
  EXPECT_EQ(PressAdd(Cancel).offered, "MOUSE");
}

TEST_F(AddAction, AnEmptyOkAndAKnownWordStillReachTheFile) {
  const size_t words = window->Engine().wordList().size();
  Type("XYZ");
  PressAdd(Ok(""));
  EXPECT_EQ(Display(), "");
  EXPECT_EQ(window->Engine().display().wordColour, vuruzid::kLimeColour);
  Type("DOGE");
  PressAdd(Ok("dog"));
  EXPECT_EQ(window->Engine().wordList().size(), words);
  EXPECT_EQ(UserFile(), "\r\nDOG\r\n");
}

TEST_F(AddAction, RussianWordsGoToTheRussianFileInCapitals) {
  auto* language = window->findChild<QWidget*>(QStringLiteral("Image11"));
  ASSERT_NE(language, nullptr);
  QTest::mouseClick(language, Qt::LeftButton, {}, QPoint(4, 4));
  ASSERT_EQ(window->Engine().language(), 1);
  Type("XYZ");  // key codes: under the Russian map these are Cyrillic letters
  ASSERT_TRUE(PressAdd(Ok("привет")).opened);
  EXPECT_EQ(UserFile("datr_u.txt"), "\xCF\xD0\xC8\xC2\xC5\xD2\r\n");  // ПРИВЕТ
  EXPECT_FALSE(fs::exists(session.program() / "data/dat_u.txt"));
}

TEST_F(AddAction, AFileThatCannotBeWrittenIsReportedAndTheWordKept) {
  fs::create_directories(session.program() / "data/dat_u.txt");  // a folder in the file's place
  Type("XYZ");
  const AddOutcome outcome = PressAdd(Ok("mouse"));
  EXPECT_TRUE(outcome.reported.contains("Cannot create file data/dat_u.txt")) << outcome.reported.toStdString();
  EXPECT_TRUE(Known("MOUSE"));
  EXPECT_EQ(window->Engine().userWordList(), vuruzid::UserWordList{"MOUSE"});

  fs::remove(session.program() / "data/dat_u.txt");
  Type("ABCD");
  PressAdd(Ok("rat"));
  EXPECT_EQ(UserFile(), "MOUSE\r\nRAT\r\n");  // the next save writes the kept word too
}
