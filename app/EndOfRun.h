#pragma once

#include <QObject>
#include <functional>
#include <string>

// Ends the program as its close button does when the end comes from outside
// the window: SIGTERM, SIGHUP or SIGINT, the session manager ending the
// session, or the display connection lost (Qt then ends the process with
// exit()). Every way runs `saveOnEnd` first, on the GUI thread; a session
// manager's request to save the session runs `saveNow` without ending.
class EndOfRun : public QObject {
 public:
  // `endSignals`: the pipe CatchEndSignals gave (signals caught since then
  // are taken now), or -1 with `whyNoSignals`.
  EndOfRun(int endSignals, const std::string& whyNoSignals, std::function<void()> saveOnEnd,
           std::function<void()> saveNow);
  ~EndOfRun() override;  // from here on an exit() saves nothing
  EndOfRun(const EndOfRun&) = delete;
  EndOfRun& operator=(const EndOfRun&) = delete;

  // An end was asked for; once asked, no event loop may start again (a
  // signal that came while a first run's welcome dialog was up).
  bool Requested() const { return requested_; }

 private:
  void EndNow();
  static void SaveAtExit();

  std::function<void()> saveOnEnd_;
  std::function<void()> saveNow_;
  bool requested_ = false;
};
