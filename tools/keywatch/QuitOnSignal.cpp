#include "tools/keywatch/QuitOnSignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace vuruzid::keywatch {
namespace {

int signalPipe[2] = {-1, -1};

// Only async-signal-safe work here: wake the event loop through the pipe.
void OnSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = write(signalPipe[1], &byte, 1);
}

}  // namespace

bool QuitOnSignals() {
  if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, [] { QCoreApplication::quit(); });

  struct sigaction action = {};
  action.sa_handler = &OnSignal;
  sigemptyset(&action.sa_mask);
  return sigaction(SIGINT, &action, nullptr) == 0 && sigaction(SIGTERM, &action, nullptr) == 0;
}

}  // namespace vuruzid::keywatch
