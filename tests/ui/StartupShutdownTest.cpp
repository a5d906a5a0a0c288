// Start-up and close of the main window on real settings files.
#include <QMessageBox>

#include "support/Dictionaries.h"
#include "support/MainWindowFixture.h"

namespace vuruzid::testing {
namespace {

const QString kWriteError = "Cannot create file data/Vuruzid.ini.";

class StartupShutdownTest : public MainWindowFixture {
 protected:
  // Makes the files read-only, then adds CAX in English and, with the same
  // keys, СФЧ in Russian: each add's save fails and is reported. The add
  // dialogs are confirmed by the watcher the caller set up.
  void AddWordsThatCannotBeSaved(std::initializer_list<const char*> readOnlyFiles) {
    for (const char* file : readOnlyFiles) {
      folder_.dir().Write(file, "");
      std::filesystem::permissions(folder_.path() / file, std::filesystem::perms::owner_read);
    }
    Type({'C', 'A', 'X', ' '});
    Click("Image29");
    Click("Image11");  // Russian
    Type({'C', 'A', 'X'});
    Click("Image29");
  }
};

TEST_F(StartupShutdownTest, FirstRunWritesDefaultsAndWelcomesBeforeTheWindowShows) {
  bool welcomed = false, mainVisibleDuringWelcome = true;
  ModalWatcher watcher([&](QWidget* modal) {
    if (!dynamic_cast<TWelcomeForm*>(modal)) return;
    welcomed = true;
    mainVisibleDuringWelcome = Form().isVisible();
  });
  Start(false);
  ASSERT_EQ(watcher.seen().size(), 1u);
  EXPECT_TRUE(welcomed);
  EXPECT_FALSE(mainVisibleDuringWelcome);
  EXPECT_EQ(Form().FirstRun(), 0);
  EXPECT_EQ(std::filesystem::status(folder_.path() / "data/Vuruzid.ini").permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);  // the user's own
  const auto lines = folder_.ReadSettings();
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(lines[0], "QOR Vuruzid v.1.1");
  EXPECT_EQ(Form().pos(), QPoint(50, 50));
  EXPECT_EQ(Text("Label2"), "Eng");
  EXPECT_TRUE(Element("Image38")->isVisible());
  EXPECT_EQ(Form().Checking().CheckingOn(), 0);
  EXPECT_EQ(Form().Compact(), 1);
}

TEST_F(StartupShutdownTest, SecondStartRestoresLanguagePositionAndSignal) {
  folder_.WriteSettings(TestProgramFolder::SecondStartSettings(1, 140, 70, 0));
  ModalWatcher watcher;
  Start();
  EXPECT_TRUE(watcher.seen().empty()) << "no welcome dialog on a second start";
  EXPECT_EQ(Text("Label2"), "Rus");
  EXPECT_EQ(Form().Engine().layoutId(), "00000419");
  EXPECT_EQ(Form().pos(), QPoint(140, 70));
  EXPECT_FALSE(Element("Image38")->isVisible());
  EXPECT_EQ(Form().Engine().signalEnabled(), 0);
}

TEST_F(StartupShutdownTest, FailedFirstRunWriteIsReportedAndStartUpCompletes) {
  std::filesystem::remove_all(folder_.path() / "data");
  ModalWatcher watcher;
  Start(false);
  ASSERT_GE(watcher.seen().size(), 1u);
  EXPECT_EQ(watcher.seen()[0].text, kWriteError);
  EXPECT_EQ(watcher.seen()[0].icon, QMessageBox::Critical);
  // Every later step still ran: language, position, signal, shape.
  EXPECT_EQ(Text("Label2"), "Eng");
  EXPECT_EQ(Form().Engine().wordList().size(), 3u);
  EXPECT_EQ(Form().pos(), QPoint(50, 50));
  EXPECT_TRUE(Element("Image38")->isVisible());
  EXPECT_EQ(Form().size(), QSize(271, 106));
  EXPECT_EQ(Form().mask().boundingRect(), QRect(0, 1, 269, 106));
}

TEST_F(StartupShutdownTest, DamagedDictionaryIsReportedAndLaterStepsStillRun) {
  WriteDictionary(folder_.path() / "english.dll", {"CAT"}, std::string("many"));
  folder_.WriteSettings(TestProgramFolder::SecondStartSettings(0, 130, 60, 0));
  ModalWatcher watcher;
  Start();
  ASSERT_EQ(watcher.seen().size(), 1u);
  EXPECT_EQ(watcher.seen()[0].icon, QMessageBox::Critical);
  EXPECT_TRUE(watcher.seen()[0].text.contains("many")) << watcher.seen()[0].text.toStdString();
  EXPECT_EQ(Form().pos(), QPoint(130, 60));
  EXPECT_FALSE(Element("Image38")->isVisible());
  EXPECT_EQ(Form().mask().boundingRect(), QRect(0, 1, 269, 106));
}

TEST_F(StartupShutdownTest, MissingDictionaryIsToldInAPlainMessage) {
  std::filesystem::remove(folder_.path() / "english.dll");
  ModalWatcher watcher;
  Start();
  ASSERT_EQ(watcher.seen().size(), 1u);
  EXPECT_EQ(watcher.seen()[0].text, "Can not load english.dll");
  EXPECT_EQ(watcher.seen()[0].icon, QMessageBox::NoIcon);
  EXPECT_EQ(watcher.seen()[0].title, "QOR_Vuruzid");
  EXPECT_EQ(Text("Label2"), "Eng");
}

TEST_F(StartupShutdownTest, CloseWritesTheWindowStateAndKeepsOtherLines) {
  auto lines = TestProgramFolder::SecondStartSettings();
  lines[0] = "edited by hand";
  lines[4] = "7";
  for (int i = 16; i < 20; ++i) lines.push_back("extra " + std::to_string(i));
  folder_.WriteSettings(lines);
  Start();
  Click("Image38");  // signal off
  Click("Image11");  // Russian
  Click("Image37");  // on top
  Form().move(200, 150);
  EXPECT_TRUE(Form().close());
  const auto saved = folder_.ReadSettings();
  ASSERT_EQ(saved.size(), 20u);
  EXPECT_EQ(saved[0], "QOR Vuruzid v.1.1");
  EXPECT_EQ(saved[1], "Tester");
  EXPECT_EQ(saved[2], "2612075123");
  EXPECT_EQ(saved[3], "1");
  EXPECT_EQ(saved[4], "1");
  EXPECT_EQ(saved[5], "200");
  EXPECT_EQ(saved[6], "150");
  EXPECT_EQ(saved[7], "fsStayOnTop");
  EXPECT_EQ(saved[8], "0");
  EXPECT_EQ(saved[15], "Normal");
  EXPECT_EQ(saved[19], "extra 19");
  EXPECT_EQ(folder_.dir().Read("data/Vuruzid.ini").substr(0, 19), "QOR Vuruzid v.1.1\r\n");
}

TEST_F(StartupShutdownTest, ShortSettingsListIsCompletedAtClose) {
  folder_.WriteSettings({});
  ModalWatcher watcher;
  Start();
  EXPECT_TRUE(watcher.seen().empty()) << "an empty file is no first run";
  EXPECT_TRUE(Form().close());
  const auto saved = folder_.ReadSettings();
  ASSERT_EQ(saved.size(), 16u);
  EXPECT_EQ(saved[5], "50");
  EXPECT_EQ(saved[7], "fsNormal");
  EXPECT_EQ(saved[9], "Normal");
  EXPECT_EQ(saved[2].size(), 10u);
}

TEST_F(StartupShutdownTest, FailedWriteAtCloseIsReportedAndTheWindowStillCloses) {
  Start();
  const std::string before = folder_.dir().Read("data/Vuruzid.ini");
  std::filesystem::permissions(folder_.path() / "data/Vuruzid.ini", std::filesystem::perms::owner_read);
  Form().move(300, 200);
  ModalWatcher watcher;
  Form().close();
  ASSERT_EQ(watcher.seen().size(), 1u);
  EXPECT_EQ(watcher.seen()[0].text, kWriteError);
  EXPECT_FALSE(Form().isVisible());
  EXPECT_EQ(folder_.dir().Read("data/Vuruzid.ini"), before);
}

// Both languages' words are tried again at close, not only the current one's.
TEST_F(StartupShutdownTest, WordsWhoseSaveFailedAreSavedAtCloseOrNamedBeforeTheEnd) {
  Start();
  ModalWatcher watcher([&](QWidget* modal) {
    if (auto* dialog = dynamic_cast<TAddWordForm*>(modal)) dialog->Button1Click();
  });
  AddWordsThatCannotBeSaved({"data/dat_u.txt", "data/datr_u.txt"});
  std::filesystem::permissions(folder_.path() / "data/dat_u.txt", std::filesystem::perms::owner_all);
  Form().close();
  ASSERT_EQ(watcher.seen().size(), 5u);  // two adds, each with its failure, and the close
  EXPECT_EQ(watcher.seen()[4].text.toStdString(),
            "Cannot create file " + (folder_.path() / "data/datr_u.txt").string() +
                ": the words you added are not saved and are lost as the program ends: СФЧ");
  EXPECT_EQ(folder_.dir().Read("data/dat_u.txt"), "CAX\r\n");
}

// An end from outside (a signal, the session's end) may show nothing: what a
// close would report goes to standard error, counting lost words without
// naming them, and the words that can be saved are. A later close writes nothing more.
TEST_F(StartupShutdownTest, AnEndFromOutsideSavesWhatItCanAndTellsTheRestOnStandardError) {
  Start();
  ModalWatcher watcher([&](QWidget* modal) {
    if (auto* dialog = dynamic_cast<TAddWordForm*>(modal)) dialog->Button1Click();
  });
  AddWordsThatCannotBeSaved({"data/dat_u.txt", "data/datr_u.txt", "data/Vuruzid.ini"});
  ASSERT_EQ(watcher.seen().size(), 4u);  // two adds, each with its failure
  std::filesystem::permissions(folder_.path() / "data/dat_u.txt", std::filesystem::perms::owner_all);

  ::testing::internal::CaptureStderr();
  Form().SaveOnEnd(/*messageBoxes=*/false);
  const std::string told = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(watcher.seen().size(), 4u) << "a message box held up the end";
  EXPECT_NE(told.find(std::string(kSettingsWriteError)), std::string::npos) << told;
  EXPECT_NE(told.find((folder_.path() / "data/datr_u.txt").string() + ": 1 added word(s) are lost"), std::string::npos)
      << told;
  EXPECT_EQ(told.find("\xD1\xD4\xD7"), std::string::npos) << "a lost word was named";  // СФЧ
  EXPECT_EQ(told.find("СФЧ"), std::string::npos) << "a lost word was named";
  EXPECT_EQ(folder_.dir().Read("data/dat_u.txt"), "CAX\r\n");

  Form().close();  // as the event loop's end then does: nothing more is written or shown
  EXPECT_EQ(watcher.seen().size(), 4u);
  EXPECT_EQ(folder_.dir().Read("data/Vuruzid.ini"), "");
}

}  // namespace
}  // namespace vuruzid::testing
