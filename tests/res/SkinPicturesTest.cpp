// Every compiled-in picture loads at its exact size, and each name leads to
// the right picture.
#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>

#include "SkinTestFiles.h"
#include "res/SkinPictures.h"

namespace vuruzid::skin {
namespace {

using testing::MeanBrightness;

TEST(SkinPictures, EveryPictureLoadsAtItsSize) {
  const struct { Picture picture; QSize size; } pictures[] = {
      {Picture::FullBackground, {270, 256}},  {Picture::CompactBackground, {270, 106}},
      {Picture::Emblem, {70, 27}},            {Picture::WideButtonUp, {44, 19}},
      {Picture::WideButtonPressed, {44, 19}}, {Picture::SmallButtonUp, {22, 19}},
      {Picture::SmallButtonPressed, {22, 19}}, {Picture::SignalOn, {19, 20}},
      {Picture::SignalOff, {19, 20}},         {Picture::CheckingIndicator, {18, 24}},
      {Picture::AppIcon, {32, 32}},           {Picture::AboutPicture, {421, 181}},
  };
  for (const auto& [picture, size] : pictures) {
    SCOPED_TRACE(ResourcePath(picture).toStdString());
    const QImage image = Load(picture);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), size);
  }
}

TEST(SkinPictures, CompactBackgroundIsTheTopOfTheFullOne) {
  // The window swaps one for the other; the top strip must not jump.
  const QImage full = Load(Picture::FullBackground);
  const QImage compact = Load(Picture::CompactBackground);
  const QRect titleAndWell(10, 5, 250, 65);
  EXPECT_NEAR(MeanBrightness(full.copy(titleAndWell)), MeanBrightness(compact.copy(titleAndWell)), 2.0);
}

TEST(SkinPictures, PressedFacesAreDarkerThanUpFaces) {
  EXPECT_LT(MeanBrightness(Load(Picture::WideButtonPressed)) + 10,
            MeanBrightness(Load(Picture::WideButtonUp)));
  EXPECT_LT(MeanBrightness(Load(Picture::SmallButtonPressed)) + 10,
            MeanBrightness(Load(Picture::SmallButtonUp)));
}

TEST(SkinPictures, SignalOnIsLitAndSignalOffIsNot) {
  auto greenness = [](const QImage& image) {
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        sum += qGreen(image.pixel(x, y)) - (qRed(image.pixel(x, y)) + qBlue(image.pixel(x, y))) / 2.0;
    return sum / (image.width() * image.height());
  };
  EXPECT_GT(greenness(Load(Picture::SignalOn)), greenness(Load(Picture::SignalOff)) + 10);
  EXPECT_GT(greenness(Load(Picture::CheckingIndicator)), 10);
}

TEST(SkinPictures, IconHasClearCornersAndAnOpaqueMiddle) {
  const QImage icon = Load(Picture::AppIcon);
  ASSERT_TRUE(icon.hasAlphaChannel());
  EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(icon.pixel(31, 31)), 0);
  EXPECT_EQ(qAlpha(icon.pixel(16, 16)), 255);

  const QIcon appIcon = ApplicationIcon();
  ASSERT_FALSE(appIcon.isNull());
  EXPECT_TRUE(appIcon.availableSizes().contains(QSize(32, 32)));
  EXPECT_TRUE(appIcon.availableSizes().contains(QSize(64, 64)));
  EXPECT_EQ(appIcon.pixmap(QSize(32, 32)).size(), QSize(32, 32));
}

}  // namespace
}  // namespace vuruzid::skin
