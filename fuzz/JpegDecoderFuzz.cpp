// The skin's JPEG decoder: any bytes give a null image with a reason, or a
// picture of at most 4096 pixels a side.
#include <QByteArrayView>
#include <QImage>
#include <QString>
#include <cstddef>
#include <cstdint>

#include "FuzzFolder.h"
#include "res/SkinPictures.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QString error;
  const QImage image = vuruzid::skin::DecodeJpeg(QByteArrayView(data, static_cast<qsizetype>(size)), &error);
  if (image.isNull()) {
    VURUZID_FUZZ_CHECK(!error.isEmpty());
  } else {
    VURUZID_FUZZ_CHECK(error.isEmpty());
    VURUZID_FUZZ_CHECK(image.width() <= 4096 && image.height() <= 4096);
    VURUZID_FUZZ_CHECK(image.format() == QImage::Format_RGB888);
  }
  return 0;
}
