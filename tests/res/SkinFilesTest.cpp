// The generated picture files have exactly the formats the window expects:
// baseline JPEGs with three components, uncompressed 24-bit BMPs and a
// 16-colour 32 x 32 icon.
#include <gtest/gtest.h>

#include <QByteArray>
#include <cstdint>
#include <optional>

#include "SkinTestFiles.h"

namespace vuruzid::skin {
namespace {

using testing::ReadSkinFile;

uint32_t LittleEndian(const QByteArray& bytes, qsizetype at, int width) {
  uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = value << 8 | uint8_t(bytes.at(at + i));
  return value;
}

struct FrameHeader {
  int marker;      // 0xC0 baseline, 0xC2 progressive, ...
  int width, height, components;
};

// The first start-of-frame header, found by walking the marker segments.
std::optional<FrameHeader> FindFrameHeader(const QByteArray& jpeg) {
  qsizetype at = 2;
  while (at + 9 < jpeg.size() && uint8_t(jpeg[at]) == 0xFF) {
    const int marker = uint8_t(jpeg[at + 1]);
    const int length = uint8_t(jpeg[at + 2]) << 8 | uint8_t(jpeg[at + 3]);
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame)
      return FrameHeader{marker, uint8_t(jpeg[at + 7]) << 8 | uint8_t(jpeg[at + 8]),
                         uint8_t(jpeg[at + 5]) << 8 | uint8_t(jpeg[at + 6]), uint8_t(jpeg[at + 9])};
    if (marker == 0xDA) break;  // image data begins
    at += 2 + length;
  }
  return std::nullopt;
}

TEST(SkinFiles, JpegsAreBaselineWithThreeComponents) {
  const struct { const char* file; int width, height; } jpegs[] = {
      {"full-background.jpg", 270, 256}, {"compact-background.jpg", 270, 106}, {"emblem.jpg", 70, 27}};
  for (const auto& [file, width, height] : jpegs) {
    SCOPED_TRACE(file);
    const QByteArray bytes = ReadSkinFile(file);
    ASSERT_TRUE(bytes.startsWith("\xFF\xD8"));
    const auto frame = FindFrameHeader(bytes);
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->marker, 0xC0);
    EXPECT_EQ(frame->components, 3);
    EXPECT_EQ(frame->width, width);
    EXPECT_EQ(frame->height, height);
  }
}

TEST(SkinFiles, BmpsAreUncompressedWith24BitsPerPixel) {
  const struct { const char* file; int width, height; } bmps[] = {
      {"wide-button-up.bmp", 44, 19},    {"wide-button-pressed.bmp", 44, 19},
      {"small-button-up.bmp", 22, 19},   {"small-button-pressed.bmp", 22, 19},
      {"signal-on.bmp", 19, 20},         {"signal-off.bmp", 19, 20},
      {"checking-indicator.bmp", 18, 24}};
  for (const auto& [file, width, height] : bmps) {
    SCOPED_TRACE(file);
    const QByteArray bytes = ReadSkinFile(file);
    ASSERT_GE(bytes.size(), 54);
    EXPECT_TRUE(bytes.startsWith("BM"));
    EXPECT_EQ(LittleEndian(bytes, 14, 4), 40u);  // the plain info header
    EXPECT_EQ(LittleEndian(bytes, 18, 4), uint32_t(width));
    EXPECT_EQ(LittleEndian(bytes, 22, 4), uint32_t(height));  // positive: rows bottom-up
    EXPECT_EQ(LittleEndian(bytes, 28, 2), 24u);
    EXPECT_EQ(LittleEndian(bytes, 30, 4), 0u);  // no compression
    const uint32_t rowBytes = (uint32_t(width) * 3 + 3) / 4 * 4;
    EXPECT_EQ(uint32_t(bytes.size()), LittleEndian(bytes, 10, 4) + rowBytes * uint32_t(height));
  }
}

TEST(SkinFiles, IconIs32By32WithSixteenColours) {
  const QByteArray ico = ReadSkinFile("vuruzid.ico");
  ASSERT_GE(ico.size(), 22 + 40);
  EXPECT_EQ(LittleEndian(ico, 0, 2), 0u);
  EXPECT_EQ(LittleEndian(ico, 2, 2), 1u);  // an icon, not a cursor
  ASSERT_EQ(LittleEndian(ico, 4, 2), 1u);  // one picture
  EXPECT_EQ(uint8_t(ico[6]), 32);
  EXPECT_EQ(uint8_t(ico[7]), 32);
  EXPECT_EQ(uint8_t(ico[8]), 16);          // palette entries
  EXPECT_EQ(LittleEndian(ico, 12, 2), 4u);  // bits per pixel
  const uint32_t picture = LittleEndian(ico, 18, 4);
  ASSERT_LT(picture + 40, uint32_t(ico.size()));
  EXPECT_EQ(LittleEndian(ico, picture + 14, 2), 4u);
}

}  // namespace
}  // namespace vuruzid::skin
