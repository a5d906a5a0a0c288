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

// The markers up to the first scan of a one-component picture of the given
// size, and nothing else: all the decoder sees before it must decide how much
// memory the picture needs.
QByteArray HandmadeHeader(int width, int height) {
  const char bytes[] = {
      char(0xFF), char(0xD8),                                       // start of image
      char(0xFF), char(0xC0), 0, 11, 8,                             // baseline frame, 8 bits
      char(height >> 8), char(height & 0xFF), char(width >> 8), char(width & 0xFF),  //
      1, 1, 0x11, 0,                                                // one component
      char(0xFF), char(0xDA), 0, 8, 1, 1, 0, 0, 63, 0,              // start of scan
  };
  return QByteArray(bytes, sizeof bytes);
}

// A skin picture whose frame header is changed to claim another size; its
// tables and data are real, so only the size check can refuse it.
QByteArray SkinPictureClaiming(int width, int height) {
  QByteArray bytes = ReadSkinFile("emblem.jpg");
  const qsizetype frame = bytes.indexOf(QByteArray("\xFF\xC0", 2));
  bytes[frame + 5] = char(height >> 8);
  bytes[frame + 6] = char(height & 0xFF);
  bytes[frame + 7] = char(width >> 8);
  bytes[frame + 8] = char(width & 0xFF);
  return bytes;
}

// Sizes a damaged header may claim: over the limit the picture is refused
// for its size before any pixel memory exists (a 60000 x 60000 claim would
// otherwise allocate 10.8 GB); at the limit it goes on to be decoded, and
// fails here only for its missing or short data.
TEST(DecodeJpeg, RefusesPicturesLargerThanTheSkinCanUseBeforeAllocating) {
  struct Case {
    const char* name;
    QByteArray bytes;
    bool refusedForItsSize;
  };
  const Case cases[] = {
      {"header of 60000 x 60000", HandmadeHeader(60000, 60000), true},
      {"header of 65500 x 65500", HandmadeHeader(65500, 65500), true},  // the most libjpeg accepts
      {"header of 4097 x 1", HandmadeHeader(4097, 1), true},
      {"header of 1 x 4097", HandmadeHeader(1, 4097), true},
      {"header of 4096 x 1", HandmadeHeader(4096, 1), false},
      {"header of 1 x 4096", HandmadeHeader(1, 4096), false},
      {"skin picture claiming 60000 x 60000", SkinPictureClaiming(60000, 60000), true},
      {"skin picture claiming 4096 x 4", SkinPictureClaiming(4096, 4), false},
  };
  for (const auto& [name, bytes, refusedForItsSize] : cases) {
    SCOPED_TRACE(name);
    QString error;
    EXPECT_TRUE(DecodeJpeg(bytes, &error).isNull());
    EXPECT_EQ(error.contains("larger than 4096 a side"), refusedForItsSize) << error.toStdString();
  }
}

}  // namespace
}  // namespace vuruzid::skin
