#pragma once
// A window of another program given by its X11 number, drawn into directly, as the
// screen-saver host's preview window is. An X error on it means it is gone.

#include <QImage>
#include <QRect>
#include <QSize>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>


namespace platform {

class ForeignWindow {
public:
    explicit ForeignWindow(unsigned long id);
    ~ForeignWindow();
    ForeignWindow(const ForeignWindow&) = delete;
    ForeignWindow& operator=(const ForeignWindow&) = delete;

    // The window exists (it may still be unmapped).
    bool exists();
    // The window that contains it; 0 when it is a top-level window or gone.
    unsigned long parent();
    // The window exists and is mapped and viewable.
    bool visible();
    QSize size();
    // Copies the part `source` of an image to (x, y) of the window; clipped to both.
    void draw(const QImage& image, const QRect& source, int x, int y);
    // Copies each part of an image (as big as the window) to the same place in it.
    void draw(const QImage& image, std::span<const QRect> parts);
    void flush();

private:
    struct State;
    // Copies from[i] of the image to to[i] of the window.
    void put(const QImage& source, std::span<const QRect> from, std::span<const QPoint> to);
    State* state_;
};

// Handles messages until the window is mapped and viewable, as a host may map its window
// after naming it. False when the window is destroyed first, or as soon as `giveUp` says so.
bool WaitUntilVisible(ForeignWindow& window, const std::function<bool()>& giveUp = {});

// The root window of the default screen; 0 without a display.
unsigned long RootWindowId();

}  // namespace platform
