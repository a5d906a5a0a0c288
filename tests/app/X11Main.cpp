// The program cycle needs an X server (see scripts/with-xserver.sh).
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  if (qEnvironmentVariableIsEmpty("DISPLAY")) {
    std::fprintf(stderr, "These tests need an X server: run them through scripts/with-xserver.sh\n");
    return 1;
  }
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
