#pragma once

#include "platform/KeySynth.h"

#include <memory>

namespace scribeon {

// Keystrokes through the compositor's virtual keyboard (wlroots), posted by
// wtype. Each wtype run is a keyboard of its own that vanishes when it ends,
// so a key held across two runs would be released by the compositor in
// between: the whole keystroke goes out at keyUp, modifiers included.
class WtypeKeySynth : public KeySynth {
public:
    // Absent when wtype is not installed.
    static std::unique_ptr<WtypeKeySynth> open();

    bool canPost(EditKey key) override;
    void keyDown(EditKey key) override;
    void keyUp(EditKey key) override;
};

} // namespace scribeon
