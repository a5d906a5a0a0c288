#pragma once

#include <optional>
#include <string>

// The program takes no arguments of its own but the two every command answers
// without starting: --help and --version. Any other argument is left to Qt's
// own or ignored.
namespace vuruzid::app {

// The text to print for the first of --help or --version given; nothing
// when neither is, and the program starts.
std::optional<std::string> AnswerWithoutStarting(int argc, const char* const* argv);

}  // namespace vuruzid::app
