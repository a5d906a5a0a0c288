#pragma once

#include <QApplication>

// The application: an error that escapes any event handler is shown in the
// error report and the program carries on with its next event.
class VuruzidApplication : public QApplication {
 public:
  VuruzidApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;
};
