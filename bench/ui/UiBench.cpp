// Prints the desktop program's figures on the real dictionaries:
//  - start-up to the first painted frame with the Russian dictionary loaded
//    (each run a fresh process, so the figure includes the toolkit's start);
//  - resident memory of the running window;
//  - one key typed on the desktop (XTest) to the repainted word display.
// Needs an X server with a window manager (scripts/with-xserver.sh).
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/TextLines.h"
#include "ui/MainUnit.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  return values[static_cast<size_t>(p * static_cast<double>(values.size() - 1))];
}

// Notes the moment a widget is painted.
class PaintWatch : public QObject {
 public:
  explicit PaintWatch(QWidget* widget) { widget->installEventFilter(this); }
  bool painted = false;
  Clock::time_point when;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && !painted) {
      painted = true;
      when = Clock::now();
    }
    return false;
  }
};

// A scratch program folder holding the real dictionaries and the settings of
// a second start in the given language.
fs::path MakeFolder(const fs::path& programDir, int language) {
  const fs::path folder = fs::temp_directory_path() / ("vuruzid-bench-" + std::to_string(::getpid()));
  fs::create_directories(folder / "data");
  for (const char* name : {"english.dll", "russian.dll"}) {
    fs::remove(folder / name);
    fs::create_symlink(programDir / name, folder / name);
  }
  vuruzid::WriteTextLines(folder / "data/Vuruzid.ini",
                          {"QOR Vuruzid v.1.1", "Bench", "2612075123", std::to_string(language), "1", "50", "50",
                           "fsNormal", "1", "Normal", "Normal", "Normal", "Normal", "Normal", "Normal", "Normal"});
  return folder;
}

// One start-up, in this fresh process: prints "<ms> <KiB>".
int StartOnce(const Clock::time_point processStart, const fs::path& programDir, int argc, char** argv) {
  QApplication app(argc, argv);
  const fs::path folder = MakeFolder(programDir, 1);
  TMainForm form(folder);
  PaintWatch watch(&form);
  form.FormShow();
  form.show();
  while (!watch.painted) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  std::printf("%.1f %ld\n", Milliseconds(watch.when - processStart), ResidentKiB());
  fs::remove_all(folder);
  return 0;
}

void MeasureStartup(const char* self, const fs::path& programDir) {
  std::vector<double> ms;
  std::vector<double> kib;
  for (int run = 0; run < 7; ++run) {
    QProcess child;
    child.start(QString::fromLocal8Bit(self), {"--start-once", QString::fromStdString(programDir.string())});
    child.waitForFinished(30000);
    const QStringList figures = QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed().split(' ');
    if (figures.size() != 2) {
      std::printf("start-up run %d failed: %s\n", run, child.readAllStandardError().constData());
      continue;
    }
    ms.push_back(figures[0].toDouble());
    kib.push_back(figures[1].toDouble());
  }
  if (ms.empty()) return;
  std::printf("start-up to first painted frame, Russian loaded: median %.1f ms, min %.1f, max %.1f (%zu runs; target < 300)\n",
              Percentile(ms, 0.5), Percentile(ms, 0), Percentile(ms, 1), ms.size());
  std::printf("resident memory after the first frame, Russian loaded: median %.1f MiB (target < 80)\n",
              Percentile(kib, 0.5) / 1024);
}

void MeasureKeys(const fs::path& programDir) {
  const fs::path folder = MakeFolder(programDir, 0);
  TMainForm form(folder);
  form.FormShow();
  form.show();
  if (!QTest::qWaitForWindowExposed(&form)) {
    std::printf("key latency: the window was not shown\n");
    return;
  }
  form.Image28MouseUp();  // checking on
  if (!form.Checking().CheckingOn()) {
    std::printf("key latency: the capture could not start\n");
    return;
  }
  auto* label7 = form.findChild<QLabel*>(QStringLiteral("Label7"));
  Display* display = XOpenDisplay(nullptr);
  const std::vector<KeySym> keys{XK_s, XK_p, XK_e, XK_l, XK_l, XK_i, XK_n, XK_g, XK_space,
                                 XK_q, XK_u, XK_i, XK_k, XK_l, XK_y, XK_space};
  std::vector<double> latencies;
  for (int round = 0; round < 40; ++round) {
    for (KeySym key : keys) {
      PaintWatch watch(label7);
      const KeyCode code = XKeysymToKeycode(display, key);
      const Clock::time_point start = Clock::now();
      XTestFakeKeyEvent(display, code, True, CurrentTime);
      XTestFakeKeyEvent(display, code, False, CurrentTime);
      XSync(display, False);
      QElapsedTimer guard;
      guard.start();
      while (!watch.painted && guard.elapsed() < 1000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      if (watch.painted) latencies.push_back(Milliseconds(watch.when - start));
      label7->removeEventFilter(&watch);
    }
  }
  XCloseDisplay(display);
  form.Image28MouseUp();
  std::printf("resident memory with checking on, English loaded: %.1f MiB\n", ResidentKiB() / 1024.0);
  if (latencies.empty()) {
    std::printf("key latency: no key reached the word display\n");
  } else {
    std::printf("key on the desktop to repainted word display: median %.3f ms, p95 %.3f ms, max %.3f ms (%zu keys; target median < 2)\n",
                Percentile(latencies, 0.5), Percentile(latencies, 0.95), Percentile(latencies, 1), latencies.size());
  }
  form.hide();
  fs::remove_all(folder);
}

}  // namespace

int main(int argc, char** argv) {
  const Clock::time_point processStart = Clock::now();
  if (argc >= 3 && std::string(argv[1]) == "--start-once") return StartOnce(processStart, argv[2], argc, argv);

  const fs::path programDir = argc >= 2 ? fs::path(argv[1]) : fs::path(VURUZID_PROGRAM_DIR);
  if (!fs::exists(programDir / "russian.dll") || !fs::exists(programDir / "english.dll")) {
    std::fprintf(stderr, "%s holds no english.dll and russian.dll: build the dictionaries first\n",
                 programDir.c_str());
    return 1;
  }
  QApplication app(argc, argv);
  MeasureStartup(argv[0], fs::absolute(programDir));
  MeasureKeys(fs::absolute(programDir));
  return 0;
}
