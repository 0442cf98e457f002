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

} // namespace

std::unique_ptr<X11GlobalHotkey> X11GlobalHotkey::open(UserActionSink onUserAction) {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    return std::unique_ptr<X11GlobalHotkey>(new X11GlobalHotkey(display, std::move(onUserAction)));
}

X11GlobalHotkey::X11GlobalHotkey(Display* display, UserActionSink onUserAction)
    : display_(display), root_(DefaultRootWindow(display)), onUserAction_(std::move(onUserAction)) {
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
    int error = Success;
    {
        ScopedErrorTrap trap(display_);
        for (const unsigned locks : lockCombinations_)
            XGrabKey(display_, static_cast<int>(grab.keycode), grab.modifiers | locks, root_, False,
                     GrabModeAsync, GrabModeAsync);
        error = trap.sync();
    }
    if (error != Success) {
        // BadAccess: another client holds one of the combinations. Leave no
        // partial grab behind.
        ungrab(grab);
    }
    scheduleProcessing();
    return error == Success;
}

void X11GlobalHotkey::ungrab(const Grab& grab) {
    ScopedErrorTrap trap(display_);
    for (const unsigned locks : lockCombinations_)
        XUngrabKey(display_, static_cast<int>(grab.keycode), grab.modifiers | locks, root_);
    trap.sync();
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
            for (const auto& [handle, grabbed] : grabs_)
                ungrab(grabbed);
            readLockMasks();
            for (const auto& [handle, grabbed] : grabs_)
                grab(grabbed);
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
