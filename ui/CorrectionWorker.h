#pragma once

#include <QObject>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/SpellingEngine.h"

namespace vuruzid::ui {

// Finds corrections away from the keys: one long-lived thread runs one job at
// a time, and each answer comes back to the thread that made the worker (the
// GUI thread) as a queued call, so a key is never kept waiting. A job that has
// not started yet is replaced by a newer one; its word left the display anyway.
class CorrectionWorker {
 public:
  // `show` gets each answer on the GUI thread, with the display generation the
  // job was made for; it is never called once the worker is stopped.
  using AnswerHandler = std::function<void(uint64_t displayGeneration, const std::vector<std::string>& corrections)>;
  explicit CorrectionWorker(AnswerHandler show);
  ~CorrectionWorker();  // Stop()
  CorrectionWorker(const CorrectionWorker&) = delete;
  CorrectionWorker& operator=(const CorrectionWorker&) = delete;

  void Post(CorrectionJob job);
  // Waits for a running job to end and drops a queued one and every answer
  // not yet shown. Called from the GUI thread; idempotent.
  void Stop();
  // No job waits or runs, and every answer found is on its way to `show`.
  bool Idle() const;

 private:
  void Work();

  AnswerHandler show_;
  QObject receiver_;  // lives on the GUI thread; its queued answers go with it
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<CorrectionJob> queued_;
  bool running_ = false;
  bool stopping_ = false;
  std::thread thread_;  // last: starts once everything it reads is made
};

}  // namespace vuruzid::ui
