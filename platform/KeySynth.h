#pragma once

namespace scribeon {

// The editing keystrokes the program posts: Ctrl+C, Ctrl+V, Ctrl+Z, and
// Shift+Insert, the paste key that xterm, rxvt, VTE terminals, Konsole,
// kitty and alacritty all share (Ctrl+Shift+V is not one in xterm, where the
// program in it would receive ^V).
enum class EditKey { copy, paste, undo, terminalPaste };

// Synthetic key events that reach whichever window has the keyboard focus.
// keyDown releases any modifier the user still holds first, so only the
// keystroke's own modifiers are down when its key goes down.
class KeySynth {
public:
    virtual ~KeySynth() = default;
    // False when the keystroke cannot be made (no keycode for its key, no
    // XTest); the caller then posts nothing at all.
    virtual bool canPost(EditKey key) = 0;
    virtual void keyDown(EditKey key) = 0;
    virtual void keyUp(EditKey key) = 0;
};

} // namespace scribeon
