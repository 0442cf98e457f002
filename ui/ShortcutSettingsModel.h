#pragma once

#include "base/Property.h"
#include "hotkey/PortalShortcuts.h"
#include "platform/DesktopKeybinding.h"
#include "platform/DesktopSession.h"
#include "platform/Preferences.h"

#include <optional>
#include <string>
#include <string_view>

namespace scribeon {

// How the global shortcut is set in this session, for the General page and
// the tray panel. On X11 our own grab holds the stored keys and the recorder
// tests them. On Wayland nothing of ours can grab: where the desktop's
// shortcuts portal holds the shortcut, the desktop's own keys are shown;
// elsewhere the recorder keeps the preference and the page says how to bind
// it in the desktop.
class ShortcutSettingsModel {
public:
    enum class Section {
        recorder,        // our own grab (X11)
        portal,          // the desktop's shortcuts portal holds it
        gnomeKeybinding, // a custom shortcut in GNOME's keyboard settings
        swayLine,        // a line for the sway configuration
        manual,          // any other desktop: bind "scribeon --trigger"
    };

    static constexpr std::string_view noShortcutText = "No shortcut set \u2014 see Settings";
    static constexpr std::string_view openDesktopSettingsTitle =
        "Open the Desktop's Shortcut Settings";
    static constexpr std::string_view addKeybindingTitle =
        "Add the shortcut to GNOME's keyboard settings";
    static constexpr std::string_view removeKeybindingTitle =
        "Remove the shortcut from GNOME's keyboard settings";

    struct Sources {
        DesktopSession session;
        Preferences& preferences;
        // Null where the session offers no shortcuts portal.
        PortalShortcuts* portal = nullptr;
        // Null where the desktop keeps no custom key bindings of ours.
        DesktopKeybinding* keybinding = nullptr;
        // Whether our own grab holds the stored keys; null reads as held.
        Property<bool>* grabRegistered = nullptr;
    };

    explicit ShortcutSettingsModel(Sources sources);

    // Follows the portal: a refused session falls back to the desktop's way.
    Section section() const;
    // The keys that reach Scribeon, in the desktop's words, or the pointer to
    // Settings where none is known to.
    std::string trayShortcutText() const;

    // The portal section's line: the desktop's keys, or why there are none.
    std::string portalStatus() const;
    void openDesktopSettings();

    // The GNOME section's button: adds or removes the binding.
    std::string_view keybindingButtonTitle() const;
    void toggleKeybinding();
    // After the recorder stored other keys: an installed binding follows them.
    void storedShortcutChanged();
    Property<bool> keybindingInstalled{false};

    // The sway section's line, absent for keys sway cannot name.
    std::optional<std::string> swayLine() const;

    // What the page says beside the recorder: a refused portal, and how the
    // desktop's own settings take the keys. Empty where there is nothing to add.
    std::string note() const;

    // What the portal says, for views that follow it; null without one.
    Property<PortalBinding>* portalBinding() const {
        return sources_.portal ? &sources_.portal->binding : nullptr;
    }

    // A refused write or an unnamed key, for the page to show; cleared by the
    // next action.
    Property<std::optional<std::string>> problem;

private:
    bool writeKeybinding();

    Sources sources_;
};

} // namespace scribeon
