/* A pointer for a compositor that has none (a headless one): it adds a virtual pointer
   to the seat and keeps it there until stdin closes, so that the compositor's own cursor
   commands (swaymsg seat - cursor move/press) reach the clients as a real pointer's
   would. Prints "ready" once the pointer exists.
     pointer_device < fifo */
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include "client.h"

#include <stdio.h>
#include <string.h>
#include <unistd.h>

static struct zwlr_virtual_pointer_manager_v1* manager;
static struct wl_seat* seat;

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
{
    (void)data, (void)version;
    if (strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        manager = wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
    else if (strcmp(interface, wl_seat_interface.name) == 0 && !seat)
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
}

static const struct wl_registry_listener listener = {global, client_global_remove};

int main(void)
{
    struct wl_registry* registry = NULL;
    struct wl_display* display = client_connect("pointer_device", &listener, &registry);
    if (!display)
        return 1;
    if (!manager) {
        fprintf(stderr, "pointer_device: the compositor offers no virtual pointers\n");
        return 1;
    }
    struct zwlr_virtual_pointer_v1* pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
    wl_display_roundtrip(display);
    printf("ready\n");
    fflush(stdout);
    char buffer[64];
    while (read(0, buffer, sizeof buffer) > 0) {
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    zwlr_virtual_pointer_manager_v1_destroy(manager);
    if (seat)
        wl_seat_destroy(seat);
    wl_registry_destroy(registry);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
