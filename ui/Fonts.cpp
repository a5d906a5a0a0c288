#include "ui/Fonts.h"

#include <QStringList>

namespace vuruzid::ui {

QFont SansFont(int pixelHeight, bool bold) {
  QFont font;
  font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixelHeight);
  font.setBold(bold);
  return font;
}

}  // namespace vuruzid::ui
