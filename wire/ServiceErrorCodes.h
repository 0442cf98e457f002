#pragma once

#include <array>
#include <string_view>

namespace scribeon {

// The "error" field of a failed reply: what the server sends and what the
// client reads. The client recognises a code by a phrase it contains, since a
// service may word it longer (`commandLimitPhrase`); the server sends the
// codes themselves.
namespace ServiceErrorCode {

inline constexpr std::string_view badRequest = "bad request";
inline constexpr std::string_view payloadTooLarge = "payload too large";
inline constexpr std::string_view headersTooLarge = "headers too large";
inline constexpr std::string_view methodNotAllowed = "method not allowed";
inline constexpr std::string_view notFound = "not found";
inline constexpr std::string_view unauthenticated = "unauthenticated";
inline constexpr std::string_view serverError = "server error";
inline constexpr std::string_view validationError = "validation error";
inline constexpr std::string_view tooManyAttempts = "too many attempts";
inline constexpr std::string_view invalidCredentials = "invalid credentials";
inline constexpr std::string_view commandNotFound = "command not found";
inline constexpr std::string_view subscriptionRequired = "subscription required";
inline constexpr std::string_view textTooLong = "text too long";
inline constexpr std::string_view rateLimitExceeded = "rate limit exceeded";
inline constexpr std::string_view commandLimitReached = "command limit reached";
inline constexpr std::string_view responseIncomplete = "response incomplete";
inline constexpr std::string_view upstreamError = "upstream error";

inline constexpr std::array all = {badRequest,         payloadTooLarge,   headersTooLarge,
                                   methodNotAllowed,   notFound,          unauthenticated,
                                   serverError,        validationError,   tooManyAttempts,
                                   invalidCredentials, commandNotFound,   subscriptionRequired,
                                   textTooLong,        rateLimitExceeded, commandLimitReached,
                                   responseIncomplete, upstreamError};

inline constexpr std::string_view commandLimitPhrase = "command limit";
static_assert(commandLimitReached.find(commandLimitPhrase) != std::string_view::npos);

} // namespace ServiceErrorCode

} // namespace scribeon
