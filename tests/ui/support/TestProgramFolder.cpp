#include "support/TestProgramFolder.h"

#include "engine/Cp1251.h"
#include "engine/TextLines.h"
#include "engine/WordFrequencies.h"
#include "support/Dictionaries.h"

namespace vuruzid::testing {

TestProgramFolder::TestProgramFolder() {
  std::filesystem::create_directory(dir_ / "data");
  WriteLibrary("english.dll", {{"CAT", 30}, {"CATS", 10}, {"DOG", 20}});
  std::vector<WordFrequencies::Entry> russian;
  for (const char* word : {"КОТ", "КОТЫ", "СОБАКА"}) russian.push_back({*cp1251::FromUtf8(word), 10});
  WriteLibrary("russian.dll", russian);
}

void TestProgramFolder::WriteLibrary(const std::string& library, const std::vector<WordFrequencies::Entry>& words) {
  std::vector<std::string> list;
  for (const auto& entry : words) list.push_back(entry.word);
  WriteDictionary(dir_ / library, list);
  std::string error;
  const auto libraryWords = ReadLibraryWords(dir_ / library, &error);
  if (!libraryWords || !WriteWordFrequencies(WordFrequencies::SideFileOf(dir_ / library), words, *libraryWords, &error))
    throw std::runtime_error(error);
}

void TestProgramFolder::WriteSettings(const std::vector<std::string>& lines) {
  dir_.Write("data/Vuruzid.ini", JoinLinesCrLf(lines));
}

std::vector<std::string> TestProgramFolder::ReadSettings() const {
  return SplitLines(dir_.Read("data/Vuruzid.ini"));
}

std::vector<std::string> TestProgramFolder::SecondStartSettings(int language, int left, int top, int signal) {
  return {"QOR Vuruzid v.1.1", "Tester", "2612075123", std::to_string(language), "1", std::to_string(left),
          std::to_string(top), "fsNormal", std::to_string(signal), "Normal", "Normal", "Normal", "Normal",
          "Normal", "Normal", "Normal"};
}

}  // namespace vuruzid::testing
