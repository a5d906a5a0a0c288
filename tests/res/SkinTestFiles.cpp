#include "SkinTestFiles.h"

#include <QFile>
#include <QImage>
#include <stdexcept>

namespace vuruzid::skin::testing {

QByteArray ReadSkinFile(const QString& name) {
  QFile file(QStringLiteral(VURUZID_SKIN_DIR "/") + name);
  if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("missing skin file " + name.toStdString());
  return file.readAll();
}

double MeanBrightness(const QImage& image) {
  double sum = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb pixel = image.pixel(x, y);
      sum += (qRed(pixel) + qGreen(pixel) + qBlue(pixel)) / 3.0;
    }
  return sum / (image.width() * image.height());
}

}  // namespace vuruzid::skin::testing
