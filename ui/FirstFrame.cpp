#include "ui/FirstFrame.h"

#include <QEvent>
#include <QObject>
#include <QWidget>

namespace vuruzid::ui {
namespace {

// Watches the window for its first paint, then queues the action (so it runs
// after the frame has gone to the screen) and removes itself.
class FirstFrameWatch : public QObject {
 public:
  FirstFrameWatch(QWidget* window, std::function<void()> action) : QObject(window), action_(std::move(action)) {
    window->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      watched->removeEventFilter(this);
      QMetaObject::invokeMethod(
          watched,
          [action = std::move(action_)] {
            if (action) action();
          },
          Qt::QueuedConnection);
      deleteLater();
    }
    return false;
  }

 private:
  std::function<void()> action_;
};

}  // namespace

void RunAfterFirstFrame(QWidget* window, std::function<void()> action) { new FirstFrameWatch(window, std::move(action)); }

}  // namespace vuruzid::ui
