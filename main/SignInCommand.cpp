#include "main/SignInCommand.h"

#include "main/ClientStack.h"
#include "platform/qt/SingleInstance.h"

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
    ClientStack client(1);

    int status = 1;
    client.authService.login(
        email, password, [&status, &email](const ServiceResult<std::string>& token) {
            if (token) {
                std::printf("Signed in as %s\n", email.c_str());
                status = 0;
                // A running Scribeon reads the credential store only when told.
                SingleInstance::handOff(SingleInstance::Message::signedIn);
            } else {
                std::fprintf(stderr, "scribeon: %s\n", token.error().description().c_str());
            }
            QCoreApplication::quit();
        });
    QCoreApplication::exec();
    return status;
}

} // namespace scribeon
