// DecodeJpeg on the skin's own pictures and on damaged data: a damaged
// picture gives a null image and a reason, never a crash or an exit.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <algorithm>
#include <cstdlib>

#include "SkinTestFiles.h"
#include "res/SkinPictures.h"

namespace vuruzid::skin {
namespace {

using testing::ReadSkinFile;

struct JpegCase {
  const char* file;
  QSize size;
};
const JpegCase kSkinJpegs[] = {
    {"full-background.jpg", {270, 256}},
    {"compact-background.jpg", {270, 106}},
    {"emblem.jpg", {70, 27}},
};

TEST(DecodeJpeg, DecodesEverySkinPictureLikeAnIndependentDecoder) {
  for (const auto& [file, size] : kSkinJpegs) {
    SCOPED_TRACE(file);
    const QByteArray bytes = ReadSkinFile(file);
    QString error = "left from before";
    const QImage image = DecodeJpeg(bytes, &error);
    ASSERT_FALSE(image.isNull()) << error.toStdString();
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(image.size(), size);
    EXPECT_EQ(image.format(), QImage::Format_RGB888);

    // Qt's own reader must see the same colours at every pixel (channel
    // order, row stride and orientation all show up here).
    const QImage reference = QImage::fromData(bytes, "JPG").convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(reference.size(), size);
    int worst = 0;
    for (int y = 0; y < size.height(); ++y)
      for (int x = 0; x < size.width(); ++x) {
        const QRgb a = image.pixel(x, y), b = reference.pixel(x, y);
        worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                          std::abs(qBlue(a) - qBlue(b))});
      }
    EXPECT_LE(worst, 2);
  }
}

TEST(DecodeJpeg, KeepsRedGreenAndBlueApart) {
  // A picture with a pure red, green and blue third, made by Qt's writer.
  QImage stripes(30, 8, QImage::Format_RGB888);
  for (int x = 0; x < 30; ++x)
    for (int y = 0; y < 8; ++y) stripes.setPixel(x, y, x < 10 ? qRgb(255, 0, 0) : x < 20 ? qRgb(0, 255, 0) : qRgb(0, 0, 255));
  QByteArray bytes;
  {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(stripes.save(&buffer, "JPG", 100));
  }
  const QImage image = DecodeJpeg(bytes);
  ASSERT_EQ(image.size(), QSize(30, 8));
  EXPECT_GT(qRed(image.pixel(4, 4)), 200);
  EXPECT_LT(qBlue(image.pixel(4, 4)), 60);
  EXPECT_GT(qGreen(image.pixel(14, 4)), 200);
  EXPECT_LT(qRed(image.pixel(14, 4)), 60);
  EXPECT_GT(qBlue(image.pixel(25, 4)), 200);
  EXPECT_LT(qGreen(image.pixel(25, 4)), 60);
}

TEST(DecodeJpeg, TruncatedPictureIsRefusedWithAReason) {
  const QByteArray whole = ReadSkinFile("full-background.jpg");
  for (const qsizetype keep : {whole.size() / 2, whole.size() - 2, qsizetype(300), qsizetype(4)}) {
    SCOPED_TRACE(keep);
    QString error;
    EXPECT_TRUE(DecodeJpeg(whole.left(keep), &error).isNull());
    EXPECT_FALSE(error.isEmpty());
  }
  QString error;
  DecodeJpeg(whole.left(whole.size() / 2), &error);
  EXPECT_TRUE(error.contains("Premature end", Qt::CaseInsensitive)) << error.toStdString();
}

TEST(DecodeJpeg, GarbageAndEmptyDataAreRefusedWithAReason) {
  QByteArray garbage;
  for (int i = 0; i < 4096; ++i) garbage.append(char((i * 37 + 11) & 0xFF));
  QByteArray fakeStart = garbage;
  fakeStart[0] = char(0xFF);
  fakeStart[1] = char(0xD8);  // a JPEG start marker, then nonsense
  for (const QByteArray& bytes : {garbage, fakeStart, QByteArray("not a picture"), QByteArray()}) {
    QString error;
    EXPECT_TRUE(DecodeJpeg(bytes, &error).isNull());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(DecodeJpeg(bytes).isNull());  // no error text wanted: still no crash
  }
}

}  // namespace
}  // namespace vuruzid::skin
