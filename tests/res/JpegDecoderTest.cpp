// DecodeJpeg on the skin's own pictures and on damaged data: a damaged
// picture gives a null image and a reason, never a crash or an exit.
#include <gtest/gtest.h>

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
