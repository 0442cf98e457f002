#pragma once

#include "service/APIClient.h"
#include "service/CommandService.h"
#include "service/KeychainService.h"
#include "tests/fakes/FakeHttpTransport.h"
#include "tests/fakes/FakeMainQueue.h"
#include "tests/fakes/InMemoryCredentialStore.h"
#include "tests/fakes/InMemoryPreferences.h"

namespace scribeon {

// The real client stack over a scripted transport, in virtual time.
struct ServiceStack {
    FakeMainQueue queue;
    FakeHttpTransport transport;
    InMemoryCredentialStore store;
    KeychainService keychain{store};
    InMemoryPreferences preferences;
    APIClient client{transport, keychain, "https://scribeon.test/api/v1"};
    CommandService service{client, preferences, queue};
};

} // namespace scribeon
