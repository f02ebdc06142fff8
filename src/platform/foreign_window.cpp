#include "foreign_window.h"

#include <QCoreApplication>
#include <QThread>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstring>
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

// An image as big as the window in memory the X server shares (MIT-SHM).
struct Shared {
    XShmSegmentInfo info{};
    XImage* image = nullptr;
    bool attached = false;
    bool unusable = false;  // no MIT-SHM there, or the server cannot reach our memory
};

void releaseShared(Display* d, Shared& shm)
{
    if (!shm.image)
        return;
    if (shm.attached) {
        XShmDetach(d, &shm.info);
        XSync(d, False);
    }
    shmdt(shm.info.shmaddr);
    shm.image->data = nullptr;
    XDestroyImage(shm.image);
    shm.image = nullptr;
    shm.attached = false;
}

// The shared image for a window of these attributes; false when there can be none.
bool sharedFor(Display* d, Shared& shm, const XWindowAttributes& a)
{
    if (shm.unusable)
        return false;
    if (shm.image && shm.image->width == a.width && shm.image->height == a.height)
        return true;
    releaseShared(d, shm);
    if (!XShmQueryExtension(d)) {
        shm.unusable = true;
        return false;
    }
    XImage* image = XShmCreateImage(d, a.visual, static_cast<unsigned>(a.depth), ZPixmap, nullptr, &shm.info,
                                    static_cast<unsigned>(a.width), static_cast<unsigned>(a.height));
    // Our pixels must be the image's own, as they are on a local little-endian server.
    if (!image || image->bits_per_pixel != 32 || image->byte_order != LSBFirst) {
        if (image)
            XDestroyImage(image);
        shm.unusable = true;
        return false;
    }
    shm.info.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(image->bytes_per_line) * image->height, IPC_CREAT | 0600);
    void* memory = shm.info.shmid < 0 ? reinterpret_cast<void*>(-1) : shmat(shm.info.shmid, nullptr, 0);
    if (memory == reinterpret_cast<void*>(-1)) {
        if (shm.info.shmid >= 0)
            shmctl(shm.info.shmid, IPC_RMID, nullptr);
        XDestroyImage(image);
        shm.unusable = true;
        return false;
    }
    shm.info.shmaddr = image->data = static_cast<char*>(memory);
    shm.info.readOnly = False;
    bool attached = false;
    {
        // A server on another machine cannot reach our memory: it says so by an error.
        ErrorTrap trap(d);
        attached = XShmAttach(d, &shm.info) && !trap.failed();
    }
    // Gone once both sides have let go of it, whatever way this program ends.
    shmctl(shm.info.shmid, IPC_RMID, nullptr);
    shm.image = image;
    shm.attached = attached;
    if (!attached) {
        releaseShared(d, shm);
        shm.unusable = true;
    }
    return attached;
}

// Other depths: Xlib converts pixel by pixel; slow, but only ever for a small preview.
void putConverted(Display* d, Window window, GC gc, const QImage& rgb, const QRect& from, int x, int y,
                  const XWindowAttributes& a)
{
    XImage* img = XCreateImage(d, a.visual, static_cast<unsigned>(a.depth), ZPixmap, 0, nullptr,
                               static_cast<unsigned>(from.width()), static_cast<unsigned>(from.height()), 32, 0);
    if (!img)
        return;
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
    XPutImage(d, window, gc, img, 0, 0, x, y, static_cast<unsigned>(from.width()),
              static_cast<unsigned>(from.height()));
    img->data = nullptr;
    XDestroyImage(img);
}

}  // namespace

struct ForeignWindow::State {
    Display* display = nullptr;
    Window window = 0;
    GC gc = nullptr;
    bool gone = false;
    Shared shared;
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
        releaseShared(state_->display, state_->shared);
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

void ForeignWindow::draw(const QImage& image, const QRect& source, int x, int y)
{
    const QPoint to(x, y);
    put(image, std::span(&source, 1), std::span(&to, 1));
}

void ForeignWindow::draw(const QImage& image, std::span<const QRect> parts)
{
    std::vector<QPoint> to;
    to.reserve(parts.size());
    for (const QRect& part : parts)
        to.push_back(part.topLeft());
    put(image, parts, to);
}

void ForeignWindow::put(const QImage& source, std::span<const QRect> from, std::span<const QPoint> to)
{
    if (state_->gone || source.isNull() || from.empty())
        return;
    Display* d = state_->display;
    XWindowAttributes a;
    {
        ErrorTrap trap(d);
        if (!XGetWindowAttributes(d, state_->window, &a) || trap.failed()) {
            state_->gone = true;
            return;
        }
    }
    const QImage rgb = source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32
                           ? source
                           : source.convertToFormat(QImage::Format_RGB32);
    const bool trueColour32 = a.depth == 24 || a.depth == 32;
    // The server's shared memory where it has it: the pixels are copied once, into it,
    // rather than through the connection.
    const bool shared = trueColour32 && sharedFor(d, state_->shared, a);
    ErrorTrap trap(d);
    if (!state_->gc)
        state_->gc = XCreateGC(d, state_->window, 0, nullptr);
    for (size_t i = 0; i < from.size(); ++i) {
        QRect part = from[i].intersected(rgb.rect());
        int x = to[i].x(), y = to[i].y();
        // Parts that fall left of or above the window are cut off.
        if (x < 0) {
            part.setLeft(part.left() - x);
            x = 0;
        }
        if (y < 0) {
            part.setTop(part.top() - y);
            y = 0;
        }
        part.setWidth(std::min(part.width(), a.width - x));
        part.setHeight(std::min(part.height(), a.height - y));
        if (part.isEmpty())
            continue;
        const unsigned w = static_cast<unsigned>(part.width()), h = static_cast<unsigned>(part.height());
        if (shared) {
            XImage* image = state_->shared.image;
            for (int row = 0; row < part.height(); ++row)
                std::memcpy(image->data + static_cast<ptrdiff_t>(y + row) * image->bytes_per_line + x * 4,
                            rgb.constScanLine(part.top() + row) + part.left() * 4, size_t(w) * 4);
            XShmPutImage(d, state_->window, state_->gc, image, x, y, x, y, w, h, False);
        } else if (trueColour32) {
            // Our 32-bit pixels are the TrueColor server's own: hand the rows over as they are.
            XImage* img = XCreateImage(d, a.visual, static_cast<unsigned>(a.depth), ZPixmap, 0,
                                       const_cast<char*>(reinterpret_cast<const char*>(rgb.constScanLine(part.top()))) +
                                           part.left() * 4,
                                       w, h, 32, static_cast<int>(rgb.bytesPerLine()));
            if (img) {
                XPutImage(d, state_->window, state_->gc, img, 0, 0, x, y, w, h);
                img->data = nullptr;  // the pixels belong to the QImage
                XDestroyImage(img);
            }
        } else {
            putConverted(d, state_->window, state_->gc, rgb, part, x, y, a);
        }
    }
    // Also waits until the server has read the shared image, before it is written again.
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
