#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Line-oriented text files shared by the user word files and the settings file.
namespace vuruzid {

// Splits text into lines ended by CR, LF or CR LF. A last line without a line
// end is kept, a line end at the very end adds no empty line, and a NUL byte
// ends the text.
std::vector<std::string> SplitLines(std::string_view text);

// Every line followed by `lineEnd` (CR LF unless told otherwise).
std::string JoinLines(const std::vector<std::string>& lines, std::string_view lineEnd = "\r\n");
inline std::string JoinLinesCrLf(const std::vector<std::string>& lines) { return JoinLines(lines); }

// The lines of the file, or nothing when it cannot be opened or read.
std::optional<std::vector<std::string>> ReadTextLines(const std::filesystem::path& path);

// Replaces the file with the lines (each ended by CR LF) atomically; false on failure.
bool WriteTextLines(const std::filesystem::path& path, const std::vector<std::string>& lines);

// Whether two texts are equal but for the case of ASCII letters (window
// classes, option names, modifier names).
bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b);

// A whole number as the user files store it: leading blanks, an optional sign,
// decimal digits and nothing after; nothing when the text is anything else or
// does not fit 32 bits.
std::optional<int32_t> ParseWholeNumber(std::string_view text);

}  // namespace vuruzid
