#include "capture/evdev/EvdevKeySource.h"

#include "capture/SocketNotifiers.h"
#include "capture/evdev/SystemLayout.h"

#include <QCoreApplication>
#include <QFileSystemWatcher>
#include <QSocketNotifier>
#include <QTimer>

#include <fcntl.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vuruzid::capture::evdev {
namespace {

// XKB numbers keys 8 above the kernel; the program's keycodes follow XKB.
constexpr int kXkbOffset = 8;
constexpr int kKeycodes = 256;

KeycodeMap DeviceKeycodeMap() {
  std::vector<std::string> names(kKeycodes);
  for (int keycode = kXkbOffset; keycode < kKeycodes; ++keycode)
    names[keycode] = std::string(KeyNameOfLinuxKey(static_cast<uint16_t>(keycode - kXkbOffset)));
  return KeycodeMap(names, {});
}

template <size_t Bytes>
bool TestBit(const unsigned char (&bits)[Bytes], int bit) {
  return bit / 8 < static_cast<int>(Bytes) && (bits[bit / 8] >> (bit % 8) & 1) != 0;
}

// The keys the device has down now, by keycode; none when it cannot be asked
// (a stream that is not a device node).
std::bitset<256> KeysDown(int fd) {
  std::bitset<256> down;
  unsigned char bits[KEY_MAX / 8 + 1] = {};
  if (ioctl(fd, EVIOCGKEY(sizeof bits), bits) < 0) return down;
  for (int code = 0; code + kXkbOffset < kKeycodes; ++code)
    if (TestBit(bits, code)) down[code + kXkbOffset] = true;
  return down;
}

// Asks the device itself what it is, by its keys; Other when it cannot be asked.
DeviceKind AskDeviceKind(int fd) {
  unsigned char bits[KEY_MAX / 8 + 1] = {};
  if (ioctl(fd, EVIOCGBIT(EV_KEY, sizeof bits), bits) < 0) return DeviceKind::Other;
  if (std::ranges::all_of(kLetterKeys, [&](int key) { return TestBit(bits, key); })) return DeviceKind::Keyboard;
  return TestBit(bits, kLeftButton) ? DeviceKind::Pointer : DeviceKind::Other;
}

// The pointer buttons told, by the number X gives them; 0 for the others.
uint8_t PointerButton(uint16_t code) {
  switch (code) {
    case BTN_LEFT: return 1;
    case BTN_MIDDLE: return 2;
    case BTN_RIGHT: return 3;
    default: return 0;
  }
}

std::string PermissionMessage(const std::filesystem::path& devices) {
  return "Checking cannot start: the keyboards cannot be read.\n\n"
         "To see the keys typed in every application, the checker reads them from the keyboard devices (" +
         devices.string() +
         "), which only root and members of the \"input\" group may read. To allow it, add yourself to that "
         "group (sudo usermod -aG input $USER), then log out and in again.\n\n"
         "Members of that group can read every key typed on this computer, so add only users you trust. The "
         "checker reads keys only while checking is on, and never stores or sends them.";
}

}  // namespace

struct EvdevKeySource::Device {
  std::string name;
  int fd = -1;
  dev_t node = 0;
  ino_t inode = 0;
  QSocketNotifier* notifier = nullptr;
  std::string partial;         // the start of a record not yet read whole
  bool keyboard = false;       // a keyboard, not only a pointer: its keys are told
  bool dropping = false;       // events were lost: skip to the next report, then resync
  std::bitset<256> held;       // keys this keyboard has down, by keycode
};

EvdevKeySource::EvdevKeySource(KeySink onKey, LostSink /*onLost: devices come and go, the source stays*/,
                               InputFolders folders)
    : onKey_(std::move(onKey)), folders_(std::move(folders)) {}

EvdevKeySource::~EvdevKeySource() {
  const bool insideSignal = dispatch_.InsideDispatch();
  while (!devices_.empty()) Drop(devices_.back().get(), insideSignal);
  delete watcher_;
}

bool EvdevKeySource::Start(std::string* whyNot) {
  const auto fail = [&](const std::string& reason) {
    if (whyNot) *whyNot = reason;
    while (!devices_.empty()) Drop(devices_.back().get(), false);
    return false;
  };
  if (QCoreApplication::instance() == nullptr) return fail("Checking cannot start: the program's event loop is not running.");
  keycodeMap_ = DeviceKeycodeMap();
  if (keymap_.Compile(ConfiguredLayout(folders_.keyboardDefaults))) latinGroup_ = keymap_.FollowGroups(keycodeMap_);

  int denied = 0;
  for (const std::string& name : EventDeviceNames(folders_.devices))
    if (Open(name) == Opening::DeniedKeyboard) ++denied;
  // Pointers alone see no text typed.
  if (std::ranges::none_of(devices_, [](const auto& device) { return device->keyboard; })) {
    if (denied > 0) return fail(PermissionMessage(folders_.devices));
    return fail("Checking cannot start: no keyboard was found among the input devices (" + folders_.devices.string() +
                ").");
  }
  for (const auto& device : devices_) heldAtStart_ |= device->held;
  for (int keycode = 0; keycode < kKeycodes; ++keycode)
    if (heldAtStart_[keycode]) keymap_.Update(static_cast<uint8_t>(keycode), true);
  // The keymap's state starts unlocked: a Caps Lock already on is locked as its key would.
  if (capsLockAtStart_ && (keymap_.Modifiers() & kCapsLockOn) == 0) {
    keymap_.Update(KEY_CAPSLOCK + kXkbOffset, true);
    keymap_.Update(KEY_CAPSLOCK + kXkbOffset, false);
  }

  // New keyboards appear as new device nodes; their permissions are set a
  // moment later, so the folder is looked at again shortly after a change.
  watcher_ = new QFileSystemWatcher({QString::fromStdString(folders_.devices.string())});
  QObject::connect(watcher_, &QFileSystemWatcher::directoryChanged, [this, alive = dispatch_.Watch()] {
    Rescan();
    QTimer::singleShot(500, watcher_, [this, alive] {
      if (const auto stillAlive = alive.lock(); stillAlive && *stillAlive) Rescan();
    });
  });
  running_ = true;
  return true;
}

EvdevKeySource::Opening EvdevKeySource::Open(const std::string& name) {
  DeviceKind kind = KindOfDevice(folders_, name);
  if (kind == DeviceKind::Other) return Opening::NotWanted;
  const std::filesystem::path path = folders_.devices / name;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno != EACCES && errno != EPERM) return Opening::Failed;
    return kind == DeviceKind::Pointer ? Opening::DeniedPointer : Opening::DeniedKeyboard;
  }
  if (kind == DeviceKind::Unknown) kind = AskDeviceKind(fd);
  struct stat status {};
  if (kind == DeviceKind::Other || ::fstat(fd, &status) != 0) {
    ::close(fd);
    return Opening::NotWanted;
  }

  auto device = std::make_unique<Device>();
  device->name = name;
  device->fd = fd;
  device->node = status.st_dev;
  device->inode = status.st_ino;
  device->keyboard = kind == DeviceKind::Keyboard;
  if (device->keyboard) device->held = KeysDown(fd);
  unsigned char leds[LED_MAX / 8 + 1] = {};
  if (device->keyboard && !numLockKnown_ && ioctl(fd, EVIOCGLED(sizeof leds), leds) >= 0) {
    numLockOn_ = TestBit(leds, LED_NUML);
    capsLockAtStart_ = TestBit(leds, LED_CAPSL);
    numLockKnown_ = true;
  }
  device->notifier = new QSocketNotifier(fd, QSocketNotifier::Read);
  Device* raw = device.get();
  QObject::connect(device->notifier, &QSocketNotifier::activated, [this, raw] { OnReadable(raw); });
  devices_.push_back(std::move(device));
  return Opening::Opened;
}

void EvdevKeySource::Rescan() {
  for (const std::string& name : EventDeviceNames(folders_.devices)) {
    struct stat status {};
    if (::stat((folders_.devices / name).c_str(), &status) != 0) continue;
    const bool known = std::ranges::any_of(devices_, [&](const auto& d) {
      return d->name == name && d->node == status.st_dev && d->inode == status.st_ino;
    });
    if (!known) Open(name);
  }
}

void EvdevKeySource::OnReadable(Device* device) {
  bool stillThere = true;
  if (!dispatch_.Run([&](const bool& alive) { stillThere = ReadEvents(*device, alive); })) return;  // gone
  if (!stillThere) Drop(device, true);
}

bool EvdevKeySource::ReadEvents(Device& device, const bool& alive) {
  constexpr size_t kRecord = sizeof(input_event);
  char buffer[64 * kRecord];
  while (true) {
    const ssize_t got = ::read(device.fd, buffer, sizeof buffer);
    if (got == 0) return false;  // the writer went away: a pulled-out keyboard
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno == EAGAIN || errno == EWOULDBLOCK;  // drained, or gone (ENODEV)
    }
    device.partial.append(buffer, static_cast<size_t>(got));
    size_t used = 0;
    for (; used + kRecord <= device.partial.size(); used += kRecord) {
      input_event event;
      std::memcpy(&event, device.partial.data() + used, kRecord);
      Handle(device, event.type, event.code, event.value, alive);
      if (!alive) return true;
    }
    device.partial.erase(0, used);
  }
}

void EvdevKeySource::Handle(Device& device, uint16_t type, uint16_t code, int32_t value,
                            const bool& alive) {
  if (device.dropping) {
    // The kernel's buffer overflowed: what came before the next report is
    // incomplete, so skip it and ask the keyboard what is down instead.
    if (type == EV_SYN && code == SYN_REPORT) {
      device.dropping = false;
      Resync(device, alive);
    }
    return;
  }
  if (type == EV_SYN && code == SYN_DROPPED) {
    device.dropping = true;
  } else if (type == EV_LED && code == LED_NUML) {
    numLockOn_ = value != 0;
  } else if (type == EV_KEY && PointerButton(code) != 0) {
    if (value == 1) DeliverButton(PointerButton(code));  // a press; releases are not told
  } else if (type == EV_KEY && device.keyboard && code + kXkbOffset < kKeycodes) {
    const auto keycode = static_cast<uint8_t>(code + kXkbOffset);
    const bool pressed = value != 0;  // 1 down, 2 auto-repeat, 0 up
    device.held[keycode] = pressed;
    Deliver(keycode, pressed);
    if (value != 2) keymap_.Update(keycode, pressed);  // after: a key's modifiers are those held before it
  }
}

void EvdevKeySource::Resync(Device& device, const bool& alive) {
  if (!device.keyboard) return;  // a pointer's presses are not made up afterwards
  const std::bitset<256> now = KeysDown(device.fd);
  for (int keycode = 0; keycode < kKeycodes && alive; ++keycode) {
    if (device.held[keycode] == now[keycode]) continue;
    const auto code = static_cast<uint8_t>(keycode);
    keymap_.Update(code, now[keycode]);
    if (!now[keycode]) {
      Deliver(code, false);  // released meanwhile
    } else {
      // Pressed meanwhile: no key-down is invented, but Insert is told, since
      // it flips the mode (held modifiers are in the keymap's state by now).
      if (keycodeMap_.VirtualKey(code, numLockOn_) == vk::kInsert) Deliver(code, true);
    }
  }
  if (alive) device.held = now;
}

void EvdevKeySource::Deliver(uint8_t keycode, bool pressed) {
  if (!onKey_) return;
  // A copy runs the handler, so a handler that removes this source does not free itself mid-call.
  const KeySink onKey = onKey_;
  const unsigned group = keymap_.Group();
  const std::optional<unsigned> latinGroup =
      keycodeMap_.IsLatinGroup(group) ? group : latinGroup_;
  const uint8_t virtualKey = latinTyping_ && latinGroup ? keycodeMap_.VirtualKey(keycode, numLockOn_, *latinGroup)
                                                        : keycodeMap_.CodesOf(keycode).For(numLockOn_);
  onKey({keycode, pressed, virtualKey, keymap_.Modifiers(), keycodeMap_.ScriptOf(group)});
}

void EvdevKeySource::DeliverButton(uint8_t button) {
  if (!onKey_) return;
  const KeySink onKey = onKey_;  // a copy: the handler may remove this source
  onKey({button, true, 0, keymap_.Modifiers(), KeyScript::Unknown, true});
}

void EvdevKeySource::Drop(Device* device, bool insideItsNotifier) {
  const auto found = std::ranges::find_if(devices_, [device](const auto& d) { return d.get() == device; });
  if (found == devices_.end()) return;
  DisposeNotifier(device->notifier, insideItsNotifier);
  ::close(device->fd);
  devices_.erase(found);
}

}  // namespace vuruzid::capture::evdev
