#pragma once

#include "platform/DesktopKeybinding.h"

#include <optional>

namespace scribeon {

class FakeDesktopKeybinding : public DesktopKeybinding {
public:
    bool isAvailable() const override { return available; }
    bool isInstalled() const override { return installed.has_value(); }
    bool install(const CustomKeybinding& binding) override {
        ++installCount;
        if (refuseWrites)
            return false;
        installed = binding;
        return true;
    }
    bool remove() override {
        if (refuseWrites)
            return false;
        installed.reset();
        return true;
    }

    bool available = true;
    bool refuseWrites = false;
    int installCount = 0;
    std::optional<CustomKeybinding> installed;
};

} // namespace scribeon
