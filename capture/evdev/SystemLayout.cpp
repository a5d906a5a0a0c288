#include "capture/evdev/SystemLayout.h"

#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <utility>
#include <vector>

#include "capture/KeySource.h"
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

}  // namespace

std::optional<LayoutNames> ConfiguredLayout(const std::filesystem::path& keyboardDefaults) {
  if (const std::string layout = platform::EnvironmentValue("XKB_DEFAULT_LAYOUT"); !layout.empty())
    return LayoutNames{platform::EnvironmentValue("XKB_DEFAULT_RULES"), platform::EnvironmentValue("XKB_DEFAULT_MODEL"), layout,
                       platform::EnvironmentValue("XKB_DEFAULT_VARIANT"), platform::EnvironmentValue("XKB_DEFAULT_OPTIONS")};
  auto settings = ShellSettings(keyboardDefaults);
  if (settings["XKBLAYOUT"].empty()) return std::nullopt;
  return LayoutNames{"", settings["XKBMODEL"], settings["XKBLAYOUT"], settings["XKBVARIANT"], settings["XKBOPTIONS"]};
}

void DeviceKeymap::Free::operator()(xkb_context* context) const { xkb_context_unref(context); }
void DeviceKeymap::Free::operator()(xkb_keymap* keymap) const { xkb_keymap_unref(keymap); }
void DeviceKeymap::Free::operator()(xkb_state* state) const { xkb_state_unref(state); }

DeviceKeymap::DeviceKeymap() = default;
DeviceKeymap::~DeviceKeymap() = default;

bool DeviceKeymap::Compile(const std::optional<LayoutNames>& names) {
  state_.reset();
  keymap_.reset();
  context_.reset(xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
  if (!context_) return false;
  xkb_context_set_log_level(context_.get(), XKB_LOG_LEVEL_CRITICAL);
  if (names) {
    const auto text = [](const std::string& s) { return s.empty() ? nullptr : s.c_str(); };
    const xkb_rule_names rules{text(names->rules), text(names->model), text(names->layout), text(names->variant),
                               text(names->options)};
    keymap_.reset(xkb_keymap_new_from_names(context_.get(), &rules, XKB_KEYMAP_COMPILE_NO_FLAGS));
  }
  if (!keymap_) keymap_.reset(xkb_keymap_new_from_names(context_.get(), nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS));
  if (!keymap_) return false;
  state_.reset(xkb_state_new(keymap_.get()));
  modifierIndices_ = {xkb_keymap_mod_get_index(keymap_.get(), XKB_MOD_NAME_CTRL),
                      xkb_keymap_mod_get_index(keymap_.get(), XKB_MOD_NAME_ALT),
                      xkb_keymap_mod_get_index(keymap_.get(), XKB_MOD_NAME_LOGO),
                      xkb_keymap_mod_get_index(keymap_.get(), XKB_MOD_NAME_SHIFT),
                      xkb_keymap_mod_get_index(keymap_.get(), XKB_MOD_NAME_CAPS)};
  return state_ != nullptr;
}

std::optional<unsigned> DeviceKeymap::FollowGroups(KeycodeMap& map) const {
  if (!keymap_) return std::nullopt;
  std::optional<unsigned> firstLatin;
  const xkb_layout_index_t groups = std::min<xkb_layout_index_t>(xkb_keymap_num_layouts(keymap_.get()), KeycodeMap::kGroups);
  for (xkb_layout_index_t group = 0; group < groups; ++group) {
    std::vector<std::pair<uint8_t, uint32_t>> symbols;  // keycode, symbol without Shift
    for (xkb_keycode_t keycode = 8; keycode < 256; ++keycode) {
      const xkb_keysym_t* syms = nullptr;
      if (xkb_keymap_key_get_syms_by_level(keymap_.get(), keycode, group, 0, &syms) < 1) continue;
      symbols.emplace_back(static_cast<uint8_t>(keycode), syms[0]);
    }
    map.FollowGroup(group, symbols);
    const bool latin = std::ranges::any_of(symbols, [](const auto& s) { return ScriptOfSymbol(s.second) == KeyScript::Latin; });
    if (latin && !firstLatin) firstLatin = group;
  }
  return firstLatin;
}

void DeviceKeymap::Update(uint8_t keycode, bool pressed) {
  if (state_) xkb_state_update_key(state_.get(), keycode, pressed ? XKB_KEY_DOWN : XKB_KEY_UP);
}

uint8_t DeviceKeymap::Modifiers() const {
  if (!state_) return 0;
  const auto held = [this](size_t which, ModifierBit bit) {
    return xkb_state_mod_index_is_active(state_.get(), modifierIndices_[which], XKB_STATE_MODS_EFFECTIVE) > 0 ? bit : 0;
  };
  // Caps Lock's lock is in the effective mods, not only the depressed ones.
  return static_cast<uint8_t>(held(0, kControlHeld) | held(1, kAltHeld) | held(2, kSuperHeld) | held(3, kShiftHeld) |
                              held(4, kCapsLockOn));
}

unsigned DeviceKeymap::Group() const {
  return state_ ? xkb_state_serialize_layout(state_.get(), XKB_STATE_LAYOUT_EFFECTIVE) : 0;
}

}  // namespace vuruzid::capture::evdev
