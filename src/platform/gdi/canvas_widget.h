#pragma once
// A Qt widget that shows a window canvas: the program draws on Canvas() and each
// Flush() repaints just the drawn part, at once; FlushIfDue() follows the refresh of the
// widget's screen. The widget never erases its background itself.
//
// With DevicePixels, the canvas has the screen's device pixels (the widget's size times
// its device pixel ratio, 2 on a screen scaled twice), and each of them reaches the screen
// as it is drawn: nothing is enlarged by Qt or the compositor. Without, the canvas has the
// widget's own pixels, and a scaled screen enlarges them.

#include "platform/gdi/window_canvas.h"

#include <QWidget>

namespace platform {

class CanvasWidget : public QWidget {
public:
    enum class Pixels { Logical, Device };
    explicit CanvasWidget(QWidget* parent = nullptr, Qt::WindowFlags flags = {}, Pixels pixels = Pixels::Logical);

    TWindowCanvas& Canvas() { return canvas_; }
    // Colour of the area a resize uncovers.
    void SetBackColor(TColor color) { back_ = color; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void followRefresh();

    // The canvas's pixels per widget pixel: 1, or the device pixel ratio.
    qreal ratio() const;

    Pixels pixels_;
    TWindowCanvas canvas_;
    TColor back_ = clBlack;
};

}  // namespace platform
