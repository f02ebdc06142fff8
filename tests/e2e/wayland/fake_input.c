/* Input for a KDE compositor run headless: keys, pointer moves and clicks through its
   fake-input protocol, read as lines on stdin, each sent and flushed at once. Everything
   goes through one connection, which the compositor authenticates once. Prints "ready"
   once the compositor has taken the authentication, and "done" after each line.
     key            the key A, pressed and released
     move DX DY     a relative pointer motion
     click          the left button, pressed and released */
#include "fake-input-client-protocol.h"

#include "client.h"

#include <linux/input-event-codes.h>
#include <stdio.h>
#include <string.h>

static struct org_kde_kwin_fake_input* input;
static uint32_t input_version;

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
{
    (void)data;
    if (strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0) {
        input_version = version < 4 ? version : 4;
        input = wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, input_version);
    }
}

static const struct wl_registry_listener listener = {global, client_global_remove};

int main(void)
{
    struct wl_registry* registry = NULL;
    struct wl_display* display = client_connect("fake_input", &listener, &registry);
    if (!display)
        return 1;
    if (!input) {
        fprintf(stderr, "fake_input: the compositor offers no fake input\n");
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(input, "lumivane tests", "input for a headless test");
    wl_display_roundtrip(display);
    printf("ready\n");
    fflush(stdout);
    char line[128];
    while (fgets(line, sizeof line, stdin)) {
        double dx = 0, dy = 0;
        if (strncmp(line, "key", 3) == 0 && input_version >= 4) {
            org_kde_kwin_fake_input_keyboard_key(input, KEY_A, WL_KEYBOARD_KEY_STATE_PRESSED);
            org_kde_kwin_fake_input_keyboard_key(input, KEY_A, WL_KEYBOARD_KEY_STATE_RELEASED);
        } else if (sscanf(line, "move %lf %lf", &dx, &dy) == 2) {
            org_kde_kwin_fake_input_pointer_motion(input, wl_fixed_from_double(dx), wl_fixed_from_double(dy));
        } else if (strncmp(line, "click", 5) == 0) {
            org_kde_kwin_fake_input_button(input, BTN_LEFT, WL_POINTER_BUTTON_STATE_PRESSED);
            org_kde_kwin_fake_input_button(input, BTN_LEFT, WL_POINTER_BUTTON_STATE_RELEASED);
        } else {
            fprintf(stderr, "fake_input: cannot send \"%s\" (protocol version %u)\n", line, input_version);
            continue;
        }
        wl_display_roundtrip(display);
        printf("done\n");
        fflush(stdout);
    }
    org_kde_kwin_fake_input_destroy(input);
    wl_registry_destroy(registry);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
