#pragma once

#include "platform/HotkeyPair.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace scribeon {

// The desktop's system-wide shortcut facility.
class GlobalHotkey {
public:
    using Handle = std::uint64_t;

    virtual ~GlobalHotkey() = default;
    // Replaces the handler called for each press of a registered shortcut
    // (normally on the main thread, but callers must not rely on it).
    virtual void installPressHandler(std::function<void()> handler) = 0;
    // Absent when the desktop refuses the combination.
    virtual std::optional<Handle> registerHotkey(HotkeyPair pair) = 0;
    virtual void unregisterHotkey(Handle handle) = 0;
    // False where the session allows no global key grab at all: every
    // registration is refused, and nobody else holds the combination.
    virtual bool isAvailable() const = 0;
};

} // namespace scribeon
