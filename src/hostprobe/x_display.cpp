#include "x_display.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace hostprobe {

XDisplay::XDisplay()
{
    display_ = XOpenDisplay(nullptr);
    if (!display_)
        return;
    const int screen = DefaultScreen(display_);
    depth_ = DefaultDepth(display_, screen);
    height_ = DisplayHeight(display_, screen);
    const Visual* visual = DefaultVisual(display_, screen);
    trueColor_ = visual && visual->c_class == TrueColor;
}

XDisplay::~XDisplay()
{
    if (display_)
        XCloseDisplay(display_);
}

std::string XDisplay::name() const
{
    return XDisplayName(nullptr);
}

}  // namespace hostprobe
