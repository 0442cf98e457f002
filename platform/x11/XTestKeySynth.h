#pragma once

#include "platform/KeySynth.h"

#include <memory>

// The C libraries' own tag names: declared here so that their headers
// (and X11's macros) stay out of ours.
typedef struct _XDisplay Display; // NOLINT(bugprone-reserved-identifier)

namespace scribeon {

// Posts editing keystrokes through the XTest extension. Keycodes come from
// keysyms through the keyboard mapping of the moment, so Ctrl+C is Ctrl+C in
// any layout that has a C.
class XTestKeySynth : public KeySynth {
public:
    // Absent without an X display.
    static std::unique_ptr<XTestKeySynth> open();
    ~XTestKeySynth() override;
    XTestKeySynth(const XTestKeySynth&) = delete;
    XTestKeySynth& operator=(const XTestKeySynth&) = delete;

    bool canPost(EditKey key) override;
    void keyDown(EditKey key) override;
    void keyUp(EditKey key) override;

private:
    explicit XTestKeySynth(Display* display, bool hasXTest);
    unsigned char keycodeOf(EditKey key);
    unsigned char modifierOf(EditKey key);
    void releaseHeldModifiers();

    Display* display_;
    bool hasXTest_;
};

} // namespace scribeon
