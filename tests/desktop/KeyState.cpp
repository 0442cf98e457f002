// Prints the keys the X server holds down, one name per line, for the
// desktop tests to check that no modifier was left pressed. With --taken,
// tells whether another client holds a key combination as a global
// shortcut: exit 0 when taken, 1 when free (this client could grab it).
//
//   scribeon-key-state
//   scribeon-key-state --taken KEYSYM X-MODIFIER-MASK   e.g. --taken k 12
#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool accessRefused = false;

int taken(Display* display, const char* keysym, const char* mask) {
    const KeyCode code = XKeysymToKeycode(display, XStringToKeysym(keysym));
    if (code == 0) {
        std::fprintf(stderr, "scribeon-key-state: no key for %s\n", keysym);
        return 2;
    }
    const auto modifiers = static_cast<unsigned>(std::strtoul(mask, nullptr, 10));
    XSetErrorHandler([](Display*, XErrorEvent* error) {
        accessRefused = accessRefused || error->error_code == BadAccess;
        return 0;
    });
    const Window root = DefaultRootWindow(display);
    XGrabKey(display, code, modifiers, root, False, GrabModeAsync, GrabModeAsync);
    XSync(display, False);
    XUngrabKey(display, code, modifiers, root);
    XSync(display, False);
    return accessRefused ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "scribeon-key-state: no X server\n");
        return 2;
    }
    if (argc == 4 && std::strcmp(argv[1], "--taken") == 0) {
        const int result = taken(display, argv[2], argv[3]);
        XCloseDisplay(display);
        return result;
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
