#include "app/CommandLine.h"

#include <string_view>

namespace vuruzid::app {

namespace {

constexpr char kHelp[] =
    "Usage: qor-vuruzid [--help | --version]\n"
    "Checks English and Russian spelling while you type and shows the word in a\n"
    "small window. It runs from its program folder (the command qor-vuruzid goes\n"
    "there) and needs an X display: DISPLAY, or a Wayland session with XWayland.\n"
    "\n"
    "  --help     show this help and end\n"
    "  --version  show the version and end\n";

}  // namespace

std::optional<std::string> AnswerWithoutStarting(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--help") return kHelp;
    if (argument == "--version") return "QOR Vuruzid " VURUZID_VERSION "\n";
  }
  return std::nullopt;
}

}  // namespace vuruzid::app
