#pragma once

#include "app/CommandLine.h"
#include "platform/linux/SecretServiceCredentialStore.h"
#include "platform/qt/QtHttpTransport.h"
#include "platform/qt/QtMainQueue.h"
#include "platform/qt/QtPreferences.h"
#include "service/APIClient.h"
#include "service/CommandService.h"
#include "service/KeychainService.h"
#include "service/RemoteAuthService.h"

namespace scribeon {

// The service client as every entry point uses it: the transport, the token in
// the Secret Service, the preferences file, the client, sign-in and the
// command catalogue, wired once. Needs a Qt application object (the main
// queue and the preferences file); build it on the main thread.
struct ClientStack {
    QtMainQueue queue;
    QtHttpTransport transport;
    SecretServiceCredentialStore credentialStore;
    KeychainService keychain{credentialStore};
    QtPreferences preferences;
    APIClient apiClient{transport, keychain, serviceBaseURL()};
    RemoteAuthService authService{apiClient, keychain, preferences, queue};
    CommandService commandService{apiClient, preferences, queue};
};

} // namespace scribeon
