#pragma once

#include <QColor>
#include <QLabel>
#include <QPoint>
#include <QString>
#include <cstdint>

#include "res/SkinPictures.h"

namespace vuruzid::ui {

// A colour value stored blue, green, red from the high byte down (65280 is lime).
constexpr QRgb RgbFromColourValue(uint32_t value) {
  return qRgb(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
              static_cast<int>((value >> 16) & 0xFF));
}

inline constexpr QRgb kSilver = qRgb(0xC0, 0xC0, 0xC0);
inline constexpr QRgb kLime = qRgb(0x00, 0xFF, 0x00);
inline constexpr QRgb kYellow = qRgb(0xFF, 0xFF, 0x00);
inline constexpr QRgb kBlack = qRgb(0x00, 0x00, 0x00);

// A picture element: its picture at its top-left corner, unscaled and opaque.
// A damaged or missing picture draws nothing. A press on it is passed to the
// window, which ignores it: pictures never move the window.
QLabel* MakePicture(QWidget* parent, const char* name, skin::Picture picture, QRect geometry);

// A transparent text label sized to its text.
QLabel* MakeText(QWidget* parent, const char* name, const QString& text, QPoint at, QRgb colour,
                 bool bold = false, int pixelHeight = 11);

// Sets a label's text colour.
void SetTextColour(QLabel* label, QRgb colour);

// A window background: a left-button press on it starts moving the window, and
// a release of any button ends the move. (A move started by another button
// would wait for a left-button release that never comes.)
class BackgroundPicture : public QLabel {
  Q_OBJECT
 public:
  BackgroundPicture(QWidget* parent, const char* name, skin::Picture picture, QSize size);

 signals:
  void pressed(QPoint globalPos);
  void dragged(QPoint globalPos);
  void released();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
};

// A picture that acts on a left-button click inside it (press and release).
class ClickablePicture : public QLabel {
  Q_OBJECT
 public:
  ClickablePicture(QWidget* parent, const char* name, skin::Picture picture, QPoint at);

 signals:
  void clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool leftPressed_ = false;
};

}  // namespace vuruzid::ui
