#pragma once

#include <QRegion>
#include <QString>
#include <QStringList>

namespace vuruzid::testing {

// Looks at windows the way the X server and the window manager see them,
// through a connection of its own.
class X11Probe {
 public:
  X11Probe();  // throws when no X server can be reached
  ~X11Probe();
  X11Probe(const X11Probe&) = delete;
  X11Probe& operator=(const X11Probe&) = delete;

  // The window's bounding shape; an empty region when it is not shaped.
  QRegion Shape(unsigned long window) const;
  // The atoms of the window's _NET_WM_STATE, by name.
  QStringList NetWmState(unsigned long window) const;
  // WM_STATE: 0 withdrawn, 1 normal, 3 iconic; -1 when the property is missing.
  int WmState(unsigned long window) const;
  bool Viewable(unsigned long window) const;
  // Presses and releases the key that types `keysym` (XTest), and waits
  // until the server has handled it.
  void TypeKeysym(unsigned long keysym) const;
  // Bells rung on the server since this probe was made (XKB bell notifications).
  int BellsRung() const;

 private:
  struct Connection;
  Connection* connection_;
};

// Runs xdotool with the arguments while the application keeps handling its
// events; true when it succeeded.
bool RunXdotool(const QStringList& arguments);

}  // namespace vuruzid::testing
