#pragma once

#include "platform/CredentialStore.h"

#include <chrono>

namespace scribeon {

// Items of the desktop Secret Service (GNOME Keyring, KWallet) in the default
// collection, found by the attributes "service" and "account" (and the
// schema name, as items stored by earlier versions carry it). Every call is
// bounded: a locked keyring may answer with an unlock prompt nobody sees, so
// a call that takes too long reads as absent / false.
class SecretServiceCredentialStore : public CredentialStore {
public:
    explicit SecretServiceCredentialStore(
        std::chrono::milliseconds deadline = std::chrono::seconds(2))
        : deadline_(deadline) {}

    bool save(const std::string& service, const std::string& account,
              const std::string& secret) override;
    std::optional<std::string> read(const std::string& service,
                                    const std::string& account) override;
    void remove(const std::string& service, const std::string& account) override;

private:
    std::chrono::milliseconds deadline_;
};

} // namespace scribeon
