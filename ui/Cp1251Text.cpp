#include "ui/Cp1251Text.h"

#include <QMessageBox>

#include "engine/Cp1251.h"
#include "ui/MessageBoxes.h"

namespace vuruzid::ui {

QString FromCp1251(std::string_view text) { return QString::fromStdString(cp1251::ToUtf8(text)); }

std::optional<std::string> ToCp1251OrExplain(QWidget* parent, const QString& text, const QString& what) {
  char32_t unmappable = 0;
  auto converted = cp1251::FromUtf8(text.toStdString(), &unmappable);
  if (converted) return converted;
  const QString character = QString::fromUcs4(&unmappable, 1);
  const QString code =
      QStringLiteral("U+") + QString::number(uint(unmappable), 16).toUpper().rightJustified(4, u'0');
  QMessageBox::warning(parent, QString::fromLatin1(kApplicationTitle),
                       QStringLiteral("The character \"%1\" (%2) in %3 cannot be stored: only "
                                      "English and Russian letters and the usual signs can.\n\n"
                                      "Please replace or remove it.")
                           .arg(character, code, what));
  return std::nullopt;
}

}  // namespace vuruzid::ui
