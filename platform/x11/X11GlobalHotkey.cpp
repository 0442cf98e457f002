#include "platform/x11/X11GlobalHotkey.h"

#include "platform/KeyCodeTable.h"

#include <QSocketNotifier>
#include <QTimer>

// Xlib after Qt: it defines macros such as Status and Bool.
#include "platform/x11/X11ErrorTrap.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <algorithm>

namespace scribeon {

namespace {

unsigned xModifiers(std::uint32_t carbon) {
    unsigned state = 0;
    if (carbon & CarbonModifier::command)
        state |= Mod4Mask;
    if (carbon & CarbonModifier::shift)
        state |= ShiftMask;
    if (carbon & CarbonModifier::option)
        state |= Mod1Mask;
    if (carbon & CarbonModifier::control)
        state |= ControlMask;
    return state;
}

constexpr unsigned shortcutModifiers = ShiftMask | ControlMask | Mod1Mask | Mod4Mask;
// A renewal refused by the server (another client took a new lock variant
// meanwhile) is tried again a while later, a bounded number of times.
constexpr int renewalRetryMs = 250;
constexpr int renewalRetries = 40;

} // namespace

std::unique_ptr<X11GlobalHotkey> X11GlobalHotkey::open(UserActionSink onUserAction,
                                                       DiagnosticLog* log) {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    Display* probe = XOpenDisplay(DisplayString(display));
    if (!probe) {
        XCloseDisplay(display);
        return nullptr;
    }
    return std::unique_ptr<X11GlobalHotkey>(
        new X11GlobalHotkey(display, probe, std::move(onUserAction), log));
}

X11GlobalHotkey::X11GlobalHotkey(Display* display, Display* probe, UserActionSink onUserAction,
                                 DiagnosticLog* log)
    : display_(display), probe_(probe), root_(DefaultRootWindow(display)),
      onUserAction_(std::move(onUserAction)), log_(log) {
    // Without detectable auto-repeat a held key looks like press, release,
    // press, ... and could not be told from real presses.
    Bool supported = False;
    XkbSetDetectableAutoRepeat(display_, True, &supported);
    readLockMasks();
    notifier_ =
        std::make_unique<QSocketNotifier>(ConnectionNumber(display_), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { processEvents(); });
}

X11GlobalHotkey::~X11GlobalHotkey() {
    notifier_.reset();
    for (const auto& [handle, grabbed] : grabs_)
        ungrab(grabbed);
    XCloseDisplay(probe_);
    XCloseDisplay(display_);
}

void X11GlobalHotkey::installPressHandler(std::function<void()> handler) {
    onPress_ = std::move(handler);
}

std::optional<GlobalHotkey::Handle> X11GlobalHotkey::registerHotkey(HotkeyPair pair) {
    const auto evdev = KeyCodeTable::evdevFromVirtualKey(pair.keyCode);
    const unsigned modifiers = xModifiers(pair.modifiers);
    if (!evdev || modifiers == 0)
        return std::nullopt;
    const Grab wanted{*evdev + KeyCodeTable::xKeycodeOffset, modifiers};
    if (!grab(wanted))
        return std::nullopt;
    const Handle handle = nextHandle_++;
    grabs_[handle] = wanted;
    return handle;
}

void X11GlobalHotkey::unregisterHotkey(Handle handle) {
    const auto found = grabs_.find(handle);
    if (found == grabs_.end())
        return;
    ungrab(found->second);
    if (heldKeycode_ == found->second.keycode)
        heldKeycode_.reset();
    grabs_.erase(found);
}

bool X11GlobalHotkey::grab(const Grab& grab) {
    int minKeycode = 0;
    int maxKeycode = 0;
    XDisplayKeycodes(display_, &minKeycode, &maxKeycode);
    if (static_cast<int>(grab.keycode) < minKeycode || static_cast<int>(grab.keycode) > maxKeycode)
        return false;
    const int error = grabVariants(grab);
    if (error != Success) {
        // BadAccess: another client holds one of the combinations. Leave no
        // partial grab behind.
        ungrab(grab);
    }
    scheduleProcessing();
    return error == Success;
}

// Grabbing a combination this connection holds already just renews it, so a
// grab can be made again without first letting it go.
int X11GlobalHotkey::grabVariants(const Grab& grab) {
    ScopedErrorTrap trap(display_);
    for (const unsigned locks : lockCombinations_)
        XGrabKey(display_, static_cast<int>(grab.keycode), grab.modifiers | locks, root_, False,
                 GrabModeAsync, GrabModeAsync);
    return trap.sync();
}

void X11GlobalHotkey::ungrab(const Grab& grab) {
    ungrab(grab, lockCombinations_);
}

void X11GlobalHotkey::ungrab(const Grab& grab, const std::vector<unsigned>& locks) {
    ScopedErrorTrap trap(display_);
    for (const unsigned variant : locks)
        XUngrabKey(display_, static_cast<int>(grab.keycode), grab.modifiers | variant, root_);
    trap.sync();
}

// The server tells no client which passive grabs exist; another client's
// grab of a combination is refused exactly when someone holds it. A
// combination the probe could take is one we do not hold: it lets go at once.
bool X11GlobalHotkey::isHeld(const Grab& grab) {
    const Window root = DefaultRootWindow(probe_);
    bool held = true;
    for (const unsigned locks : lockCombinations_) {
        const unsigned modifiers = grab.modifiers | locks;
        ScopedErrorTrap trap(probe_);
        XGrabKey(probe_, static_cast<int>(grab.keycode), modifiers, root, False, GrabModeAsync,
                 GrabModeAsync);
        if (trap.sync() == Success) {
            held = false;
            XUngrabKey(probe_, static_cast<int>(grab.keycode), modifiers, root);
            trap.sync();
        }
    }
    return held;
}

// A layout switch or a tool that types remaps keys; the grabs are made again
// for the lock bits now in force. Each is renewed before any variant that
// is no longer wanted is let go: between an ungrab and the next grab a press
// of the shortcut would reach the focused application.
void X11GlobalHotkey::keymapChanged() {
    ++keymapChanges_;
    const std::vector<unsigned> before = lockCombinations_;
    readLockMasks();
    std::vector<unsigned> gone;
    for (const unsigned locks : before)
        if (std::find(lockCombinations_.begin(), lockCombinations_.end(), locks) ==
            lockCombinations_.end())
            gone.push_back(locks);
    bool complete = true;
    for (const auto& [handle, grabbed] : grabs_) {
        complete = renew(grabbed) && complete;
        if (!gone.empty())
            ungrab(grabbed, gone);
    }
    if (!complete && pendingRetries_ == 0) {
        pendingRetries_ = renewalRetries;
        QTimer::singleShot(renewalRetryMs, notifier_.get(), [this] { retryRenewal(); });
    }
}

bool X11GlobalHotkey::renew(const Grab& grab) {
    const int error = grabVariants(grab);
    if (error != Success) {
        log("shortcut: grab after a keymap change refused (X error " + std::to_string(error) +
            ", keycode " + std::to_string(grab.keycode) + ") — will retry");
        return false;
    }
    if (isHeld(grab))
        return true;
    log("shortcut: grab missing after a keymap change (keycode " + std::to_string(grab.keycode) +
        ") — grabbing again");
    return grabVariants(grab) == Success && isHeld(grab);
}

void X11GlobalHotkey::retryRenewal() {
    bool complete = true;
    for (const auto& [handle, grabbed] : grabs_)
        complete = renew(grabbed) && complete;
    if (complete) {
        log("shortcut: grab in place again");
        pendingRetries_ = 0;
        return;
    }
    if (--pendingRetries_ > 0)
        QTimer::singleShot(renewalRetryMs, notifier_.get(), [this] { retryRenewal(); });
    else
        log("shortcut: grab still refused — giving up until the next keymap change");
}

void X11GlobalHotkey::log(const std::string& line) {
    if (log_)
        log_->write(line);
}

void X11GlobalHotkey::readLockMasks() {
    unsigned numLock = 0;
    unsigned scrollLock = 0;
    if (XModifierKeymap* map = XGetModifierMapping(display_)) {
        for (int modifier = 0; modifier < 8; ++modifier) {
            for (int i = 0; i < map->max_keypermod; ++i) {
                const KeyCode keycode = map->modifiermap[modifier * map->max_keypermod + i];
                if (keycode == 0)
                    continue;
                const KeySym symbol = XkbKeycodeToKeysym(display_, keycode, 0, 0);
                if (symbol == XK_Num_Lock)
                    numLock = 1u << modifier;
                else if (symbol == XK_Scroll_Lock)
                    scrollLock = 1u << modifier;
            }
        }
        XFreeModifiermap(map);
    }
    std::vector<unsigned> locks{LockMask};
    for (const unsigned mask : {numLock, scrollLock})
        if (mask != 0 && (mask & shortcutModifiers) == 0 &&
            std::find(locks.begin(), locks.end(), mask) == locks.end())
            locks.push_back(mask);
    lockCombinations_.clear();
    for (unsigned subset = 0; subset < (1u << locks.size()); ++subset) {
        unsigned combination = 0;
        for (std::size_t bit = 0; bit < locks.size(); ++bit)
            if (subset & (1u << bit))
                combination |= locks[bit];
        lockCombinations_.push_back(combination);
    }
}

void X11GlobalHotkey::sync() {
    XSync(display_, False);
    processEvents();
}

void X11GlobalHotkey::scheduleProcessing() {
    // XSync may have queued events without the socket becoming readable.
    QTimer::singleShot(0, notifier_.get(), [this] { processEvents(); });
}

void X11GlobalHotkey::processEvents() {
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
            keymapChanged();
            continue;
        }
        if (event.type != KeyPress && event.type != KeyRelease)
            continue;
        const unsigned keycode = event.xkey.keycode;
        if (event.type == KeyRelease) {
            if (heldKeycode_ != keycode)
                continue;
            // The press activated our passive grab, which holds the whole
            // keyboard until this release: the focused window has lost the
            // keyboard meanwhile (GTK reports no focused object) and any
            // synthetic key would come back to us. So the shortcut acts on
            // release, once the keyboard is the focused window's again.
            heldKeycode_.reset();
            lastTriggerTime_ = event.xkey.time;
            if (onUserAction_)
                onUserAction_(lastTriggerTime_);
            if (onPress_)
                onPress_();
            continue;
        }
        const unsigned state = event.xkey.state & shortcutModifiers;
        const bool ours = std::any_of(grabs_.begin(), grabs_.end(), [&](const auto& entry) {
            return entry.second.keycode == keycode && entry.second.modifiers == state;
        });
        if (!ours)
            continue;
        if (heldKeycode_ == keycode) {
            ++ignoredRepeats_;
            continue;
        }
        heldKeycode_ = keycode;
    }
}

} // namespace scribeon
