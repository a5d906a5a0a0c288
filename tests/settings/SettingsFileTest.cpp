// Loading and saving data/Vuruzid.ini on real files in a temporary program folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "SettingsFolder.h"
#include "engine/TextLines.h"
#include "settings/Settings.h"
#include "settings/SideSettings.h"
#include "support/TempFolder.h"

namespace vuruzid {
namespace {

using testing::SettingsFolder;
namespace fs = std::filesystem;

const std::regex kTenDigits("[0-9]{10}");

std::string FirstRunBytes(const std::string& installationNumber) {
  std::string bytes = "QOR Vuruzid v.1.1\r\nUser Name\r\n" + installationNumber +
                      "\r\n0\r\n1\r\n50\r\n50\r\nfsNormal\r\n1\r\n";
  for (int i = 0; i < 7; ++i) bytes += "Normal\r\n";
  return bytes;
}

TEST(SettingsLoad, MissingFileIsAFirstRunWritingSixteenCrLfLines) {
  SettingsFolder folder;
  SettingsList list;
  const auto result = LoadSettings(folder.Path(), list);

  EXPECT_TRUE(result.firstRun);
  EXPECT_FALSE(result.writeFailed);
  ASSERT_EQ(list.size(), 16u);
  EXPECT_TRUE(std::regex_match(list[kInstallationNumberLine], kTenDigits)) << list[2];
  EXPECT_EQ(folder.ReadSettingsBytes(), FirstRunBytes(list[kInstallationNumberLine]));
  EXPECT_EQ(list, FirstRunSettings(list[kInstallationNumberLine]));

  // The next start finds the file: no second first run, same number.
  SettingsList again;
  EXPECT_FALSE(LoadSettings(folder.Path(), again).firstRun);
  EXPECT_EQ(again, list);
}

TEST(SettingsLoad, EmptyFileIsLoadedAndNotRewritten) {
  SettingsFolder folder;
  folder.WriteSettingsBytes("");
  SettingsList list;
  const auto result = LoadSettings(folder.Path(), list);

  EXPECT_FALSE(result.firstRun);
  EXPECT_FALSE(result.writeFailed);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(folder.ReadSettingsBytes(), "");
  const auto startup = ReadStartupSettings(list, 1024, 768);
  EXPECT_EQ(startup.language, 0);
  EXPECT_EQ(startup.left, 50);
  EXPECT_EQ(startup.top, 50);
  EXPECT_EQ(startup.signalEnabled, 1);
}

TEST(SettingsLoad, UnreadableFileIsAFirstRunAndReportsTheFailedWrite) {
  SettingsFolder folder;
  fs::create_directory(folder.SettingsFile());  // a folder where the file should be
  SettingsList list;
  const auto result = LoadSettings(folder.Path(), list);

  EXPECT_TRUE(result.firstRun);
  EXPECT_TRUE(result.writeFailed);
  EXPECT_EQ(list.size(), 16u);  // start-up goes on with the first-run values
  EXPECT_TRUE(fs::is_directory(folder.SettingsFile()));
}

TEST(SettingsLoad, MissingDataFolderKeepsTheFirstRunLinesInMemory) {
  SettingsFolder folder;
  fs::remove(folder.Path() / "data");
  SettingsList list;
  const auto result = LoadSettings(folder.Path(), list);

  EXPECT_TRUE(result.firstRun);
  EXPECT_TRUE(result.writeFailed);
  EXPECT_EQ(list, FirstRunSettings(list.at(kInstallationNumberLine)));
  EXPECT_FALSE(fs::exists(folder.Path() / "data"));  // the program creates no folders
}

TEST(SettingsSave, TwentyLinesComeBackWithOnlyTheCloseLinesReplaced) {
  SettingsFolder folder;
  SettingsList written{"edited by hand", "Ada", "2403075123", "0", "7", "50", "50",
                       "fsStayOnTop", "1"};
  for (int i = 9; i < 20; ++i) written.push_back("extra " + std::to_string(i));
  ASSERT_TRUE(WriteTextLines(folder.SettingsFile(), written));

  SettingsList list;
  ASSERT_FALSE(LoadSettings(folder.Path(), list).firstRun);
  ASSERT_EQ(list.size(), 20u);
  ASSERT_TRUE(SaveSettings(folder.Path(), list,
                           {.language = 1, .left = 300, .top = 200, .stayOnTop = false,
                            .signalEnabled = 0}));

  SettingsList expected = written;
  expected[0] = "QOR Vuruzid v.1.1";
  expected[3] = "1";
  expected[4] = "1";
  expected[5] = "300";
  expected[6] = "200";
  expected[7] = "fsNormal";
  expected[8] = "0";
  EXPECT_EQ(list, expected);
  EXPECT_EQ(folder.ReadSettingsBytes(), JoinLinesCrLf(expected));
}

TEST(SettingsSave, SavedValuesAreWhatTheNextStartRestores) {
  SettingsFolder folder;
  SettingsList list;
  LoadSettings(folder.Path(), list);
  ASSERT_TRUE(SaveSettings(folder.Path(), list,
                           {.language = 1, .left = 321, .top = 654, .stayOnTop = true,
                            .signalEnabled = 0}));
  EXPECT_EQ(list[7], "fsStayOnTop");

  SettingsList next;
  ASSERT_FALSE(LoadSettings(folder.Path(), next).firstRun);
  const auto startup = ReadStartupSettings(next, 1280, 1024);
  EXPECT_EQ(startup.language, 1);
  EXPECT_EQ(startup.left, 321);
  EXPECT_EQ(startup.top, 654);
  EXPECT_EQ(startup.signalEnabled, 0);
}

TEST(SettingsSave, NegativeLeftEdgeIsSavedAndFallsBackAtTheNextStart) {
  SettingsFolder folder;
  SettingsList list;
  LoadSettings(folder.Path(), list);
  ASSERT_TRUE(SaveSettings(folder.Path(), list, {.left = -20, .top = 200}));

  SettingsList next;
  LoadSettings(folder.Path(), next);
  EXPECT_EQ(next.at(5), "-20");
  const auto startup = ReadStartupSettings(next, 1024, 768);
  EXPECT_EQ(startup.left, 50);
  EXPECT_EQ(startup.top, 200);
}

TEST(SettingsSave, ShortListIsCompletedKeepingWhatItHas) {
  SettingsFolder folder;
  folder.WriteSettingsBytes("x\r\nAda\r\n2403075123\r\n1\r\n");
  SettingsList list;
  ASSERT_FALSE(LoadSettings(folder.Path(), list).firstRun);
  ASSERT_TRUE(SaveSettings(folder.Path(), list, {.language = 1, .left = 10, .top = 20}));

  SettingsList expected = FirstRunSettings("2403075123");
  expected[1] = "Ada";
  expected[3] = "1";
  expected[5] = "10";
  expected[6] = "20";
  EXPECT_EQ(list, expected);
  EXPECT_EQ(folder.ReadSettingsBytes(), JoinLinesCrLf(expected));
}

TEST(SettingsSave, ListWithoutAnInstallationNumberGetsANewOne) {
  SettingsFolder folder;
  for (const SettingsList& start : {SettingsList{}, SettingsList{"x", "Ada"}}) {
    SettingsList list = start;
    ASSERT_TRUE(SaveSettings(folder.Path(), list, {}));
    ASSERT_EQ(list.size(), 16u);
    EXPECT_TRUE(std::regex_match(list[kInstallationNumberLine], kTenDigits))
        << list[kInstallationNumberLine];
    EXPECT_EQ(list[kUserNameLine], start.size() > 1 ? "Ada" : "User Name");
    EXPECT_EQ(list[15], "Normal");
  }
}

TEST(SettingsSave, FailedWriteIsReportedAndLosesNothing) {
  SettingsFolder folder;
  SettingsList list = FirstRunSettings("2403075123");

  // No data folder: reported, the list still holds the values to save.
  fs::remove(folder.Path() / "data");
  EXPECT_FALSE(SaveSettings(folder.Path(), list, {.language = 1, .left = 77}));
  EXPECT_EQ(list[3], "1");
  EXPECT_EQ(list[5], "77");
  EXPECT_FALSE(fs::exists(folder.Path() / "data"));

  // A read-only file: reported, the file keeps its bytes.
  fs::create_directory(folder.Path() / "data");
  folder.WriteSettingsBytes("kept\r\n");
  fs::permissions(folder.SettingsFile(), fs::perms::owner_read | fs::perms::group_read);
  EXPECT_FALSE(SaveSettings(folder.Path(), list, {}));
  EXPECT_EQ(folder.ReadSettingsBytes(), "kept\r\n");
  fs::permissions(folder.SettingsFile(), fs::perms::owner_write, fs::perm_options::add);
  EXPECT_TRUE(SaveSettings(folder.Path(), list, {}));
  EXPECT_EQ(folder.ReadSettingsBytes(), JoinLinesCrLf(list));
}

// The files beside the settings file: what the user wrote is never lost,
// and a file that cannot be read gives the defaults and stays as it is.
TEST(SideSettingsFiles, DefaultsUnreadableFilesAndTheUsersOwnLines) {
  using namespace std::string_view_literals;
  const std::vector<std::string> defaults = {"xterm", "pinentry"};
  constexpr std::string_view kNone = "<none>", kFolder = "<folder>";
  struct Row {
    const char* what;
    std::string_view options, list;  // kNone: no file; kFolder: a folder in its place
    bool follow, corrections, browsers, setByUs, letterCase;
    std::vector<std::string> programs;
    size_t problems;
  };
  const Row rows[] = {
      {"a first start: defaults, the list written", kNone, kNone, true, true, false, false, true, defaults, 0},
      {"the user's own list",
       "FollowKeyboardLayout = off\n Corrections =off\nCheckInBrowsers= on\nAccessibilitySetByUs =on \nCheckLetterCase=off\n",
       "# mine\n  Konsole \n\nmy-editor\n", false, false, true, true, false, {"Konsole", "my-editor"}, 0},
      {"unknown lines are kept, unknown values are the defaults",
       "Colour=blue\r\nFollowKeyboardLayout=on\r\nCorrections=yes\r\nCheckInBrowsers=yes\r\nAccessibilitySetByUs=1\r\n"
       "CheckLetterCase=yes\r\n",
       "xterm", true, true, false, false, true, {"xterm"}, 0},
      {"consent given to a desktop whose switch was on already", "CheckInBrowsers=on\nAccessibilitySetByUs=off\n",
       "xterm", true, true, true, false, true, {"xterm"}, 0},
      {"a list that is no text file", kNone, "xterm\0\xff\n"sv, true, true, false, false, true, defaults, 1},
      {"a folder where the list should be, options with a NUL", "\0"sv, kFolder, true, true, false, false, true, defaults, 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    testing::TempFolder folder;
    for (const auto& [name, content] : {std::pair{kOptionsFileName, row.options}, std::pair{kLeftAloneFileName, row.list}}) {
      if (content == kFolder) fs::create_directories(folder / name);
      else if (content != kNone) folder.Write(name, content);
    }
    std::vector<std::string> problems;
    SideSettings side = SideSettings::Load(folder.path(), defaults, problems);
    EXPECT_EQ(side.FollowLayout(), row.follow);
    EXPECT_EQ(side.Corrections(), row.corrections);
    EXPECT_EQ(side.CheckInBrowsers(), row.browsers);
    EXPECT_EQ(side.AccessibilitySetByUs(), row.setByUs);
    EXPECT_EQ(side.CheckLetterCase(), row.letterCase);
    EXPECT_EQ(side.ProgramsLeftAlone(), row.programs);
    EXPECT_EQ(problems.size(), row.problems);

    std::string error;
    const bool listReadable = row.problems == 0, optionsReadable = row.options.find('\0') == std::string_view::npos;
    EXPECT_EQ(side.ToggleProgram("KONSOLE", &error), listReadable) << error;
    EXPECT_EQ(side.SetFollowLayout(!row.follow, &error), optionsReadable) << error;
    EXPECT_EQ(side.SetCorrections(!row.corrections, &error), optionsReadable) << error;
    EXPECT_EQ(side.SetCheckLetterCase(!row.letterCase, &error), optionsReadable) << error;
    EXPECT_EQ(side.SetBrowserChecking(!row.browsers, !row.setByUs, &error), optionsReadable) << error;
    EXPECT_EQ(side.CheckInBrowsers(), !row.browsers) << "changed while the program runs";
    if (!listReadable) {
      if (row.list != kFolder) {
        EXPECT_EQ(folder.Read(kLeftAloneFileName), row.list) << "an unreadable list is left as it is";
      }
      continue;
    }
    const std::string list = folder.Read(kLeftAloneFileName), options = folder.Read(kOptionsFileName);
    const bool hadKonsole = row.programs.front() == "Konsole";
    EXPECT_EQ(list.find("Konsole"), std::string::npos) << list;
    EXPECT_EQ(list.find("KONSOLE\n") != std::string::npos, !hadKonsole) << list;
    const SideSettings back = SideSettings::Load(folder.path(), defaults, problems);
    EXPECT_EQ(back.FollowLayout(), !row.follow) << "read back";
    EXPECT_EQ(back.Corrections(), !row.corrections) << "read back";
    EXPECT_EQ(back.CheckInBrowsers(), !row.browsers) << "read back";
    EXPECT_EQ(back.AccessibilitySetByUs(), !row.setByUs) << "read back";
    EXPECT_EQ(back.CheckLetterCase(), !row.letterCase) << "read back";
    EXPECT_EQ(options.find("CheckLetterCase"), options.rfind("CheckLetterCase")) << "the option has one line";
    EXPECT_NE(options.find(std::string("CheckInBrowsers=") + (row.browsers ? "off" : "on") + "\n"), std::string::npos)
        << options;
    EXPECT_EQ(options.find("CheckInBrowsers"), options.rfind("CheckInBrowsers")) << "the option has one line";
    const size_t correctionsLine = options.find(row.corrections ? "Corrections=off\n" : "Corrections=on\n");
    EXPECT_NE(correctionsLine, std::string::npos) << options;
    EXPECT_EQ(options.find("Corrections", correctionsLine + 1), std::string::npos) << "the option has one line";
    EXPECT_EQ(options.find("Corrections"), correctionsLine) << "the option has one line";
    EXPECT_EQ(options.find("Colour=blue\n") != std::string::npos, row.options.starts_with("Colour"));
  }
}

// Follow my typing: the user's choice, kept; without one, on exactly when the
// keyboard's layout switches cannot be followed, moving with what decides it.
TEST(SideSettingsFiles, FollowTypingIsTheChoiceOrOnWhereTheLayoutCannotBeFollowed) {
  struct Row {
    const char* options;
    bool chosen;
    // FollowTyping as following the layout is on and off, by whether the
    // capture sees the layout switches.
    bool followingSeen, followingUnseen, notFollowingSeen, notFollowingUnseen;
  };
  const Row rows[] = {
      {"", false, false, true, true, true},
      {"FollowTyping=maybe\n", false, false, true, true, true},
      {"FollowTyping=on\n", true, true, true, true, true},
      {" FollowTyping = off \n", true, false, false, false, false},
      {"FollowTyping=on\nFollowTyping=off\n", true, false, false, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.options);
    testing::TempFolder folder;
    folder.Write(kOptionsFileName, row.options);
    std::vector<std::string> problems;
    SideSettings side = SideSettings::Load(folder.path(), {}, problems);
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(side.FollowTypingChosen(), row.chosen);
    std::string error;
    for (const bool following : {true, false}) {
      ASSERT_TRUE(side.SetFollowLayout(following, &error)) << error;
      EXPECT_EQ(side.FollowTyping(true), following ? row.followingSeen : row.notFollowingSeen) << following;
      EXPECT_EQ(side.FollowTyping(false), following ? row.followingUnseen : row.notFollowingUnseen) << following;
    }
    EXPECT_EQ(side.FollowTypingChosen(), row.chosen) << "following the layout is no choice of this";

    const bool flipped = !side.FollowTyping(true);
    ASSERT_TRUE(side.SetFollowTyping(flipped, &error)) << error;
    const SideSettings back = SideSettings::Load(folder.path(), {}, problems);
    EXPECT_TRUE(back.FollowTypingChosen()) << "read back";
    for (const bool seen : {true, false}) EXPECT_EQ(back.FollowTyping(seen), flipped) << "read back, " << seen;
    const std::string options = folder.Read(kOptionsFileName);
    const std::string line = std::string("FollowTyping=") + (flipped ? "on" : "off") + "\n";
    EXPECT_NE(options.find(line), std::string::npos) << options;
    EXPECT_EQ(options.find("FollowTyping"), options.rfind("FollowTyping")) << "the option has one line";
  }
}

}  // namespace
}  // namespace vuruzid
