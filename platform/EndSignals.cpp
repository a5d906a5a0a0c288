#include "platform/EndSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace vuruzid::platform {
namespace {

constexpr int kEndSignals[] = {SIGTERM, SIGHUP, SIGINT};
int writeEnd = -1;

// Only async-signal-safe work here.
void OnEndSignal(int signal) {
  const int savedErrno = errno;
  for (const int end : kEndSignals) std::signal(end, SIG_DFL);
  const char byte = static_cast<char>(signal);
  [[maybe_unused]] const ssize_t written = write(writeEnd, &byte, 1);
  errno = savedErrno;
}

}  // namespace

int CatchEndSignals(std::string* error) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
    if (error) *error = std::string("cannot make a pipe for signals: ") + std::strerror(errno);
    return -1;
  }
  writeEnd = ends[1];
  struct sigaction action = {};
  action.sa_handler = &OnEndSignal;
  sigemptyset(&action.sa_mask);
  for (const int end : kEndSignals) sigaddset(&action.sa_mask, end);
  action.sa_flags = SA_RESTART;
  for (const int end : kEndSignals) {
    if (sigaction(end, &action, nullptr) != 0) {
      if (error) *error = std::string("cannot catch signal ") + strsignal(end) + ": " + std::strerror(errno);
      return -1;
    }
  }
  return ends[0];
}

int TakeEndSignal(int readEnd) {
  unsigned char byte = 0;
  return read(readEnd, &byte, 1) == 1 ? byte : 0;
}

}  // namespace vuruzid::platform
