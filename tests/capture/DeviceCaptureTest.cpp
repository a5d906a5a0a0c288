// Keys read from keyboard devices. The kernel's devices are not here, so each
// test lays out a folder like /dev/input and /sys/class/input, with pipes for
// device nodes into which it writes real input_event records.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/input.h>
#include <linux/uinput.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <tuple>

#include "LoginStandIn.h"
#include "TestDesktop.h"
#include "capture/KeyCapture.h"
#include "capture/evdev/EvdevKeySource.h"
#include "engine/Cp1251.h"
#include "engine/SpellingEngine.h"
#include "support/Dictionaries.h"
#include "support/TempFolder.h"

namespace vuruzid::capture::testing {
namespace {

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

// sysfs key bitmaps: a full keyboard, a mouse's buttons, a touchpad's (a
// button and finger touches), a touchscreen's (touches only), a power button.
constexpr const char* kKeyboardKeys = "1000000000007 ff9f207ac14057ff febeffdfffefffff fffffffffffffffe";
constexpr const char* kMouseKeys = "1f0000 0 0 0 0";
constexpr const char* kTouchpadKeys = "6420 10000 0 0 0 0";
constexpr const char* kTouchscreenKeys = "400 0 0 0 0 0";
constexpr const char* kPowerButtonKeys = "10000000000000 0";

// A folder laid out like the system's input folders.
class InputFolder {
 public:
  InputFolder() {
    std::filesystem::create_directories(dir_ / "dev/input");
    std::filesystem::create_directories(dir_ / "sys/class/input");
  }
  ~InputFolder() {
    for (auto& [name, fd] : writers_) ::close(fd);
  }
  evdev::InputFolders folders() const {
    return {dir_ / "dev/input", dir_ / "sys/class/input", dir_ / "etc/default/keyboard"};
  }
  void ConfigureKeyboard(const std::string& settings) { dir_.Write("etc/default/keyboard", settings); }
  const std::filesystem::path& root() const { return dir_.path(); }

  // A device node (a pipe kept open for writing) with the given key bitmap in
  // sysfs; no sysfs entry for nullptr.
  void AddDevice(const std::string& name, const char* keyBitmap) {
    if (keyBitmap) dir_.Write("sys/class/input/" + name + "/device/capabilities/key", std::string(keyBitmap) + "\n");
    const auto node = dir_ / ("dev/input/" + name);
    ASSERT_EQ(::mkfifo(node.c_str(), 0600), 0);
    writers_[name] = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);  // read-write: no EOF while it lives
    ASSERT_GE(writers_[name], 0);
  }
  void Unplug(const std::string& name) {
    ::close(writers_[name]);
    writers_.erase(name);
  }

  void Raw(const std::string& name, std::string_view bytes) {
    ASSERT_EQ(::write(writers_.at(name), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  void Event(const std::string& name, uint16_t type, uint16_t code, int32_t value) {
    input_event event{};
    event.type = type;
    event.code = code;
    event.value = value;
    ASSERT_EQ(::write(writers_.at(name), &event, sizeof event), static_cast<ssize_t>(sizeof event));
  }
  // A key event and the report that closes it, as the kernel sends them.
  void Key(const std::string& name, uint16_t code, int32_t value) {
    Event(name, EV_KEY, code, value);
    Event(name, EV_SYN, SYN_REPORT, 0);
  }

 private:
  vuruzid::testing::TempFolder dir_;
  std::map<std::string, int> writers_;
};

// Key-downs reaching the interpreter through the filter, as KeyCapture feeds
// it (pointer presses pass it by).
struct Reader {
  DeliveredKeys delivered;
  std::vector<KeyEvent> events;  // every press, as the source reported it
  std::vector<KeyEvent> pointerPresses;
  KeyEventFilter filter;
  evdev::EvdevKeySource source;
  explicit Reader(const InputFolder& folder)
      : source(
            [this](const KeyEvent& key) {
              if (key.pressed) events.push_back(key);
              if (key.pointer) {
                pointerPresses.push_back(key);
                return;
              }
              if (auto down = filter.OnKeyEvent(key)) delivered.keys.push_back(*down);
            },
            nullptr, folder.folders()) {}
};

constexpr int32_t kUp = 0, kDown = 1, kRepeat = 2;

struct Stream {
  const char* what;
  std::vector<std::array<int32_t, 3>> events;  // type, code, value
  std::vector<int> delivered;                   // virtual-key codes
};

const Stream kStreams[] = {
    {"a key down and up", {{EV_KEY, KEY_A, kDown}, {EV_KEY, KEY_A, kUp}}, {'A'}},
    {"auto-repeats count", {{EV_KEY, KEY_A, kDown}, {EV_KEY, KEY_A, kRepeat}, {EV_KEY, KEY_A, kRepeat}}, {'A', 'A', 'A'}},
    {"key-ups alone are nothing", {{EV_KEY, KEY_B, kUp}}, {}},
    {"Alt itself is passed over",
     {{EV_KEY, KEY_LEFTALT, kDown}, {EV_KEY, KEY_LEFTALT, kUp}, {EV_KEY, KEY_RIGHTCTRL, kDown}, {EV_KEY, KEY_B, kDown}},
     {'B'}},
    {"F10 and F9", {{EV_KEY, KEY_F10, kDown}, {EV_KEY, KEY_F9, kDown}}, {121, 120}},
    {"keys by position: the Ё key and the slash key", {{EV_KEY, KEY_GRAVE, kDown}, {EV_KEY, KEY_BACKSLASH, kDown}},
     {192, 220}},
    {"the keypad follows Num Lock",
     {{EV_LED, LED_NUML, 0}, {EV_KEY, KEY_KP1, kDown}, {EV_LED, LED_NUML, 1}, {EV_KEY, KEY_KP1, kDown}},
     {35, 97}},
    {"lost events are skipped up to the next report, not invented",
     {{EV_KEY, KEY_A, kDown}, {EV_SYN, SYN_REPORT, 0}, {EV_SYN, SYN_DROPPED, 0}, {EV_KEY, KEY_B, kDown},
      {EV_SYN, SYN_REPORT, 0}, {EV_KEY, KEY_C, kDown}},
     {'A', 'C'}},
    {"other event types are passed over", {{EV_REL, REL_X, 5}, {EV_MSC, MSC_SCAN, 30}, {EV_KEY, KEY_D, kDown}}, {'D'}},
};

TEST(DeviceCapture, EventStreamsReachTheInterpreterAsKeyDowns) {
  for (const Stream& stream : kStreams) {
    SCOPED_TRACE(stream.what);
    InputFolder folder;
    folder.AddDevice("event3", kKeyboardKeys);
    Reader reader(folder);
    std::string whyNot;
    ASSERT_TRUE(reader.source.Start(&whyNot)) << whyNot;
    EXPECT_NE(reader.source.Id(), 0u);
    for (const auto& [type, code, value] : stream.events) folder.Event("event3", type, code, value);
    folder.Key("event3", KEY_SPACE, kDown);  // a sentinel: everything before it was handled
    ASSERT_TRUE(reader.delivered.WaitFor(32));
    std::vector<int> codes = reader.delivered.Codes();
    codes.pop_back();
    EXPECT_THAT(codes, ElementsAreArray(stream.delivered));
  }
}

// A pointer press, as the tests compare it: the button and the modifiers held.
using ButtonPress = std::pair<uint8_t, uint8_t>;

struct PointerStream {
  const char* what;
  const char* deviceKeys;                        // the pointer's sysfs key bitmap
  std::vector<uint16_t> keysHeld;                // held on the keyboard first
  std::vector<std::array<int32_t, 3>> events;   // type, code, value, on the pointer
  std::vector<ButtonPress> delivered;
};

const PointerStream kPointerStreams[] = {
    {"a mouse's left click", kMouseKeys, {}, {{EV_KEY, BTN_LEFT, kDown}, {EV_KEY, BTN_LEFT, kUp}}, {{1, 0}}},
    {"middle and right clicks",
     kMouseKeys,
     {},
     {{EV_KEY, BTN_MIDDLE, kDown}, {EV_KEY, BTN_MIDDLE, kUp}, {EV_KEY, BTN_RIGHT, kDown}, {EV_KEY, BTN_RIGHT, kUp}},
     {{2, 0}, {3, 0}}},
    {"the wheel and motion are nothing",
     kMouseKeys,
     {},
     {{EV_REL, REL_WHEEL, 1}, {EV_REL, REL_WHEEL_HI_RES, 120}, {EV_REL, REL_HWHEEL, -1}, {EV_REL, REL_X, 5}},
     {}},
    {"a release alone is nothing", kMouseKeys, {}, {{EV_KEY, BTN_RIGHT, kUp}}, {}},
    {"side buttons and a pointer's own keys are nothing",
     kMouseKeys,
     {},
     {{EV_KEY, BTN_SIDE, kDown}, {EV_KEY, BTN_EXTRA, kDown}, {EV_KEY, KEY_BACK, kDown}, {EV_KEY, KEY_A, kDown}},
     {}},
    {"a touchpad's click, not its touches",
     kTouchpadKeys,
     {},
     {{EV_KEY, BTN_TOOL_FINGER, kDown}, {EV_KEY, BTN_TOUCH, kDown}, {EV_KEY, BTN_LEFT, kDown}, {EV_KEY, BTN_LEFT, kUp},
      {EV_KEY, BTN_TOUCH, kUp}},
     {{1, 0}}},
    {"a click with Ctrl held on the keyboard carries it",
     kMouseKeys,
     {KEY_LEFTCTRL},
     {{EV_KEY, BTN_RIGHT, kDown}},
     {{3, kControlHeld}}},
    {"a keyboard's own button", kKeyboardKeys, {}, {{EV_KEY, BTN_MIDDLE, kDown}}, {{2, 0}}},
};

TEST(DeviceCapture, PointerPressesAreDeliveredAndTheWheelAndReleasesAreNot) {
  for (const PointerStream& stream : kPointerStreams) {
    SCOPED_TRACE(stream.what);
    InputFolder folder;
    folder.AddDevice("event0", kKeyboardKeys);
    folder.AddDevice("event1", stream.deviceKeys);
    Reader reader(folder);
    std::string whyNot;
    ASSERT_TRUE(reader.source.Start(&whyNot)) << whyNot;
    for (uint16_t key : stream.keysHeld) folder.Key("event0", key, kDown);
    // Each device is read on its own: the keys held must be in before the pointer's events.
    ASSERT_TRUE(PumpUntil([&] { return reader.events.size() == stream.keysHeld.size(); }));
    for (const auto& [type, code, value] : stream.events) folder.Event("event1", type, code, value);
    folder.Event("event1", EV_SYN, SYN_REPORT, 0);
    folder.Key("event1", BTN_LEFT, kDown);  // a sentinel: everything before it was handled
    std::vector<ButtonPress> expected = stream.delivered;
    expected.emplace_back(1, stream.keysHeld.empty() ? 0 : kControlHeld);  // (only Ctrl is ever held)
    ASSERT_TRUE(PumpUntil([&] { return reader.pointerPresses.size() >= expected.size(); }))
        << reader.pointerPresses.size() << " presses";
    std::vector<ButtonPress> presses;
    for (const KeyEvent& press : reader.pointerPresses) {
      EXPECT_TRUE(press.pressed);
      EXPECT_EQ(press.virtualKey, 0);
      EXPECT_EQ(press.script, KeyScript::Unknown);
      presses.emplace_back(press.keycode, press.modifiers);
    }
    EXPECT_THAT(presses, ElementsAreArray(expected));
    EXPECT_TRUE(reader.delivered.keys.empty()) << "no key-downs";
  }
}

TEST(DeviceCapture, ReadsKeyboardsOnlyAndFollowsThemComingAndGoing) {
  InputFolder folder;
  folder.AddDevice("event0", kPowerButtonKeys);
  folder.AddDevice("event1", kKeyboardKeys);
  folder.AddDevice("event2", kMouseKeys);
  folder.AddDevice("event4", nullptr);  // sysfs does not say, and a pipe cannot be asked: not a keyboard
  folder.AddDevice("event5", kTouchscreenKeys);
  Reader reader(folder);
  std::string whyNot;
  ASSERT_TRUE(reader.source.Start(&whyNot)) << whyNot;

  folder.Key("event0", KEY_A, kDown);
  folder.Key("event2", KEY_B, kDown);  // a mouse's key: the mouse is read for its buttons only
  folder.Key("event4", KEY_C, kDown);
  folder.Key("event5", BTN_MIDDLE, kDown);
  folder.Key("event2", BTN_RIGHT, kDown);
  folder.Key("event1", KEY_D, kDown);
  ASSERT_TRUE(reader.delivered.WaitFor('D'));
  ASSERT_TRUE(PumpUntil([&] { return !reader.pointerPresses.empty(); }));
  EXPECT_THAT(reader.delivered.Codes(), ElementsAreArray({'D'}));
  EXPECT_EQ(reader.pointerPresses.size(), 1u);
  EXPECT_EQ(reader.pointerPresses[0].keycode, 3) << "the mouse's right button";

  // A touchpad plugged in while running is read too.
  folder.AddDevice("event6", kTouchpadKeys);
  folder.Key("event6", BTN_LEFT, kDown);
  ASSERT_TRUE(PumpUntil([&] { return reader.pointerPresses.size() == 2; }, 1500ms));
  EXPECT_EQ(reader.pointerPresses[1].keycode, 1);

  // Plugged in while running: read within a second (the pipe keeps the key till then).
  folder.AddDevice("event7", kKeyboardKeys);
  folder.Key("event7", KEY_E, kDown);
  ASSERT_TRUE(reader.delivered.WaitFor('E', 1500ms));

  // Pulled out mid-stream, half a record written: dropped quietly, the other goes on.
  folder.Event("event1", EV_KEY, KEY_F, kDown);
  folder.Raw("event1", std::string(sizeof(input_event) / 2, '\0'));
  folder.Unplug("event1");
  folder.Key("event7", KEY_G, kDown);
  ASSERT_TRUE(reader.delivered.WaitFor('G'));
  EXPECT_THAT(reader.delivered.Codes(), ElementsAreArray({'D', 'E', 'F', 'G'}));
  EXPECT_NE(reader.source.Id(), 0u);
}

TEST(DeviceCapture, AWholeWordTypedOnADeviceIsJudged) {
  InputFolder folder;
  folder.AddDevice("event0", kKeyboardKeys);
  vuruzid::testing::TempFolder program;
  vuruzid::testing::WriteDictionary(program / "russian.dll", {*cp1251::FromUtf8("ЕЩЕ"), *cp1251::FromUtf8("ЧТО")});
  SpellingEngine engine({program.path(), {program.path()}}, nullptr);
  engine.ActivateLanguage(SpellingEngine::kRussian);
  std::vector<int> beeps;
  ScopedEnvironment route("VURUZID_CAPTURE", "devices");
  ScopedEnvironment root("VURUZID_INPUT_ROOT", folder.root().c_str());
  KeyCapture capture([&](const KeyStroke& key) { beeps.push_back(engine.ProcessKeyStroke(key, false).beeps); });
  std::string whyNot;
  ASSERT_TRUE(capture.Install(&whyNot)) << whyNot;

  // ЕЩЁ on a Russian keyboard: T O `, then ЩЕ: O T, then a blank.
  for (uint16_t key : {KEY_T, KEY_O, KEY_GRAVE}) {
    folder.Key("event0", key, kDown);
    folder.Key("event0", key, kUp);
  }
  ASSERT_TRUE(PumpUntil([&] { return beeps.size() == 3; }));
  EXPECT_EQ(engine.display().word, *cp1251::FromUtf8("ЕЩЕ"));
  EXPECT_EQ(engine.display().wordColour, kLimeColour);
  for (uint16_t key : {KEY_SPACE, KEY_O, KEY_T, KEY_SPACE}) folder.Key("event0", key, kDown);
  ASSERT_TRUE(PumpUntil([&] { return beeps.size() == 7; }));
  EXPECT_THAT(beeps, ElementsAreArray({0, 0, 0, 0, 0, 1, 2}));  // ЕЩЕ passes; ЩЕ is marked (Щ alone is a letter)
  EXPECT_EQ(engine.display().word, *cp1251::FromUtf8("ЩЕ_"));
  capture.Remove();
  EXPECT_EQ(capture.HookHandle(), 0u);
}

TEST(DeviceCapture, NoKeyboardOrNoPermissionSaysWhyAndWhatToDo) {
  {
    InputFolder empty;
    Reader reader(empty);
    std::string whyNot;
    EXPECT_FALSE(reader.source.Start(&whyNot));
    EXPECT_THAT(whyNot, HasSubstr("no keyboard was found"));
    EXPECT_EQ(reader.source.Id(), 0u);
  }
  {
    InputFolder pointersOnly;
    pointersOnly.AddDevice("event0", kMouseKeys);
    pointersOnly.AddDevice("event1", kTouchpadKeys);
    Reader reader(pointersOnly);
    std::string whyNot;
    EXPECT_FALSE(reader.source.Start(&whyNot)) << "pointers see no text";
    EXPECT_THAT(whyNot, HasSubstr("no keyboard was found"));
    EXPECT_EQ(reader.source.Id(), 0u);
  }
  // Keyboards that may not be read: tried as an ordinary user, in a child.
  InputFolder folder;
  folder.AddDevice("event0", kKeyboardKeys);
  std::filesystem::permissions(folder.root(), std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                                  std::filesystem::perms::group_exec |
                                                  std::filesystem::perms::others_read |
                                                  std::filesystem::perms::others_exec);
  int report[2];
  ASSERT_EQ(::pipe(report), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(2);
    Reader reader(folder);
    std::string whyNot;
    const bool started = reader.source.Start(&whyNot);
    const std::string answer = started ? "started" : whyNot;
    ::_exit(::write(report[1], answer.data(), answer.size()) == static_cast<ssize_t>(answer.size()) ? 0 : 3);
  }
  ::close(report[1]);
  std::string answer;
  char buffer[512];
  for (ssize_t got; (got = ::read(report[0], buffer, sizeof buffer)) > 0;) answer.append(buffer, got);
  ::close(report[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << answer;
  EXPECT_THAT(answer, HasSubstr("cannot be read"));
  EXPECT_THAT(answer, HasSubstr("\"input\" group"));
  EXPECT_THAT(answer, HasSubstr("log out and in again"));
  EXPECT_THAT(answer, HasSubstr("never stores or sends"));
}

// On a machine with /dev/uinput (a developer's own Linux desktop): a virtual
// keyboard made with it types a word, read through the system's own folders.
TEST(DeviceCapture, AVirtualKeyboardTypesAWordEndToEnd) {
  const int uinput = ::open("/dev/uinput", O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (uinput < 0) GTEST_SKIP() << "/dev/uinput cannot be opened (" << std::strerror(errno) << "): no virtual keyboard";
  ::ioctl(uinput, UI_SET_EVBIT, EV_KEY);
  for (int key = 1; key < 256; ++key) ::ioctl(uinput, UI_SET_KEYBIT, key);
  uinput_setup setup{};
  setup.id.bustype = BUS_VIRTUAL;
  std::strcpy(setup.name, "vuruzid test keyboard");
  ASSERT_EQ(::ioctl(uinput, UI_DEV_SETUP, &setup), 0);
  ASSERT_EQ(::ioctl(uinput, UI_DEV_CREATE), 0);
  PumpFor(500ms);  // the device node appears and gets its permissions

  DeliveredKeys delivered;
  KeyEventFilter filter;
  evdev::EvdevKeySource source(
      [&](const KeyEvent& key) {
        if (auto down = filter.OnKeyEvent(key)) delivered.keys.push_back(*down);
      },
      nullptr);
  std::string whyNot;
  ASSERT_TRUE(source.Start(&whyNot)) << whyNot;
  const auto send = [&](uint16_t type, uint16_t code, int32_t value) {
    input_event event{};
    event.type = type;
    event.code = code;
    event.value = value;
    ASSERT_EQ(::write(uinput, &event, sizeof event), static_cast<ssize_t>(sizeof event));
  };
  for (uint16_t key : {KEY_C, KEY_A, KEY_T, KEY_SPACE}) {
    send(EV_KEY, key, 1);
    send(EV_SYN, SYN_REPORT, 0);
    send(EV_KEY, key, 0);
    send(EV_SYN, SYN_REPORT, 0);
  }
  ASSERT_TRUE(delivered.WaitFor(32));
  EXPECT_THAT(delivered.Codes(), ::testing::IsSupersetOf(std::vector<int>{'C', 'A', 'T', 32}));
  ::ioctl(uinput, UI_DEV_DESTROY);
  ::close(uinput);
}

// The device route cannot see the active layout: while the user types a
// Latin script, letter keys follow the layout the system is configured with.
struct ConfiguredRow {
  const char* what;
  const char* keyboardFile;  // /etc/default/keyboard
  const char* layoutVariable, *variantVariable;  // XKB_DEFAULT_LAYOUT, XKB_DEFAULT_VARIANT
  bool latinTyping;
  uint16_t key;
  int delivered;
};

const ConfiguredRow kConfiguredRows[] = {
    {"nothing configured: positions", nullptr, nullptr, nullptr, true, KEY_Y, 'Y'},
    {"German from the system's keyboard file", "XKBMODEL=\"pc105\"\nXKBLAYOUT=\"de\"\n", nullptr, nullptr, true, KEY_Y, 'Z'},
    {"German and Russian: the Latin group", "XKBLAYOUT=\"de,ru\"\nXKBVARIANT=\",\"\n", nullptr, nullptr, true, KEY_Z, 'Y'},
    {"German and Russian, typing Russian: positions", "XKBLAYOUT=\"de,ru\"\n", nullptr, nullptr, false, KEY_Y, 'Y'},
    {"Russian first, US second", "XKBLAYOUT=\"ru,us\"\n", nullptr, nullptr, true, KEY_Y, 'Y'},
    {"Russian alone: positions", "XKBLAYOUT=ru\n", nullptr, nullptr, true, KEY_SEMICOLON, 186},
    {"the session's variables come first", "XKBLAYOUT=\"de\"\n", "fr", nullptr, true, KEY_Q, 'A'},
    {"a variant", nullptr, "us", "dvorak", true, KEY_K, 'T'},
    {"a layout that does not exist: positions", nullptr, "no-such-layout", nullptr, true, KEY_Y, 'Y'},
};

TEST(DeviceCapture, LetterKeysFollowTheConfiguredLayoutWhileLatinIsTyped) {
  for (const ConfiguredRow& row : kConfiguredRows) {
    SCOPED_TRACE(row.what);
    ScopedEnvironment layout("XKB_DEFAULT_LAYOUT", row.layoutVariable);
    ScopedEnvironment variant("XKB_DEFAULT_VARIANT", row.variantVariable);
    InputFolder folder;
    if (row.keyboardFile) folder.ConfigureKeyboard(row.keyboardFile);
    folder.AddDevice("event0", kKeyboardKeys);
    Reader reader(folder);
    reader.source.SetLatinTyping(row.latinTyping);
    std::string whyNot;
    ASSERT_TRUE(reader.source.Start(&whyNot)) << whyNot;
    folder.Key("event0", row.key, kDown);
    folder.Key("event0", KEY_SPACE, kDown);
    ASSERT_TRUE(reader.delivered.WaitFor(32));
    EXPECT_THAT(reader.delivered.Codes(), ElementsAreArray({row.delivered, 32}));
  }
}

// sysfs writes key bitmaps in words of the reading program's long.
TEST(DeviceCapture, KeyBitmapsAreReadInTheWordsOfThisProcess) {
  const struct {
    const char* bitmap;
    unsigned wordBits;
    bool keyboard;
  } rows[] = {
      {kKeyboardKeys, 64, true},
      {"10000 7 ff9f207a c14057ff febeffdf ffefffff ffffffff fffffffe", 32, true},  // a 32-bit program's view
      {"10000 7 ff9f207a c14057ff febeffdf ffefffff ffffffff fffffffe", 64, false},
      {kKeyboardKeys, 32, false},  // words too long for 32 bits
      {kMouseKeys, 64, false},
      {kPowerButtonKeys, 64, false},
      {"", 64, false},
      {"7fffe ffffffff", 32, false},  // letters of the first word only
      {"ff9f207ac14057ff fffffffffffffffg", 64, false},
  };
  for (const auto& row : rows)
    EXPECT_EQ(evdev::HasEveryLetterKey(row.bitmap, row.wordBits), row.keyboard) << row.bitmap << " / " << row.wordBits;
}

TEST(DeviceCapture, KindsOfDevicesByTheirKeys) {
  using evdev::DeviceKind;
  const struct {
    const char* bitmap;
    unsigned wordBits;
    DeviceKind kind;
  } rows[] = {
      {kKeyboardKeys, 64, DeviceKind::Keyboard},
      {"1f0000 0 0 0 0 0 0 0 0", 32, DeviceKind::Pointer},  // a mouse, as a 32-bit program reads it
      {kMouseKeys, 64, DeviceKind::Pointer},
      {kTouchpadKeys, 64, DeviceKind::Pointer},
      // a keyboard with a button
      {"10000 1000000000007 ff9f207ac14057ff febeffdfffefffff fffffffffffffffe", 64, DeviceKind::Keyboard},
      {kTouchscreenKeys, 64, DeviceKind::Other},
      {"1000000000000 0 0 0 0", 64, DeviceKind::Other},  // a gamepad's first button
      {kPowerButtonKeys, 64, DeviceKind::Other},
      {"", 64, DeviceKind::Other},
      {"1x0000 0 0 0 0", 64, DeviceKind::Other},
  };
  for (const auto& row : rows)
    EXPECT_EQ(evdev::KindOfKeyBitmap(row.bitmap, row.wordBits), row.kind) << row.bitmap << " / " << row.wordBits;
}

// The device route keeps one keymap state for every keyboard, as a
// compositor does: it sees the modifiers held and the group switches the
// keymap's own options make.
TEST(DeviceCapture, ModifiersAndTheKeymapsOwnGroupSwitchesAreFollowed) {
  InputFolder folder;
  folder.ConfigureKeyboard("XKBLAYOUT=\"us,ru\"\nXKBOPTIONS=\"grp:alt_shift_toggle\"\n");
  folder.AddDevice("event0", kKeyboardKeys);
  folder.AddDevice("event1", kKeyboardKeys);
  Reader reader(folder);
  std::string whyNot;
  ASSERT_TRUE(reader.source.Start(&whyNot)) << whyNot;
  const auto tap = [&](const char* device, uint16_t key) {
    folder.Key(device, key, kDown);
    folder.Key(device, key, kUp);
  };
  // Each keyboard is read on its own: wait where the order across them matters.
  const auto readUpTo = [&](size_t presses) { return PumpUntil([&] { return reader.events.size() >= presses; }); };
  tap("event0", KEY_R);
  folder.Key("event0", KEY_LEFTCTRL, kDown);
  ASSERT_TRUE(readUpTo(2));
  tap("event1", KEY_A);  // Ctrl held on the other keyboard
  ASSERT_TRUE(readUpTo(3));
  folder.Key("event0", KEY_LEFTCTRL, kUp);
  folder.Key("event0", KEY_LEFTALT, kDown);
  tap("event0", KEY_LEFTSHIFT);
  folder.Key("event0", KEY_LEFTALT, kUp);
  tap("event0", KEY_R);
  folder.Key("event0", KEY_RIGHTALT, kDown);
  tap("event0", KEY_B);
  folder.Key("event0", KEY_RIGHTALT, kUp);
  // Shift held, then Caps Lock locked and unlocked (it is on from its first press until its second release).
  folder.Key("event0", KEY_LEFTSHIFT, kDown);
  tap("event0", KEY_S);
  folder.Key("event0", KEY_LEFTSHIFT, kUp);
  tap("event0", KEY_CAPSLOCK);
  tap("event0", KEY_C);
  tap("event0", KEY_CAPSLOCK);
  tap("event0", KEY_D);
  tap("event0", KEY_SPACE);
  ASSERT_TRUE(reader.delivered.WaitFor(32));

  std::vector<std::tuple<uint8_t, uint8_t, KeyScript>> letters;  // code, modifiers, script
  for (const KeyEvent& e : reader.events)
    if (e.virtualKey >= 'A' && e.virtualKey <= 'Z') letters.emplace_back(e.virtualKey, e.modifiers, e.script);
  EXPECT_THAT(letters, ElementsAreArray({std::tuple<uint8_t, uint8_t, KeyScript>{'R', 0, KeyScript::Latin},
                                         {'A', kControlHeld, KeyScript::Latin},
                                         {'R', 0, KeyScript::Cyrillic},
                                         {'B', kAltHeld, KeyScript::Cyrillic},
                                         {'S', kShiftHeld, KeyScript::Cyrillic},
                                         {'C', kCapsLockOn, KeyScript::Cyrillic},
                                         {'D', 0, KeyScript::Cyrillic}}));
  // The key-downs the interpreter gets tell them too, and Shift makes no command.
  std::vector<std::tuple<uint8_t, bool, bool, bool>> downs;  // code, command, shift, Caps Lock
  for (const KeyDown& key : reader.delivered.keys)
    if (key.virtualKey >= 'B' && key.virtualKey <= 'S')
      downs.emplace_back(key.virtualKey, key.command, key.shift, key.capsLock);
  EXPECT_THAT(downs, ElementsAreArray({std::tuple<uint8_t, bool, bool, bool>{'R', false, false, false},
                                       {'R', false, false, false},
                                       {'B', true, false, false},
                                       {'S', false, true, false},
                                       {'C', false, false, true},
                                       {'D', false, false, false}}));
}

// A keyboard and a mouse on the device route, watched by a capture.
struct KeyboardAndMouse {
  KeyboardAndMouse() {
    folder.AddDevice("event0", kKeyboardKeys);
    folder.AddDevice("event1", kMouseKeys);
  }
  // Installs the capture and waits until keys pass.
  bool StartCapture() {
    std::string whyNot;
    if (!capture.Install(&whyNot)) {
      ADD_FAILURE() << whyNot;
      return false;
    }
    return PumpUntil([&] { return capture.Context().pause == Pause::NotPaused; });
  }

  InputFolder folder;
  ScopedEnvironment route{"VURUZID_CAPTURE", "devices"};
  ScopedEnvironment root{"VURUZID_INPUT_ROOT", folder.root().c_str()};
  DeliveredKeys delivered;
  KeyCapture capture{delivered.Handler()};
};

// Each device is read on its own, so the test waits after each device's part.
TEST(DeviceCapture, PointerPressesReachTheInterpreterInOrderWithTheKeys) {
  KeyboardAndMouse devices;
  ASSERT_TRUE(devices.StartCapture());
  auto& [folder, route, root, delivered, capture] = devices;
  const auto deliveredAre = [&](size_t count) { return PumpUntil([&] { return delivered.keys.size() >= count; }); };
  const auto click = [&](uint16_t button) {
    folder.Key("event1", button, kDown);
    folder.Key("event1", button, kUp);
  };
  folder.Key("event0", KEY_A, kDown);
  ASSERT_TRUE(deliveredAre(1));
  click(BTN_LEFT);
  folder.Event("event1", EV_REL, REL_WHEEL, -1);
  ASSERT_TRUE(deliveredAre(2));
  folder.Key("event0", KEY_B, kDown);
  ASSERT_TRUE(deliveredAre(3));
  folder.Event("event1", EV_REL, REL_WHEEL, 1);
  click(BTN_MIDDLE);
  click(BTN_RIGHT);
  ASSERT_TRUE(deliveredAre(5));
  folder.Key("event0", KEY_C, kDown);
  folder.Key("event0", KEY_SPACE, kDown);
  ASSERT_TRUE(delivered.WaitFor(32));
  const auto press = [](uint8_t button) { return KeyDown{.insertKeyState = 1, .pointerButton = button}; };
  EXPECT_THAT(delivered.keys, ElementsAreArray({KeyDown{'A', 1}, press(1), KeyDown{'B', 1}, press(2), press(3),
                                                KeyDown{'C', 1}, KeyDown{32, 1}}));
}

// The devices carry every session's presses: none is taken in while another
// session is in front, and the keys after coming back still arrive.
TEST(DeviceCapture, NoPointerPressArrivesWhileTheSessionIsInactive) {
  LoginStandIn login(true);
  if (!login.Ready()) GTEST_SKIP() << "dbus-daemon or python3-dbusmock is missing";
  KeyboardAndMouse devices;
  ASSERT_TRUE(devices.StartCapture());
  auto& [folder, route, root, delivered, capture] = devices;
  folder.Key("event1", BTN_LEFT, kDown);
  ASSERT_TRUE(PumpUntil([&] { return delivered.keys.size() == 1; }));

  ASSERT_TRUE(login.SetActive(false));
  ASSERT_TRUE(PumpUntil([&] { return capture.Context().pause == Pause::SessionInactive; }, 10000ms));
  for (uint16_t button : {BTN_LEFT, BTN_MIDDLE, BTN_RIGHT}) {
    folder.Key("event1", button, kUp);
    folder.Key("event1", button, kDown);
  }
  folder.Key("event0", KEY_X, kDown);
  PumpFor(300ms);
  ASSERT_TRUE(login.SetActive(true));
  ASSERT_TRUE(PumpUntil([&] { return capture.Context().pause == Pause::NotPaused; }, 10000ms));
  folder.Key("event0", KEY_SPACE, kDown);
  ASSERT_TRUE(delivered.WaitFor(32));
  EXPECT_THAT(delivered.keys, ElementsAreArray({KeyDown{.insertKeyState = 1, .pointerButton = 1}, KeyDown{32, 1}}));
}

// Which route a session takes, seen in what each says when it cannot start:
// no X display, and a folder of input devices without a keyboard.
struct Session {
  const char* what;
  const char* sessionType;
  const char* waylandDisplay;
  const char* chosen;
  bool triesX11, triesDevices;
};

const Session kSessions[] = {
    {"an X11 session: RECORD, then the devices", "x11", nullptr, nullptr, true, true},
    {"a Wayland session by its type: the devices, then RECORD", "wayland", nullptr, nullptr, true, true},
    {"a Wayland session by its display", nullptr, "wayland-0", nullptr, true, true},
    {"X11 chosen in a Wayland session", "wayland", "wayland-0", "x11", true, false},
    {"devices chosen in an X11 session", "x11", nullptr, "devices", false, true},
};

TEST(DeviceCapture, TheSessionChoosesTheRoute) {
  InputFolder noKeyboard;
  for (const Session& row : kSessions) {
    SCOPED_TRACE(row.what);
    ScopedEnvironment display("DISPLAY", nullptr);
    ScopedEnvironment type("XDG_SESSION_TYPE", row.sessionType);
    ScopedEnvironment wayland("WAYLAND_DISPLAY", row.waylandDisplay);
    ScopedEnvironment chosen("VURUZID_CAPTURE", row.chosen);
    ScopedEnvironment root("VURUZID_INPUT_ROOT", noKeyboard.root().c_str());
    KeyCapture capture(nullptr);
    std::string whyNot;
    EXPECT_FALSE(capture.Install(&whyNot));
    EXPECT_EQ(whyNot.find("DISPLAY") != std::string::npos, row.triesX11) << whyNot;
    EXPECT_EQ(whyNot.find("no keyboard") != std::string::npos, row.triesDevices) << whyNot;
  }
}

}  // namespace
}  // namespace vuruzid::capture::testing
