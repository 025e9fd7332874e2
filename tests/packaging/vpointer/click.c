/* Clicks the left button at X,Y of a wlroots compositor's output (W x H) through a virtual
 * pointer: a headless compositor has no pointer device of its own.
 *   click X Y W H        (WAYLAND_DISPLAY names the compositor) */
#include "virtual-pointer-client.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <wayland-client.h>

static struct zwlr_virtual_pointer_manager_v1* manager;

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
    (void)data;
    (void)version;
    if (strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        manager = wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
}
static void global_remove(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data;
    (void)registry;
    (void)name;
}
static const struct wl_registry_listener listener = {global, global_remove};

int main(int argc, char** argv) {
    if (argc != 5) {
        fprintf(stderr, "usage: %s X Y WIDTH HEIGHT\n", argv[0]);
        return 2;
    }
    const uint32_t x = strtoul(argv[1], NULL, 10), y = strtoul(argv[2], NULL, 10);
    const uint32_t w = strtoul(argv[3], NULL, 10), h = strtoul(argv[4], NULL, 10);
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "click: no Wayland display\n");
        return 1;
    }
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, NULL);
    wl_display_roundtrip(display);
    if (!manager) {
        fprintf(stderr, "click: the compositor offers no virtual pointer\n");
        return 1;
    }
    struct zwlr_virtual_pointer_v1* pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, NULL);
    wl_display_roundtrip(display);
    /* Moved twice: the first motion only makes the pointer appear on the client. */
    for (int i = 0; i < 2; ++i) {
        zwlr_virtual_pointer_v1_motion_absolute(pointer, 0, x + (uint32_t)i, y, w, h);
        zwlr_virtual_pointer_v1_frame(pointer);
        wl_display_roundtrip(display);
        usleep(100000);
    }
    const uint32_t left = 0x110; /* BTN_LEFT */
    zwlr_virtual_pointer_v1_button(pointer, 1, left, 1);
    zwlr_virtual_pointer_v1_frame(pointer);
    wl_display_roundtrip(display);
    usleep(50000);
    zwlr_virtual_pointer_v1_button(pointer, 2, left, 0);
    zwlr_virtual_pointer_v1_frame(pointer);
    wl_display_roundtrip(display);
    usleep(200000);
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
