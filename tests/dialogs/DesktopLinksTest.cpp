// The desktop services behind the first-run shortcuts, on real files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "ScratchDesktop.h"
#include "platform/desktop/Autostart.h"
#include "platform/desktop/DesktopEntry.h"
#include "platform/desktop/FileOperations.h"
#include "platform/desktop/StandardFolders.h"

namespace fs = std::filesystem;
using namespace vuruzid::platform;
using vuruzid::testing::ReadFile;
using vuruzid::testing::ScratchDesktop;
using vuruzid::testing::TempFolder;
using vuruzid::testing::WriteFile;

namespace {

// desktop-file-validate's verdict: empty when the entry is valid, else its complaints.
std::string ValidationErrors(const fs::path& entry) {
  const std::string command = "desktop-file-validate '" + entry.string() + "' 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return "cannot run desktop-file-validate";
  std::string output;
  char buffer[512];
  while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  const int status = ::pclose(pipe);
  if (status != 0 && output.empty()) output = "desktop-file-validate failed";
  return output;
}

bool IsExecutable(const fs::path& file) {
  return (fs::status(file).permissions() & fs::perms::owner_exec) != fs::perms::none;
}

}  // namespace

TEST(ExecQuoting, QuotesOnlyWhereTheRulesAsk) {
  EXPECT_EQ(QuoteExecArgument("/opt/qor/QOR_Vuruzid"), "/opt/qor/QOR_Vuruzid");
  EXPECT_EQ(QuoteExecArgument("/home/ann/My Programs/QOR_Vuruzid"),
            "\"/home/ann/My Programs/QOR_Vuruzid\"");
  // Inside quotes ", `, $ and \ take a backslash; the value escapes then double every backslash.
  EXPECT_EQ(QuoteExecArgument("/a\"b`c$d"), "\"/a\\\\\"b\\\\`c\\\\$d\"");
  EXPECT_EQ(QuoteExecArgument("/a\\b"), "\"/a\\\\\\\\b\"");
  EXPECT_EQ(QuoteExecArgument("/100%/x"), "/100%%/x");
  EXPECT_EQ(QuoteExecArgument("/new\nline"), "\"/new\\nline\"");
  EXPECT_EQ(QuoteExecArgument(""), "\"\"");
}

TEST(DesktopEntryFile, WritesAValidExecutableEntryWithTargetAndFolder) {
  TempFolder folder;
  const fs::path program = folder / "Programs/QOR Vuruzid";
  DesktopEntry entry{"QOR Vuruzid", program / "QOR_Vuruzid", "", program, {}};
  const fs::path file = folder / "QOR_Vuruzid.desktop";
  std::string error;
  ASSERT_TRUE(WriteDesktopEntry(file, entry, error)) << error;

  const std::string text = ReadFile(file);
  EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u);
  EXPECT_NE(text.find("\nType=Application\n"), std::string::npos);
  EXPECT_NE(text.find("\nName=QOR Vuruzid\n"), std::string::npos);
  EXPECT_NE(text.find("\nExec=\"" + program.string() + "/QOR_Vuruzid\"\n"), std::string::npos);
  EXPECT_NE(text.find("\nTryExec=" + program.string() + "/QOR_Vuruzid\n"), std::string::npos) << "no Exec quotes";
  EXPECT_NE(text.find("\nPath=" + program.string() + "\n"), std::string::npos);
  EXPECT_EQ(text.find("Icon="), std::string::npos);
  EXPECT_TRUE(IsExecutable(file));
  EXPECT_EQ(ValidationErrors(file), "");
}

// TryExec is a plain string value: only the backslash is escaped, nothing is quoted or doubled.
TEST(DesktopEntryFile, StaysValidForAwkwardFolderNames) {
  TempFolder folder;
  const struct {
    std::string name, inTryExec;
  } cases[] = {{"plain", "plain"},         {"two words", "two words"},         {"50% off", "50% off"},
               {"a$b`c\"d", "a$b`c\"d"}, {"back\\slash", "back\\\\slash"}, {"квартира", "квартира"}};
  for (const auto& c : cases) {
    const fs::path program = folder / c.name;
    DesktopEntry entry{"QOR Vuruzid", program / "QOR_Vuruzid", "", program, program / "icon.png"};
    const fs::path file = folder / (std::to_string(c.name.size()) + ".desktop");
    std::string error;
    ASSERT_TRUE(WriteDesktopEntry(file, entry, error)) << error;
    const std::string text = ReadFile(file);
    EXPECT_EQ(ValidationErrors(file), "") << c.name << "\n" << text;
    EXPECT_NE(text.find("\nTryExec=" + folder.path().string() + "/" + c.inTryExec + "/QOR_Vuruzid\n"),
              std::string::npos)
        << text;
  }
}

TEST(DesktopEntryFile, ReportsAFolderThatIsMissing) {
  TempFolder folder;
  std::string error;
  EXPECT_FALSE(WriteDesktopEntry(folder / "missing/QOR_Vuruzid.desktop",
                                 DesktopEntry{"QOR Vuruzid", "/x", "", "/", {}}, error));
  EXPECT_NE(error.find("missing/QOR_Vuruzid.desktop"), std::string::npos);
}

TEST(FolderCopy, CopiesContentKeepingTheExecutableBit) {
  TempFolder folder;
  WriteFile(folder / "Doder/QOR_Vuruzid.desktop", "[Desktop Entry]\n");
  WriteFile(folder / "Doder/sub/note.txt", "note");
  fs::permissions(folder / "Doder/QOR_Vuruzid.desktop", fs::perms::owner_all);
  fs::create_directories(folder / "menu");

  std::string error;
  const auto copy = CopyFolderInto(folder / "Doder", folder / "menu", error);
  ASSERT_TRUE(copy) << error;
  EXPECT_EQ(*copy, folder / "menu/Doder");
  EXPECT_EQ(ReadFile(folder / "menu/Doder/QOR_Vuruzid.desktop"), "[Desktop Entry]\n");
  EXPECT_EQ(ReadFile(folder / "menu/Doder/sub/note.txt"), "note");
  EXPECT_TRUE(IsExecutable(folder / "menu/Doder/QOR_Vuruzid.desktop"));
  EXPECT_TRUE(fs::exists(folder / "Doder/QOR_Vuruzid.desktop"));  // a copy, not a move
}

TEST(FolderCopy, PicksANewNameOnEachClashAndLeavesTheOldFoldersAlone) {
  TempFolder folder;
  WriteFile(folder / "Doder/link", "new");
  WriteFile(folder / "menu/Doder/link", "first");
  WriteFile(folder / "menu/Doder (2)/link", "second");

  std::string error;
  const auto copy = CopyFolderInto(folder / "Doder", folder / "menu", error);
  ASSERT_TRUE(copy) << error;
  EXPECT_EQ(*copy, folder / "menu/Doder (3)");
  EXPECT_EQ(ReadFile(folder / "menu/Doder (3)/link"), "new");
  EXPECT_EQ(ReadFile(folder / "menu/Doder/link"), "first");
  EXPECT_EQ(ReadFile(folder / "menu/Doder (2)/link"), "second");
}

TEST(FolderCopy, RefusesMissingFoldersAndCopiesIntoThemselves) {
  TempFolder folder;
  fs::create_directories(folder / "Doder/inner");
  std::string error;
  EXPECT_FALSE(CopyFolderInto(folder / "Doder", folder / "Doder/inner", error));
  EXPECT_FALSE(fs::exists(folder / "Doder/inner/Doder"));
  EXPECT_FALSE(CopyFolderInto(folder / "absent", folder.path(), error));
  EXPECT_FALSE(CopyFolderInto(folder / "Doder", folder / "absent", error));
  EXPECT_FALSE(CopyFolderInto(folder / "Doder", "", error));
}

TEST(FolderCopy, LeavesNothingBehindWhenTheCopyFails) {
  TempFolder folder;
  WriteFile(folder / "Doder/readable", "x");
  // A named pipe is neither file nor folder: the copy must stop at it.
  ASSERT_EQ(::mkfifo((folder / "Doder/pipe").c_str(), 0600), 0);
  fs::create_directories(folder / "menu");
  std::string error;
  EXPECT_FALSE(CopyFolderInto(folder / "Doder", folder / "menu", error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(fs::is_empty(folder / "menu"));
}

TEST(MoveWithoutReplacing, MovesToAFreeName) {
  TempFolder folder;
  WriteFile(folder / "a/link", "link");
  fs::create_directories(folder / "b");
  std::string error;
  EXPECT_EQ(MoveWithoutReplacing(folder / "a/link", folder / "b/link", error), MoveOutcome::Moved);
  EXPECT_FALSE(fs::exists(folder / "a/link"));
  EXPECT_EQ(ReadFile(folder / "b/link"), "link");
}

TEST(MoveWithoutReplacing, NeverReplacesAnExistingFile) {
  TempFolder folder;
  WriteFile(folder / "a/link", "new");
  WriteFile(folder / "b/link", "old");
  std::string error;
  EXPECT_EQ(MoveWithoutReplacing(folder / "a/link", folder / "b/link", error),
            MoveOutcome::TargetExists);
  EXPECT_EQ(ReadFile(folder / "a/link"), "new");
  EXPECT_EQ(ReadFile(folder / "b/link"), "old");
}

TEST(MoveWithoutReplacing, ReportsAMissingSourceOrTargetFolder) {
  TempFolder folder;
  WriteFile(folder / "a/link", "new");
  std::string error;
  EXPECT_EQ(MoveWithoutReplacing(folder / "a/absent", folder / "b", error), MoveOutcome::Failed);
  EXPECT_EQ(MoveWithoutReplacing(folder / "a/link", folder / "no/such/link", error),
            MoveOutcome::Failed);
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(fs::exists(folder / "a/link"));
}

TEST(MoveWithoutReplacing, WorksAcrossFileSystems) {
  struct stat tmp {}, shm {};
  if (::stat("/dev/shm", &shm) != 0 || ::stat(fs::temp_directory_path().c_str(), &tmp) != 0 ||
      tmp.st_dev == shm.st_dev)
    GTEST_SKIP() << "no second file system to move to";
  TempFolder folder;
  WriteFile(folder / "link", "link");
  fs::permissions(folder / "link", fs::perms::owner_all);
  const fs::path target = fs::path("/dev/shm") / (folder.path().filename().string() + ".desktop");
  std::string error;
  ASSERT_EQ(MoveWithoutReplacing(folder / "link", target, error), MoveOutcome::Moved) << error;
  EXPECT_EQ(ReadFile(target), "link");
  EXPECT_TRUE(IsExecutable(target));
  EXPECT_FALSE(fs::exists(folder / "link"));
  WriteFile(folder / "link", "second");
  EXPECT_EQ(MoveWithoutReplacing(folder / "link", target, error), MoveOutcome::TargetExists);
  EXPECT_EQ(ReadFile(target), "link");
  fs::remove(target);
}

TEST(StandardFolders, FollowTheXdgRulesAndTheUsersDirs) {
  struct Case {
    const char* name;
    const char* xdgDataHome;
    const char* home;  // "~" stands for a temporary home folder
    const char* xdgConfigHome;
    const char* xdgDataDirs;
    const char* userDirs;  // ~/.config/user-dirs.dirs, if any
    const char* expected;  // data home | config home | data dirs | desktop
  };
  const Case cases[] = {
      {"nothing set", "", "~", "", "", nullptr, "~/.local/share|~/.config|/usr/local/share:/usr/share|~/Desktop"},
      {"absolute values", "/d", "~", "/c", "/a:/b/", nullptr, "/d|/c|/a:/b/|~/Desktop"},
      {"relative values are ignored", "d", "~", "c", "a:/b", nullptr, "~/.local/share|~/.config|/b|~/Desktop"},
      {"no home", "", "", "", "", nullptr, "||/usr/local/share:/usr/share|"},
      {"relative home", "", "home", "", "", nullptr, "||/usr/local/share:/usr/share|"},
      {"desktop under $HOME", "", "~", "", "",
       "# made by xdg-user-dirs\nXDG_DESKTOP_DIR=\"$HOME/Work \\\"Desk\"\n",
       "~/.local/share|~/.config|/usr/local/share:/usr/share|~/Work \"Desk"},
      {"the last absolute desktop counts", "", "~", "", "", "XDG_DESKTOP_DIR=\"/old\"\nXDG_DESKTOP_DIR=/srv/desk\n",
       "~/.local/share|~/.config|/usr/local/share:/usr/share|/srv/desk"},
      {"relative desktop is ignored", "", "~", "", "", "XDG_DESKTOP_DIR=\"Desk\"\n",
       "~/.local/share|~/.config|/usr/local/share:/usr/share|~/Desktop"},
      {"desktop switched off", "", "~", "", "", "XDG_DESKTOP_DIR=\"$HOME/\"\n",
       "~/.local/share|~/.config|/usr/local/share:/usr/share|"},
  };
  TempFolder temp;
  const auto homeIn = [&](std::string text) {
    for (size_t at; (at = text.find('~')) != std::string::npos;) text.replace(at, 1, (temp / "home").string());
    return text;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(temp / "home/.config/user-dirs.dirs");
    if (c.userDirs) WriteFile(temp / "home/.config/user-dirs.dirs", c.userDirs);
    const XdgFolders folders = ResolveXdgFolders({c.xdgDataHome, homeIn(c.home), c.xdgConfigHome}, c.xdgDataDirs);
    std::string dataDirs;
    for (const fs::path& folder : folders.dataDirs) dataDirs += (dataDirs.empty() ? "" : ":") + folder.string();
    EXPECT_EQ(folders.dataHome.string() + "|" + folders.configHome.string() + "|" + dataDirs + "|" +
                  folders.desktop.string(),
              homeIn(c.expected));
  }
}

TEST(StandardFolders, FoldersOfThisProcessAreThereOrEmpty) {
  ScratchDesktop session;
  EXPECT_FALSE(fs::exists(session.applications()));
  EXPECT_EQ(ApplicationsFolder(), session.applications());  // made on demand
  EXPECT_TRUE(fs::is_directory(session.applications()));
  EXPECT_EQ(DesktopFolder(), session.desktop());
  EXPECT_EQ(AutostartFolderOfThisProcess(), session.configHome() / "autostart");
  EXPECT_EQ(SystemMenuEntry(), fs::path());
  WriteFile(session.systemData() / "applications" / kSystemMenuEntryFile, "[Desktop Entry]\n");
  EXPECT_EQ(SystemMenuEntry(), session.systemData() / "applications" / kSystemMenuEntryFile);

  session.SetDesktopFolder(session.home() / "Nowhere");
  EXPECT_EQ(DesktopFolder(), fs::path());
  WriteFile(session.home() / "blocked", "a file where a folder should be");
  ::setenv("XDG_DATA_HOME", (session.home() / "blocked").c_str(), 1);
  EXPECT_EQ(ApplicationsFolder(), fs::path());
}

// The desktop's own switches are read; an entry the program did not make is
// switched by its keys and kept, whatever else it holds.
TEST(Autostart, FollowsTheDesktopsSwitchesAndKeepsTheUsersOwnEntry) {
  const struct {
    const char* name;
    const char* entry;
    bool before, start;
    const char* after;  // nullptr: removed
  } cases[] = {
      {"the user's entry, switched off", "[Desktop Entry]\nExec=x --mine\n\n[Desktop Action A]\nHidden=false\n",
       true, false,
       "[Desktop Entry]\nExec=x --mine\nHidden=true\n\n[Desktop Action A]\nHidden=false\n"},
      {"hidden by the desktop, switched on", "[Desktop Entry]\nHidden = true\nExec=x", false, true,
       "[Desktop Entry]\nHidden=false\nExec=x"},
      {"switched off in GNOME, switched on", "[Desktop Entry]\nExec=x\nX-GNOME-Autostart-enabled=false\n", false, true,
       "[Desktop Entry]\nExec=x\nX-GNOME-Autostart-enabled=true\n"},
      {"the program's own, switched off in GNOME",
       "[Desktop Entry]\nExec=x\nX-Vuruzid-Created=true\nX-GNOME-Autostart-enabled=false\n", false, false, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    folder.Write(kAutostartFile, c.entry);
    EXPECT_EQ(StartsAtLogin(folder.path()), c.before);
    std::string error;
    const DesktopEntry entry{"QOR Vuruzid", "/usr/bin/qor-vuruzid", "", "/", {}};
    ASSERT_TRUE(SetStartAtLogin(folder.path(), c.start, entry, error)) << error;
    EXPECT_EQ(StartsAtLogin(folder.path()), c.start);
    EXPECT_EQ(fs::exists(folder / kAutostartFile) ? ReadFile(folder / kAutostartFile) : "removed",
              c.after ? c.after : "removed");
  }
}

TEST(Autostart, WritesAValidEntryAndRemovesIt) {
  TempFolder folder;
  const fs::path autostart = folder / "config" / "autostart";  // not there yet
  DesktopEntry entry{"QOR Vuruzid", "/usr/bin/qor-vuruzid", "", "/usr/lib/qor-vuruzid", {}};
  std::string error;
  EXPECT_FALSE(StartsAtLogin(autostart));
  ASSERT_TRUE(SetStartAtLogin(autostart, true, entry, error)) << error;
  EXPECT_TRUE(StartsAtLogin(autostart));
  EXPECT_EQ(ValidationErrors(autostart / kAutostartFile), "");
  EXPECT_NE(ReadFile(autostart / kAutostartFile).find("\nExec=/usr/bin/qor-vuruzid\n"), std::string::npos);
  EXPECT_NE(ReadFile(autostart / kAutostartFile).find("\nTryExec=/usr/bin/qor-vuruzid\n"), std::string::npos);

  ASSERT_TRUE(SetStartAtLogin(autostart, false, entry, error)) << error;
  EXPECT_FALSE(StartsAtLogin(autostart));
  EXPECT_TRUE(SetStartAtLogin(autostart, false, entry, error)) << "removing twice is no failure";

  // A folder that cannot be made, and no folder at all, fail with a reason.
  WriteFile(folder / "blocked", "a file where a folder should be");
  error.clear();
  EXPECT_FALSE(SetStartAtLogin(folder / "blocked" / "autostart", true, entry, error));
  EXPECT_FALSE(error.empty());
  error.clear();
  EXPECT_FALSE(SetStartAtLogin({}, true, entry, error));
  EXPECT_FALSE(error.empty());
}

// An entry an earlier version wrote gains the TryExec a removed program needs
// to be skipped at login; nothing else in it changes, and the user's entries
// and other copies' entries are left as they are.
TEST(Autostart, RefreshAddsTryExecToTheProgramsOwnEntryOnly) {
  const std::string own = "X-Vuruzid-Created=true\n";
  const struct {
    const char* name;
    const char* target;
    std::string entry;  // empty: no entry
    std::string after;  // empty: as before
  } cases[] = {
      {"the program's own, with comments and an action", "/usr/bin/qor-vuruzid",
       "[Desktop Entry]\n# from 1.2\nExec=/usr/bin/qor-vuruzid\n" + own +
           "\n[Desktop Action Quiet]\nExec=/usr/bin/qor-vuruzid --quiet\n",
       "[Desktop Entry]\n# from 1.2\nExec=/usr/bin/qor-vuruzid\n" + own +
           "TryExec=/usr/bin/qor-vuruzid\n\n[Desktop Action Quiet]\nExec=/usr/bin/qor-vuruzid --quiet\n"},
      {"blanks, a percent sign and arguments", "/home/ann/My 100% Programs/QOR_Vuruzid",
       "[Desktop Entry]\r\nExec=\"/home/ann/My 100%% Programs/QOR_Vuruzid\" --tray\r\n" + own + "Path=/home/ann",
       "[Desktop Entry]\r\nExec=\"/home/ann/My 100%% Programs/QOR_Vuruzid\" --tray\r\n" + own +
           "Path=/home/ann\nTryExec=/home/ann/My 100% Programs/QOR_Vuruzid\n"},
      {"the program's own, switched off in GNOME", "/usr/bin/qor-vuruzid",
       "[Desktop Entry]\nExec=/usr/bin/qor-vuruzid\n" + own + "X-GNOME-Autostart-enabled=false\n",
       "[Desktop Entry]\nExec=/usr/bin/qor-vuruzid\n" + own + "X-GNOME-Autostart-enabled=false\n"
       "TryExec=/usr/bin/qor-vuruzid\n"},
      {"already has TryExec", "/usr/bin/qor-vuruzid",
       "[Desktop Entry]\nExec=/usr/bin/qor-vuruzid\nTryExec=/opt/other\n" + own, ""},
      {"starts another copy", "/usr/bin/qor-vuruzid",
       "[Desktop Entry]\nExec=/usr/bin/qor-vuruzid-old\n" + own, ""},
      {"the user's own", "/usr/bin/qor-vuruzid", "[Desktop Entry]\nExec=/usr/bin/qor-vuruzid\n", ""},
      {"no entry", "/usr/bin/qor-vuruzid", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    if (!c.entry.empty()) folder.Write(kAutostartFile, c.entry);
    const bool started = StartsAtLogin(folder.path());
    std::string error;
    ASSERT_TRUE(RefreshOwnAutostartEntry(folder.path(), DesktopEntry{"QOR Vuruzid", c.target, "", "/", {}}, error))
        << error;
    if (c.entry.empty()) {
      EXPECT_FALSE(fs::exists(folder / kAutostartFile));
      continue;
    }
    EXPECT_EQ(ReadFile(folder / kAutostartFile), c.after.empty() ? c.entry : c.after);
    EXPECT_EQ(StartsAtLogin(folder.path()), started);
  }
}

TEST(Autostart, RefreshReportsAnEntryItCannotWrite) {
  TempFolder folder;
  const std::string old = "[Desktop Entry]\nExec=/usr/bin/qor-vuruzid\nX-Vuruzid-Created=true\n";
  folder.Write(kAutostartFile, old);
  fs::permissions(folder / kAutostartFile, fs::perms::owner_read);
  std::string error;
  EXPECT_FALSE(RefreshOwnAutostartEntry(folder.path(), DesktopEntry{"QOR Vuruzid", "/usr/bin/qor-vuruzid", "", "/", {}},
                                        error));
  EXPECT_NE(error.find(kAutostartFile), std::string::npos) << error;
  EXPECT_EQ(ReadFile(folder / kAutostartFile), old);
  EXPECT_TRUE(RefreshOwnAutostartEntry({}, DesktopEntry{"QOR Vuruzid", "/x", "", "/", {}}, error)) << "no folder, no entry";
}
