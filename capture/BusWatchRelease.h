#pragma once

namespace vuruzid::capture {

// Ends a watch's receiver of bus signals (a QObject with Release(), which
// lets go of its owner and says whether it may go now). One stopped from
// inside its own signal is deleted once that signal has been handled.
template <typename Receiver>
void ReleaseReceiver(Receiver*& receiver) {
  if (receiver == nullptr) return;
  if (receiver->Release())
    delete receiver;
  else
    receiver->deleteLater();
  receiver = nullptr;
}

}  // namespace vuruzid::capture
