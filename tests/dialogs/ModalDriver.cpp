#include "ModalDriver.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QMessageBox>

namespace vuruzid::testing {

void WhenModal(std::function<bool(QWidget*)> matches, std::function<void(QWidget*)> action) {
  constexpr int kIntervalMs = 10, kGiveUpAfterTicks = 500;
  auto* timer = new QTimer;
  auto ticks = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [=] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal->isVisible() && matches(modal)) {
      timer->stop();
      timer->deleteLater();
      action(modal);
      return;
    }
    if (++*ticks < kGiveUpAfterTicks) return;
    timer->stop();
    timer->deleteLater();
    ADD_FAILURE() << "the expected modal window did not open";
    while (QWidget* open = QApplication::activeModalWidget()) open->close();
  });
  timer->start(kIntervalMs);
}

MessageBoxCatcher::MessageBoxCatcher() {
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); box && box->isVisible()) {
      texts_ << box->text();
      box->accept();
    }
  });
  timer_.start(10);
}

MessageBoxCatcher::~MessageBoxCatcher() { timer_.stop(); }

void TypeText(QWidget* widget, const QString& text) {
  for (const QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
  }
}

QWidget* ModalWindowAfterEvents() {
  QApplication::processEvents();
  return QApplication::activeModalWidget();
}

}  // namespace vuruzid::testing
