#include "platform/dbus/BusAnswers.h"

#include "platform/dbus/CallWithin.h"
#include "platform/dbus/Connection.h"

namespace vuruzid::platform::dbus {

bool BusAnswers(const std::string& address, std::chrono::milliseconds within, std::string* whyNot) {
  return BusAnswers(address, std::chrono::steady_clock::now() + within, whyNot);
}

bool BusAnswers(const std::string& address, std::chrono::steady_clock::time_point deadline, std::string* whyNot) {
  std::string why = "no address";
  bool answers = false;
  if (!address.empty()) {
    if (const Connection bus = OpenPrivate(address, &why); bus != nullptr) {
      answers = SayHello(bus.get(), deadline, &why);
      if (!answers && why == kNoAnswerInTime) why = "it takes the connection but does not answer in time";
    }
  }
  if (!answers && whyNot != nullptr) *whyNot = why;
  return answers;
}

}  // namespace vuruzid::platform::dbus
