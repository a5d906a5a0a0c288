#include "tools/keywatch/QuitOnSignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include "platform/EndSignals.h"

namespace vuruzid::keywatch {

bool QuitOnSignals() {
  const int endSignals = platform::CatchEndSignals(nullptr);
  if (endSignals < 0) return false;
  auto* notifier = new QSocketNotifier(endSignals, QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, [endSignals] {
    if (platform::TakeEndSignal(endSignals) != 0) QCoreApplication::quit();
  });
  return true;
}

}  // namespace vuruzid::keywatch
