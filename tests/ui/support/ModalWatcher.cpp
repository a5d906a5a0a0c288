#include "support/ModalWatcher.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

namespace vuruzid::testing {

ModalWatcher::ModalWatcher(Handler handler) : handler_(std::move(handler)) {
  connect(&timer_, &QTimer::timeout, this, &ModalWatcher::Poll);
  timer_.start(15);
}

bool ModalWatcher::SawText(const QString& text) const {
  for (const Seen& s : seen_)
    if (s.text == text) return true;
  return false;
}

void ModalWatcher::Poll() {
  QWidget* modal = QApplication::activeModalWidget();
  if (!modal || !modal->isVisible() || modal == current_) return;
  current_ = modal;
  Seen seen{modal->windowTitle(), {}, 0};
  if (auto* box = qobject_cast<QMessageBox*>(modal)) {
    seen.text = box->text();
    seen.icon = box->icon();
  }
  seen_.push_back(seen);
  QPointer<QWidget> guard(modal);
  if (handler_) handler_(modal);
  if (guard && guard->isVisible()) guard->close();
  current_ = nullptr;
}

}  // namespace vuruzid::testing
