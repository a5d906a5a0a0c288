#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "engine/WordFrequencies.h"
#include "support/TempFolder.h"

namespace vuruzid::testing {

// A program folder in a temporary directory: data/, and small English and
// Russian language libraries (English: CAT, CATS, DOG; Russian: КОТ, КОТЫ,
// СОБАКА) with their word frequencies.
class TestProgramFolder {
 public:
  TestProgramFolder();

  const std::filesystem::path& path() const { return dir_.path(); }
  TempFolder& dir() { return dir_; }

  // Writes a language library (a file name in the folder) of the words, in
  // byte order, and its frequency side file.
  void WriteLibrary(const std::string& library, const std::vector<WordFrequencies::Entry>& words);
  // Writes data/Vuruzid.ini with the lines, each ended by CR LF.
  void WriteSettings(const std::vector<std::string>& lines);
  // The lines of data/Vuruzid.ini (split at CR LF).
  std::vector<std::string> ReadSettings() const;
  // Settings of a second start: English, at (left, top), signal on.
  static std::vector<std::string> SecondStartSettings(int language = 0, int left = 120, int top = 90,
                                                      int signal = 1);

 private:
  TempFolder dir_;
};

}  // namespace vuruzid::testing
