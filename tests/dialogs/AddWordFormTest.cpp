// The add-word dialog on its own: what it offers, what Ok and Cancel leave behind.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "ModalDriver.h"
#include "ui/AddWordUnit.h"

using vuruzid::testing::WhenModalOpens;

namespace {

// Windows-1251 bytes of "ПРИВЕТ" and "привет".
const std::string kPrivetUpper = "\xCF\xD0\xC8\xC2\xC5\xD2";
const std::string kPrivetLower = "\xEF\xF0\xE8\xE2\xE5\xF2";

struct Shown {
  QString text;
  QString selected;
  bool editHasFocus = false;
  int okPressedWhileOpen = -1;
};

// Shows the dialog with `word`, records what it offers, then lets `close` end it.
Shown ShowAndClose(TAddWordForm& dialog, const std::string& word,
                   const std::function<void(TAddWordForm*)>& close) {
  Shown shown;
  WhenModalOpens<TAddWordForm>([&](TAddWordForm* open) {
    shown.text = open->Edit1->text();
    shown.selected = open->Edit1->selectedText();
    // Focus comes with the window's activation, which a loaded machine may deliver late.
    shown.editHasFocus = QTest::qWaitFor([open] { return open->Edit1->hasFocus(); }, 5000);
    shown.okPressedWhileOpen = open->OkPressed();
    close(open);
  });
  dialog.ShowModal(word);
  return shown;
}

}  // namespace

TEST(AddWordForm, TheCaptionIsNotCut) {
  TAddWordForm dialog;
  EXPECT_GE(dialog.Label1->width(), dialog.Label1->sizeHint().width());
}

TEST(AddWordForm, OffersTheWordSelectedAndReturnsItOnOk) {
  TAddWordForm dialog;
  const Shown shown = ShowAndClose(dialog, kPrivetUpper, [](TAddWordForm* open) {
    vuruzid::testing::TypeText(open->Edit1, QString::fromUtf8("привет"));  // replaces the selection
    open->Button1->click();
  });
  EXPECT_EQ(shown.text, QString::fromUtf8("ПРИВЕТ"));
  EXPECT_EQ(shown.selected, QString::fromUtf8("ПРИВЕТ"));
  EXPECT_TRUE(shown.editHasFocus);
  EXPECT_EQ(dialog.OkPressed(), 1);
  EXPECT_EQ(dialog.EditText(), kPrivetLower);
  EXPECT_FALSE(dialog.isVisible());
}

TEST(AddWordForm, OkPressedIsResetAtEveryShow) {
  TAddWordForm dialog;
  ShowAndClose(dialog, "CAT", [](TAddWordForm* open) { open->Button1->click(); });
  ASSERT_EQ(dialog.OkPressed(), 1);

  Shown shown = ShowAndClose(dialog, "CAT", [](TAddWordForm* open) { open->Button2->click(); });
  EXPECT_EQ(shown.okPressedWhileOpen, 0);
  EXPECT_EQ(dialog.OkPressed(), 0);

  ShowAndClose(dialog, "CAT", [](TAddWordForm* open) { open->Button1->click(); });
  ASSERT_EQ(dialog.OkPressed(), 1);
  ShowAndClose(dialog, "CAT", [](TAddWordForm* open) { open->close(); });  // the close box
  EXPECT_EQ(dialog.OkPressed(), 0);
}

TEST(AddWordForm, EnterAndEscapeNeitherConfirmNorClose) {
  TAddWordForm dialog;
  bool stillOpen = false;
  ShowAndClose(dialog, "CAT", [&](TAddWordForm* open) {
    QTest::keyClick(open->Edit1, Qt::Key_Return);
    QTest::keyClick(open->Edit1, Qt::Key_Escape);
    stillOpen = open->isVisible();
    open->Button2->click();
  });
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(dialog.OkPressed(), 0);
}

TEST(AddWordForm, ACharacterTheWordListCannotHoldKeepsTheDialogOpen) {
  TAddWordForm dialog;
  QString message;
  bool openAfterRefusal = false;
  int okPressedAfterRefusal = -1;
  ShowAndClose(dialog, "CAT", [&](TAddWordForm* open) {
    open->Edit1->setText(QString::fromUtf8("ŁÓDŹ"));
    WhenModalOpens<QMessageBox>([&](QMessageBox* box) {
      message = box->text();
      box->accept();
    });
    open->Button1->click();  // returns once the message box is closed
    openAfterRefusal = open->isVisible();
    okPressedAfterRefusal = open->OkPressed();
    open->Edit1->setText(QStringLiteral("LODZ"));
    open->Button1->click();
  });
  EXPECT_TRUE(message.contains(QString::fromUtf8("Ł")));
  EXPECT_TRUE(message.contains(QStringLiteral("U+0141")));
  EXPECT_TRUE(openAfterRefusal);
  EXPECT_EQ(okPressedAfterRefusal, 0);
  EXPECT_EQ(dialog.OkPressed(), 1);
  EXPECT_EQ(dialog.EditText(), "LODZ");
}

TEST(AddWordForm, CentresOverItsParentOnceThenKeepsItsPlace) {
  QWidget mainWindow;
  mainWindow.setGeometry(300, 200, 271, 106);
  mainWindow.show();
  TAddWordForm dialog(&mainWindow);

  QPoint firstPlace;
  ShowAndClose(dialog, "A", [&](TAddWordForm* open) {
    firstPlace = open->pos();
    EXPECT_LE((open->geometry().center() - mainWindow.geometry().center()).manhattanLength(), 4);
    open->Button2->click();
  });

  mainWindow.move(600, 500);  // the dialog does not follow the main window
  QPoint secondPlace;
  ShowAndClose(dialog, "A", [&](TAddWordForm* open) {
    secondPlace = open->pos();
    open->move(40, 50);  // the user drags it aside
    open->Button2->click();
  });
  EXPECT_EQ(secondPlace, firstPlace);

  QPoint thirdPlace;
  ShowAndClose(dialog, "A", [&](TAddWordForm* open) {
    thirdPlace = open->pos();
    open->Button2->click();
  });
  EXPECT_EQ(thirdPlace, QPoint(40, 50));
}
