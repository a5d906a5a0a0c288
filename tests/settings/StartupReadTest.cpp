// The four values read at start, each with its accepted range and fall-back,
// read from real settings files.
#include <gtest/gtest.h>

#include "SettingsFolder.h"
#include "engine/TextLines.h"
#include "settings/Settings.h"

namespace vuruzid {
namespace {

// First-run lines with one line replaced, written, loaded and read back.
StartupSettings ReadWithLine(std::size_t index, const std::string& text, int width, int height) {
  testing::SettingsFolder folder;
  SettingsList lines = FirstRunSettings("2403075123");
  lines[index] = text;
  EXPECT_TRUE(WriteTextLines(folder.SettingsFile(), lines));
  SettingsList loaded;
  EXPECT_FALSE(LoadSettings(folder.Path(), loaded).firstRun);
  return ReadStartupSettings(loaded, width, height);
}

TEST(StartupRead, LanguageIsZeroOrOneElseEnglish) {
  EXPECT_EQ(ReadWithLine(3, "1", 1024, 768).language, 1);
  EXPECT_EQ(ReadWithLine(3, "0", 1024, 768).language, 0);
  for (const char* bad : {"2", "-1", "abc", "", "1 "})
    EXPECT_EQ(ReadWithLine(3, bad, 1024, 768).language, 0) << '"' << bad << '"';
}

TEST(StartupRead, LeftEdgeIsBoundByTheScreenWidth) {
  EXPECT_EQ(ReadWithLine(5, "924", 1024, 768).left, 924);
  EXPECT_EQ(ReadWithLine(5, "0", 1024, 768).left, 0);
  EXPECT_EQ(ReadWithLine(5, "  120", 1024, 768).left, 120);
  EXPECT_EQ(ReadWithLine(5, "925", 1024, 768).left, 50);
  EXPECT_EQ(ReadWithLine(5, "-1", 1024, 768).left, 50);
  EXPECT_EQ(ReadWithLine(5, "12x", 1024, 768).left, 50);
  // A wide screen takes an edge beyond its height.
  EXPECT_EQ(ReadWithLine(5, "1100", 1280, 1024).left, 1100);
}

TEST(StartupRead, TopEdgeIsBoundByTheScreenHeight) {
  EXPECT_EQ(ReadWithLine(6, "900", 1280, 1024).top, 900);
  EXPECT_EQ(ReadWithLine(6, "924", 1280, 1024).top, 924);
  EXPECT_EQ(ReadWithLine(6, "925", 1280, 1024).top, 50);
  EXPECT_EQ(ReadWithLine(6, "1000", 1280, 1024).top, 50);
  EXPECT_EQ(ReadWithLine(6, "1100", 1280, 1024).top, 50);
  EXPECT_EQ(ReadWithLine(6, "-5", 1280, 1024).top, 50);
}

TEST(StartupRead, SignalIsZeroOrOneElseOn) {
  EXPECT_EQ(ReadWithLine(8, "0", 1024, 768).signalEnabled, 0);
  EXPECT_EQ(ReadWithLine(8, "1", 1024, 768).signalEnabled, 1);
  EXPECT_EQ(ReadWithLine(8, "2", 1024, 768).signalEnabled, 1);
  EXPECT_EQ(ReadWithLine(8, "0 ", 1024, 768).signalEnabled, 1);
  EXPECT_EQ(ReadWithLine(8, "", 1024, 768).signalEnabled, 1);
}

TEST(StartupRead, ShortListFallsBackForTheMissingLines) {
  const auto startup = ReadStartupSettings({"", "", "", "1", "", "300"}, 1024, 768);
  EXPECT_EQ(startup.language, 1);
  EXPECT_EQ(startup.left, 300);
  EXPECT_EQ(startup.top, 50);
  EXPECT_EQ(startup.signalEnabled, 1);
}

}  // namespace
}  // namespace vuruzid
