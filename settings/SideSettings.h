#pragma once

#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/SpellingEngine.h"

namespace vuruzid {

// Settings that live beside the positional settings file, never inside it
// (its sixteen lines stay as they are), each in a small text file of its own.
inline constexpr std::string_view kOptionsFileName = "data/Options.ini";      // Name=on|off lines
inline constexpr std::string_view kLeftAloneFileName = "data/left_alone.txt";  // one window class a line
inline constexpr std::string_view kFollowLayoutOption = "FollowKeyboardLayout";
inline constexpr std::string_view kCorrectionsOption = "Corrections";
inline constexpr std::string_view kCheckLetterCaseOption = "CheckLetterCase";
inline constexpr std::string_view kFollowTypingOption = "FollowTyping";
// The user's consent to having web browsers checked, and whether this program
// turned the desktop's accessibility switch on for it (so only then turns it off).
inline constexpr std::string_view kCheckInBrowsersOption = "CheckInBrowsers";
inline constexpr std::string_view kAccessibilitySetByUsOption = "AccessibilitySetByUs";

// Both files, read tolerantly: lines the program does not understand are
// kept as they are whenever it writes a file again, so nothing the user wrote
// is lost. A file that cannot be read (no permission, not a text file) gives
// the defaults and is never written over.
class SideSettings {
 public:
  // Reads the files under `folder` (the folder that holds data/). A missing
  // list is written with `defaultLeftAlone`. Each problem is added to `problems`
  // as a sentence a person can read.
  static SideSettings Load(const std::filesystem::path& folder, const std::vector<std::string>& defaultLeftAlone,
                           std::vector<std::string>& problems);

  bool FollowLayout() const { return followLayout_; }
  // Changes the option and writes the options file; false, with the reason, when it cannot be written.
  bool SetFollowLayout(bool on, std::string* error);
  // Whether a finished wrong word's corrections lead the list; on unless "off".
  bool Corrections() const { return corrections_; }
  bool SetCorrections(bool on, std::string* error);
  // Whether a word typed in lower case that the dictionary writes only with
  // capitals (ot for OT) is wrong; off unless "on", as in the engine.
  bool CheckLetterCase() const { return checkLetterCase_; }
  bool SetCheckLetterCase(bool on, std::string* error);
  // Whether words typed in a row in the other language's layout switch the
  // language. The user's choice once made; until then on exactly when the
  // keyboard's layout switches cannot be followed: following is off, or the
  // capture does not see them (`layoutSwitchesSeen` false: the device route,
  // or a keymap without both a Latin and a Cyrillic group). So the default
  // moves with both.
  bool FollowTyping(bool layoutSwitchesSeen) const {
    return followTyping_.value_or(!followLayout_ || !layoutSwitchesSeen);
  }
  bool FollowTypingChosen() const { return followTyping_.has_value(); }
  bool SetFollowTyping(bool on, std::string* error);
  // Off unless "on".
  bool CheckInBrowsers() const { return checkInBrowsers_; }
  bool AccessibilitySetByUs() const { return accessibilitySetByUs_; }
  // Changes both, written together.
  bool SetBrowserChecking(bool checkInBrowsers, bool accessibilitySetByUs, std::string* error);

  // The programs named by the list (comments and blank lines left out).
  const std::vector<std::string>& ProgramsLeftAlone() const { return programs_; }
  // Adds the program to the list, or removes every line naming it (ignoring
  // case), and writes the list; false, with the reason, when it cannot be written.
  bool ToggleProgram(const std::string& program, std::string* error);

 private:
  struct File {
    std::filesystem::path path;
    std::vector<std::string> lines;
    bool writable = true;
  };
  bool Write(File& file, std::string* error);
  struct Option {
    std::string_view name;
    bool on;
  };
  bool SetOptions(std::initializer_list<Option> options, std::string* error);
  void ReadPrograms();

  File options_, list_;
  bool followLayout_ = true;
  bool corrections_ = true;
  bool checkLetterCase_ = SpellingEngine::kCaseCheckingByDefault;
  std::optional<bool> followTyping_;  // nothing until the user chooses
  bool checkInBrowsers_ = false;
  bool accessibilitySetByUs_ = false;
  std::vector<std::string> programs_;
};

}  // namespace vuruzid
