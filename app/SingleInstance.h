#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

// Keeps one running copy of the program per data folder: two copies would each
// rewrite the user word files and the settings from their own lists and lose
// the other's changes. The first start holds a lock file and listens on a
// local socket; a later start asks it to bring its window forward and ends.
// Both are named after the data folder's absolute path, so separate copies of
// the program folder run side by side, and kept in a folder only this user can
// reach; a peer of another user is neither answered nor believed.
class SingleInstance {
 public:
  enum class Claim {
    First,        // no other copy runs: this one goes on, and answers later starts
    Forwarded,    // another copy runs and has brought its window forward: end now
    NoAnswer,     // another copy holds the lock but did not answer
    Unguarded,    // the lock or the socket cannot be made safely: goes on without them
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
  // The socket's full path for `dataFolder`, in this user's private folder
  // (made if missing); the lock file's is the same with ".lock". Empty, with
  // the reason in `why`, when there is no private folder.
  static QString SocketPathFor(const std::filesystem::path& dataFolder, QString& why);
  static QString LockPathFor(const QString& socketPath) { return socketPath + QStringLiteral(".lock"); }

 private:
  bool AskRunningCopyToComeForward() const;
  bool Listen();
  void Answer();

  QString unguardedBecause_;
  QString socketPath_;
  std::optional<QLockFile> lock_;
  std::unique_ptr<QLocalServer> server_;
  std::function<void()> bringForward_;
};
