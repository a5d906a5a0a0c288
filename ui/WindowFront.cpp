#include "ui/WindowFront.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>

namespace vuruzid::ui {
namespace {

class ModalRestorer : public QObject {
 public:
  explicit ModalRestorer(QObject* owner) : QObject(owner) { qApp->installEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::WindowStateChange || !watched->isWidgetType()) return false;
    auto* window = static_cast<QWidget*>(watched);
    if (window->isWindow() && window->isModal() && window->isMinimized()) {
      // After the state change is through: restoring inside it would be undone by it.
      QMetaObject::invokeMethod(
          this,
          [window = QPointer<QWidget>(window)] {
            if (window && window->isVisible() && window->isMinimized()) ShowInFront(window);
          },
          Qt::QueuedConnection);
    }
    return false;
  }
};

}  // namespace

void ShowInFront(QWidget* window) {
  window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
  window->show();
  window->raise();
  window->activateWindow();
}

void KeepModalWindowsUnminimized(QObject* owner) { new ModalRestorer(owner); }

}  // namespace vuruzid::ui
