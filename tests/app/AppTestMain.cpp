// Runs the tests inside the program's own application object.
#include <gtest/gtest.h>

#include "app/VuruzidApplication.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  if (qEnvironmentVariableIsEmpty("DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
  VuruzidApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
