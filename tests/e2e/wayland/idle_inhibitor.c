/* A film player's window as the compositor sees it: a small toplevel that holds an idle
   inhibitor (idle-inhibit-unstable-v1) while it is shown, until stdin closes. Prints
   "ready" once the window is mapped and the inhibitor made.
     idle_inhibitor < fifo */
#define _GNU_SOURCE
#include "idle-inhibit-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

#include "client.h"

#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

enum { kWidth = 64, kHeight = 64 };

static struct wl_compositor* compositor;
static struct wl_shm* shm;
static struct xdg_wm_base* wm_base;
static struct zwp_idle_inhibit_manager_v1* inhibit_manager;
static int configured;

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
{
    (void)data, (void)version;
    if (strcmp(interface, wl_compositor_interface.name) == 0)
        compositor = wl_registry_bind(registry, name, &wl_compositor_interface, 1);
    else if (strcmp(interface, wl_shm_interface.name) == 0)
        shm = wl_registry_bind(registry, name, &wl_shm_interface, 1);
    else if (strcmp(interface, xdg_wm_base_interface.name) == 0)
        wm_base = wl_registry_bind(registry, name, &xdg_wm_base_interface, 1);
    else if (strcmp(interface, zwp_idle_inhibit_manager_v1_interface.name) == 0)
        inhibit_manager = wl_registry_bind(registry, name, &zwp_idle_inhibit_manager_v1_interface, 1);
}

static const struct wl_registry_listener registry_listener = {global, client_global_remove};

static void ping(void* data, struct xdg_wm_base* base, uint32_t serial)
{
    (void)data;
    xdg_wm_base_pong(base, serial);
}

static const struct xdg_wm_base_listener wm_base_listener = {ping};

static void surface_configure(void* data, struct xdg_surface* surface, uint32_t serial)
{
    (void)data;
    xdg_surface_ack_configure(surface, serial);
    configured = 1;
}

static const struct xdg_surface_listener surface_listener = {surface_configure};

static void toplevel_configure(void* data, struct xdg_toplevel* toplevel, int32_t w, int32_t h, struct wl_array* states)
{
    (void)data, (void)toplevel, (void)w, (void)h, (void)states;
}

static void toplevel_close(void* data, struct xdg_toplevel* toplevel)
{
    (void)data, (void)toplevel;
}

static const struct xdg_toplevel_listener toplevel_listener = {.configure = toplevel_configure, .close = toplevel_close};

/* A grey picture in shared memory, the window's one buffer. */
static struct wl_buffer* grey_buffer(void)
{
    const int stride = kWidth * 4, size = stride * kHeight;
    const int fd = memfd_create("idle_inhibitor", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, size) != 0)
        return NULL;
    void* pixels = mmap(NULL, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (pixels == MAP_FAILED)
        return NULL;
    memset(pixels, 0x80, size);
    munmap(pixels, size);
    struct wl_shm_pool* pool = wl_shm_create_pool(shm, fd, size);
    struct wl_buffer* buffer = wl_shm_pool_create_buffer(pool, 0, kWidth, kHeight, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    return buffer;
}

int main(void)
{
    struct wl_registry* registry = NULL;
    struct wl_display* display = client_connect("idle_inhibitor", &registry_listener, &registry);
    if (!display)
        return 1;
    if (!compositor || !shm || !wm_base || !inhibit_manager) {
        fprintf(stderr, "idle_inhibitor: the compositor lacks %s\n",
                !inhibit_manager ? "idle inhibitors" : "a window shell or shared memory");
        return 1;
    }
    xdg_wm_base_add_listener(wm_base, &wm_base_listener, NULL);
    struct wl_surface* surface = wl_compositor_create_surface(compositor);
    struct xdg_surface* xdg = xdg_wm_base_get_xdg_surface(wm_base, surface);
    xdg_surface_add_listener(xdg, &surface_listener, NULL);
    struct xdg_toplevel* toplevel = xdg_surface_get_toplevel(xdg);
    xdg_toplevel_add_listener(toplevel, &toplevel_listener, NULL);
    xdg_toplevel_set_title(toplevel, "film");
    wl_surface_commit(surface);
    while (!configured && wl_display_dispatch(display) >= 0) {
    }
    struct wl_buffer* buffer = grey_buffer();
    if (!buffer) {
        fprintf(stderr, "idle_inhibitor: no buffer\n");
        return 1;
    }
    wl_surface_attach(surface, buffer, 0, 0);
    wl_surface_commit(surface);
    struct zwp_idle_inhibitor_v1* inhibitor = zwp_idle_inhibit_manager_v1_create_inhibitor(inhibit_manager, surface);
    wl_display_roundtrip(display);
    printf("ready\n");
    fflush(stdout);
    /* The compositor's pings are answered while the test keeps stdin open. */
    struct pollfd fds[2] = {{wl_display_get_fd(display), POLLIN, 0}, {0, POLLIN, 0}};
    while (wl_display_flush(display) >= 0 && poll(fds, 2, -1) >= 0) {
        if (fds[1].revents) {
            char buffer_[64];
            if (read(0, buffer_, sizeof buffer_) <= 0)
                break;
        }
        if (fds[0].revents & POLLIN && wl_display_dispatch(display) < 0)
            break;
    }
    zwp_idle_inhibitor_v1_destroy(inhibitor);
    xdg_toplevel_destroy(toplevel);
    xdg_surface_destroy(xdg);
    wl_surface_destroy(surface);
    wl_buffer_destroy(buffer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
