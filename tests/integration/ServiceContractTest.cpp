// The client library (API client over the HTTP transport, command catalogue, sign-in
// service) against the real local service, over TLS on loopback, with the
// transport's workers handing over to the main queue as in the program (the
// sanitizer builds run it). Each refusal's wording is the e2e suite's
// (script_modes, sign_in_against_local_service, settings_flow).
#include "../server/TestServer.h"

#include "platform/qt/QtHttpTransport.h"
#include "platform/qt/QtMainQueue.h"
#include "server/http/Exchange.h"
#include "service/CommandService.h"
#include "service/RemoteAuthService.h"
#include "tests/fakes/InMemoryCredentialStore.h"
#include "tests/fakes/InMemoryPreferences.h"
#include "wire/RecordCoding.h"
#include "wire/ServiceErrorCodes.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>

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
    for (std::string_view code : Code::all) {
        const bool covered = std::any_of(std::begin(rows), std::end(rows),
                                         [code](const Row& row) { return row.code == code; });
        EXPECT_TRUE(covered) << "no contract row for \"" << code << "\"";
    }
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

// Runs the event loop until the completion has run on the main queue.
template <typename Value, typename Call> ServiceResult<Value> onMain(Call call) {
    std::mutex mutex;
    std::optional<ServiceResult<Value>> outcome;
    call([&mutex, &outcome](ServiceResult<Value> result) {
        const std::lock_guard lock(mutex);
        outcome = std::move(result);
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (;;) {
        {
            const std::lock_guard lock(mutex);
            if (outcome)
                return std::move(*outcome);
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return ServiceResult<Value>(CodingError{"no completion within 20 s"});
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

TEST(ServiceContractTest, SignInListToggleProcessAndSignOut) {
    QTemporaryDir directory;
    const std::string certificate = directory.filePath("cert.pem").toStdString();
    const std::string key = directory.filePath("key.pem").toStdString();
    const std::string command =
        "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1"
        " -addext subjectAltName=IP:127.0.0.1 -keyout '" +
        key + "' -out '" + certificate + "' 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    server::TestServer server{certificate, key};
    server.addUser("contract@example.com", "Free", std::nullopt, true);
    InMemoryCredentialStore store;
    KeychainService keychain{store};
    InMemoryPreferences preferences;
    QtHttpTransport transport;
    transport.setCertificateAuthorityFile(certificate);
    QtMainQueue queue;
    APIClient client{transport, keychain,
                     "https://127.0.0.1:" + std::to_string(server.port) + "/api/v1"};
    CommandService commands{client, preferences, queue};
    RemoteAuthService auth{client, keychain, preferences, queue};

    auto signedIn = onMain<std::string>(
        [&](auto done) { auth.login("contract@example.com", "password-1", done); });
    ASSERT_TRUE(signedIn) << signedIn.error().description();
    const auto token = keychain.read(KeychainService::authTokenKey);
    ASSERT_TRUE(token);
    auto list = onMain<std::vector<Command>>([&](auto done) { commands.fetchCommands(done); });
    ASSERT_TRUE(list) << list.error().description();
    EXPECT_EQ(list.value()[0], (Command{"fix-sentences", "Fix spacing and capitals", true}));
    EXPECT_EQ(commands.getCachedCommands(), list.value());
    auto off = onMain<Command>([&](auto done) { commands.toggleCommand("upper-case", done); });
    ASSERT_TRUE(off) << off.error().description();
    EXPECT_FALSE(off.value().isActive);
    auto processed = onMain<ProcessResult>(
        [&](auto done) { commands.processCommand("fix-sentences", "hello .world", done); });
    ASSERT_TRUE(processed) << processed.error().description();
    EXPECT_EQ(processed.value().processedText, "Hello. World");

    bool signedOut = false;
    auth.logout([&] { signedOut = true; });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!signedOut && std::chrono::steady_clock::now() < deadline)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_TRUE(signedOut);
    EXPECT_FALSE(keychain.read(KeychainService::authTokenKey));
    EXPECT_FALSE(commands.getCachedCommands());
    keychain.save(*token, KeychainService::authTokenKey); // the old token is dead on the server too
    auto revoked = onMain<UserResponse>([&](auto done) { client.fetchUser(done); });
    ASSERT_FALSE(revoked);
    EXPECT_TRUE(revoked.error().is(APIError::Kind::unauthorized)) << revoked.error().description();
}

} // namespace
} // namespace scribeon
