// Dialog tests run in one QApplication; the XDG folders and HOME point into a
// temporary folder before anything can look at them.
#include <gtest/gtest.h>

#include <QApplication>

#include "ScratchDesktop.h"

int main(int argc, char** argv) {
  vuruzid::testing::IsolateFromRealHome();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
