#include "ui/ImageButton.h"

#include <QContextMenuEvent>
#include <QMouseEvent>

namespace vuruzid::ui {

Hotspot::Hotspot(QWidget* parent, const char* name, QRect geometry, const QString& toolTip) : QWidget(parent) {
  setObjectName(QString::fromLatin1(name));
  setGeometry(geometry);
  setCursor(Qt::PointingHandCursor);
  if (!toolTip.isEmpty()) setToolTip(toolTip);
}

void Hotspot::mousePressEvent(QMouseEvent* event) {
  event->accept();
  emit pressed();
}

void Hotspot::mouseDoubleClickEvent(QMouseEvent* event) {
  event->accept();
  emit pressed();
}

void Hotspot::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  emit released();
}

void Hotspot::contextMenuEvent(QContextMenuEvent* event) { event->accept(); }

void BindImageButton(const ImageButton& button, std::function<void()> action) {
  QLabel* up = button.upPicture;
  QObject::connect(button.hotspot, &Hotspot::pressed, up, [up] { up->hide(); });
  QObject::connect(button.hotspot, &Hotspot::released, up, [up, action = std::move(action)] {
    up->show();
    action();
  });
}

}  // namespace vuruzid::ui
