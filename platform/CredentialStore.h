#pragma once

#include <optional>
#include <string>

namespace scribeon {

// Secret text kept by the desktop under (service, account). Every failure
// reads as absent (read) or false (save).
class CredentialStore {
public:
    virtual ~CredentialStore() = default;
    virtual bool save(const std::string& service, const std::string& account,
                      const std::string& secret) = 0;
    virtual std::optional<std::string> read(const std::string& service,
                                            const std::string& account) = 0;
    virtual void remove(const std::string& service, const std::string& account) = 0;
};

} // namespace scribeon
