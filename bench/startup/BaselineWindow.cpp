// The start-up benchmark's baseline: the least a Qt program does to show a
// window like the spell checker's, a frameless top-level window of the given
// size at the given place, filled with one colour. startup_bench launches it
// the way it launches the program, in the same run, and reports the program
// against it: a figure that carries from one machine to another better than
// milliseconds do.
//
//   startup_baseline_window LEFT TOP WIDTH HEIGHT
#include <QApplication>
#include <QColor>
#include <QPalette>
#include <QWidget>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fputs("usage: startup_baseline_window LEFT TOP WIDTH HEIGHT\n", stderr);
    return 2;
  }
  const int left = std::atoi(argv[1]), top = std::atoi(argv[2]);
  const int width = std::atoi(argv[3]), height = std::atoi(argv[4]);
  QApplication application(argc, argv);
  QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
  window.setFixedSize(width, height);
  window.move(left, top);
  QPalette palette = window.palette();
  palette.setColor(QPalette::Window, QColor(0x2E, 0x5C, 0x8A));  // anything the empty screen is not
  window.setPalette(palette);
  window.setAutoFillBackground(true);
  window.show();
  return application.exec();
}
