// Key sequences through the interpreter, on a small word list of each
// language in a scratch program folder. Each input starts a new engine; after
// every key the caret lies within the word, at most nine suggestions show, a
// key asks for 0-2 beeps, and the display shows the word being typed.
//
// Input: the first byte picks the language (low bit); then pairs of bytes,
// a virtual-key code and a control byte whose bit 0 is the toggled Insert
// state, bit 1 the held Insert key, bit 2 a press of the language button
// before the key and bit 3 the window being shown (the word emptied).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzFolder.h"
#include "engine/Cp1251.h"
#include "engine/LanguageLibrary.h"
#include "engine/SpellingEngine.h"

using namespace vuruzid;

namespace {

void WriteDictionary(const std::filesystem::path& path, const std::vector<std::string>& utf8Words) {
  std::vector<std::string> strings{std::to_string(utf8Words.size())};
  for (const auto& w : utf8Words) strings.push_back(*cp1251::FromUtf8(w));
  if (!WriteLanguageLibrary(path, strings)) fuzz::Broken("cannot write a dictionary");
}

const std::filesystem::path& ProgramFolder() {
  static const std::filesystem::path folder = [] {
    const auto& f = fuzz::ScratchFolder();
    std::filesystem::create_directories(f / "data");
    WriteDictionary(f / "english.dll", {"-", "A", "ABC", "CAT", "CATS", "DOG", "DON`T", "EMU", "FOX", "GNU", "HEN",
                                        "MOTHER-IN-LAW", "ZEBRA", "ZOO"});
    WriteDictionary(f / "russian.dll", {"А", "ЁЖ", "ЕЖ", "КОТ", "КОТЫ", "ХОРОШО", "ЭХО", "ЮЛА", "Я"});
    fuzz::WriteFile(f / "data/dat_u.txt", "USERWORD\r\nCATERPILLAR\r\n");
    fuzz::WriteFile(f / "data/datr_u.txt", "\xCF\xD0\xC8\xC2\xC5\xD2\r\n");  // ПРИВЕТ
    return f;
  }();
  return folder;
}

void CheckInvariants(const SpellingEngine& engine) {
  VURUZID_FUZZ_CHECK(engine.cursorPos() <= engine.currentWord().size());
  VURUZID_FUZZ_CHECK(engine.display().suggestions.size() <= 9);
  VURUZID_FUZZ_CHECK(engine.display().word == engine.currentWord());
  VURUZID_FUZZ_CHECK(engine.display().wordColour == kLimeColour || engine.display().wordColour == kRedColour);
  VURUZID_FUZZ_CHECK(engine.display().mode == "Insert" || engine.display().mode == "Overwr.");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  int messages = 0;
  SpellingEngine engine(EngineFiles{ProgramFolder(), {ProgramFolder()}}, [&](const std::string&) { ++messages; });
  engine.ActivateLanguage(data[0] & 1);
  VURUZID_FUZZ_CHECK(messages == 0);
  for (size_t i = 1; i + 1 < size; i += 2) {
    const int key = data[i];
    const uint8_t control = data[i + 1];
    if (control & 4) engine.SwitchLanguage();
    if (control & 8) engine.ResetWord();
    const auto insertState = static_cast<int16_t>((control & 1) | ((control & 2) ? 0x8000 : 0));
    const int beeps = engine.ProcessKey(key, insertState);
    VURUZID_FUZZ_CHECK(beeps >= 0 && beeps <= 2);
    CheckInvariants(engine);
  }
  VURUZID_FUZZ_CHECK(messages == 0);
  return 0;
}
