#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <map>
#include <sstream>

#include "../engine/EngineFixture.h"
#include "engine/WordFrequencies.h"
#include "tools/check/CheckCommands.h"
#include "tools/check/TextReplay.h"

namespace vuruzid {
namespace {

// What a shell command prints on its standard output; it must end with status 0.
std::string OutputOfSuccessful(const std::string& command) {
  FILE* program = popen(command.c_str(), "r");
  if (program == nullptr) {
    ADD_FAILURE() << "cannot run " << command;
    return {};
  }
  std::string printed;
  for (int c; (c = std::fgetc(program)) != EOF;) printed += static_cast<char>(c);
  const int status = pclose(program);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command << ": " << status;
  return printed;
}

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
  check::ReplayKeys(Engine(), *check::ParseKeyStrokes("67 65,ctrl+65, 67,65,88 32", 1), out);
  EXPECT_EQ(out.str(),
            "key 67: word \"C\" lime, Insert, beeps 0, suggestions: -\n"
            "key 65: word \"CA\" lime, Insert, beeps 0, suggestions: -\n"
            "key 65: word \"\" lime, Insert, beeps 0, suggestions: -\n"
            "  dropped \"CA\"\n"
            "key 67: word \"C\" lime, Insert, beeps 0, suggestions: -\n"
            "key 65: word \"CA\" lime, Insert, beeps 0, suggestions: -\n"
            "key 88: word \"CAX\" red, Insert, beeps 1, suggestions: CATS DOG EMU FOX GNU HEN IBIS JAY KOI\n"
            "key 32: word \"CAX_\" red, Insert, beeps 2, suggestions: CATS DOG EMU FOX GNU HEN IBIS JAY KOI\n"
            "  judged \"CAX\" wrong\n");
  EXPECT_EQ(check::ParseKeyStrokes("Super+Alt+9", 0), (std::vector<KeyStroke>{{9, 0, true}}));
  // The mouse, a paste, the keypad as Num Lock sets it, and the case of letters.
  struct Written {
    const char* text;
    std::vector<KeyStroke> keys;
  };
  const Written written[] = {
      {"click middleclick rightclick",
       {{.insertKeyState = 1, .pointerButton = 1}, {.insertKeyState = 1, .pointerButton = 2},
        {.insertKeyState = 1, .pointerButton = 3}}},
      {"paste", {{.virtualKey = 'V', .insertKeyState = 1, .command = true}}},
      {"kp7 kp. 144 kp7 kp. kp+",
       {{.virtualKey = 103, .insertKeyState = 1}, {.virtualKey = 110, .insertKeyState = 1},
        {.virtualKey = 144, .insertKeyState = 1}, {.virtualKey = 36, .insertKeyState = 1},
        {.virtualKey = 46, .insertKeyState = 1}, {.virtualKey = 107, .insertKeyState = 1}}},
      {"shift+65 20 65",
       {{.virtualKey = 65, .insertKeyState = 1, .shift = true}, {.virtualKey = 20, .insertKeyState = 1, .capsLock = true},
        {.virtualKey = 65, .insertKeyState = 1, .capsLock = true}}},
  };
  for (const Written& w : written) EXPECT_EQ(check::ParseKeyStrokes(w.text, 1), w.keys) << w.text;
  for (const char* bad : {"", "ctrl+", "shift+", "256", "65x", "ctrl++65", "ctrl+click", "kp10"})
    EXPECT_EQ(check::ParseKeyStrokes(bad, 1), std::nullopt) << bad;
}

// A word typed in the other language's layout: told after its last key, and
// the switch it makes while typing is followed (the replay's default).
TEST_F(CheckCommands, KeyReplayTellsTheOtherLayoutsWordAndTheSwitch) {
  WriteEnglish({"CAT", "DOG", "HELLO"});
  WriteRussian({"КОТ", "ПЕС", "ПРИВЕТ"});
  const struct {
    int language;
    bool followTyping;
    const char* keys;
    const char* lastKey;  // what the last key prints
  } rows[] = {
      {0, true, "71 72 66 68 84 78 32",  // ghbdtn
       "key 32: word \"ПРИВЕТ\" lime, Insert, beeps 0, suggestions: ПЕС ПРИВЕТ\n  judged \"GHBDTN\" right\n"
       "  other layout \"ПРИВЕТ\"\n  switched to Russian by typing\n"},
      {0, false, "71 72 66 68 84 78 32",
       "key 32: word \"GHBDTN_\" red, Insert, beeps 2, suggestions: ПРИВЕТ DOG HELLO\n  judged \"GHBDTN\" wrong\n"
       "  other layout \"ПРИВЕТ\"\n"},
      {0, true, "67 65 84 32", "key 32: word \"\" lime, Insert, beeps 0, suggestions: -\n  judged \"CAT\" right\n"},
      {1, true, "72 69 76 76 79 32",  // руддщ
       "key 32: word \"HELLO\" lime, Insert, beeps 0, suggestions: DOG HELLO\n  judged \"РУДДЩ\" right\n"
       "  other layout \"HELLO\"\n  switched to English by typing\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.keys);
    Engine().ActivateLanguage(row.language);
    Engine().ResetWord();
    Engine().SetFollowTyping(row.followTyping);
    std::ostringstream out;
    check::ReplayKeys(Engine(), *check::ParseKeyStrokes(row.keys, 1), out);
    const std::string printed = out.str();
    const size_t last = printed.rfind("key ");
    EXPECT_EQ(printed.substr(last), row.lastKey);
    EXPECT_EQ(printed.find("other layout"), printed.rfind("other layout")) << "told once, at the word's end";
  }
}

// Texts typed as a person would, with every count worked out by hand on the
// fixture's word lists (see the comments for where the beeps come from).
struct ReplayedText {
  int language;
  const char* text;
  size_t words, marked, beeps, otherScript, keys;
  std::map<std::string, size_t> markedWords;
};

const ReplayedText kReplayedTexts[] = {
    // DOG`S: a beep at S, two at its end; CAX: one at X, two at its end;
    // HEN`S like DOG`S. The dash, the quoted EMU, -FOX after digits and
    // FOX-GNU pass; лиса is not typed. Keys: Shift before capitals and quotes.
    {0, "Cat - dog's \"emu\", 64-fox; Cax fox-gnu hen\u2019s \u043b\u0438\u0441\u0430 koi.\n", 8, 3, 9, 1, 57,
     {{"DOG`S", 1}, {"CAX", 1}, {"HEN`S", 1}}},
    // КИТ: beeps at И and Т, two at its end. пёс is typed with the Ё key,
    // « and » have no key and end words, dog is not typed.
    {1, "\u043a\u043e\u0442, \u043f\u0451\u0441 - \u00ab\u043a\u0438\u0442\u00bb dog.", 3, 1, 4, 1, 21,
     {{"\u041a\u0418\u0422", 1}}},
};

TEST_F(CheckCommands, TextReplayCountsWordsAlarmsAndBeeps) {
  for (const ReplayedText& row : kReplayedTexts) {
    SCOPED_TRACE(row.text);
    Engine().ActivateLanguage(row.language);
    Engine().ResetWord();
    size_t heardMarks = 0, heardWords = 0;
    const auto counts = check::ReplayText(Engine(), row.text, [&](const check::ReplayedWord& w) {
      heardMarks += w.marks;
      heardWords += !w.otherScript;
    });
    EXPECT_EQ(counts.wordsTyped, row.words);
    EXPECT_EQ(counts.wordsMarked, row.marked);
    EXPECT_EQ(counts.beeps, row.beeps);
    EXPECT_EQ(counts.otherScriptWords, row.otherScript);
    EXPECT_EQ(counts.keys, row.keys);
    EXPECT_EQ(counts.markedWords, row.markedWords);
    EXPECT_EQ(heardMarks, row.marked);  // every mark is told with the word it belongs to
    EXPECT_EQ(heardWords, row.words);
  }
}

TEST_F(CheckCommands, TextReplayReport) {
  Engine().ActivateLanguage(0);
  std::ostringstream out;
  check::PrintReplayReport(check::ReplayText(Engine(), "cax dog cax emuu\n"), out);
  EXPECT_EQ(out.str(),
            "words typed: 4\nwords marked wrong: 3\nalarms per 1,000 words: 750.0\nbeeps: 9\n"
            "words in the other script, not typed: 0\nmost frequent words marked wrong:\n  2  CAX\n  1  EMUU\n");
}

// Corrections, ranked by the frequency side files beside the libraries.
class Suggestions : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    WriteEnglish({"CAT", "CATS", "HAND", "HARD", "RECEIVE", "RELIEVE"});
    WriteRussian({"КАРТА", "КОРОВА", "ПЕС"});
    dir_.Write("data/dat_u.txt", "qork\r\n");
    std::string error;
    // HARD outnumbers HAND: only the counts can put it first for HAXD.
    const auto english = ReadLibraryWords(dir_ / "english.dll", &error);
    const auto russian = ReadLibraryWords(dir_ / "russian.dll", &error);
    ASSERT_TRUE(english && russian) << error;
    ASSERT_TRUE(WriteWordFrequencies(dir_ / "english.frq", {{"HARD", 5000}, {"HAND", 50}, {"RECEIVE", 900}}, *english,
                                     &error));
    ASSERT_TRUE(WriteWordFrequencies(dir_ / "russian.frq", {{*cp1251::FromUtf8("КОРОВА"), 300}}, *russian, &error));
  }
};

struct SuggestionCase {
  int language;
  std::vector<std::string> words;
  const char* printed;
  int unchecked;  // also the notes told
};

const SuggestionCase kSuggestionCases[] = {
    {0, {"recieve", " Cat ", "xyzzy", ""}, "RECIEVE: RECEIVE RELIEVE\nCAT:\nXYZZY:\n", 0},
    {0, {"haxd", "qorks"}, "HAXD: HARD HAND\nQORKS: QORK\n", 0},  // QORK: the user's own
    {0, {"naïve", "cta"}, "naïve:\nCTA: CAT CATS\n", 1},
    {1, {"карова", "пёс"}, "КАРОВА: КОРОВА КАРТА\nПЕС:\n", 0},
};

TEST_F(Suggestions, EachWordIsPrintedWithItsBestCorrections) {
  for (const SuggestionCase& row : kSuggestionCases) {
    SCOPED_TRACE(row.printed);
    Engine().ActivateLanguage(row.language);
    std::vector<std::string> notes;
    std::ostringstream out;
    EXPECT_EQ(check::SuggestWords(Engine(), row.words, out, [&](const std::string& m) { notes.push_back(m); }),
              row.unchecked);
    EXPECT_EQ(out.str(), row.printed);
    EXPECT_EQ(notes.size(), static_cast<size_t>(row.unchecked));
  }
}

// The program: --keys follows the typing unless told not to, --suggest puts
// the other layout's word first.
TEST_F(CheckCommands, ProgramTellsTheOtherLayoutsWord) {
  WriteRussian({"КОТ", "ПЕС", "ПРИВЕТ"});
  const struct {
    const char* arguments;
    const char* printed;  // a part of what it prints
    bool switched;
  } rows[] = {
      {"--keys '71 72 66 68 84 78 32'", "  other layout \"ПРИВЕТ\"\n  switched to Russian by typing\n", true},
      {"--no-follow-typing --keys '71 72 66 68 84 78 32'", "  judged \"GHBDTN\" wrong\n  other layout \"ПРИВЕТ\"\n",
       false},
      {"--suggest ghbdtn cat", "GHBDTN: ПРИВЕТ (ru layout)\nCAT:\n", false},
      {"--lang ru --suggest rjn", "RJN:\n", false},  // a word of Latin letters has no Russian keys to read
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.arguments);
    const std::string command =
        std::string(VURUZID_CHECK_PROGRAM " --folder ") + dir_.path().string() + " " + row.arguments + " 2>/dev/null";
    const std::string printed = OutputOfSuccessful(command);
    EXPECT_NE(printed.find(row.printed), std::string::npos) << printed;
    EXPECT_EQ(printed.find("by typing") != std::string::npos, row.switched) << printed;
  }
}

// The program itself, reading the words from its standard input: without its
// frequency file it still answers, and says why the ranking lacks them once.
TEST_F(Suggestions, ProgramAnswersEachLineOfStandardInput) {
  for (const bool frequencies : {true, false}) {
    if (!frequencies) std::filesystem::remove(dir_ / "english.frq");
    const std::string command = "printf 'recieve\\ncat\\n\\nhaxd\\n' | " VURUZID_CHECK_PROGRAM " --folder " +
                                dir_.path().string() + " --suggest - 2>" + (dir_ / "errors.txt").string();
    const std::string printed = OutputOfSuccessful(command);
    const std::string errors = dir_.Read("errors.txt");
    if (frequencies) {
      EXPECT_EQ(printed, "RECIEVE: RECEIVE RELIEVE\nCAT:\nHAXD: HARD HAND\n");
      EXPECT_EQ(errors, "");
    } else {
      EXPECT_TRUE(printed.starts_with("RECIEVE: RECEIVE RELIEVE\nCAT:\nHAXD: ")) << printed;
      EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
      EXPECT_NE(errors.find("english.frq"), std::string::npos) << errors;
    }
  }
}

}  // namespace
}  // namespace vuruzid
