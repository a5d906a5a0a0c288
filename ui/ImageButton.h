#pragma once

#include <QLabel>
#include <QWidget>
#include <functional>

namespace vuruzid::ui {

// The clickable part of an image button: a transparent area slightly inset
// into the button, with the hand cursor. Any mouse button counts; the press
// grabs the mouse, so the release comes back here wherever the pointer went.
// A double click counts as a second press.
class Hotspot : public QWidget {
  Q_OBJECT
 public:
  Hotspot(QWidget* parent, const char* name, QRect geometry, const QString& toolTip = {});

 signals:
  void pressed();
  void released();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  // A button acts on any mouse button: a right click on it is no request for the window's menu.
  void contextMenuEvent(QContextMenuEvent* event) override;
};

// The four stacked elements of an image button.
struct ImageButton {
  QLabel* pressedPicture = nullptr;
  QLabel* upPicture = nullptr;
  QLabel* caption = nullptr;
  Hotspot* hotspot = nullptr;
};

// Press hides the up picture, so the pressed one shows; release shows the up
// picture again and then runs `action` (so a dialog it opens finds the button
// already released).
void BindImageButton(const ImageButton& button, std::function<void()> action);

}  // namespace vuruzid::ui
