#include "ui/AddWordUnit.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "engine/Cp1251.h"
#include "ui/Cp1251Text.h"
#include "ui/Fonts.h"
#include "ui/MessageBoxes.h"

namespace vuruzid::ui {

void CentreOnScreen(QWidget* window) {
  QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
}


}  // namespace vuruzid::ui

TAddWordForm::TAddWordForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral(" QOR Vuruzid"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setFont(vuruzid::ui::SansFont());
  setFixedSize(251, 91);

  Label1 = new QLabel(QStringLiteral("Add this word to the data base"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->move(12, 8);
  Label1->adjustSize();  // the caption decides the width, so it is never cut

  Edit1 = new QLineEdit(this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit1->setGeometry(8, 28, 233, 21);
  Edit1->setMaxLength(32767);  // Qt's ceiling; far above any word

  Button1 = new QPushButton(QStringLiteral("Ok"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(8, 60, 117, 21);
  Button2 = new QPushButton(QStringLiteral("Cancel"), this);
  Button2->setObjectName(QStringLiteral("Button2"));
  Button2->setGeometry(176, 60, 65, 21);
  // Neither button answers Enter: the user confirms deliberately with a click.
  for (QPushButton* button : {Button1, Button2}) {
    button->setAutoDefault(false);
    button->setDefault(false);
  }

  setTabOrder(Edit1, Button1);
  setTabOrder(Button1, Button2);

  connect(Button1, &QPushButton::clicked, this, &TAddWordForm::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TAddWordForm::Button2Click);
}

void TAddWordForm::ShowModal(const std::string& word) {
  Edit1->setText(vuruzid::ui::FromCp1251(word));
  exec();
  // Later shows open where this one was left instead of re-centring.
  setAttribute(Qt::WA_Moved);
}

std::string TAddWordForm::EditText() const {
  return vuruzid::cp1251::FromUtf8(Edit1->text().toStdString()).value_or(std::string());
}

void TAddWordForm::Button1Click() {
  // A character the word list cannot hold would be mangled on saving.
  if (!vuruzid::ui::ToCp1251OrExplain(this, Edit1->text(), QStringLiteral("the word"))) {
    Edit1->setFocus();
    return;
  }
  okPressed_ = 1;
  accept();
}

void TAddWordForm::Button2Click() { reject(); }

void TAddWordForm::FormShow() {
  okPressed_ = 0;
  Edit1->selectAll();
  Edit1->setFocus();
}

void TAddWordForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();  // not when merely restored by the window system
}

void TAddWordForm::keyPressEvent(QKeyEvent* event) {
  // Escape does not close it, as in the program's other dialogs: like Enter, it
  // would end the dialog without the deliberate click on Ok or Cancel.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}
