#include "ui/BrowserChecking.h"

#include <QString>
#include <optional>
#include <string>

#include "platform/desktop/AccessibilitySwitch.h"
#include "settings/SideSettings.h"
#include "ui/MessageBoxes.h"

namespace vuruzid::ui {
namespace {

constexpr char kCheckedFromNow[] =
    "Web browsers started from now on are checked. A browser that is already running is checked once you "
    "restart it.\n\nBusy web pages may get slower while the desktop's accessibility support is on.";

void Store(SideSettings& settings, bool on, bool setByUs, QWidget* parent) {
  std::string error;
  if (!settings.SetBrowserChecking(on, setByUs, &error)) ShowErrorReport(QString::fromStdString(error), parent);
}

void TurnOn(SideSettings& settings, QWidget* parent) {
  std::string why;
  const std::optional<bool> enabled = platform::DesktopAccessibilityEnabled(&why);
  if (!enabled) {
    ShowErrorReport(QStringLiteral("Web browsers cannot be checked: the desktop's accessibility support cannot be "
                          "reached (%1).")
               .arg(QString::fromStdString(why)),
           parent);
    return;
  }
  bool setByUs = settings.AccessibilitySetByUs();  // a switch already on is someone else's
  if (!*enabled) {
    if (!platform::SetDesktopAccessibilityEnabled(true, &why)) {
      ShowErrorReport(QStringLiteral("Web browsers cannot be checked: the desktop's accessibility support could not be "
                            "turned on (%1).")
                 .arg(QString::fromStdString(why)),
             parent);
      return;
    }
    setByUs = true;
  }
  Store(settings, true, setByUs, parent);
  ShowNotice(QString::fromLatin1(kCheckedFromNow), parent);
}

void TurnOff(SideSettings& settings, QWidget* parent) {
  std::string why;
  if (settings.AccessibilitySetByUs() && !platform::SetDesktopAccessibilityEnabled(false, &why)) {
    ShowErrorReport(QStringLiteral("The desktop's accessibility support, which this program turned on, could not be "
                          "turned off (%1). Web browsers are still checked; try again later.")
               .arg(QString::fromStdString(why)),
           parent);
    return;
  }
  Store(settings, false, false, parent);
}

}  // namespace

void SetBrowserChecking(bool on, SideSettings& settings, QWidget* parent) {
  on ? TurnOn(settings, parent) : TurnOff(settings, parent);
}

}  // namespace vuruzid::ui
