#include "ui/MessageBoxes.h"

#include <QMessageBox>

namespace vuruzid::ui {
namespace {

void ShowBox(QMessageBox::Icon icon, const QString& text, QWidget* parent) {
  QMessageBox box(icon, QString::fromLatin1(kApplicationTitle), text, QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace

void ShowErrorReport(const QString& text, QWidget* parent) { ShowBox(QMessageBox::Critical, text, parent); }

void ShowPlainMessage(const QString& text, QWidget* parent) { ShowBox(QMessageBox::NoIcon, text, parent); }

}  // namespace vuruzid::ui
