#pragma once

class QWidget;

namespace vuruzid {
class SideSettings;
}

namespace vuruzid::ui {

// The caption of the tray menu's item and of the welcome dialog's box.
inline constexpr char kCheckInBrowsersText[] = "Check in web browsers (turns on the desktop's accessibility support)";

// Web browsers show where their keys go only on the accessibility bus, and
// only when the desktop's accessibility switch was on as they started. On:
// turns the switch on where it is off, remembering that this program did,
// stores the consent and says what changes (a notice: the user types
// elsewhere). Off: turns the switch off only if this program turned it on.
// A switch that cannot be reached or set is reported and nothing is stored.
void SetBrowserChecking(bool on, SideSettings& settings, QWidget* parent);

}  // namespace vuruzid::ui
