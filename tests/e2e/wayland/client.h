/* What the test's Wayland clients share: the connection, with every global of the
   compositor offered to the client's own function before it goes on. */
#pragma once

#include <wayland-client.h>

#include <stdio.h>

typedef void (*client_global)(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                              uint32_t version);

static void client_global_remove(void* data, struct wl_registry* registry, uint32_t name)
{
    (void)data, (void)registry, (void)name;
}

/* The display, once `global` has seen every global; NULL, said on stderr, without one. */
static struct wl_display* client_connect(const char* program, const struct wl_registry_listener* listener,
                                         struct wl_registry** registry)
{
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "%s: no Wayland display\n", program);
        return NULL;
    }
    *registry = wl_display_get_registry(display);
    wl_registry_add_listener(*registry, listener, NULL);
    wl_display_roundtrip(display);
    return display;
}
