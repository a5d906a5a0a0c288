#include "capture/evdev/InputDevices.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "platform/Environment.h"

namespace vuruzid::capture::evdev {

InputFolders InputFolders::System() {
  const std::string root = platform::EnvironmentValue("VURUZID_INPUT_ROOT");
  const std::filesystem::path base = root.empty() ? "/" : root;
  return {base / "dev/input", base / "sys/class/input", base / "etc/default/keyboard"};
}

std::vector<std::string> EventDeviceNames(const std::filesystem::path& devices) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(devices, ec)) {
    std::string name = entry.path().filename().string();
    if (name.starts_with("event") && name.size() > 5 &&
        std::all_of(name.begin() + 5, name.end(), [](char c) { return c >= '0' && c <= '9'; }))
      names.push_back(std::move(name));
  }
  // event2 before event10.
  std::ranges::sort(names, [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  });
  return names;
}

namespace {

// The words of a key bitmap, the last one holding bits 0 and up; nothing when it is not one.
std::optional<std::vector<uint64_t>> KeyBitmapWords(std::string_view keyBitmap, unsigned wordBits) {
  std::vector<uint64_t> words;
  std::istringstream in{std::string(keyBitmap)};
  for (std::string word; in >> word;) {
    if (word.size() > wordBits / 4 || wordBits > 64) return std::nullopt;
    uint64_t bits = 0;
    for (char c : word) {
      const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
      if (digit < 0) return std::nullopt;
      bits = bits << 4 | static_cast<uint64_t>(digit);
    }
    words.push_back(bits);
  }
  return words;
}

bool HasKey(const std::vector<uint64_t>& words, unsigned wordBits, int key) {
  const size_t fromEnd = static_cast<size_t>(key) / wordBits;
  return fromEnd < words.size() && (words[words.size() - 1 - fromEnd] >> (key % wordBits) & 1) != 0;
}

}  // namespace

DeviceKind KindOfKeyBitmap(std::string_view keyBitmap, unsigned wordBits) {
  const auto words = KeyBitmapWords(keyBitmap, wordBits);
  if (!words) return DeviceKind::Other;
  if (std::ranges::all_of(kLetterKeys, [&](int key) { return HasKey(*words, wordBits, key); }))
    return DeviceKind::Keyboard;
  return HasKey(*words, wordBits, kLeftButton) ? DeviceKind::Pointer : DeviceKind::Other;
}

bool HasEveryLetterKey(std::string_view keyBitmap, unsigned wordBits) {
  return KindOfKeyBitmap(keyBitmap, wordBits) == DeviceKind::Keyboard;
}

DeviceKind KindOfDevice(const InputFolders& folders, const std::string& name) {
  std::ifstream in(folders.sysClassInput / name / "device/capabilities/key");
  std::string bitmap;
  if (!in || !std::getline(in, bitmap)) return DeviceKind::Unknown;
  return KindOfKeyBitmap(bitmap);
}

}  // namespace vuruzid::capture::evdev
