#pragma once

#include <filesystem>
#include <string>

#include "support/TempFolder.h"

namespace vuruzid::testing {

// A private desktop session on disk for one test: HOME, XDG_DATA_HOME,
// XDG_CONFIG_HOME, XDG_DATA_DIRS and the desktop folder (through user-dirs.dirs) all point
// into a fresh temporary folder, and the current directory is a program
// folder there holding the help pages, data/ and the link folder Doder/.
// Everything is put back and removed when the object goes.
class ScratchDesktop {
 public:
  ScratchDesktop();
  ~ScratchDesktop();
  ScratchDesktop(const ScratchDesktop&) = delete;
  ScratchDesktop& operator=(const ScratchDesktop&) = delete;

  std::filesystem::path home() const { return root_ / "home"; }
  std::filesystem::path dataHome() const { return home() / ".local" / "share"; }
  std::filesystem::path configHome() const { return home() / ".config"; }
  std::filesystem::path applications() const { return dataHome() / "applications"; }
  std::filesystem::path systemData() const { return root_ / "usr" / "share"; }  // the one XDG_DATA_DIRS folder
  std::filesystem::path desktop() const { return home() / "Work Desk"; }
  std::filesystem::path program() const { return root_ / "Programs" / "QOR Vuruzid"; }
  std::filesystem::path linkFolder() const { return program() / "Doder"; }

  // Points the desktop folder somewhere else (or nowhere, for "").
  void SetDesktopFolder(const std::filesystem::path& folder) const;

 private:
  TempFolder rootFolder_;
  std::filesystem::path root_;
  std::filesystem::path previousFolder_;
};

// Points HOME and the XDG folders of the whole test program into a temporary
// folder, so that nothing can reach the real home folder.
void IsolateFromRealHome();

std::string ReadFile(const std::filesystem::path& file);
void WriteFile(const std::filesystem::path& file, const std::string& bytes);

}  // namespace vuruzid::testing
