#include "engine/Cp1251.h"

#include <array>

namespace vuruzid::cp1251 {
namespace {

// Unicode of the bytes 0x80-0xBF; 0xC0-0xFF are U+0410-U+044F in order.
constexpr std::array<char16_t, 64> kHighHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

constexpr std::array<unsigned char, 256> MakeUpperTable() {
  std::array<unsigned char, 256> t{};
  for (int i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(i);
  for (int i = 'a'; i <= 'z'; ++i) t[i] = static_cast<unsigned char>(i - 32);
  for (int i = 0xE0; i <= 0xFF; ++i) t[i] = static_cast<unsigned char>(i - 32);
  // Small letters of the Cyrillic extension block and their capitals.
  constexpr std::array<std::pair<unsigned char, unsigned char>, 15> pairs = {{
      {0x83, 0x81}, {0x90, 0x80}, {0x9A, 0x8A}, {0x9C, 0x8C}, {0x9D, 0x8D}, {0x9E, 0x8E},
      {0x9F, 0x8F}, {0xA2, 0xA1}, {0xBC, 0xA3}, {0xB4, 0xA5}, {0xB8, 0xA8}, {0xBA, 0xAA},
      {0xBF, 0xAF}, {0xB3, 0xB2}, {0xBE, 0xBD},
  }};
  for (auto [small, capital] : pairs) t[small] = capital;
  return t;
}
constexpr auto kUpper = MakeUpperTable();

constexpr std::array<unsigned char, 256> MakeLowerTable() {
  std::array<unsigned char, 256> t{};
  for (int i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(i);
  for (int i = 255; i >= 0; --i)
    if (kUpper[i] != i) t[kUpper[i]] = static_cast<unsigned char>(i);
  return t;
}
constexpr auto kLower = MakeLowerTable();

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

char32_t DecodeUtf8(std::string_view s, size_t& i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char b0 = byte(i);
  int length = 0;
  char32_t c = 0;
  if (b0 < 0x80) {
    ++i;
    return b0;
  } else if ((b0 & 0xE0) == 0xC0) {
    length = 2, c = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    length = 3, c = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    length = 4, c = b0 & 0x07;
  } else {
    ++i;
    return 0xFFFD;
  }
  if (i + length > s.size()) {
    ++i;
    return 0xFFFD;
  }
  for (int k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  static constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
  i += length;
  if (c < kMinimum[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0xFFFD;
  return c;
}


unsigned char ToUpper(unsigned char c) { return kUpper[c]; }

std::string ToUpper(std::string_view text) {
  std::string out(text);
  ToUpperInPlace(out);
  return out;
}

void ToUpperInPlace(std::string& text) {
  for (auto& ch : text) ch = static_cast<char>(kUpper[static_cast<unsigned char>(ch)]);
}

unsigned char ToLower(unsigned char c) { return kLower[c]; }

std::string ToLower(std::string_view text) {
  std::string out(text);
  for (auto& ch : out) ch = static_cast<char>(kLower[static_cast<unsigned char>(ch)]);
  return out;
}

std::string DictionarySpelling(std::string_view text) {
  constexpr unsigned char kApostrophe = '\'', kRightQuote = 0x92, kCapitalIe = 0xC5;
  std::string word = ToUpper(text);
  for (auto& ch : word) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == kApostrophe || c == kRightQuote) ch = static_cast<char>(kGraveAccent);
    if (c == kCapitalIo) ch = static_cast<char>(kCapitalIe);
  }
  return word;
}

std::string_view Trim(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 32) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
  return text.substr(begin, end - begin);
}

bool GreaterThanSpace(std::string_view text) { return text > std::string_view(" "); }

char32_t ToUnicode(unsigned char c) {
  if (c < 0x80) return c;
  if (c >= 0xC0) return 0x0410 + (c - 0xC0);
  return kHighHalf[c - 0x80];
}

std::string ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (unsigned char c : text) AppendUtf8(out, ToUnicode(c));
  return out;
}

std::optional<unsigned char> FromUnicode(char32_t c) {
  if (c < 0x80) return static_cast<unsigned char>(c);
  if (c >= 0x0410 && c <= 0x044F) return static_cast<unsigned char>(0xC0 + (c - 0x0410));
  for (size_t i = 0; i < kHighHalf.size(); ++i)
    if (kHighHalf[i] == c && c != 0xFFFD) return static_cast<unsigned char>(0x80 + i);
  return std::nullopt;
}

std::optional<std::string> FromUtf8(std::string_view text, char32_t* firstUnmappable) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const char32_t c = DecodeUtf8(text, i);
    const auto byte = c == 0xFFFD ? std::nullopt : FromUnicode(c);
    if (!byte) {
      if (firstUnmappable) *firstUnmappable = c;
      return std::nullopt;
    }
    out += static_cast<char>(*byte);
  }
  return out;
}

}  // namespace vuruzid::cp1251
