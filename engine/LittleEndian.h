#pragma once

#include <cstdint>
#include <string>

// 32-bit numbers in the little-endian order of the program's binary files.
namespace vuruzid {

inline uint32_t ReadU32(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline void AppendU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace vuruzid
