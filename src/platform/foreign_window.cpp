#include "foreign_window.h"

#include <QCoreApplication>
#include <QThread>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace platform {

namespace {

// Xlib reports errors through one process-wide handler: count them per request batch.
int g_errors = 0;
std::mutex g_handlerLock;

int countError(Display*, XErrorEvent*)
{
    ++g_errors;
    return 0;
}

class ErrorTrap {
public:
    explicit ErrorTrap(Display* d) : display_(d), lock_(g_handlerLock)
    {
        XSync(display_, False);
        g_errors = 0;
        previous_ = XSetErrorHandler(countError);
    }
    ~ErrorTrap() { XSetErrorHandler(previous_); }
    bool failed()
    {
        XSync(display_, False);
        return g_errors != 0;
    }

private:
    Display* display_;
    std::lock_guard<std::mutex> lock_;
    int (*previous_)(Display*, XErrorEvent*) = nullptr;
};

// An 8-bit channel placed in the bits of a TrueColor mask (5-6-5 and the like).
unsigned long toMask(int value, unsigned long mask)
{
    if (mask == 0)
        return 0;
    const int shift = __builtin_ctzl(mask);
    const int bits = __builtin_popcountl(mask);
    const unsigned long v = bits >= 8 ? static_cast<unsigned long>(value) << (bits - 8)
                                      : static_cast<unsigned long>(value) >> (8 - bits);
    return (v << shift) & mask;
}

}  // namespace

struct ForeignWindow::State {
    Display* display = nullptr;
    Window window = 0;
    GC gc = nullptr;
    bool gone = false;
};

ForeignWindow::ForeignWindow(unsigned long id) : state_(new State)
{
    state_->window = static_cast<Window>(id);
    if (id != 0)
        state_->display = XOpenDisplay(nullptr);
    if (!state_->display)
        state_->gone = true;
}

ForeignWindow::~ForeignWindow()
{
    if (state_->display) {
        if (state_->gc)
            XFreeGC(state_->display, state_->gc);
        XCloseDisplay(state_->display);
    }
    delete state_;
}

bool ForeignWindow::exists()
{
    if (state_->gone)
        return false;
    XWindowAttributes a;
    ErrorTrap trap(state_->display);
    const Status ok = XGetWindowAttributes(state_->display, state_->window, &a);
    if (trap.failed() || !ok)
        state_->gone = true;
    return !state_->gone;
}

unsigned long ForeignWindow::parent()
{
    if (!exists())
        return 0;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    ErrorTrap trap(state_->display);
    const Status ok = XQueryTree(state_->display, state_->window, &root, &parent, &children, &count);
    if (children)
        XFree(children);
    if (trap.failed() || !ok || parent == root)
        return 0;
    return parent;
}

bool ForeignWindow::visible()
{
    if (state_->gone)
        return false;
    XWindowAttributes a;
    ErrorTrap trap(state_->display);
    const Status ok = XGetWindowAttributes(state_->display, state_->window, &a);
    if (trap.failed() || !ok) {
        state_->gone = true;
        return false;
    }
    return a.map_state == IsViewable;
}

QSize ForeignWindow::size()
{
    if (state_->gone)
        return {};
    XWindowAttributes a;
    ErrorTrap trap(state_->display);
    const Status ok = XGetWindowAttributes(state_->display, state_->window, &a);
    if (trap.failed() || !ok) {
        state_->gone = true;
        return {};
    }
    return {a.width, a.height};
}

void ForeignWindow::draw(const QImage& source, const QRect& part, int x, int y)
{
    if (state_->gone || source.isNull())
        return;
    QRect from = part.intersected(source.rect());
    // Parts that fall left of or above the window are cut off.
    if (x < 0) {
        from.setLeft(from.left() - x);
        x = 0;
    }
    if (y < 0) {
        from.setTop(from.top() - y);
        y = 0;
    }
    if (from.isEmpty())
        return;
    Display* d = state_->display;
    ErrorTrap trap(d);
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, state_->window, &a) || trap.failed()) {
        state_->gone = true;
        return;
    }
    from.setWidth(std::min(from.width(), a.width - x));
    from.setHeight(std::min(from.height(), a.height - y));
    if (from.isEmpty())
        return;
    if (!state_->gc)
        state_->gc = XCreateGC(d, state_->window, 0, nullptr);
    const QImage rgb = source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32
                           ? source
                           : source.convertToFormat(QImage::Format_RGB32);
    if (a.depth == 24 || a.depth == 32) {
        // Our 32-bit pixels are the TrueColor server's own: hand the rows over as they are.
        XImage* img = XCreateImage(d, a.visual, static_cast<unsigned>(a.depth), ZPixmap, 0,
                                   const_cast<char*>(reinterpret_cast<const char*>(rgb.constScanLine(from.top()))) +
                                       from.left() * 4,
                                   static_cast<unsigned>(from.width()), static_cast<unsigned>(from.height()), 32,
                                   static_cast<int>(rgb.bytesPerLine()));
        if (img) {
            XPutImage(d, state_->window, state_->gc, img, 0, 0, x, y, static_cast<unsigned>(from.width()),
                      static_cast<unsigned>(from.height()));
            img->data = nullptr;  // the pixels belong to the QImage
            XDestroyImage(img);
        }
    } else {
        // Other depths: let Xlib convert pixel by pixel; slow, but only for a small preview.
        XImage* img = XCreateImage(d, a.visual, static_cast<unsigned>(a.depth), ZPixmap, 0, nullptr,
                                   static_cast<unsigned>(from.width()), static_cast<unsigned>(from.height()), 32, 0);
        if (img) {
            std::vector<char> data(static_cast<size_t>(img->bytes_per_line) * from.height());
            img->data = data.data();
            XColor colour;
            for (int row = 0; row < from.height(); ++row) {
                const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(from.top() + row)) + from.left();
                for (int col = 0; col < from.width(); ++col) {
                    colour.red = static_cast<unsigned short>(qRed(line[col]) * 257);
                    colour.green = static_cast<unsigned short>(qGreen(line[col]) * 257);
                    colour.blue = static_cast<unsigned short>(qBlue(line[col]) * 257);
                    colour.flags = DoRed | DoGreen | DoBlue;
                    if (a.visual->c_class == TrueColor) {
                        const unsigned long pixel = toMask(qRed(line[col]), a.visual->red_mask) |
                                                    toMask(qGreen(line[col]), a.visual->green_mask) |
                                                    toMask(qBlue(line[col]), a.visual->blue_mask);
                        XPutPixel(img, col, row, pixel);
                    } else {
                        XAllocColor(d, a.colormap, &colour);
                        XPutPixel(img, col, row, colour.pixel);
                    }
                }
            }
            XPutImage(d, state_->window, state_->gc, img, 0, 0, x, y, static_cast<unsigned>(from.width()),
                      static_cast<unsigned>(from.height()));
            img->data = nullptr;
            XDestroyImage(img);
        }
    }
    if (trap.failed())
        state_->gone = true;
}

void ForeignWindow::flush()
{
    if (state_->display)
        XFlush(state_->display);
}

bool WaitUntilVisible(ForeignWindow& window, const std::function<bool()>& giveUp)
{
    while (!window.visible()) {
        if (!window.exists() || (giveUp && giveUp()))
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(10);
    }
    return true;
}

unsigned long RootWindowId()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 0;
    const unsigned long root = DefaultRootWindow(display);
    XCloseDisplay(display);
    return root;
}

}  // namespace platform
