#include "platform/x11/XTestKeySynth.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <array>

namespace scribeon {

namespace {

// Shift+Insert is the one paste key every terminal family shares.
bool isTerminalPaste(EditKey key) {
    return key == EditKey::terminalPaste;
}

KeySym keysymOf(EditKey key) {
    switch (key) {
    case EditKey::copy:
        return XK_c;
    case EditKey::paste:
        return XK_v;
    case EditKey::terminalPaste:
        return XK_Insert;
    case EditKey::undo:
        return XK_z;
    }
    return NoSymbol;
}

} // namespace

std::unique_ptr<XTestKeySynth> XTestKeySynth::open() {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    int event = 0, error = 0, major = 0, minor = 0;
    const bool hasXTest = XTestQueryExtension(display, &event, &error, &major, &minor);
    return std::unique_ptr<XTestKeySynth>(new XTestKeySynth(display, hasXTest));
}

XTestKeySynth::XTestKeySynth(Display* display, bool hasXTest)
    : display_(display), hasXTest_(hasXTest) {}

XTestKeySynth::~XTestKeySynth() {
    XCloseDisplay(display_);
}

unsigned char XTestKeySynth::keycodeOf(EditKey key) {
    return XKeysymToKeycode(display_, keysymOf(key));
}

unsigned char XTestKeySynth::modifierOf(EditKey key) {
    return XKeysymToKeycode(display_, isTerminalPaste(key) ? XK_Shift_L : XK_Control_L);
}

bool XTestKeySynth::canPost(EditKey key) {
    return hasXTest_ && keycodeOf(key) != 0 && modifierOf(key) != 0;
}

// The hotkey's own modifiers are usually still down when its action runs; a
// Shift left down would turn Ctrl+C into Ctrl+Shift+C. They are released and
// not pressed again afterwards: a re-press would leave them stuck when the
// user let go meanwhile.
void XTestKeySynth::releaseHeldModifiers() {
    std::array<char, 32> keys{};
    XQueryKeymap(display_, keys.data());
    XModifierKeymap* modifiers = XGetModifierMapping(display_);
    if (!modifiers)
        return;
    for (int modifier = 0; modifier < 8; ++modifier) {
        if (modifier == LockMapIndex)
            continue; // Caps Lock is a state, not a held key
        for (int i = 0; i < modifiers->max_keypermod; ++i) {
            const KeyCode code = modifiers->modifiermap[modifier * modifiers->max_keypermod + i];
            if (code != 0 && (keys[code / 8] & (1 << (code % 8))))
                XTestFakeKeyEvent(display_, code, False, CurrentTime);
        }
    }
    XFreeModifiermap(modifiers);
}

void XTestKeySynth::keyDown(EditKey key) {
    if (!canPost(key))
        return;
    releaseHeldModifiers();
    XTestFakeKeyEvent(display_, modifierOf(key), True, CurrentTime);
    XTestFakeKeyEvent(display_, keycodeOf(key), True, CurrentTime);
    XSync(display_, False);
}

void XTestKeySynth::keyUp(EditKey key) {
    if (!canPost(key))
        return;
    XTestFakeKeyEvent(display_, keycodeOf(key), False, CurrentTime);
    XTestFakeKeyEvent(display_, modifierOf(key), False, CurrentTime);
    XSync(display_, False);
}

} // namespace scribeon
