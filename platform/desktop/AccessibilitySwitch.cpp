#include "platform/desktop/AccessibilitySwitch.h"

#include "platform/Environment.h"

#include <dbus/dbus.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <utility>

namespace vuruzid::platform {
namespace {

constexpr const char* kLauncher = "org.a11y.Bus";
constexpr const char* kLauncherPath = "/org/a11y/bus";
constexpr const char* kStatus = "org.a11y.Status";
constexpr const char* kIsEnabled = "IsEnabled";

// Covers one whole question, the connection included. The first question of a
// login may have the session bus start the bus launcher, which takes a few
// hundred milliseconds.
constexpr std::chrono::milliseconds kAnswerWithin{1000};

using Clock = std::chrono::steady_clock;

struct ConnectionCloser {
  void operator()(DBusConnection* bus) const {
    dbus_connection_close(bus);
    dbus_connection_unref(bus);
  }
};
struct MessageReleaser {
  void operator()(DBusMessage* message) const { dbus_message_unref(message); }
};
using Connection = std::unique_ptr<DBusConnection, ConnectionCloser>;
using Message = std::unique_ptr<DBusMessage, MessageReleaser>;

void Tell(std::string* whyNot, std::string why) {
  if (whyNot != nullptr) *whyNot = std::move(why);
}

std::string Take(DBusError& error) {
  std::string message = error.message != nullptr ? error.message : "no answer";
  dbus_error_free(&error);
  return message;
}

// The session bus as libdbus finds it, but never one it would launch: for an
// X display without a session bus, libdbus starts a bus of its own.
std::string SessionBusAddress() {
  if (std::string address = EnvironmentValue("DBUS_SESSION_BUS_ADDRESS"); !address.empty()) return address;
  const std::string runtime = EnvironmentValue("XDG_RUNTIME_DIR");
  if (runtime.empty()) return {};
  const std::string socket = runtime + "/bus";
  struct stat info {};
  if (stat(socket.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode) || info.st_uid != getuid()) return {};
  char* escaped = dbus_address_escape_value(socket.c_str());
  std::string address = std::string("unix:path=") + (escaped != nullptr ? escaped : "");
  dbus_free(escaped);
  return address;
}

// Sends a call and waits for its answer until the deadline: libdbus's own
// blocking call waits 25 s, and without end for a bus that takes the
// connection but never answers.
// A service that is not there at all is named in `missing`.
Message Exchange(DBusConnection* bus, DBusMessage* call, Clock::time_point deadline, std::string* whyNot,
                 bool* missing = nullptr) {
  DBusPendingCall* pending = nullptr;
  if (!dbus_connection_send_with_reply(bus, call, &pending, static_cast<int>(kAnswerWithin.count())) ||
      pending == nullptr) {
    *whyNot = "it cannot be asked";
    return nullptr;
  }
  bool connected = true;
  while (connected && !dbus_pending_call_get_completed(pending)) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) break;
    connected = dbus_connection_read_write_dispatch(bus, static_cast<int>(left.count()));
  }
  Message reply(dbus_pending_call_get_completed(pending) ? dbus_pending_call_steal_reply(pending) : nullptr);
  dbus_pending_call_cancel(pending);
  dbus_pending_call_unref(pending);
  DBusError error;
  dbus_error_init(&error);
  if (reply != nullptr && !dbus_set_error_from_message(&error, reply.get())) return reply;
  if (missing != nullptr) *missing = dbus_error_has_name(&error, DBUS_ERROR_SERVICE_UNKNOWN);
  *whyNot = dbus_error_is_set(&error) ? Take(error) : connected ? "no answer in time" : "it closed the connection";
  dbus_error_free(&error);
  return nullptr;
}

// One question to the bus launcher on a connection of its own, which goes
// with the answer: nothing stays behind on the program's other connections.
class Question {
 public:
  Question() : deadline_(Clock::now() + kAnswerWithin) {}

  bool Connect(std::string* whyNot) {
    const std::string address = SessionBusAddress();
    if (address.empty()) {
      *whyNot = "there is no session bus (DBUS_SESSION_BUS_ADDRESS is not set)";
      return false;
    }
    DBusError error;
    dbus_error_init(&error);
    bus_.reset(dbus_connection_open_private(address.c_str(), &error));
    if (bus_ == nullptr) {
      *whyNot = "the session bus cannot be reached (" + Take(error) + ")";
      return false;
    }
    Message hello(dbus_message_new_method_call(DBUS_SERVICE_DBUS, DBUS_PATH_DBUS, DBUS_INTERFACE_DBUS, "Hello"));
    std::string why;
    if (hello == nullptr || Exchange(bus_.get(), hello.get(), deadline_, &why) == nullptr) {
      *whyNot = "the session bus does not answer (" + why + ")";
      return false;
    }
    return true;
  }

  // Get or Set of the switch; the launcher's answer, or nothing and why.
  Message AskLauncher(const char* method, const bool* value, std::string* whyNot) {
    Message call(dbus_message_new_method_call(kLauncher, kLauncherPath, DBUS_INTERFACE_PROPERTIES, method));
    if (call == nullptr || !AppendArguments(call.get(), value)) {
      *whyNot = "the question cannot be put together";
      return nullptr;
    }
    std::string why;
    bool missing = false;
    Message reply = Exchange(bus_.get(), call.get(), deadline_, &why, &missing);
    if (reply == nullptr)
      *whyNot = missing
                    ? "the session bus knows no accessibility bus launcher (" + why + "); is at-spi2-core installed?"
                    : "at-spi2-core's accessibility bus launcher gave no answer (" + why + ")";
    return reply;
  }

 private:
  static bool AppendArguments(DBusMessage* call, const bool* value) {
    const char* interface = kStatus;
    const char* property = kIsEnabled;
    if (!dbus_message_append_args(call, DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &property, DBUS_TYPE_INVALID))
      return false;
    if (value == nullptr) return true;
    DBusMessageIter arguments, variant;
    const dbus_bool_t enabled = *value ? TRUE : FALSE;
    dbus_message_iter_init_append(call, &arguments);
    if (!dbus_message_iter_open_container(&arguments, DBUS_TYPE_VARIANT, DBUS_TYPE_BOOLEAN_AS_STRING, &variant))
      return false;
    const bool appended = dbus_message_iter_append_basic(&variant, DBUS_TYPE_BOOLEAN, &enabled);
    return dbus_message_iter_close_container(&arguments, &variant) && appended;
  }

  Clock::time_point deadline_;
  Connection bus_;
};

// The yes or no inside a property's answer (a variant); nothing for anything else.
std::optional<bool> BooleanIn(DBusMessage* reply) {
  DBusMessageIter arguments, variant;
  if (!dbus_message_iter_init(reply, &arguments) || dbus_message_iter_get_arg_type(&arguments) != DBUS_TYPE_VARIANT)
    return std::nullopt;
  dbus_message_iter_recurse(&arguments, &variant);
  if (dbus_message_iter_get_arg_type(&variant) != DBUS_TYPE_BOOLEAN) return std::nullopt;
  dbus_bool_t value = FALSE;
  dbus_message_iter_get_basic(&variant, &value);
  return value != FALSE;
}

}  // namespace

std::optional<bool> DesktopAccessibilityEnabled(std::string* whyNot) {
  Question question;
  std::string why;
  Message reply;
  if (question.Connect(&why) && (reply = question.AskLauncher("Get", nullptr, &why)) != nullptr) {
    if (const std::optional<bool> enabled = BooleanIn(reply.get())) return enabled;
    why = "at-spi2-core's accessibility bus launcher gave an answer that is not a yes or no";
  }
  Tell(whyNot, "The desktop's accessibility switch cannot be read: " + why + ".");
  return std::nullopt;
}

bool SetDesktopAccessibilityEnabled(bool enabled, std::string* whyNot) {
  Question question;
  std::string why;
  if (question.Connect(&why) && question.AskLauncher("Set", &enabled, &why) != nullptr) return true;
  Tell(whyNot, std::string("The desktop's accessibility switch cannot be turned ") + (enabled ? "on" : "off") + ": " +
                   why + ".");
  return false;
}

}  // namespace vuruzid::platform
