#include "hotkey/HotkeyRecorderViewModel.h"

#include "hotkey/AppConfig.h"
#include "hotkey/HotkeyText.h"

namespace scribeon {

HotkeyRecorderViewModel::HotkeyRecorderViewModel(Preferences& preferences,
                                                 HotkeyRegistration& hotkey)
    : preferences_(preferences), hotkey_(hotkey), current_(AppConfig::Hotkey::read(preferences)) {
    displayText.set(formatHotkey(current_.get().keyCode, current_.get().modifiers));
}

void HotkeyRecorderViewModel::toggleRecording() {
    if (!isRecording.get())
        refused.set(std::nullopt);
    isRecording.set(!isRecording.get());
}

bool HotkeyRecorderViewModel::keyDown(std::uint32_t keyCode, std::uint32_t modifiers) {
    if (!isRecording.get())
        return false;
    if (modifiers == 0)
        return true;
    apply({keyCode, modifiers});
    isRecording.set(false);
    return true;
}

void HotkeyRecorderViewModel::reset() {
    apply(HotkeyPair{});
}

void HotkeyRecorderViewModel::apply(HotkeyPair pair) {
    const HotkeyPair previous = current_.get();
    refused.set(std::nullopt);
    if (!store(pair) && pair != previous) {
        // Taken by another application: a shortcut that does nothing is
        // worse than the old one, so the old one stays if it still works.
        // Where nothing registers at all, the choice is kept for later.
        if (store(previous)) {
            refused.set(pair);
            return;
        }
        store(pair);
    }
}

bool HotkeyRecorderViewModel::store(HotkeyPair pair) {
    current_.set(pair);
    displayText.set(formatHotkey(pair.keyCode, pair.modifiers));
    AppConfig::Hotkey::save(preferences_, pair.keyCode, pair.modifiers);
    return hotkey_.reregister();
}

} // namespace scribeon
