#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/Cp1251.h"
#include "engine/SpellingEngine.h"
#include "support/Dictionaries.h"
#include "support/TempFolder.h"

namespace vuruzid {

// A program folder in a temporary directory with small dictionaries, and an
// engine working in it that records the messages it shows.
class EngineFixture : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directory(dir_ / "data"); }

  void WriteEnglish(const std::vector<std::string>& words) { testing::WriteDictionary(dir_ / "english.dll", words); }
  void WriteRussian(const std::vector<std::string>& utf8Words) {
    std::vector<std::string> words;
    for (const auto& w : utf8Words) words.push_back(*cp1251::FromUtf8(w));
    testing::WriteDictionary(dir_ / "russian.dll", words);
  }

  SpellingEngine& Engine() {
    if (!engine_)
      engine_ = std::make_unique<SpellingEngine>(EngineFiles{dir_.path(), {dir_.path()}},
                                                 [this](const std::string& m) { messages_.push_back(m); });
    return *engine_;
  }

  std::vector<std::string> ListedWords() const {
    std::vector<std::string> words;
    for (size_t i = 0; i < engine_->wordList().size(); ++i) words.emplace_back(engine_->wordList()[i]);
    return words;
  }

  testing::TempFolder dir_;
  std::vector<std::string> messages_;
  std::unique_ptr<SpellingEngine> engine_;
};

}  // namespace vuruzid
