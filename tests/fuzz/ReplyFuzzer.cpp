// Feeds arbitrary replies to every decoding path of the API client: the
// first two bytes choose the HTTP status, the rest is the body. Any crash,
// sanitizer report or escaped exception is a fault.
#include "service/APIClient.h"
#include "tests/fakes/FakeHttpTransport.h"
#include "tests/fakes/InMemoryCredentialStore.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

using namespace scribeon;

namespace {

template <typename Reply> void expectCompletion(APIClient& client, const char* endpoint) {
    bool completed = false;
    client.request<Reply>(endpoint, "GET", true, [&](ServiceResult<Reply> result) {
        completed = true;
        if (!result)
            (void)result.error().description();
    });
    if (!completed)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::array<long, 12> statuses{200, 200, 200, 200, 401, 403, 404, 422, 429, 500, 502, 418};
    const long status = statuses[data[0] % statuses.size()];
    const std::string body(reinterpret_cast<const char*>(data) + 2, size - 2);

    InMemoryCredentialStore store;
    KeychainService keychain{store};
    keychain.save("token", "auth_token");
    FakeHttpTransport transport;
    APIClient client(transport, keychain, "http://127.0.0.1:8787/api/v1");
    for (int i = 0; i < 6; ++i)
        transport.reply(status, body);

    expectCompletion<AuthResponse>(client, "/auth/sign-in");
    expectCompletion<UserResponse>(client, "/user");
    expectCompletion<CommandsResponse>(client, "/commands");
    expectCompletion<ProcessResponse>(client, "/commands/fix/process");
    expectCompletion<ToggleResponse>(client, "/commands/fix/toggle");
    bool voidCompleted = false;
    client.requestVoid("/auth/sign-out", "POST", true,
                       [&](ServiceResult<Done>) { voidCompleted = true; });
    if (!voidCompleted)
        __builtin_trap();

    // The command cache is written from what was decoded; it must read back the same.
    auto cached = decodeCommandList(body);
    if (cached) {
        auto again = decodeCommandList(toJson(cached.value()).dump());
        if (!again || again.value() != cached.value())
            __builtin_trap();
    }
    return 0;
}
