#pragma once
// The X display that hostprobe inspects: opened once, before any window framework,
// so that its colours can be read even where the framework cannot draw.

#include <string>

struct _XDisplay;

namespace hostprobe {

class XDisplay {
public:
    XDisplay();  // connects to $DISPLAY
    ~XDisplay();
    XDisplay(const XDisplay&) = delete;
    XDisplay& operator=(const XDisplay&) = delete;

    bool isOpen() const { return display_ != nullptr; }
    _XDisplay* handle() const { return display_; }
    std::string name() const;  // the display asked for, for messages

    // Of the default screen; 0 / false when not open.
    int depth() const { return depth_; }
    bool trueColor() const { return trueColor_; }
    int height() const { return height_; }

private:
    _XDisplay* display_ = nullptr;
    int depth_ = 0;
    bool trueColor_ = false;
    int height_ = 0;
};

}  // namespace hostprobe
