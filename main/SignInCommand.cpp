#include "main/SignInCommand.h"

#include "app/CommandLine.h"
#include "platform/linux/CurlHttpTransport.h"
#include "platform/linux/LibsecretCredentialStore.h"
#include "platform/qt/QtMainQueue.h"
#include "platform/qt/QtPreferences.h"
#include "service/APIClient.h"
#include "service/RemoteAuthService.h"

#include <QCoreApplication>

#include <cstdio>
#include <iostream>

namespace scribeon {

int runSignInCommand(const std::string& email, int argc, char** argv) {
    std::string password;
    std::getline(std::cin, password);

    QCoreApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Scribeon"));
    QCoreApplication::setApplicationName(QStringLiteral("Scribeon"));
    QtMainQueue queue;
    CurlHttpTransport transport(1);
    LibsecretCredentialStore store;
    KeychainService keychain(store);
    QtPreferences preferences;
    APIClient client(transport, keychain, serviceBaseURL());
    RemoteAuthService auth(client, keychain, preferences, queue);

    int status = 1;
    auth.login(email, password, [&status, &email](ServiceResult<std::string> token) {
        if (token) {
            std::printf("Signed in as %s\n", email.c_str());
            status = 0;
        } else {
            std::fprintf(stderr, "scribeon: %s\n", token.error().description().c_str());
        }
        QCoreApplication::quit();
    });
    QCoreApplication::exec();
    return status;
}

} // namespace scribeon
