// The capture and the watches of where keys go are served by the event loop
// (socket notifiers, D-Bus), so their tests run inside a Qt application.
#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
