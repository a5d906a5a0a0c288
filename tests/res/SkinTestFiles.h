#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace vuruzid::skin::testing {

// The bytes of a generated picture in the source tree's res/skin/ folder.
QByteArray ReadSkinFile(const QString& name);

// The average of red, green and blue over the whole picture, 0 to 255.
double MeanBrightness(const QImage& image);

}  // namespace vuruzid::skin::testing
