#pragma once

#include "base/Property.h"
#include "platform/DiagnosticLog.h"
#include "platform/GlobalHotkey.h"
#include "platform/GlobalShortcutsPortal.h"
#include "platform/MainQueue.h"

#include <memory>
#include <string>

namespace scribeon {

// What the desktop says about our shortcut.
struct PortalBinding {
    enum class State {
        closed,  // no session
        pending, // a request is out
        bound,   // the desktop reports keys for it
        notSet,  // the session holds the shortcut without keys, or the user declined
        refused, // the desktop refused the session: the caller falls back
    };
    State state = State::closed;
    // The desktop's own words for the keys ("Meta+Shift+I"); set when bound.
    std::string triggerDescription;

    friend bool operator==(const PortalBinding&, const PortalBinding&) = default;
};

// The global shortcut through the desktop's shortcuts portal. The shortcut
// goes with the session request, where Plasma 5.27 registers it; only a
// session that comes back without it is asked to bind (newer desktops show
// a one-time dialog then, while Plasma 5.27's BindShortcuts opens System
// Settings every time). One press may be delivered twice, so an activation
// within `repeatWindow` of the previous trigger's end, or during it, is
// dropped. Create and use on the main thread.
class PortalShortcuts final : public GlobalHotkey {
public:
    static constexpr const char* sessionToken = "scribeon";
    static constexpr const char* shortcutId = "trigger";
    static constexpr const char* shortcutDescription = "Process the selected text with Scribeon";
    static constexpr Milliseconds repeatWindow{300};

    PortalShortcuts(GlobalShortcutsPortal& portal, MainQueue& queue, DiagnosticLog& log);
    ~PortalShortcuts() override;

    void installPressHandler(std::function<void()> handler) override;
    // Opens the session with `pair` as the preferred keys. The desktop keeps
    // the user's own choice over ours, so a session already open is kept.
    std::optional<Handle> registerHotkey(HotkeyPair pair) override;
    void unregisterHotkey(Handle handle) override;
    bool isAvailable() const override { return true; }

    // Where the user changes the keys: the portal's bind request, which the
    // desktop answers with its dialog or its shortcut settings.
    void openDesktopSettings();

    Property<PortalBinding> binding;

private:
    void sessionCreated(const PortalResponse& response);
    void bindRequested(const PortalResponse& response);
    void adopt(const std::vector<PortalShortcut>& shortcuts);
    void activated(const std::string& id);
    GlobalShortcutsPortal::Reply guarded(void (PortalShortcuts::*step)(const PortalResponse&));

    GlobalShortcutsPortal& portal_;
    MainQueue& queue_;
    DiagnosticLog& log_;
    std::function<void()> onPress_;
    std::vector<PortalShortcut> requested_;
    bool open_ = false;
    bool quiet_ = false;
    // Answers and timers of a closed session, or of a destroyed object, are
    // dropped: they hold this weakly, with the session's number.
    std::shared_ptr<std::uint64_t> session_ = std::make_shared<std::uint64_t>(0);
};

} // namespace scribeon
