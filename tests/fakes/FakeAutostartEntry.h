#pragma once

#include "platform/AutostartEntry.h"

#include <optional>

namespace scribeon {

class FakeAutostartEntry final : public AutostartEntry {
public:
    bool installed = false;
    std::optional<std::string> refusal; // every write fails with it while set

    bool isInstalled() override { return installed; }
    Result<Done, std::string> install() override { return write(true); }
    Result<Done, std::string> remove() override { return write(false); }

private:
    Result<Done, std::string> write(bool value) {
        if (refusal)
            return *refusal;
        installed = value;
        return Done{};
    }
};

} // namespace scribeon
