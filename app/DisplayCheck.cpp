#include "app/DisplayCheck.h"

#include <QString>
#include <QStringList>
#include <cstdio>
#include <cstdlib>

namespace vuruzid::app {

const char kNoDisplay[] =
    "QOR_Vuruzid: no display to show the window on; it needs an X display, "
    "which DISPLAY names or a Wayland session with XWayland provides.\n";

namespace {

// Where every other message goes, as before.
QtMessageHandler passOn = nullptr;

void EndOnFatal(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type != QtFatalMsg) return passOn(type, context, message);
  std::fputs(kNoDisplay, stderr);
  std::fflush(stderr);
  // Nothing of the half-made application is worth tearing down.
  std::_Exit(1);
}

}  // namespace

bool DisplayIsNamed() {
  const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
  const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
  // A list of platforms to try in turn, each maybe with options after a colon.
  const QStringList platforms = qEnvironmentVariable("QT_QPA_PLATFORM").split(u';', Qt::SkipEmptyParts);
  if (platforms.isEmpty()) return x11 || wayland;
  for (const QString& platform : platforms) {
    const QString name = platform.section(u':', 0, 0);
    if (name == u"xcb" ? x11 : name.startsWith(u"wayland") ? wayland : true) return true;
  }
  return false;
}

NoDisplayEndsCleanly::NoDisplayEndsCleanly() { passOn = qInstallMessageHandler(EndOnFatal); }

NoDisplayEndsCleanly::~NoDisplayEndsCleanly() { qInstallMessageHandler(passOn); }

}  // namespace vuruzid::app
