// The application's top-level error handler.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QMessageBox>
#include <stdexcept>

#include "support/ModalWatcher.h"

namespace vuruzid::testing {
namespace {

// Throws from its event handler for the first `failures` events it gets.
class FailingReceiver : public QObject {
 public:
  explicit FailingReceiver(int failures) : failures_(failures) {}
  int handled = 0;

 protected:
  bool event(QEvent* event) override {
    if (event->type() != QEvent::User) return QObject::event(event);
    if (failures_-- > 0) throw std::runtime_error("List index out of bounds (9)");
    ++handled;
    return true;
  }

 private:
  int failures_;
};

TEST(TopLevelErrorHandler, ReportsTheErrorAndCarriesOn) {
  ModalWatcher watcher;
  FailingReceiver receiver(1);
  QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
  QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  ASSERT_EQ(watcher.seen().size(), 1u);
  EXPECT_EQ(watcher.seen()[0].text, "List index out of bounds (9)");
  EXPECT_EQ(watcher.seen()[0].title, "QOR_Vuruzid");
  EXPECT_EQ(watcher.seen()[0].icon, QMessageBox::Critical);
  EXPECT_EQ(receiver.handled, 1) << "the event after the failing one is still handled";
}

}  // namespace
}  // namespace vuruzid::testing
