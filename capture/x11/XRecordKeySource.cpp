#include "capture/x11/XRecordKeySource.h"

// Qt before Xlib: Xlib's macros (Bool, None, KeyPress, ...) break Qt's headers.
#include <QCoreApplication>
#include <QMetaObject>
#include <QSocketNotifier>
#include <cstdlib>
#include <utility>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/record.h>

#include "capture/Session.h"
#include "capture/SocketNotifiers.h"
#include "capture/x11/ConnectionGuard.h"
#include "capture/x11/XkbKeyboard.h"

namespace vuruzid::capture::x11 {

struct RecordCallback {
  static void OnRecorded(XPointer closure, XRecordInterceptData* data) {
    auto* source = reinterpret_cast<XRecordKeySource*>(closure);
    if (data->category == XRecordFromServer && data->data != nullptr && data->data_len * 4 >= sizeof(xEvent)) {
      const auto* event = reinterpret_cast<const xEvent*>(data->data);
      const int type = event->u.u.type & 0x7f;
      if (type == KeyPress || type == KeyRelease)
        source->Record(event->u.u.detail, type == KeyPress, event->u.keyButtonPointer.state);
      else if (type == ButtonPress)
        source->RecordButton(event->u.u.detail);
    }
    XRecordFreeData(data);
  }
};

namespace {

std::string CannotStart(const std::string& reason) { return "Checking cannot start: " + reason; }

void CloseConnection(Display*& display) {
  if (display != nullptr) XCloseDisplay(display);
  display = nullptr;
}

}  // namespace

XRecordKeySource::XRecordKeySource(KeySink onKey, LostSink onLost)
    : onKey_(std::move(onKey)), onLost_(std::move(onLost)) {}

XRecordKeySource::~XRecordKeySource() {
  const XErrorTrap trap;
  Stop();
}

bool XRecordKeySource::Start(std::string* whyNot) {
  const XErrorTrap trap;
  auto fail = [&](const std::string& reason) {
    if (whyNot) *whyNot = CannotStart(reason);
    Stop();
    return false;
  };
  if (QCoreApplication::instance() == nullptr) return fail("the program's event loop is not running.");

  const char* displayName = std::getenv("DISPLAY");
  if (displayName == nullptr || *displayName == '\0')
    return fail("no X display is set (DISPLAY is empty), so no keys can be seen.");
  control_ = XOpenDisplay(nullptr);
  if (control_ == nullptr)
    return fail("the X display \"" + std::string(displayName) + "\" cannot be reached.");
  controlGuard_ = std::make_unique<ConnectionGuard>(control_);

  int opcode = 0, xkbError = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
  if (!XkbQueryExtension(control_, &opcode, &xkbEventBase_, &xkbError, &major, &minor))
    return fail("the X server has no keyboard extension (XKB), so keys cannot be told apart.");
  // Asked first without Xlib's own complaint on standard error about a missing extension.
  int recordOpcode = 0, recordEvent = 0, recordError = 0, recordMajor = 0, recordMinor = 0;
  if (!XQueryExtension(control_, "RECORD", &recordOpcode, &recordEvent, &recordError) ||
      !XRecordQueryVersion(control_, &recordMajor, &recordMinor))
    return fail("the X server does not offer the RECORD extension, which is needed to see the keys typed.");
  if (!ReadKeyboard()) return fail("the X server does not describe its keyboard.");

  // Follow layout and keycode-set changes; the map is read anew on each.
  constexpr unsigned kKeyboardChanges = XkbNewKeyboardNotifyMask | XkbNamesNotifyMask | XkbMapNotifyMask;
  XkbSelectEvents(control_, XkbUseCoreKbd, kKeyboardChanges, kKeyboardChanges);
  heldAtStart_ = HeldKeycodes(control_);
  keysDown_ = heldAtStart_;
  if (XkbStateRec state{}; XkbGetState(control_, XkbUseCoreKbd, &state) == Success)
    capsLockOn_ = (state.locked_mods & LockMask) != 0;

  XRecordRange* range = XRecordAllocRange();
  if (range == nullptr) return fail("the keystroke recording cannot be set up (out of memory).");
  // Keys, and pointer presses: a click moves the caret or the focus. Button
  // releases and pointer motion are left out, so nothing but what is wanted is sent.
  range->device_events.first = KeyPress;
  range->device_events.last = ButtonPress;
  XRecordClientSpec allClients = XRecordAllClients;
  const XRecordContext context = XRecordCreateContext(control_, 0, &allClients, 1, &range, 1);
  XFree(range);
  if (context == 0 || controlGuard_->TakeError() != 0 || controlGuard_->ConnectionLost())
    return fail("the X server refused to make a keystroke recording context.");
  context_ = context;

  data_ = XOpenDisplay(nullptr);
  if (data_ == nullptr) return fail("a second connection to the X display \"" + std::string(displayName) + "\" cannot be made.");
  dataGuard_ = std::make_unique<ConnectionGuard>(data_);
  if (!XRecordEnableContextAsync(data_, context, &RecordCallback::OnRecorded, reinterpret_cast<XPointer>(this)))
    return fail("the X server refused to start the keystroke recording.");
  XFlush(data_);

  dataNotifier_ = new QSocketNotifier(ConnectionNumber(data_), QSocketNotifier::Read);
  QObject::connect(dataNotifier_, &QSocketNotifier::activated, [this] { OnDataReadable(); });
  controlNotifier_ = new QSocketNotifier(ConnectionNumber(control_), QSocketNotifier::Read);
  QObject::connect(controlNotifier_, &QSocketNotifier::activated, [this] { OnControlReadable(); });
  // The round trips above may have read keyboard events that no notifier will announce.
  DrainControlEvents();
  return true;
}

std::string XRecordKeySource::SessionWarning() const {
  if (!InWaylandSession()) return {};
  return "This is a Wayland session: only keys typed into X11 applications can be checked; "
         "keys typed into other applications are not seen.";
}

bool XRecordKeySource::ReadKeyboard() {
  auto keyboard = ReadXkbKeyboard(control_);
  if (!keyboard) return false;
  keycodeMap_ = keyboard->keycodeMap;
  numLockMask_ = keyboard->numLockMask;
  altMask_ = keyboard->altMask;
  superMask_ = keyboard->superMask;
  modifierBits_ = keyboard->modifierBits;
  return true;
}

uint8_t XRecordKeySource::ModifiersOf(unsigned modifierState) const {
  const auto held = [modifierState](unsigned mask, ModifierBit bit) { return (modifierState & mask) != 0 ? bit : 0; };
  // The core state's Lock bit is Caps Lock's lock, set while it is on.
  return static_cast<uint8_t>(held(ControlMask, kControlHeld) | held(altMask_, kAltHeld) |
                              held(superMask_, kSuperHeld) | held(ShiftMask, kShiftHeld) |
                              held(LockMask, kCapsLockOn));
}

void XRecordKeySource::Record(uint8_t keycode, bool pressed, unsigned modifierState) {
  // The state is the one before this event, so it tells Num Lock's state, the
  // modifiers held and the keyboard group (layout) active for the key.
  const bool numLockOn = numLockMask_ != 0 && (modifierState & numLockMask_) != 0;
  const unsigned group = XkbGroupForCoreState(modifierState);
  FollowCapsLock(keycode, pressed, (modifierState & LockMask) != 0);
  keysDown_[keycode] = pressed;
  pending_.push_back({keycode, pressed, keycodeMap_.VirtualKey(keycode, numLockOn, group), ModifiersOf(modifierState),
                      keycodeMap_.ScriptOf(group)});
}

// Caps Lock's lock after this event, for the clicks that follow: a key's
// state tells it as it was before the key; the lock key itself locks as it
// goes down and, when it was on already, unlocks as it comes up.
void XRecordKeySource::FollowCapsLock(uint8_t keycode, bool pressed, bool lockedBefore) {
  if ((modifierBits_[keycode] & LockMask) == 0) {
    capsLockOn_ = lockedBefore;
  } else if (pressed) {
    if (!keysDown_[keycode]) unlocksOnRelease_ = lockedBefore;  // not a repeat
    capsLockOn_ = true;
  } else {
    capsLockOn_ = !unlocksOnRelease_;
  }
}

void XRecordKeySource::RecordButton(uint8_t button) {
  // Buttons 4 to 7 are the wheel's turns, which move no caret.
  if (button < Button1 || button > Button3) return;
  // The state a button event carries is unreliable: a press the window
  // manager's click-to-focus grab holds back is recorded as it came in, with
  // no state at all. The keys recorded before it tell the modifiers held.
  // Caps Lock's lock is as the last key found it.
  unsigned modifierState = capsLockOn_ ? LockMask : 0;
  for (unsigned keycode = 0; keycode < keysDown_.size(); ++keycode)
    if (keysDown_[keycode]) modifierState |= modifierBits_[keycode] & ~LockMask;
  pending_.push_back({button, true, 0, ModifiersOf(modifierState), KeyScript::Unknown, true});
}

void XRecordKeySource::OnDataReadable() {
  dispatch_.Run([this](const bool& alive) {
    {
      const XErrorTrap trap;
      XRecordProcessReplies(data_);
    }
    if (!ReportIfLost()) DeliverPending(alive);
  });
}

void XRecordKeySource::DeliverPending(const bool& alive) {
  std::vector<KeyEvent> keys;
  keys.swap(pending_);
  if (keys.empty() || !onKey_) return;
  // A copy runs the handler, so a handler that removes this source does not free itself mid-call.
  const KeySink onKey = onKey_;
  for (const KeyEvent& key : keys) {
    onKey(key);
    if (!alive || data_ == nullptr) return;  // the handler removed the capture: deliver no more
  }
}

void XRecordKeySource::OnControlReadable() {
  dispatch_.Run([this](const bool&) {
    const XErrorTrap trap;
    DrainControlEvents();
  });
}

void XRecordKeySource::DrainControlEvents() {
  if (ReportIfLost()) return;
  bool keyboardChanged = false;
  while (XPending(control_) > 0) {
    XEvent event;
    XNextEvent(control_, &event);
    if (event.type == xkbEventBase_) keyboardChanged = true;
  }
  if (ReportIfLost()) return;
  if (keyboardChanged) {
    ReadKeyboard();
    // Reading the keyboard is a round trip, which can bring in further events.
    DrainControlEvents();
  }
}

bool XRecordKeySource::ReportIfLost() {
  const bool lost = (controlGuard_ && controlGuard_->ConnectionLost()) || (dataGuard_ && dataGuard_->ConnectionLost());
  if (!lost) return false;
  if (!lostReported_) {
    lostReported_ = true;
    if (dataNotifier_) dataNotifier_->setEnabled(false);
    if (controlNotifier_) controlNotifier_->setEnabled(false);
    // Told from the event loop: the handler may well remove this source. The
    // handler is moved out first, so removing the source (and with it onLost_)
    // does not free the handler while it runs; it is told only once anyway.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [this, alive = dispatch_.Watch()] {
          const auto stillAlive = alive.lock();
          if (!stillAlive || !*stillAlive || !onLost_) return;
          const LostSink onLost = std::exchange(onLost_, nullptr);
          onLost("Checking has stopped: the connection to the X display was lost.");
        },
        Qt::QueuedConnection);
  }
  return true;
}

void XRecordKeySource::Stop() {
  const bool insideSignal = dispatch_.InsideDispatch();
  DisposeNotifier(dataNotifier_, insideSignal);
  DisposeNotifier(controlNotifier_, insideSignal);
  if (context_ != 0 && control_ != nullptr && !controlGuard_->ConnectionLost()) {
    XRecordDisableContext(control_, context_);
    XRecordFreeContext(control_, context_);
    XSync(control_, False);
  }
  context_ = 0;
  pending_.clear();
  // The guards outlive their connections: closing a dead one still reports to them.
  CloseConnection(data_);
  dataGuard_.reset();
  CloseConnection(control_);
  controlGuard_.reset();
}

}  // namespace vuruzid::capture::x11
