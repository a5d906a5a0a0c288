#pragma once

class QObject;
class QWidget;

namespace vuruzid::ui {

// Shows a top-level window un-minimized, raised and active.
void ShowInFront(QWidget* window);

// A modal window left minimized blocks the windows under it with no way back
// to it: none of them can be used, and the dialogs have no task-bar entry.
// From this call on, a modal window that the window system minimizes is shown
// again straight away. The watch ends with `owner`.
void KeepModalWindowsUnminimized(QObject* owner);

}  // namespace vuruzid::ui
