#pragma once

#include "platform/fake/FakeHttpTransport.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/InMemoryCredentialStore.h"
#include "platform/fake/InMemoryPreferences.h"
#include "service/APIClient.h"
#include "service/CommandService.h"
#include "service/KeychainService.h"

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
