// One word typed on the desktop, from the injected key to the word on display
// and the bells rung, through the real capture and a real language library.
// gtest before Xlib, whose macros (None, Bool) clash with it.
#include <gtest/gtest.h>

#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include <unistd.h>

#include <filesystem>

#include "TestDesktop.h"
#include "capture/KeyCapture.h"
#include "engine/LanguageLibrary.h"
#include "engine/SpellingEngine.h"

namespace vuruzid::capture::testing {
namespace {

namespace fs = std::filesystem;

// Counts the bells of the X server, as a desktop's sound theme would hear them.
class BellListener {
 public:
  BellListener() : display_(XkbOpenDisplay(nullptr, &eventBase_, nullptr, nullptr, nullptr, nullptr)) {
    XkbSelectEvents(display_, XkbUseCoreKbd, XkbBellNotifyMask, XkbBellNotifyMask);
    XSync(display_, False);
  }
  ~BellListener() { XCloseDisplay(display_); }
  int Count() {
    XSync(display_, False);
    while (XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      if (event.type == eventBase_ && reinterpret_cast<XkbEvent&>(event).any.xkb_type == XkbBellNotify) ++bells_;
    }
    return bells_;
  }

 private:
  int eventBase_ = 0;
  ::Display* display_;
  int bells_ = 0;
};

class RoadOfOneKey : public ::testing::Test {
 protected:
  void SetUp() override {
    TestDesktop::SetKeyboard("-keycodes evdev us");
    fs::create_directories(folder / "data");
    ASSERT_TRUE(WriteLanguageLibrary(folder / "english.dll", {"3", "CAT", "CATS", "DOG"}));
    engine.ActivateLanguage(SpellingEngine::kEnglish);
    ASSERT_EQ(engine.wordList().size(), 3u) << (messages.empty() ? "" : messages.front());
    bellRinger = XOpenDisplay(nullptr);
  }
  void TearDown() override {
    XCloseDisplay(bellRinger);
    fs::remove_all(folder);
  }

  // Types one key and waits until the interpreter has taken it.
  void Type(unsigned long keysym) {
    const size_t before = keysTaken;
    desktop.Tap(desktop.KeycodeOfSymbol(keysym));
    ASSERT_TRUE(PumpUntil([&] { return keysTaken > before; }));
  }

  fs::path folder = fs::temp_directory_path() / ("vuruzid-road-" + std::to_string(getpid()));
  std::vector<std::string> messages;
  SpellingEngine engine{EngineFiles{folder, {folder}}, [this](const std::string& m) { messages.push_back(m); }};
  ::Display* bellRinger = nullptr;
  size_t keysTaken = 0;
  CheckingSwitch checking{[this](const KeyStroke& key) {
                            const int beeps = engine.ProcessKeyStroke(key, false).beeps;
                            for (int i = 0; i < beeps; ++i) XkbBell(bellRinger, None, 0, None);
                            XSync(bellRinger, False);
                            ++keysTaken;
                          },
                          [this](const std::string& m) { messages.push_back(m); }};
  TestDesktop& desktop = TestDesktop::Shared();
  BellListener bells;
};

TEST_F(RoadOfOneKey, CaxIsRedAfterXAndMarkedWithTwoBellsAtTheBlank) {
  checking.Toggle();
  ASSERT_EQ(checking.CheckingOn(), 1) << (messages.empty() ? "" : messages.front());
  const vuruzid::Display& shown = engine.display();

  Type(XK_c);
  EXPECT_EQ(shown.word, "C");
  EXPECT_EQ(shown.wordColour, kLimeColour);
  EXPECT_EQ(shown.mode, "Insert");
  EXPECT_TRUE(shown.suggestions.empty());
  EXPECT_EQ(bells.Count(), 0);

  Type(XK_a);
  EXPECT_EQ(shown.word, "CA");
  EXPECT_EQ(shown.wordColour, kLimeColour);
  EXPECT_EQ(bells.Count(), 0);

  Type(XK_x);
  EXPECT_EQ(shown.word, "CAX");
  EXPECT_EQ(shown.wordColour, kRedColour);
  EXPECT_EQ(shown.suggestions, (std::vector<std::string>{"CATS", "DOG"}));
  EXPECT_EQ(bells.Count(), 1);

  Type(XK_space);
  EXPECT_EQ(shown.word, "CAX_");
  EXPECT_EQ(shown.wordColour, kRedColour);
  EXPECT_EQ(bells.Count(), 3) << "two bells for the blank";
}

TEST_F(RoadOfOneKey, SwitchingOffKeepsTheWordAndIgnoresKeysUntilSwitchedOn) {
  checking.Toggle();
  ASSERT_EQ(checking.CheckingOn(), 1);
  EXPECT_EQ(checking.ToggleCaption(), "off");
  EXPECT_TRUE(checking.IndicatorVisible());
  Type(XK_c);
  Type(XK_a);

  checking.Toggle();
  EXPECT_EQ(checking.CheckingOn(), 0);
  EXPECT_EQ(checking.ToggleCaption(), "on");
  EXPECT_FALSE(checking.IndicatorVisible());
  EXPECT_EQ(checking.HookHandle(), 0u);
  desktop.TapAll({desktop.KeycodeOfSymbol(XK_x), desktop.KeycodeOfSymbol(XK_space)});
  PumpFor(100ms);
  EXPECT_EQ(keysTaken, 2u);
  EXPECT_EQ(engine.display().word, "CA");

  checking.Toggle();
  ASSERT_EQ(checking.CheckingOn(), 1);
  Type(XK_t);
  EXPECT_EQ(engine.display().word, "CAT");
  EXPECT_EQ(engine.display().wordColour, kLimeColour);
  EXPECT_EQ(bells.Count(), 0);
  EXPECT_TRUE(messages.empty());

  checking.TurnOff();
  EXPECT_EQ(checking.CheckingOn(), 0);
  checking.TurnOff();  // already off: nothing to do
  EXPECT_EQ(checking.ToggleCaption(), "on");
}

}  // namespace
}  // namespace vuruzid::capture::testing
