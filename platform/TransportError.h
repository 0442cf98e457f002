#pragma once

#include <string>

namespace scribeon {

// Why an HTTP exchange could not be completed. `foreign` is a failure that is
// not one of the URL-loading classes (e.g. a refused insecure URL); its
// description is shown to the user.
struct TransportError {
    enum class Code {
        notConnectedToInternet,
        cannotFindHost,
        cannotConnectToHost,
        dnsLookupFailed,
        timedOut,
        secureConnectionFailed,
        serverCertificateUntrusted,
        other,
        foreign,
        replyTooLarge, // the reply passed the size the client accepts
        cancelled,     // the caller gave up on it
    };
    Code code = Code::other;
    std::string description;
    bool operator==(const TransportError&) const = default;
};

} // namespace scribeon
