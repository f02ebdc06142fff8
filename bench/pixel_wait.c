/* Waits until the screen's pixel at X Y is (or, with "not", is no longer) the colour
   RRGGBB, reading it from the X server every millisecond, and prints the moment
   (CLOCK_MONOTONIC seconds) it saw that; exit status 1 when TIMEOUT seconds pass first.
     pixel_wait X Y [not] RRGGBB TIMEOUT */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static double now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

int main(int argc, char** argv)
{
    const int negate = argc == 6 && strcmp(argv[3], "not") == 0;
    if (argc != 5 + negate) {
        fprintf(stderr, "usage: pixel_wait X Y [not] RRGGBB TIMEOUT\n");
        return 2;
    }
    const int x = atoi(argv[1]), y = atoi(argv[2]);
    const unsigned long wanted = strtoul(argv[3 + negate], NULL, 16);
    const double deadline = now() + atof(argv[4 + negate]);
    Display* d = XOpenDisplay(NULL);
    if (!d) {
        fprintf(stderr, "pixel_wait: cannot open display\n");
        return 2;
    }
    const Window root = DefaultRootWindow(d);
    while (now() < deadline) {
        XImage* image = XGetImage(d, root, x, y, 1, 1, AllPlanes, ZPixmap);
        if (image) {
            const unsigned long p = XGetPixel(image, 0, 0) & 0xFFFFFF;
            XDestroyImage(image);
            if ((p == wanted) != negate) {
                printf("%.6f\n", now());
                return 0;
            }
        }
        struct timespec pause = {0, 1000000};
        nanosleep(&pause, NULL);
    }
    return 1;
}
