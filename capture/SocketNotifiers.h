#pragma once

#include <QSocketNotifier>

namespace vuruzid::capture {

// Stops and frees a key source's notifier. One whose signal may be running
// right now (a handler removed the source) is freed later, from the event
// loop. Leaves `notifier` empty.
inline void DisposeNotifier(QSocketNotifier*& notifier, bool insideItsSignal) {
  if (notifier == nullptr) return;
  notifier->setEnabled(false);
  if (insideItsSignal)
    notifier->deleteLater();
  else
    delete notifier;
  notifier = nullptr;
}

}  // namespace vuruzid::capture
