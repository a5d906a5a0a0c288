#include "app/VuruzidApplication.h"

#include <exception>

#include "ui/MessageBoxes.h"

VuruzidApplication::VuruzidApplication(int& argc, char** argv) : QApplication(argc, argv) {
  // The name gives the windows their class and the message boxes their caption.
  setApplicationName(QString::fromLatin1(vuruzid::ui::kApplicationTitle));
}

bool VuruzidApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    vuruzid::ui::ShowErrorReport(QString::fromStdString(error.what()));
  } catch (...) {
    vuruzid::ui::ShowErrorReport(QStringLiteral("An unknown error occurred."));
  }
  return false;
}
