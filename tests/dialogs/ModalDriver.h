#pragma once

#include <QApplication>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace vuruzid::testing {

// Modal windows run their own event loop, so a test acts on them from a timer:
// `action` runs once a modal window of type T is the active one. When none
// opens within a few seconds, the test fails and every modal window is closed
// so that the test can finish.
void WhenModal(std::function<bool(QWidget*)> matches, std::function<void(QWidget*)> action);

template <class T>
void WhenModalOpens(std::function<void(T*)> action) {
  WhenModal([](QWidget* w) { return dynamic_cast<T*>(w) != nullptr; },
            [action](QWidget* w) { action(dynamic_cast<T*>(w)); });
}

// While it lives, runs `action` on every modal window of type T that opens;
// for steps that may or may not open one.
template <class T>
class WhileOpen {
 public:
  explicit WhileOpen(std::function<void(T*)> action) {
    QObject::connect(&timer_, &QTimer::timeout, [this, action] {
      if (auto* open = dynamic_cast<T*>(QApplication::activeModalWidget()); open && open->isVisible()) {
        ++count_;
        action(open);
      }
    });
    timer_.start(10);
  }
  int count() const { return count_; }

 private:
  QTimer timer_;
  int count_ = 0;
};

// While it lives, answers every message box that opens with its default
// button and keeps the texts, for steps that may or may not report something.
class MessageBoxCatcher {
 public:
  MessageBoxCatcher();
  ~MessageBoxCatcher();
  MessageBoxCatcher(const MessageBoxCatcher&) = delete;
  MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

  const QStringList& texts() const { return texts_; }
  QString joined() const { return texts_.join(QStringLiteral("\n")); }

 private:
  QTimer timer_;
  QStringList texts_;
};

// Types `text` into `widget` as key presses carrying text (any script).
void TypeText(QWidget* widget, const QString& text);

// The modal window on view once pending events are handled (nullptr if none).
QWidget* ModalWindowAfterEvents();

}  // namespace vuruzid::testing
