// The sysfs key-bitmap reader: any text is read without harm, and a bitmap
// written in 64-bit words and the same one in 32-bit words (as the kernel
// writes it for a 32-bit program) give the answer the bits themselves give.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "FuzzFolder.h"
#include "capture/evdev/InputDevices.h"

using namespace vuruzid::capture::evdev;

namespace {

// Words from the most significant down, leading zero words left out, as sysfs does.
std::string Written(const uint64_t (&bits)[4], unsigned wordBits) {
  std::string text;
  for (int word = 4 * 64 / static_cast<int>(wordBits) - 1; word >= 0; --word) {
    const uint64_t value = wordBits == 64 ? bits[word] : bits[word / 2] >> (word % 2 * 32) & 0xFFFFFFFFu;
    if (value == 0 && text.empty()) continue;
    char hex[20];
    std::snprintf(hex, sizeof hex, "%llx", static_cast<unsigned long long>(value));
    text += (text.empty() ? "" : " ") + std::string(hex);
  }
  return text.empty() ? "0" : text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  HasEveryLetterKey(text, 64);
  HasEveryLetterKey(text, 32);

  uint64_t bits[4] = {};
  for (size_t i = 0; i < size && i < sizeof bits; ++i) bits[i / 8] |= static_cast<uint64_t>(data[i]) << (i % 8 * 8);
  bool letters = true;
  for (int key : kLetterKeys) letters &= (bits[key / 64] >> (key % 64) & 1) != 0;
  VURUZID_FUZZ_CHECK(HasEveryLetterKey(Written(bits, 64), 64) == letters);
  VURUZID_FUZZ_CHECK(HasEveryLetterKey(Written(bits, 32), 32) == letters);
  return 0;
}
