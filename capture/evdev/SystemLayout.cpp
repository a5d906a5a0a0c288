#include "capture/evdev/SystemLayout.h"

#include <xkbcommon/xkbcommon.h>

#include <fstream>
#include <map>
#include <memory>

#include "platform/Environment.h"

namespace vuruzid::capture::evdev {
namespace {

// KEY="value" lines of a shell-style settings file.
std::map<std::string, std::string> ShellSettings(const std::filesystem::path& path) {
  std::map<std::string, std::string> settings;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    const size_t equals = line.find('=');
    if (line.empty() || line[0] == '#' || equals == std::string::npos) continue;
    std::string value = line.substr(equals + 1);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    settings[line.substr(0, equals)] = value;
  }
  return settings;
}

template <typename T, void (*Free)(T*)>
using Owned = std::unique_ptr<T, std::integral_constant<decltype(Free), Free>>;

}  // namespace

std::optional<LayoutNames> ConfiguredLayout(const std::filesystem::path& keyboardDefaults) {
  if (const std::string layout = platform::EnvironmentValue("XKB_DEFAULT_LAYOUT"); !layout.empty())
    return LayoutNames{platform::EnvironmentValue("XKB_DEFAULT_RULES"), platform::EnvironmentValue("XKB_DEFAULT_MODEL"), layout,
                       platform::EnvironmentValue("XKB_DEFAULT_VARIANT"), platform::EnvironmentValue("XKB_DEFAULT_OPTIONS")};
  auto settings = ShellSettings(keyboardDefaults);
  if (settings["XKBLAYOUT"].empty()) return std::nullopt;
  return LayoutNames{"", settings["XKBMODEL"], settings["XKBLAYOUT"], settings["XKBVARIANT"], settings["XKBOPTIONS"]};
}

std::optional<unsigned> FollowLayout(const LayoutNames& names, KeycodeMap& map) {
  const Owned<xkb_context, xkb_context_unref> context(xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
  if (!context) return std::nullopt;
  xkb_context_set_log_level(context.get(), XKB_LOG_LEVEL_CRITICAL);
  const auto text = [](const std::string& s) { return s.empty() ? nullptr : s.c_str(); };
  const xkb_rule_names rules{text(names.rules), text(names.model), text(names.layout), text(names.variant),
                             text(names.options)};
  const Owned<xkb_keymap, xkb_keymap_unref> keymap(
      xkb_keymap_new_from_names(context.get(), &rules, XKB_KEYMAP_COMPILE_NO_FLAGS));
  if (!keymap) return std::nullopt;

  std::optional<unsigned> firstLatin;
  const xkb_layout_index_t groups = std::min<xkb_layout_index_t>(xkb_keymap_num_layouts(keymap.get()), KeycodeMap::kGroups);
  for (xkb_layout_index_t group = 0; group < groups; ++group) {
    std::map<uint8_t, uint32_t> symbols;  // keycode -> symbol without Shift
    bool latin = false;
    for (xkb_keycode_t keycode = 8; keycode < 256; ++keycode) {
      const xkb_keysym_t* syms = nullptr;
      if (xkb_keymap_key_get_syms_by_level(keymap.get(), keycode, group, 0, &syms) < 1) continue;
      symbols[static_cast<uint8_t>(keycode)] = syms[0];
      latin |= syms[0] >= XKB_KEY_a && syms[0] <= XKB_KEY_z;
    }
    if (!latin) continue;
    if (!firstLatin) firstLatin = group;
    for (const auto& [keycode, sym] : symbols)
      map.SetLayoutCode(group, keycode, LatinLayoutCode(map.CodesOf(keycode).virtualKey, sym));
  }
  return firstLatin;
}

}  // namespace vuruzid::capture::evdev
