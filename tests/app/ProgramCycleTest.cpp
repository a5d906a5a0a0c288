// A whole start and close of the built program, copied into a temporary
// folder, on an X server with a window manager.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTest>
#include <QWidget>
#include <csignal>
#include <memory>

#include "app/DisplayCheck.h"
#include "app/SingleInstance.h"

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
  if (program.state() != QProcess::NotRunning) {
    ASSERT_TRUE(program.waitForFinished(10000));
  }
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

// The built program, copied into a program folder of its own and started
// there (HOME inside the folder, the real X session).
class ProgramCopy {
 public:
  explicit ProgramCopy(int left = 300, int top = 200) : left_(left), top_(top) {
    std::filesystem::copy(std::filesystem::path(VURUZID_PROGRAM_DIR) / "QOR_Vuruzid", folder_.path() / "QOR_Vuruzid");
    std::filesystem::create_directories(folder_.path() / "home");
    folder_.WriteSettings(TestProgramFolder::SecondStartSettings(0, left, top, 1));
  }

  // Starts one more process of the copy, on the session's display or the one named.
  std::unique_ptr<QProcess> Start(const QString& display = {}) const {
    auto program = std::make_unique<QProcess>();
    program->setWorkingDirectory(QString::fromStdString(folder_.path().string()));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", QString::fromStdString((folder_.path() / "home").string()));
    environment.remove("QT_QPA_PLATFORM");
    if (!display.isEmpty()) environment.insert("DISPLAY", display);
    program->setProcessEnvironment(environment);
    program->start(QString::fromStdString((folder_.path() / "QOR_Vuruzid").string()), {});
    return program;
  }

  // The visible windows of a started process, the main one first; empty if none appears.
  static QStringList WindowsOf(const QProcess& program, const QString& display = {}) {
    QProcess search;
    if (!display.isEmpty()) {
      QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
      environment.insert("DISPLAY", display);
      search.setProcessEnvironment(environment);
    }
    search.start("xdotool", {"search", "--sync", "--onlyvisible", "--pid", QString::number(program.processId())});
    if (!search.waitForFinished(10000)) return {};
    return Output(search).split('\n', Qt::SkipEmptyParts);
  }
  static QString WindowOf(const QProcess& program, const QString& display = {}) {
    return WindowsOf(program, display).value(0);
  }

  // Clicks the window's minimize button (to the tray) or its close button.
  QPoint MinimizeButton() const { return {left_ + 227, top_ + 20}; }
  QPoint CloseButton() const { return {left_ + 248, top_ + 20}; }
  QPoint HelpButton() const { return {left_ + 238, top_ + 64}; }

  std::filesystem::path DataFolder() const { return folder_.path() / "data"; }
  std::vector<std::string> Settings() const { return folder_.ReadSettings(); }

 private:
  TestProgramFolder folder_;
  int left_, top_;
};

bool ClickAt(QPoint global) {
  return RunXdotool({"mousemove", QString::number(global.x()), QString::number(global.y()), "click", "1"});
}

// Ends a started copy through its close button, so it leaves nothing behind.
void Close(const ProgramCopy& copy, QProcess& program) {
  ASSERT_TRUE(ClickAt(copy.CloseButton()));
  if (program.state() != QProcess::NotRunning) {
    ASSERT_TRUE(program.waitForFinished(10000));
  }
  EXPECT_EQ(program.exitCode(), 0);
}

// A second start of the same copy brings the running window forward, from
// behind another window or from the tray, and ends by itself with status 0.
TEST(ProgramCycle, ASecondStartBringsTheRunningWindowForwardAndEnds) {
  const struct {
    const char* name;
    bool inTray;
  } cases[] = {{"covered by another window", false}, {"hidden in the tray", true}};
  X11Probe probe;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ProgramCopy copy;
    const auto first = copy.Start();
    ASSERT_TRUE(first->waitForStarted(5000));
    const QString window = ProgramCopy::WindowOf(*first);
    ASSERT_FALSE(window.isEmpty());
    QTest::qWait(300);

    QWidget cover;
    if (c.inTray) {
      ASSERT_TRUE(ClickAt(copy.MinimizeButton()));
      ASSERT_TRUE(QTest::qWaitFor([&] { return !probe.Viewable(window.toULong()); }, 5000));
    } else {
      cover.setGeometry(250, 150, 400, 300);
      cover.show();
      cover.activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(&cover));
    }

    const auto second = copy.Start();
    ASSERT_TRUE(second->waitForFinished(10000)) << "the second start did not end";
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0) << second->readAllStandardError().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return probe.Viewable(window.toULong()); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
          QProcess active;
          active.start("xdotool", {"getactivewindow"});
          return active.waitForFinished(5000) && Output(active) == window;
        },
        5000))
        << "the running window is not the active one";
    EXPECT_EQ(first->state(), QProcess::Running);
    cover.hide();
    Close(copy, *first);
  }
}

// A copy killed outright leaves its lock and its socket behind; they do not
// stop the next start, which then answers later starts itself. Another
// program folder runs a copy of its own at the same time.
TEST(ProgramCycle, WhatAKilledCopyLeftDoesNotStopALaterStart) {
  ProgramCopy copy;
  QString why;
  const QString socket = SingleInstance::SocketPathFor(copy.DataFolder(), why);
  ASSERT_FALSE(socket.isEmpty()) << why.toStdString();
  const auto killed = copy.Start();
  ASSERT_TRUE(killed->waitForStarted(5000));
  ASSERT_FALSE(ProgramCopy::WindowOf(*killed).isEmpty());
  killed->kill();
  ASSERT_TRUE(killed->waitForFinished(5000));
  EXPECT_TRUE(QFile::exists(SingleInstance::LockPathFor(socket)));
  EXPECT_TRUE(QFile::exists(socket));

  const auto restarted = copy.Start();
  ASSERT_TRUE(restarted->waitForStarted(5000));
  EXPECT_FALSE(ProgramCopy::WindowOf(*restarted).isEmpty());
  const auto third = copy.Start();
  ASSERT_TRUE(third->waitForFinished(10000));
  EXPECT_EQ(third->exitCode(), 0);

  ProgramCopy other(300, 500);
  const auto elsewhere = other.Start();
  ASSERT_TRUE(elsewhere->waitForStarted(5000));
  EXPECT_FALSE(ProgramCopy::WindowOf(*elsewhere).isEmpty()) << "a copy in another folder starts alongside";
  EXPECT_EQ(restarted->state(), QProcess::Running);

  Close(other, *elsewhere);
  Close(copy, *restarted);
  EXPECT_FALSE(QFile::exists(SingleInstance::LockPathFor(socket))) << "a copy that closes takes its lock with it";
}

// Moves a window with xdotool (on the display named, or the session's) and
// waits until the program has seen it there.
bool MoveWindow(const QString& window, QPoint to, const QString& display = {}) {
  QProcess move;
  if (!display.isEmpty()) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", display);
    move.setProcessEnvironment(environment);
  }
  move.start("xdotool", {"windowmove", "--sync", window, QString::number(to.x()), QString::number(to.y())});
  if (!move.waitForFinished(5000) || move.exitCode() != 0) return false;
  QTest::qWait(300);  // the program reads the move from its own event queue
  return true;
}

// Whether the process has its own handler for the signal (SigCgt in /proc).
bool Catches(qint64 pid, int signal) {
  QFile status(QStringLiteral("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) return false;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("SigCgt:")) return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1;
  return false;
}

// What a session manager sends at logout, a closed terminal and Ctrl+C end
// the program as its close button does: the window's new place is written,
// also while a dialog of its own is open, and the end is a clean one.
TEST(ProgramCycle, AnEndSignalWritesTheSettingsAsClosingDoes) {
  const struct {
    const char* name;
    int signal;
    bool helpOpen;
    bool whileStarting;  // sent once the handlers are there, before the window is
  } cases[] = {
      {"SIGTERM", SIGTERM, false, false},
      {"SIGHUP", SIGHUP, false, false},
      {"SIGINT", SIGINT, false, false},
      {"SIGTERM with the help window open", SIGTERM, true, false},
      {"SIGTERM while starting", SIGTERM, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ProgramCopy copy;
    const auto program = copy.Start();
    ASSERT_TRUE(program->waitForStarted(5000));
    QPoint place(300, 200);  // where the settings open the window
    if (c.whileStarting) {
      ASSERT_TRUE(QTest::qWaitFor([&] { return Catches(program->processId(), c.signal); }, 5000));
    } else {
      const QString window = ProgramCopy::WindowOf(*program);
      ASSERT_FALSE(window.isEmpty());
      QTest::qWait(300);
      if (c.helpOpen) {
        ASSERT_TRUE(ClickAt(copy.HelpButton()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return ProgramCopy::WindowsOf(*program).size() >= 2; }, 5000));
      }
      place = {463, 250};
      ASSERT_TRUE(MoveWindow(window, place));
    }

    ::kill(static_cast<pid_t>(program->processId()), c.signal);
    ASSERT_TRUE(program->waitForFinished(10000));
    EXPECT_EQ(program->exitStatus(), QProcess::NormalExit) << program->readAllStandardError().toStdString();
    EXPECT_EQ(program->exitCode(), 0);
    const auto saved = copy.Settings();
    ASSERT_EQ(saved.size(), 16u);
    EXPECT_EQ(saved[5], std::to_string(place.x()));
    EXPECT_EQ(saved[6], std::to_string(place.y()));
  }
}

// An X server of the test's own, so that it can be taken away under the program.
class OwnXServer {
 public:
  OwnXServer() {
    for (int number = 170; number < 200 && display_.isEmpty(); ++number) {
      if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number))) continue;
      server_.start("Xvfb", {QStringLiteral(":%1").arg(number), "-screen", "0", "800x600x24", "-nolisten", "tcp"});
      if (!server_.waitForStarted(5000)) return;
      const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(number);
      if (QTest::qWaitFor([&] { return QFile::exists(socket) || server_.state() != QProcess::Running; }, 5000) &&
          server_.state() == QProcess::Running)
        display_ = QStringLiteral(":%1").arg(number);
    }
  }
  ~OwnXServer() { Kill(); }
  const QString& Display() const { return display_; }
  void Kill() {
    if (server_.state() == QProcess::NotRunning) return;
    server_.kill();
    server_.waitForFinished(5000);
  }

 private:
  QProcess server_;
  QString display_;
};

// The X server going away under the program ends it (Qt can do nothing
// else), but not before the settings are written.
TEST(ProgramCycle, LosingTheDisplayStillWritesTheSettings) {
  OwnXServer server;
  ASSERT_FALSE(server.Display().isEmpty()) << "no X server of the test's own";
  ProgramCopy copy;
  const auto program = copy.Start(server.Display());
  ASSERT_TRUE(program->waitForStarted(5000));
  const QString window = ProgramCopy::WindowOf(*program, server.Display());
  ASSERT_FALSE(window.isEmpty());
  ASSERT_TRUE(MoveWindow(window, {163, 150}, server.Display()));

  server.Kill();
  ASSERT_TRUE(program->waitForFinished(10000));
  EXPECT_EQ(program->exitStatus(), QProcess::NormalExit) << "it crashed";
  const auto saved = copy.Settings();
  ASSERT_EQ(saved.size(), 16u);
  EXPECT_EQ(saved[5], "163");
  EXPECT_EQ(saved[6], "150");
}

// --help and --version answer anywhere; without a display the program says
// what it needs and ends with status 1, whatever else it is given.
TEST(ProgramCycle, AnswersItsOptionsAndEndsCleanlyWithoutADisplay) {
  const struct {
    QStringList arguments;
    const char* display;  // nullptr: unset
    int exitCode;
    const char* printed;  // on standard output, or on standard error when it fails
    bool lastLine;        // after Qt's own messages
  } cases[] = {
      {{"--version"}, nullptr, 0, "QOR Vuruzid 1.3", false},
      {{"-x", "--help"}, nullptr, 0, "--version  show the version and end", true},
      {{"--unknown"}, nullptr, 1, vuruzid::app::kNoDisplay, false},
      {{}, ":999", 1, vuruzid::app::kNoDisplay, true},  // a display whose server has gone
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.join(' ').toStdString() + " DISPLAY=" + (c.display ? c.display : ""));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) environment.remove(name);
    if (c.display) environment.insert("DISPLAY", c.display);
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(VURUZID_PROGRAM_DIR "/QOR_Vuruzid", c.arguments);
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), c.exitCode);
    const QString printed = (c.exitCode ? program.readAllStandardError() : program.readAllStandardOutput()).trimmed();
    EXPECT_EQ((c.lastLine ? printed.section('\n', -1) : printed).trimmed(), QString(c.printed).trimmed());
  }
}

}  // namespace
}  // namespace vuruzid::testing
