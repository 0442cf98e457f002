// Prints the keys the X server holds down, one name per line, for the
// desktop tests to check that no modifier was left pressed.
//
//   scribeon-key-state
#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <array>
#include <cstdio>

int main() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "scribeon-key-state: no X server\n");
        return 2;
    }
    std::array<char, 32> keys{};
    XQueryKeymap(display, keys.data());
    for (int code = 8; code < 256; ++code) {
        if (!(keys[code / 8] & (1 << (code % 8))))
            continue;
        const KeySym symbol = XkbKeycodeToKeysym(display, static_cast<KeyCode>(code), 0, 0);
        const char* name = symbol != NoSymbol ? XKeysymToString(symbol) : nullptr;
        std::printf("%s\n", name ? name : "?");
    }
    XCloseDisplay(display);
    return 0;
}
