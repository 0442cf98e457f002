// Presses keys in a KWin session the way a keyboard would, through KWin's
// fake-input protocol (KWin lets any client use it when started with
// KWIN_WAYLAND_NO_PERMISSION_CHECKS=1). Arguments: +CODE presses the evdev
// key CODE, -CODE releases it, sMS waits MS milliseconds.
//   kwin-fake-key +125 +42 +23 s100 -23 -42 -125     (Meta+Shift+I)
#include "fake-input-client-protocol.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <wayland-client.h>

static struct org_kde_kwin_fake_input* fake_input;

static void on_global(void* data, struct wl_registry* registry, uint32_t name,
                      const char* interface, uint32_t version) {
    (void)data;
    if (strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4)
        fake_input = wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4);
}

static void on_global_remove(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener registry_listener = {on_global, on_global_remove};

static void pause_ms(long ms) {
    struct timespec pause = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&pause, NULL);
}

int main(int argc, char** argv) {
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "kwin-fake-key: no Wayland display\n");
        return 1;
    }
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    wl_display_roundtrip(display);
    if (!fake_input) {
        fprintf(stderr, "kwin-fake-key: the compositor offers no fake input (version 4)\n");
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(fake_input, "scribeon tests", "press test keys");
    for (int i = 1; i < argc; ++i) {
        const char* step = argv[i];
        char* end = NULL;
        const long value = strtol(step + 1, &end, 10);
        if (step[0] == '\0' || *end != '\0' || value < 0) {
            fprintf(stderr, "kwin-fake-key: cannot read %s\n", step);
            return 2;
        }
        if (step[0] == 's') {
            pause_ms(value);
            continue;
        }
        if (step[0] != '+' && step[0] != '-') {
            fprintf(stderr, "kwin-fake-key: cannot read %s\n", step);
            return 2;
        }
        org_kde_kwin_fake_input_keyboard_key(fake_input, (uint32_t)value, step[0] == '+' ? 1 : 0);
        wl_display_roundtrip(display);
        pause_ms(20);
    }
    org_kde_kwin_fake_input_destroy(fake_input);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return 0;
}
