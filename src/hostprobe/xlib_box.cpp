#include "xlib_box.h"

#include "message_box.h"
#include "text_lines.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <vector>

namespace hostprobe {

namespace {

constexpr int kMargin = 16;
constexpr int kIconSize = 32;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 26;

// A box must not end the program over a refused focus or a window manager's race.
int ignoreXError(Display*, XErrorEvent*) { return 0; }

XFontStruct* loadFont(Display* dpy)
{
    static const char* const names[] = {
        "-*-helvetica-medium-r-normal--12-*-*-*-p-*-iso8859-1",
        "-misc-fixed-medium-r-normal--13-*-*-*-*-*-iso8859-1",
        "fixed",
    };
    for (const char* name : names)
        if (XFontStruct* font = XLoadQueryFont(dpy, name))
            return font;
    return nullptr;
}

unsigned long namedColour(Display* dpy, int screen, const char* name, unsigned long fallback)
{
    XColor exact, shown;
    if (XAllocNamedColor(dpy, DefaultColormap(dpy, screen), name, &shown, &exact))
        return shown.pixel;
    return fallback;
}

int textWidth(XFontStruct* font, const std::string& s)
{
    return XTextWidth(font, s.data(), static_cast<int>(s.size()));
}

struct Layout {
    int width = 0, height = 0;
    int textX = 0, textY = 0, lineHeight = 0;
    int iconX = 0, iconY = 0;
    int buttonX = 0, buttonY = 0;
};

Layout layOut(XFontStruct* font, const std::vector<std::string>& lines, bool icon)
{
    Layout l;
    l.lineHeight = font->ascent + font->descent;
    int textW = 0;
    for (const auto& line : lines)
        textW = std::max(textW, textWidth(font, line));
    const int textH = l.lineHeight * static_cast<int>(lines.size());
    l.iconX = kMargin;
    l.iconY = kMargin;
    l.textX = kMargin + (icon ? kIconSize + kMargin : 0);
    l.textY = kMargin + std::max(0, ((icon ? kIconSize : 0) - textH) / 2);
    l.width = std::max(l.textX + textW + kMargin, kButtonWidth + 2 * kMargin);
    const int bodyH = std::max(textH, icon ? kIconSize : 0);
    l.buttonX = (l.width - kButtonWidth) / 2;
    l.buttonY = kMargin + bodyH + kMargin;
    l.height = l.buttonY + kButtonHeight + kMargin;
    return l;
}

}  // namespace

int ShowXlibBox(Display* dpy, const std::string& text, const std::string& caption, uint32_t flags)
{
    if (!dpy)
        return -1;
    XFontStruct* font = loadFont(dpy);
    if (!font)
        return -1;
    XErrorHandler previousHandler = XSetErrorHandler(ignoreXError);

    const int screen = DefaultScreen(dpy);
    const Window root = RootWindow(dpy, screen);
    const unsigned long black = BlackPixel(dpy, screen);
    const unsigned long white = WhitePixel(dpy, screen);
    // Palette displays give what they can; black and white always exist.
    const unsigned long face = namedColour(dpy, screen, "gray85", white);
    const unsigned long shadow = namedColour(dpy, screen, "gray45", black);
    const unsigned long red = namedColour(dpy, screen, "red3", black);

    std::vector<std::string> lines;
    for (const auto& line : SplitLines(text))
        lines.push_back(Utf8ToLatin1(line));
    const bool icon = (flags & 0xF0) == MB_ICONERROR;
    const Layout l = layOut(font, lines, icon);
    const int x = std::max(0, (DisplayWidth(dpy, screen) - l.width) / 2);
    const int y = std::max(0, (DisplayHeight(dpy, screen) - l.height) / 2);

    const Window win = XCreateSimpleWindow(dpy, root, x, y, l.width, l.height, 1, black, face);

    const std::string latinCaption = Utf8ToLatin1(caption);
    XStoreName(dpy, win, latinCaption.c_str());
    const Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
    XChangeProperty(dpy, win, XInternAtom(dpy, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(caption.data()), static_cast<int>(caption.size()));
    XClassHint classHint{const_cast<char*>("hostprobe"), const_cast<char*>("hostprobe")};
    XSetClassHint(dpy, win, &classHint);
    XSizeHints* size = XAllocSizeHints();
    if (size) {
        size->flags = PPosition | PMinSize | PMaxSize;
        size->x = x;
        size->y = y;
        size->min_width = size->max_width = l.width;
        size->min_height = size->max_height = l.height;
        XSetWMNormalHints(dpy, win, size);
        XFree(size);
    }
    const Atom windowType = XInternAtom(dpy, "_NET_WM_WINDOW_TYPE", False);
    const Atom dialogType = XInternAtom(dpy, "_NET_WM_WINDOW_TYPE_DIALOG", False);
    XChangeProperty(dpy, win, windowType, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&dialogType), 1);
    Atom deleteWindow = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(dpy, win, &deleteWindow, 1);
    XSelectInput(dpy, win, ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask | StructureNotifyMask);

    XGCValues values{};
    values.font = font->fid;
    GC gc = XCreateGC(dpy, win, GCFont, &values);

    const auto draw = [&](bool pressed) {
        XSetForeground(dpy, gc, face);
        XFillRectangle(dpy, win, gc, 0, 0, l.width, l.height);
        if (icon) {
            XSetForeground(dpy, gc, red);
            XFillArc(dpy, win, gc, l.iconX, l.iconY, kIconSize, kIconSize, 0, 360 * 64);
            XSetForeground(dpy, gc, white);
            XSetLineAttributes(dpy, gc, 3, LineSolid, CapRound, JoinRound);
            const int a = l.iconX + 10, b = l.iconY + 10, c = l.iconX + kIconSize - 10, d = l.iconY + kIconSize - 10;
            XDrawLine(dpy, win, gc, a, b, c, d);
            XDrawLine(dpy, win, gc, a, d, c, b);
            XSetLineAttributes(dpy, gc, 1, LineSolid, CapButt, JoinMiter);
        }
        XSetForeground(dpy, gc, black);
        for (size_t i = 0; i < lines.size(); ++i)
            XDrawString(dpy, win, gc, l.textX, l.textY + font->ascent + static_cast<int>(i) * l.lineHeight,
                        lines[i].data(), static_cast<int>(lines[i].size()));
        // The OK button, with a sunken look while the mouse holds it down.
        XSetForeground(dpy, gc, pressed ? shadow : white);
        XDrawLine(dpy, win, gc, l.buttonX, l.buttonY, l.buttonX + kButtonWidth - 1, l.buttonY);
        XDrawLine(dpy, win, gc, l.buttonX, l.buttonY, l.buttonX, l.buttonY + kButtonHeight - 1);
        XSetForeground(dpy, gc, pressed ? white : shadow);
        XDrawLine(dpy, win, gc, l.buttonX + kButtonWidth - 1, l.buttonY, l.buttonX + kButtonWidth - 1,
                  l.buttonY + kButtonHeight - 1);
        XDrawLine(dpy, win, gc, l.buttonX, l.buttonY + kButtonHeight - 1, l.buttonX + kButtonWidth - 1,
                  l.buttonY + kButtonHeight - 1);
        XSetForeground(dpy, gc, black);
        XDrawRectangle(dpy, win, gc, l.buttonX - 1, l.buttonY - 1, kButtonWidth + 1, kButtonHeight + 1);
        const std::string ok = "OK";
        const int okX = l.buttonX + (kButtonWidth - textWidth(font, ok)) / 2;
        const int okY = l.buttonY + (kButtonHeight + font->ascent - font->descent) / 2;
        XDrawString(dpy, win, gc, okX, okY, ok.data(), static_cast<int>(ok.size()));
    };
    const auto onButton = [&](int px, int py) {
        return px >= l.buttonX && px < l.buttonX + kButtonWidth && py >= l.buttonY && py < l.buttonY + kButtonHeight;
    };

    XMapRaised(dpy, win);
    bool pressed = false;
    bool done = false;
    while (!done) {
        XEvent event;
        XNextEvent(dpy, &event);
        switch (event.type) {
        case MapNotify:
            if (flags & MB_SETFOREGROUND) {
                XRaiseWindow(dpy, win);
                XSetInputFocus(dpy, win, RevertToParent, CurrentTime);
                // A window manager that minds focus stealing is asked the polite way too.
                const Atom active = XInternAtom(dpy, "_NET_ACTIVE_WINDOW", True);
                if (active != None) {
                    XEvent message{};
                    message.xclient.type = ClientMessage;
                    message.xclient.window = win;
                    message.xclient.message_type = active;
                    message.xclient.format = 32;
                    message.xclient.data.l[0] = 1;  // from an application
                    message.xclient.data.l[1] = CurrentTime;
                    XSendEvent(dpy, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &message);
                }
            }
            break;
        case Expose:
            if (event.xexpose.count == 0)
                draw(pressed);
            break;
        case ButtonPress:
            if (event.xbutton.button == Button1 && onButton(event.xbutton.x, event.xbutton.y)) {
                pressed = true;
                draw(pressed);
            }
            break;
        case ButtonRelease:
            if (event.xbutton.button == Button1 && pressed) {
                pressed = false;
                done = onButton(event.xbutton.x, event.xbutton.y);
                if (!done)
                    draw(pressed);
            }
            break;
        case KeyPress: {
            const KeySym key = XLookupKeysym(&event.xkey, 0);
            done = key == XK_Return || key == XK_KP_Enter || key == XK_space || key == XK_Escape;
            break;
        }
        case ClientMessage:
            done = event.xclient.message_type == XInternAtom(dpy, "WM_PROTOCOLS", False) &&
                   static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow;
            break;
        default: break;
        }
    }

    XFreeGC(dpy, gc);
    XDestroyWindow(dpy, win);
    XFreeFont(dpy, font);
    XSync(dpy, False);
    XSetErrorHandler(previousHandler);
    return IDOK;
}

}  // namespace hostprobe
