#pragma once

#include "platform/DesktopKeybinding.h"

#include <string>

namespace scribeon {

// A custom shortcut in GNOME's keyboard settings, through GSettings: our
// entry at a path of our own, listed in the media-keys plugin's
// `custom-keybindings`. Where GNOME's schemas are not installed it is
// unavailable (GSettings aborts the process on an unknown schema, so each
// is looked up first).
class GnomeCustomKeybinding final : public DesktopKeybinding {
public:
    static constexpr const char* listSchema = "org.gnome.settings-daemon.plugins.media-keys";
    static constexpr const char* entrySchema =
        "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
    static constexpr const char* entryPath =
        "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/scribeon/";

    GnomeCustomKeybinding();

    bool isAvailable() const override { return available_; }
    bool isInstalled() const override;
    bool install(const CustomKeybinding& binding) override;
    bool remove() override;

private:
    bool available_;
};

} // namespace scribeon
