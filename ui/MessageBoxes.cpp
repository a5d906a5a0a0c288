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

void ShowNotice(const QString& text, QWidget* parent) {
  auto* box = new QMessageBox(QMessageBox::NoIcon, QString::fromLatin1(kApplicationTitle), text, QMessageBox::Ok, parent);
  box->setObjectName(QStringLiteral("Notice"));
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setAttribute(Qt::WA_ShowWithoutActivating);
  box->setWindowModality(Qt::NonModal);
  box->show();
}

}  // namespace vuruzid::ui
