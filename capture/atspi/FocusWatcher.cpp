#include "capture/atspi/FocusWatcher.h"

#include "platform/dbus/BusAddress.h"
#include "platform/dbus/BusAnswers.h"
#include "platform/dbus/CallWithin.h"
#include "platform/dbus/Connection.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>

#include <atspi/atspi.h>
#include <dbus/dbus.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>
#include <utility>

namespace vuruzid::capture::atspi {
namespace {

constexpr const char* kFocusEvent = "object:state-changed:focused";
constexpr const char* kActivateEvent = "window:activate";
constexpr const char* kDeactivateEvent = "window:deactivate";
constexpr const char* kEvents[] = {kFocusEvent, kActivateEvent, kDeactivateEvent};
constexpr const char* kApplicationPath = "/org/a11y/atspi/accessible/root";
constexpr const char* kCannot = "Password fields cannot be recognised: ";

// Each call to an application waits this long at most: a busy application
// answers well within it, and one that hangs holds up the keys only briefly.
constexpr int kCallTimeoutMs = 300;
// Only while starting: the session bus may first have to start at-spi2-core's
// bus launcher, and the accessibility bus its registry daemon.
constexpr int kStartupTimeoutMs = 3000;
// The whole look-up of the focus at the start, however many applications run.
constexpr auto kLookUpBudget = std::chrono::milliseconds(1500);
// An application whose name could not be had is not asked again before this.
constexpr auto kFailedLookupKept = std::chrono::seconds(30);
// A new connection on the bus may not have its accessible root yet: its
// toolkit is asked again after each of these pauses.
constexpr int kToolkitRetryMs[] = {0, 500, 1500, 3000};

// libatspi keeps its connection in global state that cannot be taken down and
// set up again in one process (after atspi_exit, atspi_init keeps objects tied
// to the closed connection: warnings, and events delivered twice), so the
// connection is made once and kept; watchers only register and deregister
// their listeners. All of it lives on the main thread.
DBusConnection* accessibilityBus = nullptr;

// One call within the deadline; its answer's string, if it has one, in `answer`.
bool Call(DBusConnection* bus, const char* service, const char* path, const char* interface, const char* method,
          std::chrono::steady_clock::time_point deadline, std::string* whyNot, std::string* answer = nullptr) {
  const platform::dbus::Message call(dbus_message_new_method_call(service, path, interface, method));
  const platform::dbus::Message reply = platform::dbus::CallWithin(bus, call.get(), deadline, whyNot);
  const char* text = nullptr;
  if (reply != nullptr && answer != nullptr &&
      dbus_message_get_args(reply.get(), nullptr, DBUS_TYPE_STRING, &text, DBUS_TYPE_INVALID) && text != nullptr)
    *answer = text;
  return reply != nullptr;
}

// Asks the session bus for the accessibility bus and says Hello there, as
// libatspi is about to do without a time limit of its own, so that neither a
// missing nor a hung bus can hold up or end the program.
bool SessionBusKnowsAccessibilityBus(std::string* whyNot) {
  const std::string address = platform::dbus::SessionBusAddress();
  if (address.empty()) {
    *whyNot = std::string(kCannot) + "there is no session bus (DBUS_SESSION_BUS_ADDRESS is not set).";
    return false;
  }
  std::string why, accessibilityAddress;
  const platform::dbus::Connection bus = platform::dbus::OpenPrivate(address, &why);
  if (bus == nullptr) {
    *whyNot = std::string(kCannot) + "the session bus cannot be reached (" + why + ").";
    return false;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartupTimeoutMs);
  bool known = platform::dbus::SayHello(bus.get(), deadline, &why);
  if (!known)
    *whyNot = std::string(kCannot) + "the session bus does not answer (" + why + ").";
  else if (!(known = Call(bus.get(), "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", deadline, &why,
                          &accessibilityAddress)))
    *whyNot = std::string(kCannot) + "the session bus knows no accessibility bus (" + why +
              "); is at-spi2-core installed?";
  else if (!(known = platform::dbus::BusAnswers(accessibilityAddress, deadline, &why)))
    *whyNot = std::string(kCannot) + "the accessibility bus does not answer (" + why + ").";
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

// Watchers by id, for answers and timers that arrive after their watcher is gone.
std::unordered_map<uint64_t, FocusWatcher*>& LiveWatchers() {
  static std::unordered_map<uint64_t, FocusWatcher*> watchers;
  return watchers;
}

uint64_t NextWatcherId() {
  static uint64_t last = 0;
  return ++last;
}

// One question to an application about its toolkit, or the pause before it.
struct ToolkitQuestion {
  uint64_t watcher;
  std::string busName;
};

bool IsConnectionName(const char* name) { return name != nullptr && name[0] == ':'; }

bool HasState(AtspiAccessible* object, AtspiStateType state) {
  AtspiStateSet* states = atspi_accessible_get_state_set(object);
  const bool has = states != nullptr && atspi_state_set_contains(states, state);
  if (states != nullptr) g_object_unref(states);
  return has;
}

// The focused object inside `window`: asked of the application in one
// question where it offers the collection interface, else found by a short
// walk over the objects it shows (a focused object lies on a path of showing
// ones). Owned by the caller; nothing when none is focused or time ran out.
AtspiAccessible* FocusedInside(AtspiAccessible* window, std::chrono::steady_clock::time_point deadline) {
  if (AtspiCollection* collection = atspi_accessible_get_collection_iface(window); collection != nullptr) {
    AtspiStateSet* focused = atspi_state_set_new(nullptr);
    atspi_state_set_add(focused, ATSPI_STATE_FOCUSED);
    AtspiMatchRule* rule =
        atspi_match_rule_new(focused, ATSPI_Collection_MATCH_ALL, nullptr, ATSPI_Collection_MATCH_NONE, nullptr,
                             ATSPI_Collection_MATCH_NONE, nullptr, ATSPI_Collection_MATCH_NONE, FALSE);
    GError* error = nullptr;
    GArray* matches =
        atspi_collection_get_matches(collection, rule, ATSPI_Collection_SORT_ORDER_CANONICAL, 1, TRUE, &error);
    AtspiAccessible* found = nullptr;
    if (matches != nullptr && matches->len > 0) found = g_object_ref(g_array_index(matches, AtspiAccessible*, 0));
    if (matches != nullptr) {
      for (guint i = 0; i < matches->len; ++i) g_object_unref(g_array_index(matches, AtspiAccessible*, i));
      g_array_free(matches, TRUE);
    }
    const bool answered = error == nullptr;
    g_clear_error(&error);
    g_object_unref(rule);
    g_object_unref(focused);
    g_object_unref(collection);
    if (answered) return found;
  }
  // Breadth first, over showing objects only, with a bound on the objects asked.
  constexpr int kMostObjects = 400;
  std::vector<AtspiAccessible*> queue{g_object_ref(window)};
  AtspiAccessible* found = nullptr;
  for (size_t next = 0; next < queue.size() && found == nullptr; ++next) {
    AtspiAccessible* object = queue[next];
    if (std::chrono::steady_clock::now() > deadline || static_cast<int>(queue.size()) > kMostObjects) break;
    if (next > 0 && HasState(object, ATSPI_STATE_FOCUSED)) {
      found = g_object_ref(object);
      break;
    }
    GError* error = nullptr;
    const gint children = atspi_accessible_get_child_count(object, &error);
    g_clear_error(&error);
    for (gint i = 0; i < children && static_cast<int>(queue.size()) <= kMostObjects; ++i) {
      AtspiAccessible* child = atspi_accessible_get_child_at_index(object, i, &error);
      g_clear_error(&error);
      if (child == nullptr) continue;
      if (HasState(child, ATSPI_STATE_SHOWING))
        queue.push_back(child);
      else
        g_object_unref(child);
    }
  }
  for (AtspiAccessible* object : queue) g_object_unref(object);
  return found;
}

bool IsPasswordEntry(AtspiAccessible* object) {
  GError* error = nullptr;
  const AtspiRole role = atspi_accessible_get_role(object, &error);
  // An object that does not say what it is counts as a password entry:
  // showing a password is worse than missing a word.
  const bool password = error != nullptr || role == ATSPI_ROLE_PASSWORD_TEXT;
  g_clear_error(&error);
  return password;
}

// Calls `visit(application, busName)` for each application on the desktop,
// until it returns true; the application is the caller's only during the call.
template <typename Visit>
void ForEachApplication(Visit visit) {
  AtspiAccessible* desktop = atspi_get_desktop(0);
  if (desktop == nullptr) return;
  const gint count = atspi_accessible_get_child_count(desktop, nullptr);
  bool done = false;
  for (gint i = 0; i < count && !done; ++i) {
    AtspiAccessible* application = atspi_accessible_get_child_at_index(desktop, i, nullptr);
    if (application == nullptr) continue;
    if (application->parent.app != nullptr && application->parent.app->bus_name != nullptr)
      done = visit(application, std::string(application->parent.app->bus_name));
    g_object_unref(application);
  }
  g_object_unref(desktop);
}

// The application's window that is active, owned by the caller; nothing when
// none is, or time ran out.
AtspiAccessible* ActiveWindowOf(AtspiAccessible* application, std::chrono::steady_clock::time_point deadline) {
  GError* error = nullptr;
  const gint windows = atspi_accessible_get_child_count(application, &error);
  g_clear_error(&error);
  for (gint w = 0; w < windows && std::chrono::steady_clock::now() < deadline; ++w) {
    AtspiAccessible* candidate = atspi_accessible_get_child_at_index(application, w, &error);
    g_clear_error(&error);
    if (candidate == nullptr) continue;
    if (HasState(candidate, ATSPI_STATE_ACTIVE)) return candidate;
    g_object_unref(candidate);
  }
  return nullptr;
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
      source->parent.app->bus_name != nullptr && source->parent.path != nullptr && event->type != nullptr) {
    const Object object{source->parent.app->bus_name, source->parent.path};
    ++relay->calling;
    if (std::strcmp(event->type, kActivateEvent) == 0 || std::strcmp(event->type, kDeactivateEvent) == 0)
      relay->watcher->OnWindow(object, std::strcmp(event->type, kActivateEvent) == 0, source);
    else
      relay->watcher->OnFocused(object, event->detail1 != 0, source);
    --relay->calling;
  }
  g_boxed_free(ATSPI_TYPE_EVENT, event);
}

// Applications join and leave the bus; they leave without losing the focus first.
DBusHandlerResult FocusWatcher::Relay::OnBusMessage(DBusConnection* /*bus*/, DBusMessage* message, void* data) {
  auto* relay = static_cast<Relay*>(data);
  const char *name = nullptr, *oldOwner = nullptr, *newOwner = nullptr;
  if (relay->watcher != nullptr && dbus_message_is_signal(message, DBUS_INTERFACE_DBUS, "NameOwnerChanged") &&
      dbus_message_get_args(message, nullptr, DBUS_TYPE_STRING, &name, DBUS_TYPE_STRING, &oldOwner, DBUS_TYPE_STRING,
                            &newOwner, DBUS_TYPE_INVALID) &&
      IsConnectionName(name)) {
    ++relay->calling;
    if (*newOwner == '\0')
      relay->watcher->OnApplicationGone(name);
    else if (*oldOwner == '\0')
      relay->watcher->OnApplicationAppeared(name);
    --relay->calling;
  }
  return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;  // libatspi follows them too
}

gboolean FocusWatcher::Relay::Release(void* data) {
  auto* relay = static_cast<Relay*>(data);
  dbus_connection_remove_filter(accessibilityBus, &OnBusMessage, relay);
  // Tells the registry too, so applications stop sending events that nobody
  // follows; a registry that does not answer changes nothing here.
  for (const char* event : kEvents) {
    GError* error = nullptr;
    atspi_event_listener_deregister(relay->listener, event, &error);
    g_clear_error(&error);
  }
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
  for (const char* event : kEvents)
    if (error == nullptr) atspi_event_listener_register(relay->listener, event, &error);
  atspi_set_timeout(kCallTimeoutMs, -1);
  if (error != nullptr) {
    if (whyNot != nullptr)
      *whyNot = std::string(kCannot) + "the accessibility registry does not answer (" + error->message + ").";
    g_error_free(error);
    Relay::Release(relay.release());
    return false;
  }
  relay_ = relay.release();
  id_ = NextWatcherId();
  LiveWatchers()[id_] = this;
  // The applications already running: browsers among them are asked to show their pages.
  ForEachApplication([this](AtspiAccessible*, const std::string& busName) {
    OnApplicationAppeared(busName);
    return false;
  });
  return true;
}

void FocusWatcher::Stop() {
  if (relay_ == nullptr) return;
  LiveWatchers().erase(id_);
  relay_->watcher = nullptr;
  if (relay_->calling > 0)
    g_idle_add(&Relay::Release, relay_);
  else
    Relay::Release(relay_);
  relay_ = nullptr;
  current_ = {};
  pingOutstanding_ = false;
  passwordObject_ = {};
  activeWindow_ = {};
  focusedBusName_.clear();
  applications_.clear();
}

void FocusWatcher::OnFocused(const Object& object, bool gained, AtspiAccessible* source) {
  if (!gained) {
    if (current_.passwordField && object == passwordObject_) {
      passwordObject_ = {};
      Focus focus = current_;
      focus.passwordField = false;
      Report(focus);
    }
    return;
  }
  const Application& application = Known(object.busName, source);
  if (application.ours) return;
  const bool password = IsPasswordEntry(source);
  passwordObject_ = password ? object : Object{};
  focusedBusName_ = object.busName;
  Focus focus = current_;
  focus.passwordField = password;
  focus.application = application.name;
  focus.pid = application.pid;
  focus.lookedUp = true;
  ++focus.moves;
  // Whatever gains the focus is in the window that has the keyboard.
  if (!focus.windowKnown || activeWindow_.busName != object.busName) {
    activeWindow_ = {object.busName, {}};
    focus.windowKnown = true;
    focus.windowApplication = application.name;
    focus.windowPid = application.pid;
  }
  Report(focus);
}

void FocusWatcher::OnWindow(const Object& object, bool activated, AtspiAccessible* source) {
  const Application& application = Known(object.busName, source);
  if (application.ours) return;
  Focus focus = current_;
  if (activated) {
    activeWindow_ = object;
    focus.windowKnown = true;
    focus.windowApplication = application.name;
    focus.windowPid = application.pid;
  } else if (activeWindow_.busName == object.busName &&
             (activeWindow_.path.empty() || activeWindow_.path == object.path)) {
    ForgetWindow(focus);  // left, and nothing accessible has said it took over (yet)
  }
  Report(focus);
}

void FocusWatcher::ForgetWindow(Focus& focus) {
  activeWindow_ = {};
  focus.windowKnown = false;
  focus.windowApplication.clear();
  focus.windowPid = 0;
}

void FocusWatcher::OnApplicationGone(const std::string& busName) {
  applications_.erase(busName);
  Focus focus = current_;
  if (busName == activeWindow_.busName) ForgetWindow(focus);
  if (busName == focusedBusName_) {
    focusedBusName_.clear();
    passwordObject_ = {};
    focus.passwordField = false;
    focus.application.clear();
    focus.pid = 0;
  }
  Report(focus);
}

void FocusWatcher::OnApplicationAppeared(const std::string& busName) {
  if (applications_[busName].toolkitAsks == 0) AskToolkit(busName);
}

// Asked without waiting for the answer: the answer arrives through the event
// loop. A connection that is no application (another client of the bus) or
// whose root is not there yet answers with an error, and is asked again a
// few times.
void FocusWatcher::AskToolkit(const std::string& busName) {
  Application& application = applications_[busName];
  if (application.ours || !application.toolkit.empty()) return;
  const int attempt = application.toolkitAsks++;
  if (attempt >= static_cast<int>(std::size(kToolkitRetryMs))) return;
  const auto send = [](void* data) -> gboolean {
    std::unique_ptr<ToolkitQuestion> question(static_cast<ToolkitQuestion*>(data));
    if (!LiveWatchers().contains(question->watcher)) return G_SOURCE_REMOVE;
    DBusMessage* call = dbus_message_new_method_call(question->busName.c_str(), kApplicationPath,
                                                     DBUS_INTERFACE_PROPERTIES, "Get");
    const char* interface = "org.a11y.atspi.Application";
    const char* property = "ToolkitName";
    DBusPendingCall* pending = nullptr;
    if (call != nullptr &&
        dbus_message_append_args(call, DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &property, DBUS_TYPE_INVALID) &&
        dbus_connection_send_with_reply(accessibilityBus, call, &pending, kStartupTimeoutMs) && pending != nullptr) {
      const auto answered = [](DBusPendingCall* call, void* data) {
        const auto* question = static_cast<const ToolkitQuestion*>(data);
        DBusMessage* reply = dbus_pending_call_steal_reply(call);
        std::string toolkit;
        bool ok = false;
        DBusMessageIter iter, variant;
        if (reply != nullptr && dbus_message_get_type(reply) == DBUS_MESSAGE_TYPE_METHOD_RETURN &&
            dbus_message_iter_init(reply, &iter) && dbus_message_iter_get_arg_type(&iter) == DBUS_TYPE_VARIANT) {
          dbus_message_iter_recurse(&iter, &variant);
          if (dbus_message_iter_get_arg_type(&variant) == DBUS_TYPE_STRING) {
            const char* text = nullptr;
            dbus_message_iter_get_basic(&variant, &text);
            toolkit = text != nullptr ? text : "";
            ok = true;
          }
        }
        if (reply != nullptr) dbus_message_unref(reply);
        if (const auto found = LiveWatchers().find(question->watcher); found != LiveWatchers().end())
          found->second->OnToolkit(question->busName, toolkit, ok);
      };
      dbus_pending_call_set_notify(pending, answered, question.release(),
                                   [](void* data) { delete static_cast<ToolkitQuestion*>(data); });
      dbus_pending_call_unref(pending);
    }
    if (call != nullptr) dbus_message_unref(call);
    return G_SOURCE_REMOVE;
  };
  auto* question = new ToolkitQuestion{id_, busName};
  if (kToolkitRetryMs[attempt] == 0)
    send(question);
  else
    g_timeout_add(static_cast<guint>(kToolkitRetryMs[attempt]), send, question);
}

void FocusWatcher::OnToolkit(const std::string& busName, const std::string& toolkit, bool answered) {
  const auto found = applications_.find(busName);
  if (found == applications_.end()) return;  // gone meanwhile
  if (!answered || toolkit.empty()) {
    AskToolkit(busName);
    return;
  }
  found->second.toolkit = toolkit;
  if (toolkit != "Chromium") return;
  // Chromium shows its pages on the bus only once some client has read an
  // object's attributes, as screen readers do; the answer itself is not needed.
  DBusMessage* call =
      dbus_message_new_method_call(busName.c_str(), kApplicationPath, "org.a11y.atspi.Accessible", "GetAttributes");
  if (call == nullptr) return;
  dbus_message_set_no_reply(call, TRUE);
  dbus_connection_send(accessibilityBus, call, nullptr);
  dbus_connection_flush(accessibilityBus);
  dbus_message_unref(call);
}

void FocusWatcher::AskApplication(unsigned pid) {
  pingOutstanding_ = false;
  if (relay_ == nullptr) return;
  std::string busName = focusedBusName_;
  if (pid != 0) {
    busName.clear();
    for (const auto& [name, application] : applications_)
      if (application.pid == pid && !application.ours) busName = name;
  }
  if (busName.empty()) return;
  pingedBusName_ = busName;
  // The question may reach the application before the key it is to follow
  // (it reads both in one turn of its loop, in either order): the second,
  // asked only once the first is answered, comes after the key for sure.
  pingRoundsLeft_ = 2;
  Ping();
}

void FocusWatcher::Ping() {
  DBusMessage* call = dbus_message_new_method_call(pingedBusName_.c_str(), "/", "org.freedesktop.DBus.Peer", "Ping");
  DBusPendingCall* pending = nullptr;
  if (call != nullptr && dbus_connection_send_with_reply(accessibilityBus, call, &pending, kStartupTimeoutMs) &&
      pending != nullptr) {
    struct Ping {
      uint64_t watcher, ping;
    };
    const auto answered = [](DBusPendingCall*, void* data) {
      const auto* ping = static_cast<const Ping*>(data);
      if (const auto found = LiveWatchers().find(ping->watcher); found != LiveWatchers().end())
        found->second->OnPingAnswered(ping->ping);
    };
    pingOutstanding_ = true;
    dbus_pending_call_set_notify(pending, answered, new Ping{id_, ++pingsSent_},
                                 [](void* data) { delete static_cast<Ping*>(data); });
    dbus_pending_call_unref(pending);
    dbus_connection_flush(accessibilityBus);
  } else {
    pingOutstanding_ = false;
  }
  if (call != nullptr) dbus_message_unref(call);
}

void FocusWatcher::OnPingAnswered(uint64_t ping) {
  if (ping != pingsSent_) return;
  if (--pingRoundsLeft_ > 0) {
    Ping();
    return;
  }
  // The application sent its focus event, if any, before this answer, but
  // libatspi hands events on from an idle callback of its own: the wait
  // ends only after that has run. (An error answer, gone or timed out, ends
  // the wait as well.)
  struct Answer {
    uint64_t watcher, ping;
  };
  g_idle_add_full(
      G_PRIORITY_LOW,
      [](void* data) -> gboolean {
        const auto* answer = static_cast<const Answer*>(data);
        if (const auto found = LiveWatchers().find(answer->watcher); found != LiveWatchers().end())
          found->second->OnPingSettled(answer->ping);
        return G_SOURCE_REMOVE;
      },
      new Answer{id_, ping}, [](void* data) { delete static_cast<Answer*>(data); });
}

void FocusWatcher::OnPingSettled(uint64_t ping) {
  if (ping != pingsSent_ || !pingOutstanding_) return;
  pingOutstanding_ = false;
  const std::function<void()> sink = onAnswered_;  // a copy: the handler may stop this watcher
  if (sink) sink();
}

std::string FocusWatcher::ToolkitOf(unsigned pid) const {
  if (pid == 0) return {};
  for (const auto& [busName, application] : applications_)
    if (application.pid == pid && !application.toolkit.empty()) return application.toolkit;
  return {};
}

bool FocusWatcher::MessagesWaiting() {
  if (relay_ == nullptr || accessibilityBus == nullptr) return false;
  dbus_connection_read_write(accessibilityBus, 0);
  return dbus_connection_get_dispatch_status(accessibilityBus) == DBUS_DISPATCH_DATA_REMAINS;
}

void FocusWatcher::LookUpFocus(unsigned pid) {
  if (relay_ == nullptr) return;
  const auto deadline = std::chrono::steady_clock::now() + kLookUpBudget;
  const uint64_t movesBefore = current_.moves;
  Focus found = current_;
  found.lookedUp = true;
  AtspiAccessible* window = nullptr;
  std::string windowBus;
  ForEachApplication([&](AtspiAccessible* application, const std::string& busName) {
    if (std::chrono::steady_clock::now() >= deadline) return true;
    const Application& known = Known(busName, application);
    if (known.ours || (pid != 0 && known.pid != pid)) return false;
    window = ActiveWindowOf(application, deadline);
    if (window != nullptr) windowBus = busName;
    return window != nullptr;
  });
  if (window != nullptr) {
    const Application& application = applications_[windowBus];
    activeWindow_ = {windowBus, window->parent.path != nullptr ? window->parent.path : ""};
    found.windowKnown = true;
    found.windowApplication = application.name;
    found.windowPid = application.pid;
    if (AtspiAccessible* focused = FocusedInside(window, deadline); focused != nullptr) {
      found.passwordField = IsPasswordEntry(focused);
      passwordObject_ = found.passwordField && focused->parent.path != nullptr ? Object{windowBus, focused->parent.path}
                                                                              : Object{};
      focusedBusName_ = windowBus;
      found.application = application.name;
      found.pid = application.pid;
      g_object_unref(focused);
    }
    g_object_unref(window);
  }
  // A focus event handled meanwhile (inside the questions above) is newer.
  if (current_.moves != movesBefore) found = current_, found.lookedUp = true;
  Report(found);
}

// Asked once per application, and not again for a while when it did not
// answer. This program's own windows answer on this very thread, which is
// busy waiting for the answer, so they are known by their process (which the
// bus daemon answers) and never asked anything.
FocusWatcher::Application& FocusWatcher::Known(const std::string& busName, AtspiAccessible* source) {
  Application& application = applications_[busName];
  if (application.ours || application.named) return application;
  GError* error = nullptr;
  if (application.pid == 0) {
    application.pid = atspi_accessible_get_process_id(source, &error);
    g_clear_error(&error);
    application.ours = application.pid == static_cast<guint>(getpid());
    if (application.ours) return application;
    if (application.toolkitAsks == 0) AskToolkit(busName);
  }
  const auto now = std::chrono::steady_clock::now();
  if (application.failedAt != std::chrono::steady_clock::time_point{} && now - application.failedAt < kFailedLookupKept)
    return application;
  AtspiAccessible* root = atspi_accessible_get_application(source, &error);
  gchar* name = nullptr;
  // The walk up ends early, at the object itself, when a parent cannot be asked.
  if (root != nullptr && error == nullptr && root->parent.path != nullptr &&
      std::strcmp(root->parent.path, kApplicationPath) == 0)
    name = atspi_accessible_get_name(root, &error);
  application.named = error == nullptr && name != nullptr;
  application.name = application.named ? name : "";
  if (!application.named) application.failedAt = now;
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
