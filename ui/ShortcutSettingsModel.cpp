#include "ui/ShortcutSettingsModel.h"

#include "hotkey/AppConfig.h"
#include "hotkey/DesktopShortcutText.h"
#include "hotkey/HotkeyText.h"

namespace scribeon {

namespace {

constexpr const char* keybindingName = "Scribeon";

} // namespace

ShortcutSettingsModel::ShortcutSettingsModel(Sources sources) : sources_(std::move(sources)) {
    if (sources_.keybinding && sources_.keybinding->isAvailable())
        keybindingInstalled.set(sources_.keybinding->isInstalled());
}

ShortcutSettingsModel::Section ShortcutSettingsModel::section() const {
    const DesktopSession& session = sources_.session;
    if (!session.isWayland())
        return Section::recorder;
    if (sources_.portal && sources_.portal->binding.get().state != PortalBinding::State::refused)
        return Section::portal;
    switch (session.family()) {
    case DesktopSession::Family::gnome:
        if (sources_.keybinding && sources_.keybinding->isAvailable())
            return Section::gnomeKeybinding;
        break;
    case DesktopSession::Family::sway:
        return Section::swayLine;
    default:
        break;
    }
    return Section::manual;
}

std::string ShortcutSettingsModel::trayShortcutText() const {
    const HotkeyPair pair = AppConfig::Hotkey::read(sources_.preferences);
    switch (section()) {
    case Section::recorder:
        if (!sources_.grabRegistered || sources_.grabRegistered->get())
            return formatMenuHotkey(pair.keyCode, pair.modifiers);
        break; // another application holds the keys
    case Section::portal: {
        const PortalBinding binding = sources_.portal->binding.get();
        if (binding.state == PortalBinding::State::bound)
            return binding.triggerDescription;
        break;
    }
    case Section::gnomeKeybinding:
        if (keybindingInstalled.get())
            return formatMenuHotkey(pair.keyCode, pair.modifiers);
        break;
    case Section::swayLine:
    case Section::manual:
        break; // what the user put in the desktop's configuration is unknown to us
    }
    return std::string(noShortcutText);
}

std::string ShortcutSettingsModel::portalStatus() const {
    if (!sources_.portal)
        return {};
    const PortalBinding binding = sources_.portal->binding.get();
    switch (binding.state) {
    case PortalBinding::State::bound:
        return "Your desktop runs Scribeon with " + binding.triggerDescription + ".";
    case PortalBinding::State::pending:
        return "Waiting for the desktop to register the shortcut...";
    case PortalBinding::State::notSet:
        return "The desktop holds Scribeon's shortcut but no keys are set for it.";
    case PortalBinding::State::closed:
    case PortalBinding::State::refused:
        break;
    }
    return "The desktop has not registered Scribeon's shortcut.";
}

void ShortcutSettingsModel::openDesktopSettings() {
    problem.set(std::nullopt);
    if (sources_.portal)
        sources_.portal->openDesktopSettings();
}

std::string_view ShortcutSettingsModel::keybindingButtonTitle() const {
    return keybindingInstalled.get() ? removeKeybindingTitle : addKeybindingTitle;
}

void ShortcutSettingsModel::toggleKeybinding() {
    problem.set(std::nullopt);
    if (!sources_.keybinding)
        return;
    if (!keybindingInstalled.get()) {
        writeKeybinding();
        return;
    }
    if (!sources_.keybinding->remove())
        problem.set("GNOME's keyboard settings could not be changed.");
    keybindingInstalled.set(sources_.keybinding->isInstalled());
}

void ShortcutSettingsModel::storedShortcutChanged() {
    if (keybindingInstalled.get())
        writeKeybinding();
}

bool ShortcutSettingsModel::writeKeybinding() {
    const HotkeyPair pair = AppConfig::Hotkey::read(sources_.preferences);
    const std::optional<std::string> accelerator = DesktopShortcutText::gnomeAccelerator(pair);
    if (!accelerator) {
        problem.set("GNOME cannot bind " + formatHotkey(pair.keyCode, pair.modifiers) +
                    ". Record another shortcut.");
        return false;
    }
    const bool written = sources_.keybinding->install(
        {keybindingName, DesktopShortcutText::triggerCommand, *accelerator});
    if (!written)
        problem.set("GNOME's keyboard settings could not be changed.");
    keybindingInstalled.set(sources_.keybinding->isInstalled());
    return written;
}

std::optional<std::string> ShortcutSettingsModel::swayLine() const {
    return DesktopShortcutText::swayBindingLine(AppConfig::Hotkey::read(sources_.preferences));
}

std::string ShortcutSettingsModel::note() const {
    const bool portalRefused =
        sources_.portal && sources_.portal->binding.get().state == PortalBinding::State::refused;
    std::string text =
        portalRefused ? "The desktop's shortcut service refused Scribeon's shortcut." : "";
    const auto add = [&text](std::string_view sentence) {
        text += text.empty() ? "" : " ";
        text += sentence;
    };
    switch (section()) {
    case Section::recorder:
    case Section::portal:
        return {};
    case Section::gnomeKeybinding:
        add("GNOME can run Scribeon with these keys from its own keyboard settings.");
        break;
    case Section::swayLine:
        add("Add this line to your sway configuration, then reload sway:");
        break;
    case Section::manual:
        if (portalRefused)
            add(std::string(
                    "Bind a shortcut in your desktop's keyboard settings to the command \"") +
                DesktopShortcutText::triggerCommand + "\".");
        break;
    }
    return text;
}

} // namespace scribeon
