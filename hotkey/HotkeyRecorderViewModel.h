#pragma once

#include "base/Property.h"
#include "hotkey/HotkeyRegistration.h"
#include "platform/HotkeyPair.h"
#include "platform/Preferences.h"

#include <cstdint>
#include <optional>
#include <string>

namespace scribeon {

// The state of the shortcut recorder on the settings page. The widget binds
// to it: it watches the application's key presses while `isRecording` is
// true and hands each one to `keyDown`.
class HotkeyRecorderViewModel {
public:
    static constexpr const char* recordTitle = "Record";
    static constexpr const char* recordingTitle = "Press keys...";

    HotkeyRecorderViewModel(Preferences& preferences, HotkeyRegistration& hotkey);

    // The "Record" / "Press keys..." button: starts, or cancels without change.
    void toggleRecording();
    // The view leaves the screen.
    void stopRecording() { isRecording.set(false); }
    // A key press while recording, with the key's virtual code and the Carbon
    // mask of the modifiers held. Returns whether the press is swallowed
    // (every press is, while recording).
    bool keyDown(std::uint32_t keyCode, std::uint32_t modifiers);
    void reset();

    bool isResetShown() const { return !current_.get().isDefault(); }
    std::string recordButtonTitle() const {
        return isRecording.get() ? recordingTitle : recordTitle;
    }
    HotkeyPair current() const { return current_.get(); }

    Property<bool> isRecording{false};
    Property<std::string> displayText;
    // A recorded shortcut that another application holds; the one before it
    // stays in force. Cleared by the next recording or reset.
    Property<std::optional<HotkeyPair>> refused;

private:
    void apply(HotkeyPair pair);
    bool store(HotkeyPair pair);

    Preferences& preferences_;
    HotkeyRegistration& hotkey_;
    Property<HotkeyPair> current_;
};

} // namespace scribeon
