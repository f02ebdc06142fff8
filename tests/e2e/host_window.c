/* A stand-in for the screen-saver host: makes a window, prints its number, then obeys
   commands on standard input: "map", "unmap", "destroy", "shot FILE" (writes the window's
   pixels as a binary PPM), "quit". */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv)
{
    int w = argc > 1 ? atoi(argv[1]) : 152, h = argc > 2 ? atoi(argv[2]) : 112;
    Display* d = XOpenDisplay(NULL);
    if (!d)
        return 1;
    Window win = XCreateSimpleWindow(d, DefaultRootWindow(d), 10, 10, (unsigned)w, (unsigned)h, 0, 0,
                                     0x808080);
    XMapWindow(d, win);
    XSync(d, False);
    printf("%lu\n", (unsigned long)win);
    fflush(stdout);
    char line[512];
    while (fgets(line, sizeof line, stdin)) {
        if (!strncmp(line, "map", 3))
            XMapWindow(d, win);
        else if (!strncmp(line, "unmap", 5))
            XUnmapWindow(d, win);
        else if (!strncmp(line, "destroy", 7))
            XDestroyWindow(d, win);
        else if (!strncmp(line, "shot ", 5)) {
            line[strcspn(line, "\n")] = 0;
            XImage* img = XGetImage(d, win, 0, 0, (unsigned)w, (unsigned)h, AllPlanes, ZPixmap);
            FILE* f = fopen(line + 5, "wb");
            if (img && f) {
                fprintf(f, "P6\n%d %d\n255\n", w, h);
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) {
                        unsigned long p = XGetPixel(img, x, y);
                        unsigned char rgb[3] = {(unsigned char)(p >> 16), (unsigned char)(p >> 8), (unsigned char)p};
                        fwrite(rgb, 1, 3, f);
                    }
            }
            if (f)
                fclose(f);
            if (img)
                XDestroyImage(img);
        } else if (!strncmp(line, "quit", 4))
            break;
        XSync(d, False);
        printf("ok\n");
        fflush(stdout);
    }
    XCloseDisplay(d);
    return 0;
}
