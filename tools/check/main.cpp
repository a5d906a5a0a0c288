// vuruzid-check: tries the spelling engine without a desktop.
//
//   vuruzid-check [--lang en|ru] [--folder DIR] [WORD...]
//       checks the words (or the lines of standard input): known or not, with
//       the nine neighbouring dictionary entries.
//   vuruzid-check [--lang en|ru] [--folder DIR] [--overwrite] [--no-follow-typing] --keys CODES
//       replays virtual-key codes (decimal, separated by commas or blanks;
//       ctrl+65 is A pressed while Ctrl is held, shift+65 a capital A; click,
//       middleclick, rightclick, paste and kp0-kp9 stand for the mouse, Ctrl+V
//       and the keypad) through the keystroke interpreter and prints its
//       outputs after each key, with each word it judged or dropped, the word
//       its keys spell in the other language's layout, and a switch of the
//       language by typing. The codes tell no keyboard layout, so words typed
//       in the other layout switch the language unless --no-follow-typing.
//   vuruzid-check [--lang en|ru] [--folder DIR] --text FILE
//       types a UTF-8 text (FILE, or - for standard input) through the
//       interpreter as a person would and reports the words it marks wrong.
//   vuruzid-check [--lang en|ru] [--folder DIR] --suggest WORD...|-
//       prints the best corrections of each word (or of each line of
//       standard input), ranked as the word display's list ranks them; a word
//       typed in the other language's layout has that word first, marked
//       " (ru layout)" or " (en layout)".

#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/SpellingEngine.h"
#include "engine/TextLines.h"
#include "platform/ProgramFolder.h"
#include "tools/check/CheckCommands.h"
#include "tools/check/TextReplay.h"

namespace {

int Usage(std::ostream& out = std::cerr, int status = 2) {
  out << "usage: vuruzid-check [--lang en|ru] [--folder DIR] [WORD...]\n"
               "       vuruzid-check [--lang en|ru] [--folder DIR] [--overwrite] [--no-follow-typing] --keys CODES\n"
               "       vuruzid-check [--lang en|ru] [--folder DIR] --text FILE|-\n"
               "       vuruzid-check [--lang en|ru] [--folder DIR] --suggest WORD...|-\n";
  return status;
}

std::optional<std::string> ReadText(const std::string& name) {
  if (name == "-") return std::string(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  std::ifstream in(name, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vuruzid;
  int language = SpellingEngine::kEnglish;
  std::filesystem::path folder = platform::CurrentFolder();
  std::optional<std::string> keyCodes;
  int16_t insertState = 1;
  std::vector<std::string> words;
  std::optional<std::string> textFile;
  bool suggest = false;
  bool followTyping = true;  // no layout group is told, as on the device route

  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--lang" && hasValue) {
      const auto named = check::LanguageNamed(argv[++i]);
      if (!named) return Usage();
      language = *named;
    } else if (arg == "--folder" && hasValue) {
      folder = argv[++i];
    } else if (arg == "--keys" && hasValue) {
      keyCodes = argv[++i];
    } else if (arg == "--text" && hasValue) {
      textFile = argv[++i];
    } else if (arg == "--suggest") {
      suggest = true;
    } else if (arg == "--overwrite") {
      insertState = 0;
    } else if (arg == "--no-follow-typing") {
      followTyping = false;
    } else if (arg == "--help" || arg == "-h") {
      return Usage(std::cout, 0);
    } else if (arg == "--version") {
      std::cout << "vuruzid-check (QOR Vuruzid) " VURUZID_VERSION "\n";
      return 0;
    } else if (arg.starts_with("--")) {
      return Usage();
    } else {
      words.push_back(arg);
    }
  }

  const auto tell = [](const std::string& message) { std::cerr << "vuruzid-check: " << message << '\n'; };
  SpellingEngine engine(check::ToolEngineFiles(folder), tell);
  if (!check::ActivateForTool(engine, language, tell)) return 1;

  if (textFile) {
    const auto text = ReadText(*textFile);
    if (!text) {
      std::cerr << "vuruzid-check: cannot read " << *textFile << '\n';
      return 1;
    }
    check::PrintReplayReport(check::ReplayText(engine, *text), std::cout);
    return 0;
  }
  if (keyCodes) {
    const auto keys = check::ParseKeyStrokes(*keyCodes, insertState);
    if (!keys) {
      std::cerr << "vuruzid-check: key codes are whole numbers from 0 to 255, each with ctrl+, alt+, super+ or "
                   "shift+ before it when that key is held; click, middleclick and rightclick are mouse presses, "
                   "paste is Ctrl+V, kp0-kp9, kp., kp+, kp-, kp* and kp/ are the keypad's keys\n";
      return 2;
    }
    engine.SetFollowTyping(followTyping);
    check::ReplayKeys(engine, *keys, std::cout);
    return 0;
  }
  if (words.empty() || (suggest && words.size() == 1 && words[0] == "-")) {
    words.clear();
    for (std::string line; std::getline(std::cin, line);) words.push_back(line);
  }
  if (suggest) {
    return check::SuggestWords(engine, words, std::cout, tell) == 0 ? 0 : 1;
  }
  return check::CheckWords(engine, words, std::cout) == 0 ? 0 : 1;
}
