#pragma once

#include <string_view>

namespace vuruzid::platform {

// An open file descriptor, closed when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor();
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes it now; false when the close reports an error, which may mean
  // that written bytes did not reach the file.
  bool Close();

 private:
  int fd_;
};

// Writes all of `bytes`, going on after interruptions and short writes; false
// when a write fails.
bool WriteAll(int fd, std::string_view bytes);

}  // namespace vuruzid::platform
