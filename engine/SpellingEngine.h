#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/CaseForms.h"
#include "engine/Corrector.h"
#include "engine/KeyMap.h"
#include "engine/KeyStroke.h"
#include "engine/LetterCase.h"
#include "engine/LibraryCache.h"
#include "engine/TypedText.h"
#include "engine/WordList.h"

namespace vuruzid {

// An error the engine raises for the program's top-level handler to show.
class EngineError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The user's own words of the current language, exactly as read from the user
// word file, then the words added while the program runs.
using UserWordList = std::vector<std::string>;

inline constexpr uint32_t kLimeColour = 65280;  // 0x00FF00
inline constexpr uint32_t kRedColour = 255;     // 0x0000FF: blue, green, red from the high byte down

// What the main window shows of the engine; each field maps onto one control.
// All text is Windows-1251.
struct Display {
  std::string word;                      // the word display (Label7)
  uint32_t wordColour = kLimeColour;     // its colour, kLimeColour or kRedColour
  std::string_view mode = "Insert";      // insert/overwrite state (Label1): "Insert" or "Overwr."
  std::string_view language;             // current language (Label2): "Eng" or "Rus"
  std::vector<std::string> suggestions;  // up to nine words (ListBox1): corrections first, then neighbours
  size_t correctionCount = 0;            // how many of the first suggestions are corrections
  // The finished wrong word's keys, read in the other language's layout,
  // spell suggestions[0], a word of that language: the list marks it so
  // ("привет — ru layout"), and a click copies it in `otherLayoutCase`.
  bool otherLayoutFirst = false;
  int otherLayoutLanguage = -1;
  LetterCase otherLayoutCase = LetterCase::Lower;
};

// The corrections of a finished wrong word, to be found away from the keys:
// the job holds everything it reads, so it can run on another thread while
// the engine goes on. Its answer goes back through ShowCorrections, which
// drops it when the word is no longer on display.
struct CorrectionJob {
  uint64_t displayGeneration = 0;
  std::string word;  // as the word display shows it (Windows-1251)
  std::shared_ptr<const Corrector> corrector;
  std::shared_ptr<const WordList> words;                     // the list as it stood, lookups prepared
  std::shared_ptr<const std::vector<std::string>> userWords;  // sorted, upper case
  LetterCase typedCase = LetterCase::Lower;  // how the word was typed: names rank lower for a lower-case one
  std::vector<std::string> Run() const;
};

// Where the engine finds its files.
struct EngineFiles {
  std::filesystem::path folder = ".";                     // the program folder, holding data/
  std::vector<std::filesystem::path> librarySearchPath;   // where language libraries are looked for
};

// The spelling engine: the word list of the current language with the user's
// words merged in, and the interpreter that rebuilds the word being typed from
// virtual-key codes and judges it. Plain state, driven from one thread.
class SpellingEngine {
 public:
  static constexpr int kEnglish = 0, kRussian = 1;

  // `showMessage` shows a message to the user and returns when it was read.
  SpellingEngine(EngineFiles files, std::function<void(const std::string&)> showMessage);

  // Language libraries and user words.
  void LoadLanguage(int language);
  bool InsertWord(std::string_view word);  // true when the word was inserted
  void MergeUserWords();
  void ActivateLanguage(int language);
  void SwitchLanguage();  // the language button: the other language, suggestions cleared

  // One key-down: the virtual-key code (0-255) and the Insert-key state (low
  // bit toggled, sign bit held). Returns how many beeps the key asks for (0-2).
  int ProcessKey(int virtualKey, int16_t insertKeyState);

  struct KeyStrokeResult {
    int beeps = 0;
    bool languageSwitched = false;
    // What the key did to whole words (Windows-1251 capitals): the word it
    // judged and whether wrong, and the word it dropped unjudged because the
    // caret moved where no key tells.
    std::string judgedWord;
    bool judgedWrong = false;
    std::string droppedWord;
    // The keys of the word the key finished, read in the other language's
    // layout, spell this word of it (Windows-1251 capitals); and whether the
    // checker switched to that language because the typing follows its layout.
    std::string otherLayoutWord;
    bool switchedByTyping = false;
  };
  // One key-down or pointer press as the capture reports it. A key typed
  // after the keyboard switched to a group of the other script first switches
  // the language, as the language button does (when `followLayout`).
  // The interpreter keeps the text typed since the caret last moved where no
  // key tells, so Backspace, Left, Right, Home and End stay in step with the
  // editor across word ends. A word is judged when it is really finished: at
  // the blank, Enter or Tab after it, at the key after a digit or a mark that
  // ended it (not when that key is Backspace), or when the caret leaves a word
  // changed back in the text. A click, a shortcut, a function key, Up, Down,
  // Page Up and Page Down let go of the text, dropping an unfinished word
  // unjudged; a finished wrong word stays on display. After a paste the word
  // that goes on from it is not judged.
  KeyStrokeResult ProcessKeyStroke(const KeyStroke& key, bool followLayout);

  // Whether a word typed all in lower case is wrong when the dictionary
  // holds it only capitalised or only in capitals ("ot" for OT, "paris").
  // Without the language's case file (see CaseForms) words are judged
  // without their case, as when it is off. A word joined to a mark or a
  // digit (www.fsf.org, index.html) is judged without its case too.
  static constexpr bool kCaseCheckingByDefault = true;
  void SetCaseChecking(bool on) { caseChecking_ = on; }
  bool CaseChecking() const { return caseChecking_; }

  // Empties the word being typed and its display (the window being shown).
  void ResetWord();

  // Corrections for finished wrong words; off, the list is the neighbours
  // alone, and corrections on display give way to the neighbours they pushed aside.
  // Whether words typed in a row in the other language's layout switch the
  // language, as the language button would. For when the keyboard's layout
  // switches cannot be followed (the device route, following off).
  void SetFollowTyping(bool on) {
    followTyping_ = on;
    shortWordsInOtherLayout_ = 0;
  }
  bool FollowTyping() const { return followTyping_; }
  // `word` (the current language's letters, Windows-1251, any case) read key
  // by key in the other language's layout: that language's word (capitals)
  // when it is one the checker offers for a word typed so, else empty.
  std::string OtherLayoutSpelling(std::string_view word);

  void SetCorrectionsEnabled(bool on);
  bool CorrectionsEnabled() const { return correctionsEnabled_; }
  // The job for the word the last key finished wrong, once; nothing when
  // there is none (or corrections are off).
  std::optional<CorrectionJob> TakeCorrectionJob();
  // Puts a job's answer at the top of the list, when the word it was found
  // for is still on display; returns whether it did.
  bool ShowCorrections(uint64_t displayGeneration, const std::vector<std::string>& corrections);
  // The corrections of `word` (Windows-1251) found at once, on this thread,
  // as a job would find them (for tools).
  std::vector<std::string> CorrectionsOf(std::string_view word);
  // Why the current language's corrections are ranked without word
  // frequencies, once the first job has tried to read them, and why its words
  // are judged without their letter case, once a word typed in lower case
  // needed the case file; each said once, empty when there is nothing to say.
  std::string TakeCorrectionProblem();
  // Changes with every change of the display a correction could be shown in.
  uint64_t displayGeneration() const { return displayGeneration_; }

  // Adds a word the user confirmed (already upper-cased): into the word list,
  // appended to the user word list and to the end of the user word file, and
  // shown in lime. Throws EngineError when the file cannot be written; the
  // word is kept in memory either way and written with the next add.
  void AddUserWord(const std::string& word);
  // Appends the added words the user word file of the current language does
  // not hold yet; throws EngineError when it cannot be written.
  void SaveUserWords();
  // Appends the added words each language's file does not hold yet, as the
  // program ends: a save that failed earlier is tried once more. Throws
  // EngineError naming the words still unsaved and their files.
  void SaveAllUserWords();

  // The current language's own words: each line of its user word file and
  // each word added since (saved or not), trimmed and upper-cased, sorted
  // (Windows-1251 byte order), without duplicates or blanks.
  std::vector<std::string> OwnWords() const;
  // Takes the words (Windows-1251, any case, trimmed here) out of the current
  // language's own words: the user word file is rewritten without their lines
  // (every other byte kept) and unsaved added ones are forgotten; then the
  // word list is rebuilt from the library and the file, so a removed word the
  // library holds stays right and any other is wrong again. Throws EngineError
  // when the file cannot be read or written, with the file and the list as
  // they were.
  void RemoveOwnWords(const std::vector<std::string>& words);
  // Why the current language's user word file could not be read when it was
  // last read (a folder in its place, no permission to read it, too large,
  // UTF-16 text), as a sentence naming it; empty when it was read or is missing.
  std::string OwnWordFileProblem() const;
  // How many added words of a language are not in its file yet (a save failed).
  size_t UnsavedUserWordCount(int language) const { return unsavedUserWords_.at(language).size(); }

  // The user word file of a language, relative to the program folder.
  static std::string_view UserWordFileName(int language);
  static std::string_view LibraryFileName(int language);

  const Display& display() const { return display_; }
  // How the word on display was typed, for a correction taken from the list.
  LetterCase DisplayedWordCase() const;
  const WordList& wordList() const { return wordList_; }
  const UserWordList& userWordList() const { return userWordList_; }
  int language() const { return language_; }
  const std::string& layoutId() const { return layoutId_; }
  const std::string& currentWord() const { return currentWord_; }
  size_t cursorPos() const { return cursorPos_; }
  size_t lookupIndex() const { return lookupIndex_; }
  int insertMode() const { return insertMode_; }
  int signalEnabled() const { return signalEnabled_; }
  void setSignalEnabled(int enabled) { signalEnabled_ = enabled; }

 private:
  bool SaveUserWordsOf(int language);  // false when the file cannot be written
  // Reads the language's user word file into userWordList_, the words whose
  // save failed after it, and tells the user once about a file it cannot
  // read as plain Windows-1251 text.
  void ReadUserWords(int language);
  void DisplayChanged();
  const std::shared_ptr<const std::vector<std::string>>& UserWordSnapshot();
  std::shared_ptr<const Corrector> CorrectorFor(int language, const std::filesystem::path& library);
  int SignalError();  // returns the beeps it asks for
  void ClearWord();
  // The interpreter's steps: judging a finished word of the typed text, the
  // caret leaving a word, and letting go of the text where the caret went
  // where no key tells.
  // `joinedAfter`: the mark or digit that ended the word has a word character
  // or another mark right after it (an address or a file name goes on).
  void JudgeWord(TypedText::Word word, KeyStrokeResult& result, bool joinedAfter = false);
  bool JudgePendingWord(KeyStrokeResult& result, bool joinedAfter = false);  // false when no word waited
  void CaretLeft(TypedText::Word word, KeyStrokeResult& result);
  void LetGoOfWordAtCaret(KeyStrokeResult& result);
  void LetGoOfText(KeyStrokeResult& result, bool continuesUnseen);
  void ShowTypedWord(KeyStrokeResult& result, bool checkPrefix);
  bool MayBecomeWord(TypedText::Word word) const;  // the prefix check of the word on display
  // The letter case check of a listed word typed all in lower case.
  bool WrongInLowerCase(std::string_view spelling);
  const CaseForms* CaseTable();  // the current language's, read at its first use

  EngineFiles files_;
  std::function<void(const std::string&)> showMessage_;

  LibraryCache libraries_;
  WordList wordList_;
  UserWordList userWordList_;
  std::array<std::vector<std::string>, 2> unsavedUserWords_;  // per language: added, not yet in the file
  // Per language: what the user was told about its word file, and why it
  // gave no words when last read (a phrase after its name; empty when read).
  struct UserWordFileNews {
    bool toldUnreadableBytes = false;
    bool toldUtf8 = false;
    bool toldProblem = false;
    std::string problem;
  };
  std::array<UserWordFileNews, 2> userWordFiles_;
  int language_ = kEnglish;
  std::shared_ptr<const LanguageLibrary> library_;  // the one the word list views
  std::filesystem::path libraryPath_;
  size_t libraryWords_ = 0;
  bool caseChecking_ = kCaseCheckingByDefault;
  // Per language: its case table, once tried for a library of `words` words,
  // and why it could not be read.
  struct CaseFile {
    std::shared_ptr<const CaseForms> table;
    std::weak_ptr<const LanguageLibrary> library;  // the one it was read for: another needs its own
    bool tried = false;
    std::string problem;
    bool told = false;
  };
  std::array<CaseFile, 2> caseFiles_;
  std::string layoutId_;
  KeyLayout layout_ = KeyLayout::Other;

  TypedText typed_;
  bool endPending_ = false;   // the last key ended a word with a digit or a mark: judged at the next key
  // The kept text starts where a click or a caret key put the caret: its
  // first word may go on letters before it, so how it began is not known.
  bool startsAtUnseenCaret_ = false;
  // The keys typed since the last key that ends a word in both layouts (a
  // blank, a digit), for reading them in the other layout; `runKeysValid_`
  // is false once the caret moved inside the run.
  struct RunKey {
    int virtualKey;
    bool capital;
  };
  std::vector<RunKey> runKeys_;
  bool runKeysValid_ = true;
  int shortWordsInOtherLayout_ = 0;  // three-letter words in a row read in the other layout
  bool followTyping_ = false;
  // The other language's words and frequencies, read at the first word that needs them.
  struct OtherLanguage {
    bool tried = false;
    WordList words;
    std::optional<WordFrequencies> frequencies;
    // The user's own words of that language (trimmed, upper case, sorted),
    // read at first use after each switch of language: they change only while
    // their language is the current one.
    std::optional<std::vector<std::string>> userWords;
  };
  std::array<OtherLanguage, 2> otherLanguages_;
  const OtherLanguage* OtherLanguageWords(int language);
  const std::vector<std::string>& OtherUserWords(int language);
  // `common`: the word is among the other language's commonest (a hundred times in a million words).
  std::string KnownInOtherLayout(std::string_view reading, bool* common = nullptr);
  void ShowNeighbours();
  void FollowRunKeys(const KeyStroke& key, const KeyMeaning& meaning);
  void ReadRunInOtherLayout(KeyStrokeResult& result);
  void OfferOtherLayout();
  // The other layout's word last found, and whether it waits for its word's judgement.
  struct OtherLayoutOffer {
    std::string word;
    int language = -1;
    LetterCase letterCase = LetterCase::Lower;
  } offered_;
  bool otherLayoutWaits_ = false;
  std::string shownMarked_;   // the last word found wrong, as typed, shown while the caret is in no word
  std::string currentWord_;   // the word display's text, marker included
  size_t cursorPos_ = 0;      // the caret within it
  size_t lookupIndex_ = 0;
  int insertMode_ = 1;
  int signalEnabled_ = 1;

  Display display_;

  bool correctionsEnabled_ = true;
  std::vector<std::string> neighboursUnderCorrections_;  // the list before the corrections on display came
  uint64_t displayGeneration_ = 0;
  bool correctionWanted_ = false;  // the last key finished a wrong word
  std::array<std::shared_ptr<const Corrector>, 2> correctors_;  // per language, made at its first load
  std::shared_ptr<const Corrector> corrector_;                  // the current language's, if its library loaded
  mutable std::shared_ptr<const WordList> listSnapshot_;           // wordList_ as jobs read it, until it changes
  mutable std::shared_ptr<const std::vector<std::string>> userWordSnapshot_;
};

// The text the add-word dialog offers for the word display's text: the first
// error marker removed and the rest trimmed; nothing when the display holds
// nothing worth offering (empty, a single blank, or a control character first).
std::optional<std::string> WordToOffer(std::string_view displayedWord);

}  // namespace vuruzid
