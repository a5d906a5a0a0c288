#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vuruzid::capture::evdev {

// Where the kernel shows its input devices: the device nodes (event0,
// event1, ...) and their descriptions in sysfs.
struct InputFolders {
  std::filesystem::path devices;        // normally /dev/input
  std::filesystem::path sysClassInput;  // normally /sys/class/input
  std::filesystem::path keyboardDefaults = {};  // the system's keyboard layout, normally /etc/default/keyboard

  // The system's folders; VURUZID_INPUT_ROOT, when set, stands for "/" (a
  // folder laid out like the system's, for diagnostics and tests).
  static InputFolders System();
};

// The names of the event devices in the folder ("event0", ...), in order.
std::vector<std::string> EventDeviceNames(const std::filesystem::path& devices);

enum class DeviceKind { Keyboard, Pointer, Other, Unknown };

// What the device is, by the key capabilities sysfs lists for it: a keyboard
// has every letter key, a pointer (a mouse, a touchpad) has a left button;
// power buttons, lid switches, headsets and joysticks are other devices.
// Unknown when sysfs does not say.
DeviceKind KindOfDevice(const InputFolders& folders, const std::string& name);

// The same judgement on a capabilities text: hexadecimal words, the most
// significant first, as sysfs writes a key bitmap. The kernel writes words of
// the reading process's long: 64 bits for a 64-bit program, 32 for a 32-bit one.
DeviceKind KindOfKeyBitmap(std::string_view keyBitmap, unsigned wordBits = 8 * sizeof(long));
bool HasEveryLetterKey(std::string_view keyBitmap, unsigned wordBits = 8 * sizeof(long));

// The letter keys' Linux codes, shared with the check done on a device itself.
inline constexpr int kLetterKeys[] = {16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 30, 31, 32,
                                      33, 34, 35, 36, 37, 38, 44, 45, 46, 47, 48, 49, 50};
// The left button's Linux code (BTN_LEFT), which marks a pointer.
inline constexpr int kLeftButton = 0x110;

}  // namespace vuruzid::capture::evdev
