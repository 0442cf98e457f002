// The client library (API client over libcurl, command catalogue, sign-in
// service) against the real local service, over TLS on loopback.
#include "../server/TestServer.h"

#include "platform/fake/InMemoryCredentialStore.h"
#include "platform/fake/InMemoryPreferences.h"
#include "platform/linux/CurlHttpTransport.h"
#include "platform/qt/QtMainQueue.h"
#include "server/http/Exchange.h"
#include "service/CommandService.h"
#include "service/RemoteAuthService.h"
#include "wire/RecordCoding.h"
#include "wire/ServiceErrorCodes.h"

#include <QCoreApplication>

#include <QTemporaryDir>
#include <algorithm>
#include <mutex>

#include <gtest/gtest.h>

namespace scribeon {
namespace {

using namespace std::chrono_literals;

// Runs the event loop until the completion has run: on the main queue for
// the services, on a transport worker for the bare client.
template <typename Value, typename Call> ServiceResult<Value> onMain(Call call) {
    std::mutex mutex;
    std::optional<ServiceResult<Value>> outcome;
    call([&mutex, &outcome](ServiceResult<Value> result) {
        const std::lock_guard lock(mutex);
        outcome = std::move(result);
    });
    const auto deadline = std::chrono::steady_clock::now() + 20s;
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

class ServiceContractTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        directory = new QTemporaryDir;
        certificate = directory->filePath("cert.pem").toStdString();
        key = directory->filePath("key.pem").toStdString();
        const std::string command =
            "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1"
            " -addext subjectAltName=IP:127.0.0.1 -keyout '" +
            key + "' -out '" + certificate + "' 2>/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    static void TearDownTestSuite() { delete directory; }

    void SetUp() override {
        transport.setCertificateAuthorityFile(certificate);
        server.storage->seedDefaults({{0, "Two", 2, 2000, 3}}, {});
        server.addUser("contract@example.com", "Two", std::nullopt, true);
    }

    static inline QTemporaryDir* directory = nullptr;
    static inline std::string certificate, key;

    server::TestServer server{certificate, key};
    InMemoryCredentialStore store;
    KeychainService keychain{store};
    InMemoryPreferences preferences;
    CurlHttpTransport transport{2};
    QtMainQueue queue;
    APIClient client{transport, keychain,
                     "https://127.0.0.1:" + std::to_string(server.port) + "/api/v1"};
    CommandService commands{client, preferences, queue};
    RemoteAuthService auth{client, keychain, preferences, queue};
};

TEST_F(ServiceContractTest, SignInListToggleProcessLimitsAndSignOut) {
    auto wrong =
        onMain<std::string>([&](auto done) { auth.login("contract@example.com", "nope", done); });
    ASSERT_FALSE(wrong);
    EXPECT_EQ(wrong.error().description(), "The e-mail or password is incorrect.");

    auto signedIn = onMain<std::string>(
        [&](auto done) { auth.login("contract@example.com", "password-1", done); });
    ASSERT_TRUE(signedIn) << signedIn.error().description();
    const auto token = keychain.read(KeychainService::authTokenKey);
    ASSERT_TRUE(token);
    EXPECT_EQ(keychain.read(KeychainService::userEmailKey), "contract@example.com");

    auto user = onMain<UserResponse>([&](auto done) { client.fetchUser(done); });
    ASSERT_TRUE(user) << user.error().description();
    EXPECT_EQ(user.value().user.plan, "Two");
    EXPECT_EQ(user.value().user.statistics.monthlyLimit, 2);

    auto list = onMain<std::vector<Command>>([&](auto done) { commands.fetchCommands(done); });
    ASSERT_TRUE(list) << list.error().description();
    ASSERT_EQ(list.value().size(), 8u);
    EXPECT_EQ(list.value()[0], (Command{"fix-sentences", "Fix spacing and capitals", true}));
    EXPECT_EQ(commands.getCachedCommands(), list.value());

    auto off = onMain<Command>([&](auto done) { commands.toggleCommand("upper-case", done); });
    ASSERT_TRUE(off) << off.error().description();
    EXPECT_FALSE(off.value().isActive);
    auto inactive =
        onMain<ProcessResult>([&](auto done) { commands.processCommand("upper-case", "x", done); });
    ASSERT_FALSE(inactive);
    EXPECT_EQ(inactive.error().description(), "Command not found or inactive.");
    ASSERT_TRUE(onMain<Command>([&](auto done) { commands.toggleCommand("title-case", done); }));
    auto beyond = onMain<Command>([&](auto done) { commands.toggleCommand("sort-lines", done); });
    ASSERT_FALSE(beyond);
    EXPECT_EQ(beyond.error().description(),
              "Your plan allows 3 active commands. Switch one off first.");

    auto tooLong = onMain<ProcessResult>(
        [&](auto done) { commands.processCommand("fix-sentences", std::string(2001, 'a'), done); });
    ASSERT_FALSE(tooLong);
    EXPECT_EQ(tooLong.error().description(), "Text is too long. Maximum 2000 characters.");

    auto processed = onMain<ProcessResult>(
        [&](auto done) { commands.processCommand("fix-sentences", "hello .world", done); });
    ASSERT_TRUE(processed) << processed.error().description();
    EXPECT_EQ(processed.value().processedText, "Hello. World");
    EXPECT_EQ(processed.value().originalText, "hello .world");
    ASSERT_TRUE(onMain<ProcessResult>(
        [&](auto done) { commands.processCommand("title-case", "a b", done); }));
    auto limited = onMain<ProcessResult>(
        [&](auto done) { commands.processCommand("title-case", "a b", done); });
    ASSERT_FALSE(limited);
    EXPECT_EQ(limited.error().description(), "Monthly request limit exceeded.");
    EXPECT_EQ(limited.error().apiError()->resetDate(), "2027-01-01T00:00:00.000000Z");

    bool signedOut = false;
    auth.logout([&] { signedOut = true; });
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!signedOut && std::chrono::steady_clock::now() < deadline)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_TRUE(signedOut);
    EXPECT_FALSE(keychain.read(KeychainService::authTokenKey));
    EXPECT_FALSE(commands.getCachedCommands());

    keychain.save(*token, KeychainService::authTokenKey); // the old token is dead on the server too
    auto revoked = onMain<UserResponse>([&](auto done) { client.fetchUser(done); });
    ASSERT_FALSE(revoked);
    EXPECT_EQ(revoked.error().description(), "Session expired. Please sign in again.");
}

} // namespace
} // namespace scribeon
