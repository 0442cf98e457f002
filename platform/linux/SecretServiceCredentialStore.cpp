#include "platform/linux/SecretServiceCredentialStore.h"

#include "base/UnicodeText.h"
#include "platform/linux/SecretServiceSession.h"

namespace scribeon {

namespace {

SecretServiceSession::Attributes attributesOf(const std::string& service,
                                              const std::string& account) {
    return {{QStringLiteral("xdg:schema"), QStringLiteral("app.scribeon.Scribeon.Credential")},
            {QStringLiteral("service"), QString::fromStdString(service)},
            {QStringLiteral("account"), QString::fromStdString(account)}};
}

} // namespace

bool SecretServiceCredentialStore::save(const std::string& service, const std::string& account,
                                        const std::string& secret) {
    if (!isValidUtf8(secret))
        return false;
    remove(service, account);
    SecretServiceSession session(deadline_);
    return session.open() &&
           session.create(QStringLiteral("Scribeon ") + QString::fromStdString(account),
                          attributesOf(service, account),
                          QByteArray(secret.data(), static_cast<qsizetype>(secret.size())));
}

std::optional<std::string> SecretServiceCredentialStore::read(const std::string& service,
                                                              const std::string& account) {
    SecretServiceSession session(deadline_);
    if (!session.open())
        return std::nullopt;
    for (const auto& item : session.search(attributesOf(service, account)))
        if (const auto secret = session.secretOf(item)) {
            std::string text = secret->toStdString();
            if (!isValidUtf8(text))
                return std::nullopt;
            return text;
        }
    return std::nullopt;
}

void SecretServiceCredentialStore::remove(const std::string& service, const std::string& account) {
    SecretServiceSession session(deadline_);
    if (!session.open())
        return;
    for (const auto& item : session.search(attributesOf(service, account)))
        session.remove(item);
}

} // namespace scribeon
