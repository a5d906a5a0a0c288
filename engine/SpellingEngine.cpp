#include "engine/SpellingEngine.h"

#include <algorithm>
#include <utility>

#include "engine/Cp1251.h"
#include "engine/TextLines.h"
#include "engine/UserWordFile.h"
#include "engine/WordJudge.h"
#include "platform/ProgramFolder.h"

namespace vuruzid {
namespace {

constexpr size_t kSuggestionRows = 9;

// The words of user word file lines: trimmed, upper-cased, sorted (Windows-1251
// byte order), without duplicates or blanks.
std::vector<std::string> SortedOwnWords(const std::vector<std::string>& lines) {
  std::vector<std::string> words;
  words.reserve(lines.size());
  for (const auto& line : lines)
    if (const std::string_view word = cp1251::Trim(line); !word.empty()) words.push_back(cp1251::ToUpper(word));
  std::sort(words.begin(), words.end());
  words.erase(std::unique(words.begin(), words.end()), words.end());
  return words;
}

}  // namespace

SpellingEngine::SpellingEngine(EngineFiles files, std::function<void(const std::string&)> showMessage)
    : files_(std::move(files)), showMessage_(std::move(showMessage)) {
  display_.suggestions.reserve(kSuggestionRows);
}

std::string_view SpellingEngine::UserWordFileName(int language) {
  return language == kEnglish ? "data/dat_u.txt" : "data/datr_u.txt";
}

std::string_view SpellingEngine::LibraryFileName(int language) {
  return language == kEnglish ? "english.dll" : "russian.dll";
}

void SpellingEngine::LoadLanguage(int language) {
  if (language != kEnglish && language != kRussian) return;
  const std::string_view name = LibraryFileName(language);

  std::shared_ptr<const LanguageLibrary> library;
  const auto path = platform::FindLibrary(name, files_.librarySearchPath);
  if (path) {
    library = libraries_.Open(*path);
    if (library) corrector_ = CorrectorFor(language, *path);
  }
  if (!library) {
    if (showMessage_) showMessage_("Can not load " + std::string(name));
    return;
  }

  const std::string countText(library->LoadString(0));
  const auto count = ParseWholeNumber(countText);
  if (!count) throw EngineError("'" + cp1251::ToUtf8(countText) + "' is not a valid integer value");
  if (*count <= 0) return;
  if (static_cast<uint64_t>(*count) >= library->StringCount()) {
    // The count promises words the table does not hold: a damaged library.
    if (showMessage_) showMessage_("Can not load " + std::string(name));
    return;
  }
  library_ = library;
  libraryPath_ = *path;
  libraryWords_ = static_cast<size_t>(*count);
  wordList_.AppendLibrary(std::move(library), static_cast<uint32_t>(*count));
}

std::shared_ptr<const Corrector> SpellingEngine::CorrectorFor(int language, const std::filesystem::path& library) {
  auto& corrector = correctors_[language];
  if (!corrector) {
    const KeyLayout layout = language == kEnglish ? KeyLayout::English : KeyLayout::Russian;
    corrector = std::make_shared<const Corrector>(layout, WordFrequencies::SideFileOf(library),
                                                  DefaultCorrectionWeights(layout));
  }
  return corrector;
}

bool SpellingEngine::InsertWord(std::string_view word) {
  if (wordList_.InsertWord(word) != WordList::Insertion::Inserted) return false;
  listSnapshot_.reset();
  display_.suggestions.clear();
  return true;
}

void SpellingEngine::MergeUserWords() {
  // Each line trimmed first (a line that starts with a tab still counts), then
  // upper-cased and inserted as InsertWord would, all at once.
  std::vector<std::string> words;
  words.reserve(userWordList_.size());
  for (const auto& line : userWordList_)
    if (const std::string_view word = cp1251::Trim(line); !word.empty()) words.emplace_back(word);
  if (wordList_.InsertWords(words) > 0) display_.suggestions.clear();
  listSnapshot_.reset();
  userWordSnapshot_.reset();
}

void SpellingEngine::ActivateLanguage(int language) {
  if (language == kEnglish || language == kRussian) {
    language_ = language;
    display_.language = language == kEnglish ? "Eng" : "Rus";
  }
  wordList_.clear();
  library_.reset();
  userWordList_.clear();
  listSnapshot_.reset();
  userWordSnapshot_.reset();
  corrector_.reset();
  DisplayChanged();
  LoadLanguage(language);
  if (language != kEnglish && language != kRussian) return;

  ReadUserWords(language);
  MergeUserWords();
  for (OtherLanguage& other : otherLanguages_) other.userWords.reset();
  layoutId_ = language == kEnglish ? kEnglishLayoutId : kRussianLayoutId;
  layout_ = LayoutFromId(layoutId_);
}

void SpellingEngine::ReadUserWords(int language) {
  const std::string_view name = UserWordFileName(language);
  UserWordFileNews& news = userWordFiles_[language];
  const auto tellOnce = [this](bool& told, const std::string& message) {
    if (!std::exchange(told, true) && showMessage_) showMessage_(message);
  };
  userWordList_.clear();
  news.problem.clear();
  if (auto file = ReadUserWordFile(files_.folder / name)) {
    userWordList_ = std::move(file->lines);
    news.problem = DescribeUserWordFileProblem(*file);
    if (file->problem != UserWordFileProblem::None) tellOnce(news.toldProblem, UserWordFileProblemMessage(name, *file));
    if (file->holdsUnreadableBytes)
      tellOnce(news.toldUnreadableBytes, UnreadableUserWordFileMessage(name, file->utf16));
    if (file->utf8) tellOnce(news.toldUtf8, Utf8UserWordFileMessage(name));
  }
  // Words whose save failed are still the user's: keep them until a save succeeds.
  const auto& unsaved = unsavedUserWords_[language];
  userWordList_.insert(userWordList_.end(), unsaved.begin(), unsaved.end());
}

std::vector<std::string> SpellingEngine::OwnWords() const { return SortedOwnWords(userWordList_); }

void SpellingEngine::RemoveOwnWords(const std::vector<std::string>& words) {
  if (language_ != kEnglish && language_ != kRussian) return;
  const std::string_view name = UserWordFileName(language_);
  if (std::string problem; !RemoveUserWordLines(files_.folder / name, words, &problem))
    throw EngineError("No word was removed: " + std::string(name) + " " + problem + ". The file is left as it was.");
  std::vector<std::string> removed;
  for (const auto& word : words) removed.push_back(cp1251::ToUpper(cp1251::Trim(word)));
  std::sort(removed.begin(), removed.end());
  std::erase_if(unsavedUserWords_[language_], [&](const std::string& word) {
    return std::binary_search(removed.begin(), removed.end(), cp1251::ToUpper(cp1251::Trim(word)));
  });
  // The list again as a switch to the language builds it, from the library
  // already in memory: its words stay, the removed ones of the user's go.
  wordList_.clear();
  if (library_) wordList_.AppendLibrary(library_, static_cast<uint32_t>(libraryWords_));
  ReadUserWords(language_);
  MergeUserWords();
  DisplayChanged();  // a correction found with the old list is not shown
}

std::string SpellingEngine::OwnWordFileProblem() const {
  if (language_ != kEnglish && language_ != kRussian) return {};
  const std::string& problem = userWordFiles_[language_].problem;
  if (problem.empty()) return {};
  return std::string(UserWordFileName(language_)) + " " + problem + ": its words cannot be read or removed.";
}

void SpellingEngine::SwitchLanguage() {
  ActivateLanguage(language_ == kEnglish ? kRussian : kEnglish);
  display_.suggestions.clear();
}

int SpellingEngine::SignalError() {
  display_.wordColour = kRedColour;
  return signalEnabled_ == 1 ? 1 : 0;
}

void SpellingEngine::ClearWord() {
  display_.word.clear();
  currentWord_.clear();
  cursorPos_ = 0;
  typed_.Clear();
  shownMarked_.clear();
  endPending_ = false;
  startsAtUnseenCaret_ = false;
}

void SpellingEngine::ResetWord() {
  ClearWord();
  display_.suggestions.clear();
  DisplayChanged();
}

void SpellingEngine::DisplayChanged() {
  ++displayGeneration_;
  display_.correctionCount = 0;
  display_.otherLayoutFirst = false;
  correctionWanted_ = false;
}

std::optional<CorrectionJob> SpellingEngine::TakeCorrectionJob() {
  if (!correctionWanted_ || !correctionsEnabled_ || !corrector_) return std::nullopt;
  correctionWanted_ = false;
  if (!listSnapshot_) {
    wordList_.PrepareLookups();  // so the snapshot's lookups build nothing on the job's thread
    listSnapshot_ = std::make_shared<const WordList>(wordList_);
  }
  return CorrectionJob{displayGeneration_, display_.word, corrector_, listSnapshot_, UserWordSnapshot(),
                       DisplayedWordCase()};
}

const std::shared_ptr<const std::vector<std::string>>& SpellingEngine::UserWordSnapshot() {
  if (!userWordSnapshot_) {
    std::vector<std::string> words;
    for (const auto& line : userWordList_)
      if (const std::string_view word = cp1251::Trim(line); !word.empty()) words.push_back(cp1251::ToUpper(word));
    std::sort(words.begin(), words.end());
    userWordSnapshot_ = std::make_shared<const std::vector<std::string>>(std::move(words));
  }
  return userWordSnapshot_;
}

std::string SpellingEngine::TakeCorrectionProblem() {
  std::string problem = corrector_ ? corrector_->TakeFrequencyProblem() : std::string();
  if (language_ != kEnglish && language_ != kRussian) return problem;
  if (CaseFile& file = caseFiles_[language_]; !file.problem.empty() && !std::exchange(file.told, true))
    problem += (problem.empty() ? "" : "\n") + file.problem;
  return problem;
}

const CaseForms* SpellingEngine::CaseTable() {
  if (!library_ || (language_ != kEnglish && language_ != kRussian)) return nullptr;
  CaseFile& file = caseFiles_[language_];
  // A library replaced on disk is opened anew, whatever its size: its table is read anew too.
  if (!file.tried || file.library.lock() != library_) {
    file = CaseFile{};
    file.library = library_;
    file.tried = true;
    std::string error;
    if (auto table = CaseForms::Load(CaseForms::SideFileOf(libraryPath_), libraryWords_, &error))
      file.table = std::make_shared<const CaseForms>(std::move(*table));
    else
      file.problem = "Words typed in lower case are checked without their letter case: " + error + ".";
  }
  return file.table.get();
}

bool SpellingEngine::WrongInLowerCase(std::string_view spelling) {
  const CaseForms* table = caseChecking_ ? CaseTable() : nullptr;
  if (!table) return false;
  const auto& userWords = *UserWordSnapshot();
  return !IsAcceptedInLowerCase(wordList_, spelling, [&](std::string_view form) {
    // The user's own words are right however they are typed.
    return !std::binary_search(userWords.begin(), userWords.end(), form) &&
           CaseOfListedForm(*table, *library_, wordList_, form) != FormCase::Any;
  });
}

std::vector<std::string> SpellingEngine::CorrectionsOf(std::string_view word) {
  if (!corrector_) return {};
  return corrector_->Suggest(word, wordList_, *UserWordSnapshot());
}

bool SpellingEngine::ShowCorrections(uint64_t displayGeneration, const std::vector<std::string>& corrections) {
  if (displayGeneration != displayGeneration_ || !correctionsEnabled_) return false;
  // The corrections first, then as many of the neighbours shown so far as
  // still fit, the ones nearest the word first.
  std::vector<std::string> rows;
  // The other layout's word stays first: it is what the keys spell.
  if (display_.otherLayoutFirst && !display_.suggestions.empty()) rows.push_back(display_.suggestions.front());
  for (const auto& correction : corrections)
    if (rows.size() < kSuggestionRows && std::find(rows.begin(), rows.end(), correction) == rows.end())
      rows.push_back(correction);
  const size_t count = rows.size();
  for (const auto& neighbour : display_.suggestions) {
    if (rows.size() >= kSuggestionRows) break;
    if (std::find(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(count), neighbour) == rows.begin() + static_cast<std::ptrdiff_t>(count))
      rows.push_back(neighbour);
  }
  neighboursUnderCorrections_ = std::exchange(display_.suggestions, std::move(rows));
  display_.correctionCount = count;
  return true;
}

void SpellingEngine::SetCorrectionsEnabled(bool on) {
  correctionsEnabled_ = on;
  if (on || display_.correctionCount == 0) return;
  display_.suggestions = std::move(neighboursUnderCorrections_);
  display_.correctionCount = 0;
}

std::vector<std::string> CorrectionJob::Run() const {
  if (!corrector || !words || !userWords) return {};
  return corrector->Suggest(word, *words, *userWords, Corrector::kMaxCorrections, typedCase);
}

int SpellingEngine::ProcessKey(int virtualKey, int16_t insertKeyState) {
  return ProcessKeyStroke(KeyStroke{.virtualKey = static_cast<uint8_t>(virtualKey), .insertKeyState = insertKeyState},
                          false)
      .beeps;
}

namespace {

// Ctrl+V, Shift+Insert and the middle button put text where the caret is.
bool IsPaste(const KeyStroke& key) {
  return key.pointerButton == 2 || (key.command && key.virtualKey == 'V') ||
         (!key.command && key.shift && key.virtualKey == vk::kInsert);
}

// No capital letter in it: a word typed Capitalised or in CAPITALS is judged by its letters alone.
bool TypedInLowerCase(std::string_view typed) {
  return std::ranges::none_of(typed, [](char c) {
    return cp1251::ToLower(static_cast<unsigned char>(c)) != static_cast<unsigned char>(c);
  });
}

// A key that types a word character in either layout: the keys of a word
// typed in the wrong layout are these, a blank or a digit ends them.
bool TypesALetterInEither(int virtualKey) {
  const auto key = static_cast<uint8_t>(virtualKey);
  return InterpretKey(key, KeyLayout::English).keyClass == KeyClass::WordCharacter ||
         InterpretKey(key, KeyLayout::Russian).keyClass == KeyClass::WordCharacter;
}

// A mark (kept as '.') or a digit, which joins words into addresses, file names and versions.
bool JoinsWords(char c) { return c == '.' || (c >= '0' && c <= '9'); }

// The character a word-character key types, in the case Shift and Caps Lock give it.
char TypedCharacter(unsigned char capital, const KeyStroke& key) {
  return static_cast<char>(key.shift != key.capsLock ? capital : cp1251::ToLower(capital));
}

}  // namespace

SpellingEngine::KeyStrokeResult SpellingEngine::ProcessKeyStroke(const KeyStroke& key, bool followLayout) {
  KeyStrokeResult result;
  bool judgedBeforeSwitch = false;
  if (followLayout && key.switchedTo != KeyScript::Unknown) {
    const int wanted = key.switchedTo == KeyScript::Cyrillic ? kRussian : kEnglish;
    if (wanted != language_) {
      // A word waiting to be judged is judged in the language it was typed in.
      const bool takesSlipBack = !key.command && key.pointerButton == 0 && key.virtualKey == vk::kBackspace;
      if (!takesSlipBack) judgedBeforeSwitch = JudgePendingWord(result);
      SwitchLanguage();
      result.languageSwitched = true;
    }
  }
  const bool paste = IsPaste(key);
  KeyMeaning meaning{KeyClass::Command, 0};
  if (key.pointerButton == 0) {
    insertMode_ = key.insertKeyState;
    display_.mode = insertMode_ == 1 ? "Insert" : "Overwr.";
    if (!key.command) meaning = InterpretKey(key.virtualKey, layout_);
  }
  if (paste) meaning.keyClass = KeyClass::Command;
  // A blank, or a mark or digit of both layouts ('.' and ',' of the Russian
  // layout are one), ends the run of keys: it is read in the other layout then.
  const bool endsRun = meaning.keyClass == KeyClass::Blank ||
                       ((meaning.keyClass == KeyClass::WordEnd || meaning.keyClass == KeyClass::WordCharacter) &&
                        key.pointerButton == 0 && !key.command && !TypesALetterInEither(key.virtualKey));
  if (!endsRun) FollowRunKeys(key, meaning);
  // Shift with a caret key selects: what is typed next replaces text not seen.
  if (key.shift && meaning.keyClass >= KeyClass::Left && meaning.keyClass <= KeyClass::LineChange)
    meaning.keyClass = KeyClass::LineChange;
  if (meaning.keyClass == KeyClass::Ignored) {
    if (judgedBeforeSwitch) {
      DisplayChanged();
      display_.wordColour = kLimeColour;
      ShowTypedWord(result, false);
    }
    return result;
  }
  // A click or a command types nothing: a finished wrong word on display
  // stays, with its corrections, and raises no new alarm.
  const bool typesText = meaning.keyClass != KeyClass::Command && meaning.keyClass != KeyClass::LineChange;
  if (typesText) {
    DisplayChanged();
    display_.wordColour = kLimeColour;
  }

  // A word ended by a digit or a mark is judged at the next key, unless that
  // key takes the slip back.
  if (meaning.keyClass != KeyClass::Backspace)
    JudgePendingWord(result, meaning.keyClass == KeyClass::WordCharacter || meaning.keyClass == KeyClass::WordEnd);
  else
    endPending_ = false;
  const bool overwrite = insertMode_ != 1;
  const bool movesCaret = meaning.keyClass >= KeyClass::Left && meaning.keyClass <= KeyClass::End;
  const TypedText::Word before = movesCaret ? typed_.WordAtCaret() : TypedText::Word{};
  switch (meaning.keyClass) {
    case KeyClass::WordCharacter:
      typed_.Type(TypedCharacter(meaning.character, key), overwrite);
      shownMarked_.clear();
      break;
    case KeyClass::Backspace:
      if (!typed_.DeleteBefore()) typed_.SetStartsUnseen();  // what it deleted was never seen
      shownMarked_.clear();
      break;
    case KeyClass::Delete:
      if (typed_.DeleteAfter()) shownMarked_.clear();
      break;
    case KeyClass::Left:
      if (typed_.MoveLeft())
        CaretLeft(before, result);
      else
        LetGoOfText(result, true);  // into text that was never seen
      break;
    case KeyClass::Right:
      if (typed_.MoveRight()) {
        CaretLeft(before, result);
      } else {
        // Over a character never seen, most often the blank after the word: it is finished.
        JudgeWord(before, result);
        typed_.Clear();
      }
      break;
    case KeyClass::Home:
      if (typed_.MoveToLineStart()) {
        CaretLeft(before, result);
      } else {
        if (typed_.HasTextAside())
          LetGoOfWordAtCaret(result);
        else if (typed_.IsWhole(before))
          JudgeWord(before, result);
        typed_.PutAside();
      }
      break;
    case KeyClass::End:
      if (typed_.MoveToLineEnd()) {
        CaretLeft(before, result);
      } else {
        LetGoOfWordAtCaret(result);
        typed_.TakeBackAside();
      }
      break;
    case KeyClass::Blank:
    case KeyClass::WordEnd: {
      const bool blank = meaning.keyClass == KeyClass::Blank;
      // Enter and Tab insert whatever the mode; a blank or a mark overwrites in overwrite mode.
      const char typed = static_cast<char>(meaning.character);
      typed_.Type(typed, overwrite && typed != '\n' && typed != '\t');
      const TypedText::Word finished = typed_.WordEndingAt(typed_.caret() - 1);
      if (blank)
        JudgeWord(finished, result);
      else
        endPending_ = !finished.empty() && !typed_.Judged(finished);
      // A word end with no new word before it takes a finished wrong word off the display.
      if (!result.judgedWrong && !endPending_ && (finished.empty() || typed_.Judged(finished))) shownMarked_.clear();
      break;
    }
    case KeyClass::LineChange:
    case KeyClass::Command:
      LetGoOfText(result, paste);
      break;
    case KeyClass::Ignored:
      break;
  }
  if (!typesText) {
    const std::string shown = shownMarked_.empty() ? std::string() : cp1251::ToUpper(shownMarked_) + '_';
    if (result.judgedWord.empty() && display_.word == shown) return result;
    DisplayChanged();
    display_.wordColour = kLimeColour;
  }
  ShowTypedWord(result, typesText);
  // A word ended by a mark is judged at the next key: its reading waits for that judgement.
  if (std::exchange(otherLayoutWaits_, false) && result.judgedWrong && !result.judgedWord.empty()) OfferOtherLayout();
  if (endsRun) ReadRunInOtherLayout(result);
  return result;
}

void SpellingEngine::JudgeWord(TypedText::Word word, KeyStrokeResult& result, bool joinedAfter) {
  if (word.empty() || typed_.Judged(word)) return;
  std::string spelling = cp1251::ToUpper(typed_.Spelling(word));
  if (typed_.ContinuesUnseenText(word)) {
    typed_.SetJudged(word, false);
    result.droppedWord = std::move(spelling);
    return;
  }
  // Without a dictionary nothing can be judged: the word is simply finished.
  bool wrong = !wordList_.empty() && !IsAcceptedWord(wordList_, spelling);
  // Part of an address or a file name (www.fsf.org, index.html, http://), a
  // word is often a name in lower case: its case is not judged.
  // The first word after a click may be the end of a word (wor|ld): its case is not known either.
  const std::string& text = typed_.text();
  const bool joined = (word.begin > 0 && JoinsWords(text[word.begin - 1])) ||
                      (joinedAfter && word.end < text.size() && JoinsWords(text[word.end])) ||
                      (word.begin == 0 && startsAtUnseenCaret_);
  if (!wrong && !joined && !wordList_.empty() && TypedInLowerCase(typed_.Spelling(word)))
    wrong = WrongInLowerCase(spelling);
  typed_.SetJudged(word, wrong);
  if (wordList_.empty()) return;
  result.judgedWrong = wrong;
  if (wrong) {
    shownMarked_ = typed_.Spelling(word);
    result.beeps += SignalError();
  }
  result.judgedWord = std::move(spelling);
}

bool SpellingEngine::JudgePendingWord(KeyStrokeResult& result, bool joinedAfter) {
  if (!std::exchange(endPending_, false)) return false;
  JudgeWord(typed_.WordEndingAt(typed_.caret() - 1), result, joinedAfter);  // the word before the digit or mark
  return true;
}

void SpellingEngine::CaretLeft(TypedText::Word word, KeyStrokeResult& result) {
  const TypedText::Word now = typed_.WordAtCaret();
  if (now.begin == word.begin && now.end == word.end) return;
  // A word changed back in the text is judged once the caret leaves it.
  if (typed_.IsWhole(word)) JudgeWord(word, result);
}

void SpellingEngine::LetGoOfWordAtCaret(KeyStrokeResult& result) {
  const TypedText::Word word = typed_.WordAtCaret();
  if (word.empty() || typed_.Judged(word)) return;
  if (typed_.IsWhole(word))
    JudgeWord(word, result);
  else
    result.droppedWord = cp1251::ToUpper(typed_.Spelling(word));  // unfinished: the caret went where no key tells
}

void SpellingEngine::LetGoOfText(KeyStrokeResult& result, bool continuesUnseen) {
  LetGoOfWordAtCaret(result);
  typed_.Clear(continuesUnseen);
  startsAtUnseenCaret_ = true;
}

bool SpellingEngine::MayBecomeWord(TypedText::Word word) const {
  if (MayBecomeAcceptedWord(wordList_, currentWord_, lookupIndex_)) return true;
  // Letters typed in front of a known word (at a line's start, say) are a
  // word of their own until the blank that parts them: only they are checked.
  const std::string_view typed(currentWord_);
  if (word.empty() || cursorPos_ == 0 || cursorPos_ + 2 > word.size() || typed_.Marked(word)) return false;
  if (!wordList_.Contains(typed.substr(cursorPos_))) return false;
  const std::string_view front = typed.substr(0, cursorPos_);
  return MayBecomeAcceptedWord(wordList_, front, wordList_.LowerBound(front));
}

LetterCase SpellingEngine::DisplayedWordCase() const {
  const TypedText::Word word = typed_.WordAtCaret();
  return CaseOf(word.empty() ? std::string_view(shownMarked_) : typed_.Spelling(word));
}

void SpellingEngine::ShowTypedWord(KeyStrokeResult& result, bool checkPrefix) {
  const TypedText::Word word = typed_.WordAtCaret();
  if (!word.empty()) {
    currentWord_.assign(typed_.Spelling(word));
    cp1251::ToUpperInPlace(currentWord_);
    cursorPos_ = typed_.caret() - word.begin;
    if (typed_.Marked(word)) currentWord_ += static_cast<char>(cp1251::kErrorMarker);
  } else {
    currentWord_.assign(shownMarked_);
    cp1251::ToUpperInPlace(currentWord_);
    if (!currentWord_.empty()) currentWord_ += static_cast<char>(cp1251::kErrorMarker);
    cursorPos_ = currentWord_.size();
    // The word this key found wrong is on display: its corrections are wanted.
    correctionWanted_ = result.judgedWrong;
  }
  ShowNeighbours();

  // Signal when the letters typed so far cannot become a known word (not
  // for letters that go on text never seen).
  if (!checkPrefix && currentWord_.ends_with(static_cast<char>(cp1251::kErrorMarker))) display_.wordColour = kRedColour;
  if (checkPrefix && !currentWord_.empty() && !wordList_.empty() && !(!word.empty() && typed_.ContinuesUnseenText(word)) &&
      !MayBecomeWord(word))
    result.beeps += SignalError();
}

// The word display shows currentWord_, and the list the words around it.
void SpellingEngine::ShowNeighbours() {
  display_.word = currentWord_;
  lookupIndex_ = wordList_.LowerBound(currentWord_);
  const size_t start = lookupIndex_ > 0 ? lookupIndex_ - 1 : 0;
  const size_t end = std::min(start + kSuggestionRows, wordList_.size());
  const size_t rows = start > 0 ? end - start : 0;
  display_.suggestions.resize(rows);
  wordList_.CopyWords(start, display_.suggestions);
}

namespace {

// How words typed in the other layout are told from slips. A two-letter
// reading of a slip is far too often a word of the other language; three and
// four letters only when the other word is common (at least once in a
// million words); a word of four letters or more switches at once,
// three-letter words when two come in a row.
constexpr size_t kShortestReading = 3, kLongestShortReading = 4, kSwitchesAtOnce = 4, kLongestRun = 64;
constexpr double kDearestShortWord = 13.8155;  // -ln(1e-6)
// A three-letter word this common (YOU, THE, ЧТО, ДЛЯ) switches at once.
constexpr double kDearestCommonWord = 9.2103;  // -ln(1e-4)
constexpr int kShortWordsToSwitch = 2;

}  // namespace

void SpellingEngine::FollowRunKeys(const KeyStroke& key, const KeyMeaning& meaning) {
  switch (meaning.keyClass) {
    case KeyClass::WordCharacter:
    case KeyClass::WordEnd:
      if (runKeysValid_) {
        runKeys_.push_back({key.virtualKey, key.shift != key.capsLock});
        runKeysValid_ = runKeys_.size() <= kLongestRun;
      }
      break;
    case KeyClass::Backspace:
      if (runKeys_.empty()) runKeysValid_ = false;
      else runKeys_.pop_back();
      break;
    case KeyClass::Blank:
    case KeyClass::Ignored:
      break;  // a blank's run is read at its end
    default:
      runKeys_.clear();  // the caret moved inside the run, or left it
      runKeysValid_ = false;
  }
}

const SpellingEngine::OtherLanguage* SpellingEngine::OtherLanguageWords(int language) {
  OtherLanguage& other = otherLanguages_[language];
  if (!other.tried) {
    other.tried = true;
    if (const auto path = platform::FindLibrary(LibraryFileName(language), files_.librarySearchPath)) {
      std::string error;
      if (auto words = ReadLibraryWords(*path, &error)) {
        other.words = std::move(*words);
        if (auto table = WordFrequencies::Load(WordFrequencies::SideFileOf(*path), other.words, &error))
          other.frequencies = std::move(*table);
      }
    }
  }
  return other.words.empty() ? nullptr : &other;
}

const std::vector<std::string>& SpellingEngine::OtherUserWords(int language) {
  std::optional<std::vector<std::string>>& words = otherLanguages_[language].userWords;
  if (!words) {
    // A file that cannot be read gives no words here; it is told about when its language is current.
    std::vector<std::string> lines;
    if (auto file = ReadUserWordFile(files_.folder / UserWordFileName(language))) lines = std::move(file->lines);
    const auto& unsaved = unsavedUserWords_[language];
    lines.insert(lines.end(), unsaved.begin(), unsaved.end());
    words = SortedOwnWords(lines);
  }
  return *words;
}

std::string SpellingEngine::KnownInOtherLayout(std::string_view reading, bool* common) {
  if (common) *common = false;
  if (reading.size() < kShortestReading || (language_ != kEnglish && language_ != kRussian)) return {};
  const int otherLanguage = language_ == kEnglish ? kRussian : kEnglish;
  const OtherLanguage* other = OtherLanguageWords(otherLanguage);
  const std::string word = cp1251::ToUpper(reading);
  if (!other) return {};
  if (!IsAcceptedWord(other->words, word)) {
    // The user's own words count too, but only long ones: a short own word
    // has no count to tell it from a slip.
    const auto& own = OtherUserWords(otherLanguage);
    return word.size() > kLongestShortReading && std::binary_search(own.begin(), own.end(), word) ? word : std::string();
  }
  if (word.size() <= kLongestShortReading) {
    const double cost = other->frequencies ? other->frequencies->Cost(word, other->words) : 0;
    if (!other->frequencies || cost >= other->frequencies->CostOfCount(0) || cost > kDearestShortWord) return {};
    if (common) *common = cost <= kDearestCommonWord;
  }
  return word;
}

std::string SpellingEngine::OtherLayoutSpelling(std::string_view word) {
  const KeyLayout other = layout_ == KeyLayout::English ? KeyLayout::Russian : KeyLayout::English;
  std::string reading;
  for (const char c : word) {
    const auto letter = cp1251::ToUpper(static_cast<unsigned char>(c));
    int key = -1;
    for (int k = 0; k < 256 && key < 0; ++k)
      if (const KeyMeaning m = InterpretKey(static_cast<uint8_t>(k), layout_);
          m.keyClass == KeyClass::WordCharacter && m.character == letter)
        key = k;
    const KeyMeaning there = key < 0 ? KeyMeaning{} : InterpretKey(static_cast<uint8_t>(key), other);
    if (there.keyClass != KeyClass::WordCharacter) return {};
    reading += static_cast<char>(there.character);
  }
  return KnownInOtherLayout(reading);
}

void SpellingEngine::ReadRunInOtherLayout(KeyStrokeResult& result) {
  const std::vector<RunKey> keys = std::exchange(runKeys_, {});
  const bool valid = std::exchange(runKeysValid_, true);
  if (!valid || keys.size() < kShortestReading || wordList_.empty()) return;
  const KeyLayout otherLayout = layout_ == KeyLayout::English ? KeyLayout::Russian : KeyLayout::English;
  // The run as this language reads it (its words parted by marks), and as the other.
  std::string here, there;
  bool readsThere = true;
  for (const RunKey& key : keys) {
    const KeyMeaning mine = InterpretKey(static_cast<uint8_t>(key.virtualKey), layout_);
    here += mine.keyClass == KeyClass::WordCharacter ? static_cast<char>(mine.character) : ' ';
    const KeyMeaning theirs = InterpretKey(static_cast<uint8_t>(key.virtualKey), otherLayout);
    readsThere = readsThere && theirs.keyClass == KeyClass::WordCharacter;
    if (readsThere)
      there += static_cast<char>(key.capital ? theirs.character : cp1251::ToLower(static_cast<unsigned char>(theirs.character)));
  }
  bool rightHere = true;
  for (size_t start = 0; start < here.size();) {
    const size_t end = std::min(here.find(' ', start), here.size());
    if (end > start && !IsAcceptedWord(wordList_, std::string_view(here).substr(start, end - start))) rightHere = false;
    start = end + 1;
  }
  bool common = false;
  const std::string known = readsThere ? KnownInOtherLayout(there, &common) : std::string();
  if (rightHere) {
    // Only a word of this language that spells nothing in the other breaks a run.
    if (known.empty()) shortWordsInOtherLayout_ = 0;
    return;
  }
  if (known.empty()) return;
  result.otherLayoutWord = known;
  const int otherLanguage = language_ == kEnglish ? kRussian : kEnglish;
  const bool switches = followTyping_ && (known.size() >= kSwitchesAtOnce || common ||
                                          ++shortWordsInOtherLayout_ >= kShortWordsToSwitch);
  if (switches) {
    // The word is right in the language it was typed for: no alarm for it.
    result.beeps = 0;
    result.judgedWrong = false;
    shortWordsInOtherLayout_ = 0;
    SwitchLanguage();
    ClearWord();
    result.languageSwitched = result.switchedByTyping = true;
    display_.wordColour = kLimeColour;
    currentWord_ = known;
    ShowNeighbours();
    return;
  }
  offered_ = {known, otherLanguage, CaseOf(there)};
  if (endPending_)
    otherLayoutWaits_ = true;  // ended by a mark: offered once the next key finds it wrong
  else
    OfferOtherLayout();
}

void SpellingEngine::OfferOtherLayout() {
  auto& rows = display_.suggestions;
  std::erase(rows, offered_.word);
  rows.insert(rows.begin(), offered_.word);
  if (rows.size() > kSuggestionRows) rows.resize(kSuggestionRows);
  display_.otherLayoutFirst = true;
  display_.otherLayoutLanguage = offered_.language;
  display_.otherLayoutCase = offered_.letterCase;
}

bool SpellingEngine::SaveUserWordsOf(int language) {
  // Appending leaves every byte the file held in place, whatever the reader made of it.
  // The words are written as the file is now: before a NUL byte it holds, in
  // UTF-8 when an editor re-saved it so.
  auto& unsaved = unsavedUserWords_[language];
  if (unsaved.empty()) return true;
  const auto path = files_.folder / UserWordFileName(language);
  const auto file = ReadUserWordFile(path);
  if (!AppendUserWords(path, unsaved, file.value_or(UserWordFileContents{}))) return false;
  unsaved.clear();
  return true;
}

void SpellingEngine::SaveUserWords() {
  if (!SaveUserWordsOf(language_)) throw EngineError("Cannot create file " + std::string(UserWordFileName(language_)));
}

void SpellingEngine::SaveAllUserWords() {
  std::string failures;
  for (const int language : {kEnglish, kRussian}) {
    if (SaveUserWordsOf(language)) continue;
    std::string words;
    for (const auto& word : unsavedUserWords_[language]) words += (words.empty() ? "" : ", ") + cp1251::ToUtf8(word);
    if (!failures.empty()) failures += "\n";
    failures += "Cannot create file " + (files_.folder / UserWordFileName(language)).string() +
                ": the words you added are not saved and are lost as the program ends: " + words;
  }
  if (!failures.empty()) throw EngineError(failures);
}

void SpellingEngine::AddUserWord(const std::string& word) {
  InsertWord(word);
  // A word that is the user's own already is not written twice.
  const auto& own = *UserWordSnapshot();
  if (const std::string spelling = cp1251::ToUpper(cp1251::Trim(word));
      spelling.empty() || !std::binary_search(own.begin(), own.end(), spelling)) {
    userWordList_.push_back(word);
    userWordSnapshot_.reset();
    unsavedUserWords_[language_].push_back(word);
  }
  DisplayChanged();
  // Known now: not shown wrong again.
  shownMarked_.clear();
  if (const TypedText::Word typed = typed_.WordAtCaret(); cp1251::ToUpper(typed_.Spelling(typed)) == word)
    typed_.SetJudged(typed, false);
  SaveUserWords();
  display_.wordColour = kLimeColour;
  display_.word = word;
}

std::optional<std::string> WordToOffer(std::string_view displayedWord) {
  if (!cp1251::GreaterThanSpace(displayedWord)) return std::nullopt;
  std::string word(displayedWord);
  if (const size_t marker = word.find(static_cast<char>(cp1251::kErrorMarker)); marker != std::string::npos)
    word.erase(marker, 1);
  return std::string(cp1251::Trim(word));
}

}  // namespace vuruzid
