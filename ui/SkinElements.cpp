#include "ui/SkinElements.h"

#include "ui/Fonts.h"

#include <QMouseEvent>
#include <QPixmap>

namespace vuruzid::ui {
namespace {

void ShowPicture(QLabel* label, skin::Picture picture) {
  const QImage image = skin::Load(picture);
  if (!image.isNull()) label->setPixmap(QPixmap::fromImage(image));
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void Name(QWidget* widget, const char* name) { widget->setObjectName(QString::fromLatin1(name)); }

}  // namespace

QLabel* MakePicture(QWidget* parent, const char* name, skin::Picture picture, QRect geometry) {
  auto* label = new QLabel(parent);
  Name(label, name);
  ShowPicture(label, picture);
  label->setGeometry(geometry);
  return label;
}

QLabel* MakeText(QWidget* parent, const char* name, const QString& text, QPoint at, QRgb colour, bool bold,
                 int pixelHeight) {
  auto* label = new QLabel(text, parent);
  Name(label, name);
  label->setFont(SansFont(pixelHeight, bold));
  label->setContentsMargins(0, 0, 0, 0);
  label->setTextFormat(Qt::PlainText);
  SetTextColour(label, colour);
  label->move(at);
  label->adjustSize();
  return label;
}

void SetTextColour(QLabel* label, QRgb colour) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, QColor::fromRgb(colour));
  label->setPalette(palette);
}

BackgroundPicture::BackgroundPicture(QWidget* parent, const char* name, skin::Picture picture, QSize size)
    : QLabel(parent) {
  Name(this, name);
  ShowPicture(this, picture);
  setGeometry(QRect(QPoint(0, 0), size));
}

void BackgroundPicture::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() == Qt::LeftButton) emit pressed(event->globalPosition().toPoint());
}

void BackgroundPicture::mouseMoveEvent(QMouseEvent* event) {
  event->accept();
  if (event->buttons().testFlag(Qt::LeftButton)) emit dragged(event->globalPosition().toPoint());
}

void BackgroundPicture::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  emit released();
}

ClickablePicture::ClickablePicture(QWidget* parent, const char* name, skin::Picture picture, QPoint at)
    : QLabel(parent) {
  Name(this, name);
  ShowPicture(this, picture);
  setGeometry(QRect(at, QSize(19, 20)));
  setCursor(Qt::PointingHandCursor);
}

void ClickablePicture::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() == Qt::LeftButton) leftPressed_ = true;
}

void ClickablePicture::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton || !leftPressed_) return;
  leftPressed_ = false;
  if (rect().contains(event->position().toPoint())) emit clicked();
}

}  // namespace vuruzid::ui
