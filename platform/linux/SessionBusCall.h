#pragma once

#include <chrono>
#include <string>

namespace scribeon {

// How a method call on the session bus ended.
enum class SessionBusCall {
    answered,       // the owner of the name replied
    nobodyOwnsName, // no process owns it (nothing is started for the call)
    noBus,          // no session bus here
    failed,         // an owner exists but did not answer in time, or refused
};

// Calls a method without arguments on the session bus, blocking, without a
// Qt application object: a second `scribeon` calls this before it opens any
// display. `detail` receives the bus's error text, for a failure message.
SessionBusCall callSessionBus(const char* busName, const char* objectPath, const char* interface,
                              const char* method, std::chrono::milliseconds timeout,
                              std::string* detail = nullptr);

} // namespace scribeon
