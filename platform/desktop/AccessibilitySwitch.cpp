#include "platform/desktop/AccessibilitySwitch.h"

#include "platform/dbus/BusAddress.h"
#include "platform/dbus/CallWithin.h"
#include "platform/dbus/Connection.h"

#include <dbus/dbus.h>

#include <chrono>
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
using dbus::Message;

void Tell(std::string* whyNot, std::string why) {
  if (whyNot != nullptr) *whyNot = std::move(why);
}

// One question to the bus launcher on a connection of its own, which goes
// with the answer: nothing stays behind on the program's other connections.
class Question {
 public:
  Question() : deadline_(Clock::now() + kAnswerWithin) {}

  bool Connect(std::string* whyNot) {
    const std::string address = dbus::SessionBusAddress();
    if (address.empty()) {
      *whyNot = "there is no session bus (DBUS_SESSION_BUS_ADDRESS is not set)";
      return false;
    }
    std::string why;
    if ((bus_ = dbus::OpenPrivate(address, &why)) == nullptr) {
      *whyNot = "the session bus cannot be reached (" + why + ")";
      return false;
    }
    if (!dbus::SayHello(bus_.get(), deadline_, &why)) {
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
    std::string why, errorName;
    Message reply = dbus::CallWithin(bus_.get(), call.get(), deadline_, &why, &errorName);
    if (reply == nullptr)
      *whyNot = errorName == DBUS_ERROR_SERVICE_UNKNOWN
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
  dbus::Connection bus_;
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
