#pragma once

#include "server/http/Exchange.h"

namespace scribeon::server {

// Why a sign-in got no session, apart from how a caller shows it.
struct SessionRefusal {
    enum class Reason { wrongCredentials, throttled, busy };
    Reason reason = Reason::wrongCredentials;
    long long retryAfter = 0; // seconds, when throttled
};

// The refusal as the service's JSON error, with its status and Retry-After;
// the API sends it as it is and the web pages show its message.
ApiReply refusalReply(const SessionRefusal& refusal);
// Too busy to hash a password now.
ApiReply busyReply();

} // namespace scribeon::server
