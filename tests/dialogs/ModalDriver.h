#pragma once

#include <QApplication>
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

// Types `text` into `widget` as key presses carrying text (any script).
void TypeText(QWidget* widget, const QString& text);

// The modal window on view once pending events are handled (nullptr if none).
QWidget* ModalWindowAfterEvents();

}  // namespace vuruzid::testing
