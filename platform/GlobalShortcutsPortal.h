#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace scribeon {

// One shortcut as the desktop portal speaks of it. A request fills the
// description and the preferred trigger; the portal's answers fill the
// trigger description, the keys the desktop actually bound.
struct PortalShortcut {
    std::string id;
    std::string description;
    std::string preferredTrigger;
    std::string triggerDescription;

    friend bool operator==(const PortalShortcut&, const PortalShortcut&) = default;
};

// The answer to one portal request. Code 0: done; 1: the user cancelled;
// 2: ended otherwise (the adapter also reports a failed call this way).
struct PortalResponse {
    std::uint32_t code = 2;
    std::vector<PortalShortcut> shortcuts;
};

// Why the desktop's shortcut portal cannot be used.
enum class PortalAvailability { available, noSessionBus, noPortal, noGlobalShortcuts };

// The desktop's global-shortcuts portal, one session at a time. Answers and
// signals arrive on the main thread.
class GlobalShortcutsPortal {
public:
    using Reply = std::function<void(PortalResponse)>;
    using Activated = std::function<void(const std::string& shortcutId)>;
    using Changed = std::function<void(const std::vector<PortalShortcut>&)>;

    virtual ~GlobalShortcutsPortal() = default;
    // Signals of the open session only.
    virtual void installSignalHandlers(Activated activated, Changed changed) = 0;
    // A constant token keeps the desktop's record of the session, and so the
    // user's own choice of keys, across restarts.
    virtual void createSession(const std::string& sessionToken,
                               const std::vector<PortalShortcut>& shortcuts, Reply reply) = 0;
    virtual void bindShortcuts(const std::vector<PortalShortcut>& shortcuts, Reply reply) = 0;
    virtual void closeSession() = 0;
};

} // namespace scribeon
