// A whole start and close of the built program, copied into a temporary
// folder, on an X server with a window manager.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTest>

#include "support/TestProgramFolder.h"
#include "support/X11Probe.h"

namespace vuruzid::testing {
namespace {

QString Output(QProcess& process) {
  return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

TEST(ProgramCycle, SecondStartRestoresTheWindowAndCloseWritesTheSettings) {
  TestProgramFolder folder;
  const std::filesystem::path built(VURUZID_PROGRAM_DIR);
  std::filesystem::copy(built / "QOR_Vuruzid", folder.path() / "QOR_Vuruzid");
  std::filesystem::create_directories(folder.path() / "home");
  folder.WriteSettings(TestProgramFolder::SecondStartSettings(1, 300, 200, 0));

  QProcess program;
  program.setWorkingDirectory(QString::fromStdString(folder.path().string()));
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("HOME", QString::fromStdString((folder.path() / "home").string()));
  environment.remove("QT_QPA_PLATFORM");
  program.setProcessEnvironment(environment);
  program.start(QString::fromStdString((folder.path() / "QOR_Vuruzid").string()), {});
  ASSERT_TRUE(program.waitForStarted(5000));

  QProcess search;
  search.start("xdotool", {"search", "--sync", "--onlyvisible", "--pid", QString::number(program.processId())});
  ASSERT_TRUE(search.waitForFinished(10000));
  const QString window = Output(search).section('\n', 0, 0);
  ASSERT_FALSE(window.isEmpty());
  QTest::qWait(300);

  QProcess geometry;
  geometry.start("xdotool", {"getwindowgeometry", "--shell", window});
  ASSERT_TRUE(geometry.waitForFinished(5000));
  const QString shell = Output(geometry);
  EXPECT_TRUE(shell.contains("X=300") && shell.contains("Y=200")) << shell.toStdString();
  EXPECT_TRUE(shell.contains("WIDTH=271") && shell.contains("HEIGHT=106")) << shell.toStdString();

  // "top", then the close button.
  ASSERT_TRUE(RunXdotool({"mousemove", "538", "242", "click", "1"}));
  QTest::qWait(200);
  ASSERT_TRUE(RunXdotool({"mousemove", "548", "220", "click", "1"}));
  if (program.state() != QProcess::NotRunning) ASSERT_TRUE(program.waitForFinished(10000));
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 0);

  const auto saved = folder.ReadSettings();
  ASSERT_EQ(saved.size(), 16u);
  EXPECT_EQ(saved[3], "1");
  EXPECT_EQ(saved[5], "300");
  EXPECT_EQ(saved[6], "200");
  EXPECT_EQ(saved[7], "fsStayOnTop");
  EXPECT_EQ(saved[8], "0");
  EXPECT_EQ(saved[1], "Tester");
}

}  // namespace
}  // namespace vuruzid::testing
