// Minimizing to the notification area and back, and moving the window.
#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QCursor>
#include <QWindow>

#include "ui/MainUnit.h"
#include "ui/WindowFront.h"

namespace {

constexpr char kTrayToolTip[] = "QOR Reviv Oredur";

}  // namespace

void TMainForm::PostSysCommand(unsigned command) {
  QMetaObject::invokeMethod(this, [this, command] { WMSysCommand(command); }, Qt::QueuedConnection);
}

// Any minimize of the window (by the window manager, the task bar, the
// system) arrives here once start-up has bound it.
void TMainForm::MinimizeToTray() { PostSysCommand(kScMinimize); }

void TMainForm::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && minimizeGoesToTray_ && isMinimized() && isVisible())
    MinimizeToTray();
}

void TMainForm::WMSysCommand(unsigned command) {
  if (command == kScMinimize) {
    // Without a tray host an icon could not bring the window back: iconify
    // it normally instead.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
      if (!isMinimized()) showMinimized();
      return;
    }
    TrayIcon(kTrayAdd, appIcon_);
    hide();
    return;
  }
  switch (command & 0xFFF0) {
    case kScMove:
      StartDrag(QCursor::pos());
      break;
    case kScMinimize:
      showMinimized();
      break;
    case kScClose:
      close();
      break;
    default:
      break;
  }
}

void TMainForm::TrayIcon(int request, const QIcon& icon) {
  if (!trayIcon_) {
    trayIcon_ = new QSystemTrayIcon(this);
    trayIcon_->setObjectName(QStringLiteral("TrayIcon"));
    // Queued like the shell's callback message: the icon may be removed by
    // the handler, which must not happen inside the icon's own event.
    connect(trayIcon_, &QSystemTrayIcon::activated, this, &TMainForm::WMTrayNotify, Qt::QueuedConnection);
  }
  if (request == kTrayAdd) {
    trayIcon_->setIcon(icon);
    trayIcon_->setToolTip(QString::fromLatin1(kTrayToolTip));
    trayIcon_->show();
  } else if (request == kTrayDelete) {
    trayIcon_->hide();
  }
}

bool TMainForm::IsInTray() const { return trayIcon_ && trayIcon_->isVisible(); }

void TMainForm::WMTrayNotify(QSystemTrayIcon::ActivationReason reason) {
  const QPoint cursor = QCursor::pos();
  switch (reason) {
    case QSystemTrayIcon::Trigger:
    case QSystemTrayIcon::DoubleClick:
      TrayIcon(kTrayDelete, appIcon_);
      RestoreFromTray();
      break;
    case QSystemTrayIcon::Context:
      // The menu has no entries yet. Popped up empty it would show nothing
      // but hold the pointer, swallowing the next click on the icon.
      if (!PopupMenu1->isEmpty()) PopupMenu1->popup(cursor);
      break;
    default:
      break;
  }
}

void TMainForm::BringForward() {
  // Not yet shown means the welcome dialog of a first run is up: only it comes forward.
  if (IsInTray() || isVisible()) {
    if (IsInTray()) TrayIcon(kTrayDelete, appIcon_);
    RestoreFromTray();
  }
  if (QWidget* dialog = QApplication::activeModalWidget()) vuruzid::ui::ShowInFront(dialog);
}

// Shows the window again in the shape, place and style it had when hidden.
void TMainForm::RestoreFromTray() { vuruzid::ui::ShowInFront(this); }

// A press on the background: the window manager moves the window while the
// button is held; without one, the window follows the pointer itself.
void TMainForm::StartDrag(QPoint globalPos) {
  QWindow* window = windowHandle();
  manualDrag_ = !(window && window->startSystemMove());
  dragOffset_ = globalPos - pos();
}

void TMainForm::ContinueManualDrag(QPoint globalPos) {
  if (manualDrag_) move(globalPos - dragOffset_);
}
