#pragma once

#include <QByteArrayView>
#include <QIcon>
#include <QImage>
#include <QString>

namespace vuruzid::skin {

// The skin's pictures, compiled into the program.
enum class Picture {
  FullBackground,     // JPEG 270 x 256
  CompactBackground,  // JPEG 270 x 106
  Emblem,             // JPEG 70 x 27
  WideButtonUp,       // BMP 44 x 19
  WideButtonPressed,  // BMP 44 x 19
  SmallButtonUp,      // BMP 22 x 19
  SmallButtonPressed, // BMP 22 x 19
  SignalOn,           // BMP 19 x 20
  SignalOff,          // BMP 19 x 20
  CheckingIndicator,  // BMP 18 x 24
  AppIcon,            // 32 x 32
  AboutPicture,       // 421 x 181, the About page's product picture
};

// The picture, or a null image when its data is damaged (never throws).
QImage Load(Picture picture);

// The picture's compiled-in resource path (":/skin/..."), for places that
// take a path, such as an HTML page shown in a text browser.
QString ResourcePath(Picture picture);

// The application icon for windows and the tray: the 32 x 32 picture and a
// larger one for trays that draw big icons. Needs a QGuiApplication.
QIcon ApplicationIcon();

// Decodes baseline JPEG bytes with libjpeg; any warning (such as a premature
// end of data) counts as an error. A null image, with the reason in `error`,
// on failure.
QImage DecodeJpeg(QByteArrayView bytes, QString* error = nullptr);

}  // namespace vuruzid::skin
