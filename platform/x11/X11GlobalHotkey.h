#pragma once

#include "platform/DiagnosticLog.h"
#include "platform/GlobalHotkey.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QSocketNotifier;
// The C libraries' own tag names: declared here so that their headers
// (and X11's macros) stay out of ours.
struct _XDisplay; // NOLINT(bugprone-reserved-identifier)

namespace scribeon {

// Global shortcuts as passive key grabs on the X root window, over a
// connection of our own watched by the Qt event loop. A shortcut is grabbed
// once per combination of the lock modifiers (Caps, Num, Scroll Lock), whose
// bits are read from the server's modifier map. A shortcut triggers once,
// when its key is released, however long it was held. A keymap change
// never leaves the shortcut ungrabbed: the grabs are renewed over the old
// ones, then checked from a second connection.
class X11GlobalHotkey final : public GlobalHotkey {
public:
    // Told the server time of each triggering release, before the press
    // handler runs: the user action that entitles our windows to the focus.
    using UserActionSink = std::function<void(unsigned long serverTime)>;

    // Absent when no X server can be reached (e.g. a Wayland session
    // without Xwayland).
    static std::unique_ptr<X11GlobalHotkey> open(UserActionSink onUserAction = {},
                                                 DiagnosticLog* log = nullptr);
    ~X11GlobalHotkey() override;

    void installPressHandler(std::function<void()> handler) override;
    std::optional<Handle> registerHotkey(HotkeyPair pair) override;
    void unregisterHotkey(Handle handle) override;
    bool isAvailable() const override { return true; }

    // Handles every event the server has sent up to now; events run from
    // the Qt event loop anyway, this lets a caller wait for them.
    void sync();
    // Presses of a held shortcut that auto-repeat sent and that were dropped.
    int ignoredRepeatCount() const { return ignoredRepeats_; }
    // Keymap changes handled so far.
    int keymapChangeCount() const { return keymapChanges_; }

private:
    struct Grab {
        unsigned keycode;
        unsigned modifiers; // X modifier state without the lock bits
    };

    X11GlobalHotkey(_XDisplay* display, _XDisplay* probe, UserActionSink onUserAction,
                    DiagnosticLog* log);
    bool grab(const Grab& grab);
    int grabVariants(const Grab& grab);
    void ungrab(const Grab& grab);
    void ungrab(const Grab& grab, const std::vector<unsigned>& locks);
    bool isHeld(const Grab& grab);
    void keymapChanged();
    bool renew(const Grab& grab);
    void retryRenewal();
    void log(const std::string& line);
    void readLockMasks();
    void processEvents();
    void scheduleProcessing();

    _XDisplay* display_;
    // A second client, only to ask the server whether our grabs are in place:
    // a grab of a combination someone holds is refused.
    _XDisplay* probe_;
    unsigned long root_;
    std::unique_ptr<QSocketNotifier> notifier_;
    UserActionSink onUserAction_;
    DiagnosticLog* log_;
    std::function<void()> onPress_;
    std::vector<unsigned> lockCombinations_;
    std::map<Handle, Grab> grabs_;
    Handle nextHandle_ = 1;
    std::optional<unsigned> heldKeycode_;
    int ignoredRepeats_ = 0;
    unsigned long lastTriggerTime_ = 0;
    int keymapChanges_ = 0;
    int pendingRetries_ = 0;
};

} // namespace scribeon
