#include <gtest/gtest.h>

#include <sstream>

#include "../engine/EngineFixture.h"
#include "tools/check/CheckCommands.h"

namespace vuruzid {
namespace {

class CheckCommands : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    WriteEnglish({"CAT", "CATS", "DOG", "EMU", "FOX", "GNU", "HEN", "IBIS", "JAY", "KOI", "LYNX"});
    WriteRussian({"КОТ", "ПЕС"});
  }
};

TEST_F(CheckCommands, WordsAreUpperCasedAndShownWithTheirNeighbours) {
  Engine().ActivateLanguage(0);
  std::ostringstream out;
  EXPECT_EQ(check::CheckWords(Engine(), {"dog", " Cat ", "doggo", "naïve", ""}, out), 2);
  EXPECT_EQ(out.str(),
            "DOG: known\n  neighbours: CATS DOG EMU FOX GNU HEN IBIS JAY KOI\n"
            "CAT: known\n  neighbours: CAT CATS DOG EMU FOX GNU HEN IBIS JAY\n"
            "DOGGO: unknown\n  neighbours: DOG EMU FOX GNU HEN IBIS JAY KOI LYNX\n"
            "naïve: cannot be checked (holds a character outside Windows-1251)\n");
}

TEST_F(CheckCommands, CyrillicWordsComeBackAsUtf8) {
  Engine().ActivateLanguage(1);
  std::ostringstream out;
  EXPECT_EQ(check::CheckWords(Engine(), {"кот", "пёс"}, out), 0);
  EXPECT_EQ(out.str(), "КОТ: known\n  neighbours: КОТ ПЕС\nПЕС: known\n  neighbours: КОТ ПЕС\n");
}

TEST_F(CheckCommands, ApostrophesAreSpelledWithTheGraveAccent) {
  WriteEnglish({"DOESN`T", "IT`S"});
  Engine().ActivateLanguage(0);
  std::ostringstream out;
  EXPECT_EQ(check::CheckWords(Engine(), {"doesn't", "it’s"}, out), 0);
}

TEST_F(CheckCommands, KeyReplayPrintsTheOutputsAfterEachKey) {
  Engine().ActivateLanguage(0);
  std::ostringstream out;
  check::ReplayKeys(Engine(), {'C', 'A', 'X', 32}, 1, out);
  EXPECT_EQ(out.str(),
            "key 67: word \"C\" lime, Insert, beeps 0, suggestions: -\n"
            "key 65: word \"CA\" lime, Insert, beeps 0, suggestions: -\n"
            "key 88: word \"CAX\" red, Insert, beeps 1, suggestions: CATS DOG EMU FOX GNU HEN IBIS JAY KOI\n"
            "key 32: word \"CAX_\" red, Insert, beeps 2, suggestions: CATS DOG EMU FOX GNU HEN IBIS JAY KOI\n");
}

}  // namespace
}  // namespace vuruzid
