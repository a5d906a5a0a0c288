#include "capture/atspi/FocusWatcher.h"

#include "platform/Environment.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>

#include <atspi/atspi.h>
#include <dbus/dbus.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <utility>

namespace vuruzid::capture::atspi {
namespace {

constexpr const char* kFocusEvent = "object:state-changed:focused";
constexpr const char* kApplicationPath = "/org/a11y/atspi/accessible/root";
constexpr const char* kCannot = "Password fields cannot be recognised: ";

// Each call to an application waits this long at most: a busy application
// answers well within it, and one that hangs holds up the keys only briefly.
constexpr int kCallTimeoutMs = 300;
// Only while starting: the session bus may first have to start at-spi2-core's
// bus launcher, and the accessibility bus its registry daemon.
constexpr int kStartupTimeoutMs = 3000;

// libatspi keeps its connection in global state that cannot be taken down and
// set up again in one process (after atspi_exit, atspi_init keeps objects tied
// to the closed connection: warnings, and events delivered twice), so the
// connection is made once and kept; watchers only register and deregister
// their listeners. All of it lives on the main thread.
DBusConnection* accessibilityBus = nullptr;

std::string Take(DBusError& error) {
  std::string message = error.message != nullptr ? error.message : "no answer";
  dbus_error_free(&error);
  return message;
}

// The session bus as libdbus finds it, but never one it would launch: for an X
// display without a session bus, libdbus starts a bus of its own.
std::string SessionBusAddress() {
  if (std::string address = platform::EnvironmentValue("DBUS_SESSION_BUS_ADDRESS"); !address.empty()) return address;
  const std::string runtime = platform::EnvironmentValue("XDG_RUNTIME_DIR");
  if (runtime.empty()) return {};
  const std::string socket = runtime + "/bus";
  struct stat info {};
  if (stat(socket.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode) || info.st_uid != getuid()) return {};
  char* escaped = dbus_address_escape_value(socket.c_str());
  std::string address = std::string("unix:path=") + (escaped != nullptr ? escaped : "");
  dbus_free(escaped);
  return address;
}

// Waits for the answer itself, with a time limit: libdbus's own blocking call
// waits without end for a bus that takes the connection but never answers.
bool Call(DBusConnection* bus, const char* service, const char* path, const char* interface, const char* method,
          std::chrono::steady_clock::time_point deadline, std::string* whyNot) {
  DBusMessage* call = dbus_message_new_method_call(service, path, interface, method);
  DBusPendingCall* pending = nullptr;
  const bool sent = call != nullptr && dbus_connection_send_with_reply(bus, call, &pending, kStartupTimeoutMs) &&
                    pending != nullptr;
  if (call != nullptr) dbus_message_unref(call);
  if (!sent) {
    *whyNot = "it cannot be asked";
    return false;
  }
  bool connected = true;
  while (connected && !dbus_pending_call_get_completed(pending)) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    connected = dbus_connection_read_write_dispatch(bus, static_cast<int>(left.count()));
  }
  DBusMessage* reply = dbus_pending_call_get_completed(pending) ? dbus_pending_call_steal_reply(pending) : nullptr;
  dbus_pending_call_cancel(pending);
  dbus_pending_call_unref(pending);
  DBusError error;
  dbus_error_init(&error);
  const bool answered = reply != nullptr && !dbus_set_error_from_message(&error, reply);
  if (reply != nullptr) dbus_message_unref(reply);
  if (!answered)
    *whyNot = dbus_error_is_set(&error) ? Take(error) : connected ? "no answer in time" : "it closed the connection";
  dbus_error_free(&error);
  return answered;
}

// Asks the session bus for the accessibility bus, as libatspi is about to do
// without a time limit of its own, so that neither a missing nor a hung bus can
// hold up or end the program.
bool SessionBusKnowsAccessibilityBus(std::string* whyNot) {
  const std::string address = SessionBusAddress();
  if (address.empty()) {
    *whyNot = std::string(kCannot) + "there is no session bus (DBUS_SESSION_BUS_ADDRESS is not set).";
    return false;
  }
  DBusError error;
  dbus_error_init(&error);
  DBusConnection* bus = dbus_connection_open_private(address.c_str(), &error);
  if (bus == nullptr) {
    *whyNot = std::string(kCannot) + "the session bus cannot be reached (" + Take(error) + ").";
    return false;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartupTimeoutMs);
  std::string why;
  bool known = Call(bus, DBUS_SERVICE_DBUS, DBUS_PATH_DBUS, DBUS_INTERFACE_DBUS, "Hello", deadline, &why);
  if (!known)
    *whyNot = std::string(kCannot) + "the session bus does not answer (" + why + ").";
  else if (!(known = Call(bus, "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", deadline, &why)))
    *whyNot = std::string(kCannot) + "the session bus knows no accessibility bus (" + why +
              "); is at-spi2-core installed?";
  dbus_connection_close(bus);
  dbus_connection_unref(bus);
  return known;
}

// libatspi's connection is served by GLib's main context, which Qt's event
// loop runs on the main thread unless Qt was built or started without GLib
// (QT_NO_GLIB).
bool QtRunsGlib(std::string* whyNot) {
  const QCoreApplication* application = QCoreApplication::instance();
  if (application == nullptr || application->thread() != QThread::currentThread()) {
    *whyNot = std::string(kCannot) + "the watch must start on the main thread of a running program.";
    return false;
  }
  const QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  if (dispatcher == nullptr || !dispatcher->inherits("QEventDispatcherGlib")) {
    *whyNot = std::string(kCannot) + "the program's event loop does not run GLib (is QT_NO_GLIB set?).";
    return false;
  }
  return true;
}

bool ConnectAccessibilityBus(std::string* whyNot) {
  if (accessibilityBus != nullptr) return true;
  if (!QtRunsGlib(whyNot) || !SessionBusKnowsAccessibilityBus(whyNot)) return false;
  // Fails (2) without a connection, and then must be undone: every later call
  // of libatspi would end the program, and a later start could not retry.
  if (atspi_init() > 1) {
    atspi_exit();
    *whyNot = std::string(kCannot) + "the accessibility bus cannot be reached.";
    return false;
  }
  DBusConnection* bus = atspi_get_a11y_bus();
  if (bus == nullptr) {
    *whyNot = std::string(kCannot) + "the accessibility bus cannot be reached.";
    return false;
  }
  accessibilityBus = dbus_connection_ref(bus);
  // Startup allowances off: an application just started gets no longer than
  // any other.
  atspi_set_timeout(kCallTimeoutMs, -1);
  return true;
}

}  // namespace

// What libatspi and libdbus call back into. It outlives its watcher when the
// watcher stops from inside one of these calls: libatspi walks its listeners
// while calling them, so the listener leaves only after the call.
struct FocusWatcher::Relay {
  FocusWatcher* watcher;
  AtspiEventListener* listener = nullptr;
  int calling = 0;  // calls into the watcher now running

  static void OnEvent(AtspiEvent* event, void* data);
  static DBusHandlerResult OnBusMessage(DBusConnection* bus, DBusMessage* message, void* data);
  static gboolean Release(void* data);
};

void FocusWatcher::Relay::OnEvent(AtspiEvent* event, void* data) {
  auto* relay = static_cast<Relay*>(data);
  AtspiAccessible* source = event->source;
  if (relay->watcher != nullptr && source != nullptr && source->parent.app != nullptr &&
      source->parent.app->bus_name != nullptr && source->parent.path != nullptr) {
    ++relay->calling;
    relay->watcher->OnFocused({source->parent.app->bus_name, source->parent.path}, event->detail1 != 0, source);
    --relay->calling;
  }
  g_boxed_free(ATSPI_TYPE_EVENT, event);
}

// Applications leave the bus without losing the focus first.
DBusHandlerResult FocusWatcher::Relay::OnBusMessage(DBusConnection* /*bus*/, DBusMessage* message, void* data) {
  auto* relay = static_cast<Relay*>(data);
  const char *name = nullptr, *oldOwner = nullptr, *newOwner = nullptr;
  if (relay->watcher != nullptr && dbus_message_is_signal(message, DBUS_INTERFACE_DBUS, "NameOwnerChanged") &&
      dbus_message_get_args(message, nullptr, DBUS_TYPE_STRING, &name, DBUS_TYPE_STRING, &oldOwner, DBUS_TYPE_STRING,
                            &newOwner, DBUS_TYPE_INVALID) &&
      *newOwner == '\0') {
    ++relay->calling;
    relay->watcher->OnApplicationGone(name);
    --relay->calling;
  }
  return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;  // libatspi follows them too
}

gboolean FocusWatcher::Relay::Release(void* data) {
  auto* relay = static_cast<Relay*>(data);
  dbus_connection_remove_filter(accessibilityBus, &OnBusMessage, relay);
  GError* error = nullptr;
  // Tells the registry too, so applications stop sending focus changes that
  // nobody follows; a registry that does not answer changes nothing here.
  atspi_event_listener_deregister(relay->listener, kFocusEvent, &error);
  g_clear_error(&error);
  g_object_unref(relay->listener);
  delete relay;
  return G_SOURCE_REMOVE;
}

FocusWatcher::FocusWatcher(FocusSink onFocusChanged) : onFocusChanged_(std::move(onFocusChanged)) {}

FocusWatcher::~FocusWatcher() { Stop(); }

bool FocusWatcher::Start(std::string* whyNot) {
  if (relay_ != nullptr) return true;
  std::string why;
  if (!ConnectAccessibilityBus(&why)) {
    if (whyNot != nullptr) *whyNot = why;
    return false;
  }
  auto relay = std::make_unique<Relay>(Relay{this});
  relay->listener = atspi_event_listener_new(&Relay::OnEvent, relay.get(), nullptr);
  dbus_connection_add_filter(accessibilityBus, &Relay::OnBusMessage, relay.get(), nullptr);
  GError* error = nullptr;
  atspi_set_timeout(kStartupTimeoutMs, -1);
  atspi_event_listener_register(relay->listener, kFocusEvent, &error);
  atspi_set_timeout(kCallTimeoutMs, -1);
  if (error != nullptr) {
    if (whyNot != nullptr)
      *whyNot = std::string(kCannot) + "the accessibility registry does not answer (" + error->message + ").";
    g_error_free(error);
    Relay::Release(relay.release());
    return false;
  }
  relay_ = relay.release();
  return true;
}

void FocusWatcher::Stop() {
  if (relay_ == nullptr) return;
  relay_->watcher = nullptr;
  if (relay_->calling > 0)
    g_idle_add(&Relay::Release, relay_);
  else
    Relay::Release(relay_);
  relay_ = nullptr;
  current_ = {};
  passwordObject_ = {};
  focusedBusName_.clear();
  applications_.clear();
}

void FocusWatcher::OnFocused(const Object& object, bool gained, AtspiAccessible* source) {
  if (!gained) {
    if (current_.passwordField && object == passwordObject_) {
      passwordObject_ = {};
      Report({false, current_.application});
    }
    return;
  }
  const Application& application = Known(object.busName, source);
  if (application.ours) return;
  GError* error = nullptr;
  const AtspiRole role = atspi_accessible_get_role(source, &error);
  // An object that does not say what it is counts as a password entry:
  // showing a password is worse than missing a word.
  const bool password = error != nullptr || role == ATSPI_ROLE_PASSWORD_TEXT;
  g_clear_error(&error);
  passwordObject_ = password ? object : Object{};
  focusedBusName_ = object.busName;
  Report({password, application.name});
}

void FocusWatcher::OnApplicationGone(const std::string& busName) {
  applications_.erase(busName);
  if (busName != focusedBusName_) return;
  focusedBusName_.clear();
  passwordObject_ = {};
  Report({});
}

// Asked once per application. This program's own windows answer on this very
// thread, which is busy waiting for the answer, so their objects are never
// asked about (they speak on the bus when something has switched
// accessibility on, a screen reader for one).
const FocusWatcher::Application& FocusWatcher::Known(const std::string& busName, AtspiAccessible* source) {
  Application& application = applications_[busName];
  if (application.named) return application;
  GError* error = nullptr;
  if (!application.ours) {
    // The bus daemon answers this, not the application.
    application.ours = atspi_accessible_get_process_id(source, &error) == static_cast<guint>(getpid());
    g_clear_error(&error);
    if (application.ours) return application;
  }
  AtspiAccessible* root = atspi_accessible_get_application(source, &error);
  gchar* name = nullptr;
  // The walk up ends early, at the object itself, when a parent cannot be asked.
  if (root != nullptr && error == nullptr && root->parent.path != nullptr &&
      std::strcmp(root->parent.path, kApplicationPath) == 0)
    name = atspi_accessible_get_name(root, &error);
  application.named = error == nullptr && name != nullptr;
  application.name = application.named ? name : "";
  g_clear_error(&error);
  g_free(name);
  if (root != nullptr) g_object_unref(root);
  return application;
}

void FocusWatcher::Report(const Focus& focus) {
  if (focus == current_) return;
  current_ = focus;
  // Copies: the callback may stop or destroy this watcher.
  const Focus reported = current_;
  const FocusSink sink = onFocusChanged_;
  if (sink) sink(reported);
}

}  // namespace vuruzid::capture::atspi
