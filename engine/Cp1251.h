#pragma once

#include <optional>
#include <string>
#include <string_view>

// Windows-1251 text: every word the engine holds is a byte string in this code
// page, compared byte by byte as unsigned values (std::string's own ordering).
namespace vuruzid::cp1251 {

// Byte values with a meaning of their own in the checker.
inline constexpr unsigned char kErrorMarker = '_';
inline constexpr unsigned char kGraveAccent = '`';
inline constexpr unsigned char kCapitalIo = 0xA8;  // Ё, not a word character

// The code page's ANSI upper-casing: a-z, а-я, ё and the other Cyrillic small
// letters of the page map to their capitals; every other byte is kept.
unsigned char ToUpper(unsigned char c);
std::string ToUpper(std::string_view text);
void ToUpperInPlace(std::string& text);
// Its inverse: each capital ToUpper makes maps back to its small letter.
unsigned char ToLower(unsigned char c);
std::string ToLower(std::string_view text);

// A word spelled as the dictionaries hold it: upper-cased, the apostrophe
// (straight or typographic) as the grave accent its key types, Ё as Е.
std::string DictionarySpelling(std::string_view text);

// Removes all leading and trailing bytes of value 32 or below.
std::string_view Trim(std::string_view text);

// True when `text` sorts after the one-character text " " in byte order: not
// empty, not a single blank, and not starting with a byte below 32.
bool GreaterThanSpace(std::string_view text);

// Word characters: "-", A-Z, the grave accent and the Cyrillic capitals А-Я.
constexpr bool IsWordCharacter(unsigned char c) {
  return c == '-' || (c >= 'A' && c <= 'Z') || c == kGraveAccent || (c >= 0xC0 && c <= 0xDF);
}

// Conversions at the boundary to UTF-8 text (user interface, command line,
// dictionary sources).
std::string ToUtf8(std::string_view cp1251Text);
char32_t ToUnicode(unsigned char c);  // U+FFFD for the one unassigned byte
// Appends the UTF-8 form of a character of the Basic Multilingual Plane.
void AppendUtf8(std::string& out, char32_t c);

// The UTF-8 text in Windows-1251, or nothing when it holds a character the code
// page cannot represent (or is not valid UTF-8). `firstUnmappable`, when given,
// receives the first such character (U+FFFD for malformed UTF-8).
std::optional<std::string> FromUtf8(std::string_view utf8Text, char32_t* firstUnmappable = nullptr);
std::optional<unsigned char> FromUnicode(char32_t c);

// The UTF-8 sequence at `pos`, which it advances past it; U+FFFD, one byte
// on, for a malformed sequence.
char32_t DecodeUtf8(std::string_view utf8Text, size_t& pos);

}  // namespace vuruzid::cp1251
