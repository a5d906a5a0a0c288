#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>

class QWidget;

// Text crossing between the engine (Windows-1251 bytes) and the windows.
namespace vuruzid::ui {

QString FromCp1251(std::string_view text);

// `text` in Windows-1251, or nothing after telling the user (in a message box
// over `parent`) which character the code page cannot hold. `what` names the
// text in that message, e.g. "the word".
std::optional<std::string> ToCp1251OrExplain(QWidget* parent, const QString& text, const QString& what);

}  // namespace vuruzid::ui
