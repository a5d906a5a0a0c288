#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>

// Keeps one running copy of the program per data folder: two copies would each
// rewrite the user word files and the settings from their own lists and lose
// the other's changes. The first start holds a lock file and listens on a
// local socket; a later start asks it to bring its window forward and ends.
// Both are named after the data folder's absolute path, so separate copies of
// the program folder run side by side.
class SingleInstance {
 public:
  enum class Claim {
    First,        // no other copy runs: this one goes on, and answers later starts
    Forwarded,    // another copy runs and has brought its window forward: end now
    NoAnswer,     // another copy holds the lock but did not answer
    Unguarded,    // the lock or the socket cannot be made here: goes on without them
  };

  explicit SingleInstance(const std::filesystem::path& dataFolder);
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // Takes the lock, or asks the copy holding it to come forward. A lock or a
  // socket left by a copy that was killed is cleared.
  Claim ClaimDataFolder();

  // Called from the event loop each time a later start asks for the window.
  void SetBringForwardHandler(std::function<void()> handler) { bringForward_ = std::move(handler); }

  // The name the lock and the socket share for `dataFolder`.
  static QString KeyFor(const std::filesystem::path& dataFolder);
  // The socket's full path and the lock file's.
  const QString& SocketPath() const { return socketPath_; }
  QString LockPath() const { return socketPath_ + QStringLiteral(".lock"); }

 private:
  bool AskRunningCopyToComeForward() const;
  bool Listen();
  void Answer();

  QString socketPath_;
  QLockFile lock_;
  std::unique_ptr<QLocalServer> server_;
  std::function<void()> bringForward_;
};
