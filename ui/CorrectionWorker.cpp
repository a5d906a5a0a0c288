#include "ui/CorrectionWorker.h"

#include <QCoreApplication>

namespace vuruzid::ui {

CorrectionWorker::CorrectionWorker(AnswerHandler show) : show_(std::move(show)), thread_([this] { Work(); }) {}

CorrectionWorker::~CorrectionWorker() { Stop(); }

void CorrectionWorker::Post(CorrectionJob job) {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    queued_ = std::move(job);
  }
  wake_.notify_one();
}

void CorrectionWorker::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    queued_.reset();
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
  // Every answer is posted by now: none may reach a window that is going away.
  QCoreApplication::removePostedEvents(&receiver_);
}

bool CorrectionWorker::Idle() const {
  std::lock_guard lock(mutex_);
  return !queued_ && !running_;
}

void CorrectionWorker::Work() {
  for (;;) {
    CorrectionJob job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || queued_; });
      if (stopping_) return;
      job = std::move(*queued_);
      queued_.reset();
      running_ = true;
    }
    std::optional<std::vector<std::string>> answer;
    try {
      answer = job.Run();
    } catch (...) {
      // No corrections this time: the list keeps its neighbours.
    }
    std::lock_guard lock(mutex_);
    // A newer job waiting means this word has left the display already.
    if (answer && !stopping_ && !queued_) {
      QMetaObject::invokeMethod(
          &receiver_,
          [this, generation = job.displayGeneration, corrections = std::move(*answer)] { show_(generation, corrections); },
          Qt::QueuedConnection);
    }
    running_ = false;
  }
}

}  // namespace vuruzid::ui
