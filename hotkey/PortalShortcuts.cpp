#include "hotkey/PortalShortcuts.h"

#include "hotkey/DesktopShortcutText.h"

#include <algorithm>

namespace scribeon {

namespace {

constexpr GlobalHotkey::Handle sessionHandle = 1;

const PortalShortcut* findTrigger(const std::vector<PortalShortcut>& shortcuts) {
    auto found = std::find_if(shortcuts.begin(), shortcuts.end(), [](const PortalShortcut& s) {
        return s.id == PortalShortcuts::shortcutId;
    });
    return found == shortcuts.end() ? nullptr : &*found;
}

std::string refusal(std::uint32_t code) {
    return code == 1 ? "cancelled by the user" : "refused (code " + std::to_string(code) + ")";
}

} // namespace

PortalShortcuts::PortalShortcuts(GlobalShortcutsPortal& portal, MainQueue& queue,
                                 DiagnosticLog& log)
    : portal_(portal), queue_(queue), log_(log) {
    std::weak_ptr<std::uint64_t> alive = session_;
    portal_.installSignalHandlers(
        [this, alive](const std::string& id) {
            if (alive.lock())
                activated(id);
        },
        [this, alive](const std::vector<PortalShortcut>& shortcuts) {
            if (alive.lock())
                adopt(shortcuts);
        });
}

PortalShortcuts::~PortalShortcuts() {
    portal_.installSignalHandlers({}, {});
    if (open_)
        portal_.closeSession();
}

void PortalShortcuts::installPressHandler(std::function<void()> handler) {
    onPress_ = std::move(handler);
}

std::optional<GlobalHotkey::Handle> PortalShortcuts::registerHotkey(HotkeyPair pair) {
    if (open_)
        return sessionHandle;
    PortalShortcut shortcut{shortcutId, shortcutDescription, {}, {}};
    shortcut.preferredTrigger = DesktopShortcutText::portalTrigger(pair).value_or("");
    requested_ = {shortcut};
    open_ = true;
    binding.set({PortalBinding::State::pending, {}});
    portal_.createSession(sessionToken, requested_, guarded(&PortalShortcuts::sessionCreated));
    return sessionHandle;
}

void PortalShortcuts::unregisterHotkey(Handle) {
    if (!open_)
        return;
    open_ = false;
    ++*session_;
    portal_.closeSession();
    binding.set({});
}

void PortalShortcuts::openDesktopSettings() {
    if (!open_ || binding.get().state == PortalBinding::State::refused)
        return;
    portal_.bindShortcuts(requested_, guarded(&PortalShortcuts::bindRequested));
}

GlobalShortcutsPortal::Reply
PortalShortcuts::guarded(void (PortalShortcuts::*step)(const PortalResponse&)) {
    std::weak_ptr<std::uint64_t> session = session_;
    return [this, session, number = *session_, step](const PortalResponse& response) {
        auto current = session.lock();
        if (current && *current == number)
            (this->*step)(response);
    };
}

void PortalShortcuts::sessionCreated(const PortalResponse& response) {
    if (response.code != 0) {
        log_.write("shortcut portal: session " + refusal(response.code) +
                   "; bind \"scribeon --trigger\" in the desktop's keyboard settings");
        open_ = false;
        ++*session_;
        binding.set({PortalBinding::State::refused, {}});
        return;
    }
    if (findTrigger(response.shortcuts)) {
        adopt(response.shortcuts);
        return;
    }
    log_.write("shortcut portal: session holds no shortcut yet, asking the desktop to bind it");
    portal_.bindShortcuts(requested_, guarded(&PortalShortcuts::bindRequested));
}

// The user may open the desktop's settings with keys already bound and leave
// them unchanged: a cancelled dialog, or Plasma 5.27's answer without the
// list, takes nothing away from keys the desktop reported.
void PortalShortcuts::bindRequested(const PortalResponse& response) {
    const bool bound = binding.get().state == PortalBinding::State::bound;
    if (response.code != 0) {
        log_.write("shortcut portal: binding " + refusal(response.code));
        if (!bound)
            binding.set({PortalBinding::State::notSet, {}});
        return;
    }
    if (bound && !findTrigger(response.shortcuts))
        return;
    adopt(response.shortcuts);
}

void PortalShortcuts::adopt(const std::vector<PortalShortcut>& shortcuts) {
    const PortalShortcut* trigger = findTrigger(shortcuts);
    if (!trigger || trigger->triggerDescription.empty()) {
        log_.write("shortcut portal: the desktop reports no keys for the shortcut");
        binding.set({PortalBinding::State::notSet, {}});
        return;
    }
    log_.write("shortcut portal: bound to " + trigger->triggerDescription);
    binding.set({PortalBinding::State::bound, trigger->triggerDescription});
}

void PortalShortcuts::activated(const std::string& id) {
    if (id != shortcutId || !open_ || quiet_ || !onPress_)
        return;
    quiet_ = true;
    log_.write("shortcut portal: pressed");
    auto press = onPress_; // the press may re-register, which may replace it
    press();
    std::weak_ptr<std::uint64_t> alive = session_;
    queue_.postAfter(repeatWindow, [this, alive] {
        if (alive.lock())
            quiet_ = false;
    });
}

} // namespace scribeon
