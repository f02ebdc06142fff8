/* Prints, one a line, the moment (CLOCK_MONOTONIC seconds) at which the X server
   changes the contents of a top-level window mapped after this program starts: what a
   viewer of the screen sees change, whoever draws; "unmap" and the moment when such a
   window leaves the screen. "ready" comes first, once it watches.
     screen_changes */
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

static double now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

int main(void)
{
    Display* d = XOpenDisplay(NULL);
    int damageEvent, damageError;
    if (!d) {
        fprintf(stderr, "screen_changes: cannot open display %s: %s\n", XDisplayName(NULL), strerror(errno));
        return 1;
    }
    if (!XDamageQueryExtension(d, &damageEvent, &damageError)) {
        fprintf(stderr, "screen_changes: no DAMAGE extension\n");
        return 1;
    }
    XSelectInput(d, DefaultRootWindow(d), SubstructureNotifyMask);
    XSync(d, False);
    setvbuf(stdout, NULL, _IOLBF, 0);
    printf("ready\n");
    for (;;) {
        XEvent e;
        XNextEvent(d, &e);
        if (e.type == MapNotify) {
            /* Every drawing request reported, so the last change of a burst is seen. */
            XDamageCreate(d, e.xmap.window, XDamageReportRawRectangles);
        } else if (e.type == damageEvent + XDamageNotify) {
            printf("%.6f\n", now());
        } else if (e.type == UnmapNotify) {
            printf("unmap %.6f\n", now());
        }
    }
}
