// The server's error replies read by the client's status mapping. (The
// client library against the real local service, signed in, listing,
// switching, processing and signing out, is the e2e suite's:
// sign_in_against_local_service, script_modes, settings_flow.)
#include "server/http/Exchange.h"
#include "service/APIClient.h"
#include "wire/RecordCoding.h"
#include "wire/ServiceErrorCodes.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace scribeon {
namespace {

// Every error the server can send, as the server words it, read by the
// client's status mapping: a code renamed on one side only fails here.
TEST(ServiceErrorContract, EveryCodeTheServerSendsMapsToTheClientsKind) {
    namespace Code = ServiceErrorCode;
    using K = APIError::Kind;
    struct Row {
        int status;
        std::string_view code;
        K kind;
    };
    const Row rows[] = {
        {400, Code::badRequest, K::unknown},
        {413, Code::payloadTooLarge, K::unknown},
        {431, Code::headersTooLarge, K::unknown},
        {405, Code::methodNotAllowed, K::unknown},
        {404, Code::notFound, K::commandNotFound},
        {401, Code::unauthenticated, K::unauthorized},
        {500, Code::serverError, K::serverError},
        {422, Code::validationError, K::validationError},
        {429, Code::tooManyAttempts, K::rateLimitExceeded},
        {422, Code::invalidCredentials, K::validationError},
        {404, Code::commandNotFound, K::commandNotFound},
        {403, Code::subscriptionRequired, K::subscriptionRequired},
        {422, Code::textTooLong, K::textTooLong},
        {429, Code::rateLimitExceeded, K::rateLimitExceeded},
        {403, Code::commandLimitReached, K::commandLimitExceeded},
        {422, Code::responseIncomplete, K::responseIncomplete},
        {502, Code::upstreamError, K::serverError},
    };
    for (std::string_view code : Code::all)
        EXPECT_TRUE(std::ranges::any_of(rows, [code](const Row& row) { return row.code == code; }))
            << "no contract row for \"" << code << "\"";
    for (const Row& row : rows) {
        server::ApiReply reply = server::errorReply(row.status, row.code, "Told by the server.");
        if (row.code == Code::textTooLong) { // the lengths travel with it
            reply.body["text_length"] = 2001;
            reply.body["max_length"] = 2000;
        }
        const auto decoded = decodeBody<APIErrorResponse>(reply.body.dump());
        ASSERT_TRUE(decoded) << row.code;
        EXPECT_EQ(APIClient::mapError(reply.status, decoded.value()).kind(), row.kind) << row.code;
    }
}

} // namespace
} // namespace scribeon
